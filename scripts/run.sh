#!/usr/bin/env bash
# Sets up and runs the program: installs what is missing, builds, and solves
# the shipped Quincunx with the command-line solver.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${PACKAGES[@]}"
configure_and_build "$ROOT/build/release" -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF -DQX_BENCH=OFF
"$ROOT/build/release/bin/quincunx-solve" "$ROOT/data/quincunn.jeu"
