#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up and runs the program: installs what is missing, builds, and opens
# the window.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages "${PACKAGES[@]}"
configure_and_build "$ROOT/build/release" -DCMAKE_BUILD_TYPE=Release -DQX_TESTS=OFF -DQX_BENCH=OFF

program="$ROOT/build/release/bin/quincunx-kelvo"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat >&2 <<MSG
No display to open the window on. On a machine without a desktop, run it in a
virtual screen:

    sudo apt-get install xvfb
    xvfb-run -s "-screen 0 1280x1024x24" $program

or solve a puzzle without a window:

    $ROOT/build/release/bin/quincunx-solve $ROOT/data/quincunn.jeu
MSG
  exit 1
fi
exec "$program"
