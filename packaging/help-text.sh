#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the program $QX_PROGRAM for help2man with its usage block in the form help2man reads
# as the synopsis: "Usage:", each further form on an "or:" line, wrapped
# arguments joined to their form.
"$QX_PROGRAM" "$@" | awk '
  NR == 1 { sub(/^usage:/, "Usage:") }
  !done && /^$/ { done = 1 }
  !done && NR > 1 && /^ +\[/ { sub(/^ +/, " "); line = line $0; next }
  !done && NR > 1 && /^ +quincunx-/ { sub(/^ +/, "   or: ") }
  NR > 1 { print line }
  { line = $0 }
  END { print line }'
