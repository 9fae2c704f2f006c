#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tools copied away from their PDF module, or beside a broken one: --pdf
# fails with status 1 and says what could not be loaded and why; every other
# run never looks for the module.
#
# usage: paper_module.sh BIN_DIR DATA_DIR
set -uo pipefail

BIN="${1:?usage: paper_module.sh BIN_DIR DATA_DIR}"
DATA="${2:?usage: paper_module.sh BIN_DIR DATA_DIR}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }
PUZZLE="$DATA/Jeux/quincunx-singles-1.jeu"
# Where a copy in $WORK/games looks for the module when none is beside it
# (a pattern: the lib folder may name the architecture).
INSTALLED="$WORK/lib/.*quincunx-kelvo/quincunx-paper.so"

# tool | the module beside the copy (none, or a file copied as it) | the reason said | the run's other
# arguments | a run without --pdf | its output, a line
while IFS='|' read -r tool module reason args plain wanted; do
  rm -rf "$WORK/games" && mkdir -p "$WORK/games"
  cp "$BIN/$tool" "$WORK/games/"
  [[ $module == none ]] || cp "$module" "$WORK/games/quincunx-paper.so"
  # shellcheck disable=SC2086
  "$WORK/games/$tool" --pdf "$WORK/games/out.pdf" $args > /dev/null 2> "$WORK/err"
  status=$?
  [[ $status == 1 ]] || fail "$tool beside $module: status $status"
  grep -qx "$tool: cannot load the PDF writer: $reason" "$WORK/err" ||
    fail "$tool beside $module: said $(head -c 300 "$WORK/err")"
  [[ ! -e $WORK/games/out.pdf ]] || fail "$tool beside $module wrote a PDF"
  # shellcheck disable=SC2086
  "$WORK/games/$tool" $plain 2> "$WORK/err" | grep -qx "$wanted" ||
    fail "$tool $plain beside $module: $(head -c 300 "$WORK/err")"
done <<TABLE
quincunx-solve|none|$INSTALLED: cannot open shared object file: No such file or directory|$PUZZLE|$PUZZLE|result: solved
quincunx-solve|$PUZZLE|$WORK/games/quincunx-paper.so: invalid ELF header|$PUZZLE|--count $PUZZLE|.*: solutions 1
quincunx-gen|none|$INSTALLED: cannot open shared object file: No such file or directory|--rating singles --out $WORK|--rate $PUZZLE|.*: quincunx unique singles
TABLE

echo "$FAILURES failure(s)"
[[ $FAILURES == 0 ]]
