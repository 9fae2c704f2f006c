#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-process comparison: quincunx-solve --complete --jobs 1 --lines against
# tdoku's example solver (example/solve.c of a tdoku checkout, built by hand:
# cc -O3 example/solve.c libtdoku_static.a -lstdc++), both counting to two, on
# the same files. Runs are paired and interleaved (the order flips every round)
# so that a shared machine's load falls on both alike; the figures are the
# medians, in microseconds per puzzle, of wall-clock time and of CPU time
# (clock ticks: give files of some thousands of puzzles), with the load at
# the start.
#
# usage: whole_process.sh QUINCUNX_SOLVE TDOKU_EXAMPLE ROUNDS FILE...
set -euo pipefail

OURS="${1:?usage: whole_process.sh QUINCUNX_SOLVE TDOKU_EXAMPLE ROUNDS FILE...}"
TDOKU="${2:?usage}"
ROUNDS="${3:?usage}"
shift 3
TMP="$(mktemp -d)"
trap 'rm -rf "$TMP"' EXIT
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"

# One run: its wall-clock nanoseconds and the CPU clock ticks (user + system)
# it took.
ticks() { awk '{print $16 + $17}' /proc/$$/stat; }
run() {  # WHO FILE
  local who="$1" file="$2" c0 c1 t0 t1
  c0=$(ticks)
  t0=$(date +%s%N)
  if [[ $who == ours ]]; then
    "$OURS" --complete --jobs 1 --lines "$file" > /dev/null
  else
    "$TDOKU" 2 < "$file" > /dev/null
  fi
  t1=$(date +%s%N)
  c1=$(ticks)
  echo "$((t1 - t0)) $((c1 - c0))"
}
median() { sort -n | awk '{a[NR] = $1} END {print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2}'; }

TICK=$(getconf CLK_TCK)
printf "%-28s %8s %10s %10s %6s %10s %10s %6s\n" file puzzles "ours wall" "tdoku" ratio "ours CPU" "tdoku" ratio
for file in "$@"; do
  n=$(grep -c . "$file")
  : > "$TMP/ours"
  : > "$TMP/tdoku"
  for ((r = 0; r < ROUNDS; r++)); do
    if ((r % 2 == 0)); then order=(ours tdoku); else order=(tdoku ours); fi
    for who in "${order[@]}"; do run "$who" "$file" >> "$TMP/$who"; done
  done
  ow=$(cut -d' ' -f1 "$TMP/ours" | median)
  tw=$(cut -d' ' -f1 "$TMP/tdoku" | median)
  oc=$(cut -d' ' -f2 "$TMP/ours" | median)
  tc=$(cut -d' ' -f2 "$TMP/tdoku" | median)
  # Microseconds per puzzle.
  awk -v f="$(basename "$file")" -v n="$n" -v ow="$ow" -v tw="$tw" -v oc="$oc" -v tc="$tc" -v k="$TICK" 'BEGIN {
    printf "%-28s %8d %10.2f %10.2f %6.2f %10.2f %10.2f %6.2f\n", f, n, ow / 1e3 / n, tw / 1e3 / n, ow / tw,
           oc / k / n * 1e6, tc / k / n * 1e6, (tc > 0 ? oc / tc : 0) }'
done
