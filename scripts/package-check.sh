#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from a built tree and tries it as a new user would:
#
#   scripts/package-check.sh BUILD_DIR
#
# The package is unpacked with dpkg -x into a temporary root (no root rights, no
# apt). From there: the installed quincunx-solve solves a shipped puzzle; the
# installed window, started under Xvfb with HOME set to a fresh folder, records
# a typed value into that user's data folder, writes nothing under the prefix,
# and shows it again after a restart, and opens a puzzle file given on its
# command line. A copy of the build tree's program must still keep its state
# beside itself. The desktop entry, the metainfo, the puzzle file type and the
# man pages are checked with their own tools. Last, the installed window starts
# natively on Wayland, in a headless sway at scale 2.
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD="$(cd "${1:?usage: package-check.sh BUILD_DIR}" && pwd)"
H=47                       # cell size at 1280x1024
RECORD=(141 444)           # the Record button's centre for cells of 47 pixels
STATE_FILES=(quincunx.jeu quincunj.jeu quincunk.jeu quincunl.jeu quincunm.jeu)
failures=0
fail() { echo "package-check: FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "package-check: ok: $*"; }

# --- the window ----------------------------------------------------------------------
# Everything below runs inside Xvfb (see the end), driven with xdotool. There is no
# window manager: the pointer gives the focus.
# shellcheck source=xbox.sh
source "$(dirname "${BASH_SOURCE[0]}")/xbox.sh"

# Answers each box that shows within the next two seconds with Return (OK).
answer_boxes() {
  local box n=0
  while :; do
    box="$(wait_box 10)"
    [ -n "$box" ] || break
    press_ok "$box"
    sleep 0.4
    n=$((n + 1))
    [ "$n" -lt 10 ] || { echo "package-check: more than ten boxes" >&2; break; }
  done
  BOXES=$n
}

# start EXE HOMEDIR [ARG]: the program with a fresh environment of that user.
start() {
  (cd "$2" && exec env -u XDG_DATA_HOME HOME="$2" QT_QPA_PLATFORM=xcb "$1" ${3:+"$3"} > "$WORK/program.log" 2>&1) &
  APP=$!
  WID="$(timeout 15 xdotool search --sync --onlyvisible --class quincunx | head -1)"
  [ -n "$WID" ] || { fail "the window of $1 did not appear"; return 1; }
  local WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  OX=$X OY=$Y
  sleep 0.5
  answer_boxes  # the start-up box
  sleep 1       # the start-up solve
}
stop() { kill "$APP" 2> /dev/null || true; wait "$APP" 2> /dev/null || true; }
at() { xdotool mousemove $((OX + $1)) $((OY + $2)); sleep 0.3; }
record() { at "${RECORD[@]}"; xdotool click 1; sleep 0.5; answer_boxes; sleep 0.5; }

# The grid block of a puzzle file, and one cell of a block (column, row).
puzzle_block() { awk 'NR == 1 { skip = ($1 == 1) ? 4 : 1 } NR > skip && n < 27 { print; n++ }' "$1"; }
cell_of() { sed -n "$(($3 + ($3 - 1) / 3))p" "$1" | cut -c"$(($2 + ($2 - 1) / 3))"; }

# scenario NAME EXE STATE_DIR HOMEDIR SOLVE: types the right digit into the first empty
# cell of the first puzzle, records, restarts and records again.
scenario() {
  local name="$1" exe="$2" state="$3" home="$4" solve="$5"
  local first="$(dirname "$exe")/../share/quincunx/state/quincunx.jeu"
  [ -f "$first" ] || first="$(dirname "$exe")/quincunx.jeu"
  puzzle_block "$first" > "$WORK/givens"
  "$solve" --variant quincunx "$first" | awk 'f && n < 27 { print; n++ } /^placed:/ { f = 1 }' > "$WORK/solution"
  local c r col=0 row=0
  for r in 1 2 3; do for c in $(seq 1 9); do
    [ "$col" -eq 0 ] && [ "$(cell_of "$WORK/givens" "$c" "$r")" = 0 ] && col=$c row=$r
  done; done
  local digit; digit="$(cell_of "$WORK/solution" "$col" "$row")"
  [ "$col" -ne 0 ] && [ -n "$digit" ] && [ "$digit" != 0 ] || { fail "$name: no empty cell to type into"; return; }

  start "$exe" "$home" || return
  at $(((col - 1) * H + H / 2)) $(((row - 1) * H + H / 2)); xdotool type "$digit"; sleep 0.3
  record
  stop
  local f missing=0
  for f in "${STATE_FILES[@]}"; do [ -s "$state/$f" ] || missing=1; done
  [ "$missing" -eq 0 ] && pass "$name: Record wrote the five state files into $state" \
    || { ls -la "$state" >&2; cat "$WORK/program.log" >&2; fail "$name: the state files are not all in $state"; return; }
  # The digit is a given in data entry (quincunx.jeu) or a placed value in play (quincunj.jeu).
  if [ "$(cell_of <(puzzle_block "$state/quincunx.jeu") "$col" "$row")" = "$digit" ] \
      || [ "$(cell_of "$state/quincunj.jeu" "$col" "$row")" = "$digit" ]; then
    pass "$name: the typed $digit at column $col, row $row is recorded"
  else
    fail "$name: the typed $digit at column $col, row $row is not in the record"
  fi
  mkdir -p "$WORK/first"
  for f in "${STATE_FILES[@]}"; do cp "$state/$f" "$WORK/first/$f"; done

  # A restart restores it: recording again without a change writes the same files
  # (but the clock's line, which counts on).
  start "$exe" "$home" || return
  record
  stop
  local same=1
  for f in quincunx.jeu quincunj.jeu quincunk.jeu quincunl.jeu; do cmp -s "$state/$f" "$WORK/first/$f" || same=0; done
  cmp -s <(tail -n +2 "$state/quincunm.jeu") <(tail -n +2 "$WORK/first/quincunm.jeu") || same=0
  [ "$same" -eq 1 ] && pass "$name: the restarted window restored the recorded state" \
    || fail "$name: the state after a restart differs from the one recorded"
  rm -rf "$WORK/first"
}

# A puzzle file given on the command line is the puzzle once started; a Record
# shows it in the saved puzzle.
open_check() {
  local home="$WORK/home3" file="$PREFIX/share/quincunx/Jeux/quincunx-logic-2.jeu"
  mkdir -p "$home"
  start "$PREFIX/games/quincunx-kelvo" "$home" "$file" || return
  record
  stop
  if cmp -s <(puzzle_block "$file") <(puzzle_block "$home/.local/share/quincunx/quincunx.jeu"); then
    pass "quincunx-kelvo FILE.jeu opened that puzzle"
  else
    fail "quincunx-kelvo FILE.jeu: the recorded puzzle is not the file's"
  fi
}

window_checks() {
  # Installed: a fresh user; nothing may change under the prefix.
  local home="$WORK/home"
  mkdir -p "$home"
  find "$WORK/root" -printf '%p %s %T@ %m\n' | sort > "$WORK/prefix.before"
  scenario installed "$PREFIX/games/quincunx-kelvo" "$home/.local/share/quincunx" "$home" "$PREFIX/games/quincunx-solve"
  find "$WORK/root" -printf '%p %s %T@ %m\n' | sort > "$WORK/prefix.after"
  if cmp -s "$WORK/prefix.before" "$WORK/prefix.after"; then
    pass "installed: nothing written under the prefix"
  else
    diff "$WORK/prefix.before" "$WORK/prefix.after" >&2; fail "installed: the prefix changed"
  fi

  # Portable: a copy of the build tree's program folder keeps its state beside itself.
  local copy="$WORK/portable" home2="$WORK/home2"
  mkdir -p "$copy"
  cp -r "$BUILD/bin/quincunx-kelvo" "$BUILD/bin/quincunx-solve" "$BUILD/bin/quincunn.jeu" \
    "$BUILD/bin/quincuno.jeu" "$BUILD/bin/Jeux" "$BUILD"/bin/*.chm "$copy"/
  cp "$ROOT/data/state/quincunx.jeu" "$copy/quincunx.jeu"
  mkdir -p "$home2"
  scenario portable "$copy/quincunx-kelvo" "$copy" "$home2" "$copy/quincunx-solve"
  [ ! -e "$home2/.local/share/quincunx" ] && pass "portable: nothing in the user's data folder" \
    || fail "portable: wrote into $home2/.local/share/quincunx"
  open_check
}

# --- Wayland ------------------------------------------------------------------------
# A headless sway (no GPU: pixman) with one output of 2560x2048 at scale 2, 1280x1024
# logical. sway refuses to run as root, so root runs it, and the program, as nobody.
# Reads a binary PPM; prints how many pixels differ from the top-left pixel of their
# 2x2 block: 0 when the window was drawn at 1x and blown up.
PPM_UNDOUBLED='local $/; my $d = <STDIN>;
$d =~ s/^P6\s+(\d+)\s+(\d+)\s+\d+\s//s or die "not a PPM\n";
my ($w, $h, $n) = ($1, $2, 0);
for my $y (0 .. $h - 1) {
  my ($row, $top) = (substr($d, $y * $w * 3, $w * 3), substr($d, ($y & ~1) * $w * 3, $w * 3));
  for my $x (0 .. $w - 1) { $n++ if substr($row, $x * 3, 3) ne substr($top, ($x & ~1) * 3, 3) }
}
print "$n\n";'

wayland_checks() {
  local missing=() p
  for p in sway grim swaymsg; do command -v "$p" > /dev/null || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] || { fail "wayland: ${missing[*]} not installed"; return; }
  local wl="$WORK/wayland" as=()
  mkdir -p "$wl/run" "$wl/home"
  if [ "$(id -u)" -eq 0 ]; then
    chmod 755 "$WORK"
    chown nobody "$wl/run" "$wl/home"
    as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  chmod 700 "$wl/run"
  printf 'output HEADLESS-1 resolution 2560x2048 scale 2\ndefault_border normal\n' > "$wl/config"
  chmod 644 "$wl/config"
  local env=(env -i PATH=/usr/bin:/bin HOME="$wl/home" XDG_RUNTIME_DIR="$wl/run" LANG=C.UTF-8)
  "${as[@]}" "${env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
    sway -c "$wl/config" > "$wl/sway.log" 2>&1 &
  local sway=$! socket="" display="" i
  for i in $(seq 1 100); do
    socket="$(ls "$wl/run"/sway-ipc.*.sock 2> /dev/null | head -1)"
    display="$(cd "$wl/run" && ls wayland-? 2> /dev/null | head -1)"
    [ -n "$socket" ] && [ -n "$display" ] && break
    kill -0 "$sway" 2> /dev/null || break
    sleep 0.1
  done
  if [ -z "$socket" ] || [ -z "$display" ]; then
    tail -5 "$wl/sway.log" >&2; fail "wayland: sway did not start"; kill "$sway" 2> /dev/null; return
  fi
  env+=(WAYLAND_DISPLAY="$display" SWAYSOCK="$socket")
  "${as[@]}" "${env[@]}" QT_QPA_PLATFORM=wayland "$PREFIX/games/quincunx-kelvo" > "$wl/program.log" 2>&1 &
  local app=$! rect=""
  # The main window: app_id, and its client rectangle in logical pixels.
  for i in $(seq 1 100); do
    rect="$("${as[@]}" "${env[@]}" swaymsg -t get_tree -r 2> /dev/null | perl -MJSON::PP -0777 -ne '
      sub walk { my $n = shift;
        if (($n->{app_id} // "") eq "org.kelvo.quincunx" && ($n->{name} // "") =~ /^Quincunx /) {
          my ($r, $w) = ($n->{rect}, $n->{window_rect});
          print join(" ", $r->{x} + $w->{x}, $r->{y} + $w->{y}, $w->{width}, $w->{height}), "\n"; }
        walk($_) for @{$n->{nodes} // []}, @{$n->{floating_nodes} // []}; }
      walk(decode_json($_));' | head -1)"
    [ -n "$rect" ] && break
    sleep 0.1
  done
  if [ -z "$rect" ]; then
    cat "$wl/program.log" >&2; fail "wayland: no window with app_id org.kelvo.quincunx"
  else
    local x y w h
    read -r x y w h <<< "$rect"
    [ "$w" -eq $((21 * H)) ] && [ "$h" -eq $((21 * H)) ] \
      && pass "wayland: window org.kelvo.quincunx mapped, client ${w}x${h} at scale 2" \
      || fail "wayland: the window's client is ${w}x${h}, not $((21 * H)) square"
    sleep 1.5  # the start-up solve; the start-up box stays up beside the board
    "${as[@]}" "${env[@]}" grim -t ppm -g "$x,$y ${w}x${h}" "$wl/run/board.ppm"
    local size undoubled
    size="$(head -c 20 "$wl/run/board.ppm" | tr '\n' ' ' | awk '{print $2 "x" $3}')"
    undoubled="$(perl -e "$PPM_UNDOUBLED" < "$wl/run/board.ppm")"
    [ "$size" = "$((2 * w))x$((2 * h))" ] && [ "${undoubled:-0}" -gt 10000 ] \
      && pass "wayland: screenshot ${size}: drawn at full resolution ($undoubled pixels differ from their 2x2 block)" \
      || fail "wayland: screenshot ${size}, $undoubled pixels off their 2x2 block: drawn at 1x"
  fi
  kill "$app" "$sway" 2> /dev/null
  wait "$app" "$sway" 2> /dev/null
}


# Inside Xvfb: package-check.sh BUILD_DIR --window WORK
if [ "${2:-}" = "--window" ]; then
  # Every check runs and reports, whatever failed before it.
  set +e +o pipefail
  WORK="$3"
  PREFIX="$WORK/root/usr"
  window_checks
  echo "$failures" > "$WORK/window.failures"
  exit 0
fi

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# --- the package --------------------------------------------------------------------
rm -f "$BUILD"/quincunx-kelvo_*.deb
(cd "$BUILD" && cpack -G DEB > "$WORK/cpack.log" 2>&1) || { cat "$WORK/cpack.log" >&2; exit 1; }
DEB="$(ls "$BUILD"/quincunx-kelvo_*.deb)"
echo "package-check: $(basename "$DEB"): $(stat -c %s "$DEB") bytes"
echo "package-check: $(dpkg-deb -f "$DEB" Depends | sed 's/^/Depends: /')"
echo "package-check: $(dpkg-deb -f "$DEB" Recommends | sed 's/^/Recommends: /')"
if dpkg-deb -c "$DEB" | awk '{print $6}' | grep -v '^\./usr/' | grep -qv '^\./$'; then
  fail "files outside /usr in the package"
fi
PREFIX="$WORK/root/usr"
dpkg -x "$DEB" "$WORK/root"

for f in "$PREFIX"/share/applications/*.desktop; do
  desktop-file-validate "$f" && pass "desktop-file-validate $(basename "$f")" || fail "desktop-file-validate $f"
done
for f in "$PREFIX"/share/metainfo/*.xml; do
  appstreamcli validate --no-net --pedantic "$f" > "$WORK/as.log" 2>&1 \
    && pass "appstreamcli validate $(basename "$f")" || { cat "$WORK/as.log"; fail "appstreamcli validate $f"; }
done
for program in quincunx-kelvo quincunx-solve quincunx-gen quincunx-help; do
  page="$PREFIX/share/man/man6/$program.6.gz"
  if [ -f "$page" ] && MANWIDTH=80 man -l "$page" 2> "$WORK/man.log" | grep -q "^SYNOPSIS" && [ ! -s "$WORK/man.log" ]; then
    pass "man -l $program.6.gz"
  else
    cat "$WORK/man.log" 2>/dev/null; fail "man page of $program"
  fi
done
# What Debian asks of a package: lintian's errors and warnings (its pedantic and
# informational notes are shown, not counted), and every program hardened.
lintian --fail-on error,warning --pedantic --info "$DEB" > "$WORK/lintian.log" 2>&1 \
  && pass "lintian: no error, no warning" || fail "lintian"
sed -n 's/^[EWIPX]: /package-check: lintian: &/p' "$WORK/lintian.log"
# Fortified calls show only where the compiler knows a size, so that flag is
# checked in the build's commands.
for exe in "$PREFIX"/games/* "$PREFIX"/lib/*/quincunx-kelvo/*.so; do
  dynamic="$(readelf -d "$exe")" syms="$(readelf --dyn-syms -W "$exe")"
  if grep -q 'BIND_NOW' <<< "$dynamic" && grep -q '__stack_chk_fail' <<< "$syms"; then
    pass "$(basename "$exe") is hardened (relro, bind now, stack protector)"
  else
    fail "$(basename "$exe") is not hardened"
  fi
done
unfortified="$(grep '"command"' "$BUILD/compile_commands.json" | grep -vc -- '-D_FORTIFY_SOURCE=2' || true)"
[ "$unfortified" -eq 0 ] && pass "every file compiled with -D_FORTIFY_SOURCE=2" \
  || fail "$unfortified files compiled without -D_FORTIFY_SOURCE=2"
# The puzzle file type, read back through the shared MIME database as a file
# manager would: by the name's ending, and by the content alone.
mime="$WORK/mimeroot/mime"
mkdir -p "$mime/packages"
cp "$PREFIX"/share/mime/packages/*.xml "$mime/packages/"
if XDG_DATA_DIRS="$WORK/mimeroot" update-mime-database "$mime" > "$WORK/mime.log" 2>&1; then
  cp "$PREFIX/share/quincunx/Jeux/quincunx-logic-1.jeu" "$WORK/puzzle.jeu"
  cp "$WORK/puzzle.jeu" "$WORK/unnamed"
  for f in puzzle.jeu unnamed; do
    type="$(XDG_DATA_HOME="$WORK/none" XDG_DATA_DIRS="$WORK/mimeroot:/usr/share" \
      gio info -a standard::content-type "$WORK/$f" | awk '/content-type/ {print $2}')"
    [ "$type" = application/x-quincunx-puzzle ] && pass "file type of $f: $type" || fail "file type of $f: $type"
  done
  grep -q '^MimeType=application/x-quincunx-puzzle;' "$PREFIX/share/applications/org.kelvo.quincunx.desktop" \
    && grep -q '^Exec=quincunx-kelvo %f' "$PREFIX/share/applications/org.kelvo.quincunx.desktop" \
    && pass "the desktop entry opens puzzle files" || fail "the desktop entry does not take puzzle files"
else
  cat "$WORK/mime.log" >&2; fail "update-mime-database on the package's file type"
fi
for size in 16x16 32x32 48x48 256x256 scalable; do
  ls "$PREFIX/share/icons/hicolor/$size/apps/quincunx-kelvo."* > /dev/null 2>&1 || fail "no $size icon"
done

# --- the command-line solver from the prefix ------------------------------------------
out="$("$PREFIX/games/quincunx-solve" --variant sudoku "$PREFIX/share/quincunx/quincuno.jeu" &&
  "$PREFIX/games/quincunx-solve" "$PREFIX/share/quincunx/Jeux/quincunx-logic-1.jeu")" || fail "quincunx-solve exit code"
[ "$(grep -cx 'result: solved' <<< "$out")" -eq 2 ] && pass "installed quincunx-solve solves two shipped puzzles" \
  || fail "installed quincunx-solve did not solve the shipped puzzles"
# Its PDF comes from the module it loads from the package's lib folder.
"$PREFIX/games/quincunx-solve" --pdf "$WORK/installed.pdf" "$PREFIX/share/quincunx/Jeux/quincunx-logic-1.jeu" \
    > /dev/null 2> "$WORK/pdf.log" && [ "$(head -c 5 "$WORK/installed.pdf")" = "%PDF-" ] \
  && pass "installed quincunx-solve --pdf writes a PDF" || { cat "$WORK/pdf.log" >&2; fail "installed quincunx-solve --pdf"; }
"$PREFIX/games/quincunx-kelvo" --version | grep -q '^quincunx-kelvo ' || fail "quincunx-kelvo --version"

# --- the window, in a virtual screen of 1280x1024 -----------------------------------------
rm -f "$WORK/window.failures"
if timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$BUILD" --window "$WORK" \
    && [ -f "$WORK/window.failures" ]; then
  failures=$((failures + $(cat "$WORK/window.failures")))
else
  fail "the window checks did not finish"
fi
# Like the window checks, every Wayland check runs and reports.
set +e +o pipefail
wayland_checks
set -e -o pipefail

if [ "$failures" -eq 0 ]; then
  echo "package-check: all passed"
else
  echo "package-check: $failures failed" >&2
  exit 1
fi
