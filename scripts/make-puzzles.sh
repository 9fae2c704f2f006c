#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Remakes the shipped puzzles with quincunx-gen from the seeds recorded here:
# the two default puzzles, the first saved state's puzzle and the Jeux/ folder.
# The same seeds and the same engine always give the same files.
#
#   scripts/make-puzzles.sh [BUILD_DIR]
#
# quincunx-gen is built in BUILD_DIR (default build/release, configured when
# it has never been). To make more puzzles, run quincunx-gen with another
# --seed, or with --first past the numbers used below (quincunx-gen --help).
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-$ROOT/build/release}"
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF -DQX_BENCH=OFF >/dev/null
fi
cmake --build "$BUILD" --target quincunx-gen >/dev/null
GEN="$BUILD/bin/quincunx-gen"
DATA="$ROOT/data"

# Seeds. Puzzle N of a seed depends only on the seed, N, the variant and the
# rating. Deep puzzles are not made symmetric: too few boards give one. The
# deep Quincunx seed is one whose six puzzles include two with a hidden clue.
SEED=2024
DEEP_QUINCUNX_SEED=2028
DEFAULT_NUMBER=100  # the default puzzles are number 100 of their kind

# Jeux/: ten Sudoku and six Quincunx per rating.
for rating in singles logic trials; do
  "$GEN" --variant sudoku --rating "$rating" --symmetric --seed "$SEED" --count 10 --out "$DATA/Jeux"
  "$GEN" --variant quincunx --rating "$rating" --symmetric --seed "$SEED" --count 6 --out "$DATA/Jeux"
done
"$GEN" --variant sudoku --rating deep --seed "$SEED" --count 10 --out "$DATA/Jeux"
"$GEN" --variant quincunx --rating deep --seed "$DEEP_QUINCUNX_SEED" --count 6 --out "$DATA/Jeux"

# The defaults the game-type button loads, and the first start's puzzle.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for variant in quincunx sudoku; do
  "$GEN" --variant "$variant" --rating logic --symmetric --seed "$SEED" --first "$DEFAULT_NUMBER" --out "$work"
done
cp "$work/quincunx-logic-$DEFAULT_NUMBER.jeu" "$DATA/quincunn.jeu"
cp "$work/sudoku-logic-$DEFAULT_NUMBER.jeu" "$DATA/quincuno.jeu"
cp "$DATA/quincunn.jeu" "$DATA/state/quincunx.jeu"
echo "Wrote $DATA/quincunn.jeu (Quincunx), $DATA/quincuno.jeu (Sudoku) and $DATA/state/quincunx.jeu"
