# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the README's commands: package installation and the build.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages that building and running the program need (scripts/run.sh):
# the compiler and Qt, the faces the window asks for, chmlib for the help viewer.
PACKAGES=(cmake ninja-build g++)
PACKAGES+=(qt6-base-dev fonts-liberation fonts-dejavu-core)
PACKAGES+=(libchm-dev)
PACKAGES+=(qt6-translations-l10n)  # Qt's own words (Cancel, the open dialog) in French
# What the tests need besides (scripts/test.sh): test and benchmark libraries,
# the help checks, and the package check (package tools, man, Xvfb).
TEST_PACKAGES=(libgtest-dev libbenchmark-dev libqqwing-dev)
TEST_PACKAGES+=(libchm-bin)
TEST_PACKAGES+=(help2man librsvg2-bin desktop-file-utils appstream dpkg-dev man-db xvfb xauth xdotool)
TEST_PACKAGES+=(file lintian)  # file: the package's library dependencies
TEST_PACKAGES+=(poppler-utils)  # pdftoppm reads printed pages back
# The package check's file type and Wayland parts: the MIME database and gio to
# read it, a headless sway with its screenshot tool, Qt's Wayland plugin.
TEST_PACKAGES+=(shared-mime-info libglib2.0-bin sway grim qt6-wayland)

# Installs whatever of the given packages is missing (sudo when not root).
ensure_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir"
}
