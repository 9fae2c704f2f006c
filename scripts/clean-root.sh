#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the README's test command on a brand-new Debian 12 root, as a new user
# with sudo, the way Debian builds its packages: a package the scripts forget
# to install fails here, where nothing was installed by hand.
#
#   sudo bash scripts/clean-root.sh [COMMIT] [-- COMMAND...]
#
# Needs root and mmdebstrap. The root is made afresh each time (nothing is
# cached between runs), the committed tree of COMMIT (default HEAD) is cloned
# into it with ../shared beside it, and COMMAND (default: bash scripts/test.sh)
# runs there with an emptied environment. The root is removed at the end.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
commit=HEAD
if [ $# -gt 0 ] && [ "$1" != "--" ]; then commit="$1"; shift; fi
[ "${1:-}" = "--" ] && shift
[ $# -gt 0 ] || set -- bash scripts/test.sh
commit="$(git -C "$ROOT" rev-parse --verify "$commit^{commit}")"
[ "$(id -u)" -eq 0 ] || { echo "clean-root: needs root (mmdebstrap, chroot, mount)" >&2; exit 2; }
command -v mmdebstrap >/dev/null || { echo "clean-root: needs mmdebstrap (apt-get install mmdebstrap)" >&2; exit 2; }

dir="$(mktemp -d /var/tmp/quincunx-root.XXXXXX)"
chmod 0755 "$dir"  # apt's download user must reach it
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -R "${mounts[i]}" || umount -R -l "${mounts[i]}" || true
  done
  # Never follow what a failed unmount left into the host's own /dev or /proc.
  if ! grep -q " $dir/" /proc/mounts; then rm -rf --one-file-system "$dir"; else
    echo "clean-root: $dir is still mounted; left in place" >&2; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "clean-root: making a new Debian 12 root in $dir"
start=$SECONDS
mmdebstrap --variant=apt --include=ca-certificates,git,sudo bookworm "$dir" \
  "deb http://deb.debian.org/debian bookworm main" \
  "deb http://deb.debian.org/debian bookworm-updates main" \
  "deb http://deb.debian.org/debian-security bookworm-security main"
echo "clean-root: root made in $((SECONDS - start)) s"

echo "127.0.1.1 $(hostname)" >> "$dir/etc/hosts"  # sudo looks its host up
chroot "$dir" useradd --create-home --shell /bin/bash builder
echo "builder ALL=(ALL) NOPASSWD: ALL" > "$dir/etc/sudoers.d/builder"
chmod 0440 "$dir/etc/sudoers.d/builder"
src=/home/builder/src
git clone --quiet --no-local "$ROOT" "$dir$src/quincunx"
git -C "$dir$src/quincunx" checkout --quiet --detach "$commit"
[ -d "$ROOT/../shared" ] && cp -r "$ROOT/../shared" "$dir$src/shared"
chroot "$dir" chown -R builder:builder "$src"

for m in proc sys dev; do
  mounts+=("$dir/$m")
  case "$m" in
    proc) mount -t proc proc "$dir/proc" ;;
    *) mount --rbind "/$m" "$dir/$m" && mount --make-rslave "$dir/$m" ;;
  esac
done

echo "clean-root: running '$*' on $(git -C "$ROOT" log -1 --format='%h %s' "$commit")"
start=$SECONDS
status=0
chroot "$dir" /usr/sbin/runuser -u builder -- \
  env -i HOME=/home/builder USER=builder LOGNAME=builder SHELL=/bin/bash \
  PATH=/usr/local/bin:/usr/bin:/bin: \
  bash -c 'cd "$1" && shift && exec "$@"' sh "$src/quincunx" "$@" || status=$?
echo "clean-root: '$*' ended with status $status after $((SECONDS - start)) s"
exit "$status"
