#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Both command-line tools on an output that cannot be written (/dev/full):
# status 1 and "cannot write the output: REASON" on the error output, for
# every kind of run; and a puzzle file that cannot be finished (the file size
# limit at 0) is reported and removed.
#
# usage: full_output.sh BIN_DIR DATA_DIR
set -uo pipefail

BIN="${1:?usage: full_output.sh BIN_DIR DATA_DIR}"
DATA="${2:?usage: full_output.sh BIN_DIR DATA_DIR}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }

head -c 8200 "$DATA/../tests/data/sudoku-hard.txt" > "$WORK/lines.txt"

expect_full() {  # TOOL ARGS...: the run fails on /dev/full and says why
  local tool="$1"
  shift
  "$BIN/$tool" "$@" > /dev/full 2> "$WORK/err"
  local status=$?
  [[ $status == 1 ]] || fail "$tool $*: status $status"
  grep -qx "$tool: cannot write the output: No space left on device" "$WORK/err" ||
    fail "$tool $*: said $(head -c 300 "$WORK/err")"
}

expect_full quincunx-solve "$DATA/quincunn.jeu"
expect_full quincunx-solve --help
expect_full quincunx-solve --version
expect_full quincunx-solve --count "$DATA/quincunn.jeu" "$DATA/quincuno.jeu"
expect_full quincunx-solve --permute 3 "$DATA/quincunn.jeu"
expect_full quincunx-solve --complete --jobs 2 --lines "$WORK/lines.txt"
expect_full quincunx-solve --first --lines "$WORK/lines.txt"
expect_full quincunx-gen --rate "$DATA/quincunn.jeu" "$DATA/quincuno.jeu"
expect_full quincunx-gen --help
expect_full quincunx-gen --version
expect_full quincunx-gen --variant sudoku --count 2 --out "$WORK/made"

# No file can grow (SIGXFSZ ignored): each write fails and nothing is left.
# The error output goes through a pipe, which the limit does not touch.
(trap '' XFSZ; ulimit -f 0; exec "$BIN/quincunx-gen" --variant sudoku --rating singles --count 2 --out "$WORK/cut") \
  2>&1 > /dev/null | cat > "$WORK/err"
status=${PIPESTATUS[0]}
[[ $status == 1 ]] || fail "gen on a full disk: status $status"
grep -q "^quincunx-gen: cannot write $WORK/cut/sudoku-singles-1.jeu: File too large$" "$WORK/err" ||
  fail "gen on a full disk said $(head -c 300 "$WORK/err")"
[[ -z "$(ls -A "$WORK/cut")" ]] || fail "gen on a full disk left $(ls "$WORK/cut")"

echo "$FAILURES failure(s)"
[[ $FAILURES == 0 ]]
