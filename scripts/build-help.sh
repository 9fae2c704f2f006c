#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Compiles the help pages of data/help/fr and data/help/en into data/quincunx-fr.chm and
# data/quincunx-en.chm, which are committed so that building the program needs no help
# compiler.
#
#   scripts/build-help.sh                      compile the two help files
#   scripts/build-help.sh --screenshots BINDIR retake the screenshots from a built program
#                                              (BINDIR holds quincunx-kelvo and its files;
#                                              it is copied, never changed), then compile,
#                                              then take docs/screenshots/help-fr.png and
#                                              help-en.png of the Help button opening the
#                                              help in quincunx-help
#                                              and the viewer's Index and Search tabs
#                                              (help-index-LANG.png, help-search-LANG.png)
#   scripts/build-help.sh --viewer-shots BINDIR only the viewer's pictures
#
# The pages are UTF-8 and say so in their <meta> line. The contents (.hhc), index (.hhk)
# and project (.hhp) files are read by the viewers in the code page of the help file's
# language, so they are converted to Windows-1252 in a staging folder before compiling.
# shellcheck source=common.sh
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

HELP="$ROOT/data/help"
LANGS=(fr en)
SHOT_SCREEN="1280x1024x24"

compile_one() {
  local lang="$1" stage="$2"
  local src="$HELP/$lang" dst="$stage/$lang" name="quincunx-$lang"
  rm -rf "$dst"
  mkdir -p "$dst"
  cp -r "$src"/. "$dst"/
  local f
  for f in "$dst/$name.hhp" "$dst/$name.hhc" "$dst/$name.hhk"; do
    iconv -f UTF-8 -t WINDOWS-1252 "$f" > "$f.tmp" || { echo "build-help: $f holds a character that Windows-1252 lacks" >&2; return 1; }
    mv "$f.tmp" "$f"
  done
  # Every file the project lists must exist: chmcmd would only warn.
  local listed
  while IFS= read -r listed; do
    [ -f "$dst/$listed" ] || { echo "build-help: $lang: missing $listed" >&2; return 1; }
  done < <(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^[[:space:]]*$/d;p}' "$dst/$name.hhp" | tr -d '\r')
  (cd "$dst" && chmcmd --no-html-scan "$name.hhp" > "$stage/$lang.log" 2>&1) || {
    cat "$stage/$lang.log" >&2
    return 1
  }
  if grep -qi 'error' "$stage/$lang.log"; then
    cat "$stage/$lang.log" >&2
    return 1
  fi
  cp "$dst/$name.chm" "$ROOT/data/$name.chm"
  echo "data/$name.chm: $(stat -c %s "$ROOT/data/$name.chm") bytes"
}

compile_all() {
  ensure_packages fp-utils
  local stage
  stage="$(mktemp -d)"
  local lang
  for lang in "${LANGS[@]}"; do
    compile_one "$lang" "$stage" || { rm -rf "$stage"; return 1; }
  done
  rm -rf "$stage"
}

# ---------------------------------------------------------------------------------------
# Screenshots. Everything below runs the real program under Xvfb (1280x1024: cells of 47
# pixels) on a copy of BINDIR, drives it with xdotool and captures with ImageMagick.

H=47
# Button centres in client coordinates for cells of 47 pixels.
B_CAND=(141 491); B_CORRECT=(47 538); B_HELP=(244 491); B_GAME=(232 538)
B_MODE=(752 538); B_LANG=(478 744); B_PLAY=(60 491)

# shellcheck source=xbox.sh
source "$(dirname "${BASH_SOURCE[0]}")/xbox.sh"

# Answers the message box on top with OK (Return), then gives the focus back to the main
# window: there is no window manager to do it.
answer_box() {
  local box
  box="$(wait_box 50)"
  [ -n "$box" ] || { echo "build-help: no message box appeared" >&2; return 1; }
  press_ok "$box"
  sleep 0.5
  xdotool windowfocus --sync "$WID" 2>/dev/null || true
  sleep 0.2
}

# start_program RUNDIR: starts the program, finds its window and closes the start-up box.
start_program() {
  (cd "$1" && QT_QPA_PLATFORM=xcb exec ./quincunx-kelvo > "$1/program.log" 2>&1) &
  APP=$!
  WID="$(timeout 10 xdotool search --sync --onlyvisible --class quincunx | head -1)"
  [ -n "$WID" ] || { echo "build-help: the program's window did not appear" >&2; return 1; }
  local WINDOW X Y WIDTH HEIGHT SCREEN  # set by getwindowgeometry --shell
  eval "$(xdotool getwindowgeometry --shell "$WID")"
  OX=$X; OY=$Y
  [ "$WIDTH" -eq $((21 * H)) ] || { echo "build-help: unexpected window width $WIDTH" >&2; return 1; }
  sleep 0.7
  answer_box
}

stop_program() {
  kill "$APP" 2>/dev/null || true
  wait "$APP" 2>/dev/null || true
}

at() { xdotool mousemove $((OX + $1)) $((OY + $2)); sleep 0.3; }
click() { at "$1" "$2"; xdotool click 1; sleep 0.5; }
cell() { at $((($1 - 1) * H + H / 2)) $((($2 - 1) * H + H / 2)); }  # column, row
type_digit() { xdotool type "$1"; sleep 0.3; }

# shot LEFT TOP WIDTH HEIGHT FILE: a part of the client area.
shot() {
  sleep 0.5
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop "${3}x${4}+$((OX + $1))+$((OY + $2))" +repage "$5"
}

# fresh_copy LANG: a copy of BINDIR in $RUN that starts from the first saved puzzle alone
# (no placed values, no candidate masks), in French (0) or English (1), as the language
# button would have recorded it. The copy has a short fixed name because the open dialog
# shows its path.
RUN="${TMPDIR:-/tmp}/Quincunx"
fresh_copy() {
  if [ -e "$RUN" ] && [ ! -f "$RUN/.build-help" ]; then
    echo "build-help: $RUN exists and is not a copy made by this script" >&2
    return 1
  fi
  rm -rf "$RUN"
  cp -r "$BINDIR" "$RUN"
  touch "$RUN/.build-help"
  rm -f "$RUN/quincunj.jeu" "$RUN/quincunk.jeu" "$RUN/quincunl.jeu"
  {
    printf '0\n0\n0\n0\n0\n0\n0\n0\n%d\n0\n0\n' "$1"
    local l
    for l in $(seq 1 27); do
      if [ $((l % 4)) -eq 0 ]; then printf '%27s\n' ''; else echo '000 000 000 000 000 000 000'; fi
    done
  } > "$RUN/quincunm.jeu"
}

# Grid blocks (27 lines: rows 1..21 in groups of three, a blank line after each group).
# puzzle_block FILE: the givens of a puzzle file (after its header of one or four lines).
puzzle_block() {
  awk 'NR == 1 { skip = ($1 == 1) ? 4 : 1 } NR > skip && n < 27 { print; n++ }' "$1"
}
# solution_block FILE [OPTIONS]: the solution that quincunx-solve finds for it.
solution_block() {
  local out
  out="$("$BINDIR/quincunx-solve" "$@")" || return 1
  grep -qx 'result: solved' <<< "$out" || { echo "build-help: quincunx-solve does not solve $1" >&2; return 1; }
  awk 'f && n < 27 { print; n++ } /^placed:/ { f = 1 }' <<< "$out"
}
# cell_of BLOCKFILE COLUMN ROW: the character of that cell.
cell_of() {
  sed -n "$(($3 + ($3 - 1) / 3))p" "$1" | cut -c"$(($2 + ($2 - 1) / 3))"
}

# The puzzles of the scenes, read once: the first saved puzzle (a Quincunx) with its
# solution, and the default Sudoku. EMPTY holds the first three empty cells ("column row")
# in rows 1..3 of the top-left grid; GIVEN the first given of the Sudoku.
read_puzzles() {
  [ -x "$BINDIR/quincunx-solve" ] || { echo "build-help: build quincunx-solve too (it finds the right digits to type)" >&2; return 1; }
  puzzle_block "$BINDIR/quincunx.jeu" > "$WORK/givens"
  solution_block "$BINDIR/quincunx.jeu" --variant quincunx > "$WORK/solution" || return 1
  puzzle_block "$BINDIR/quincuno.jeu" > "$WORK/sudoku"
  EMPTY=()
  local r c
  for r in 1 2 3; do
    for c in $(seq 1 9); do
      if [ "$(cell_of "$WORK/givens" "$c" "$r")" = 0 ]; then EMPTY+=("$c $r"); fi
    done
  done
  [ ${#EMPTY[@]} -ge 3 ] || { echo "build-help: fewer than three empty cells in rows 1..3" >&2; return 1; }
  GIVEN=""
  for r in $(seq 1 9); do
    for c in $(seq 1 9); do
      if [ -z "$GIVEN" ] && [ "$(cell_of "$WORK/sudoku" "$c" "$r")" != 0 ]; then GIVEN="$c $r"; fi
    done
  done
  [ -n "$GIVEN" ] || { echo "build-help: the default Sudoku has no given" >&2; return 1; }
}
# right N / wrong N: the right digit of empty cell N (0-based in EMPTY), and a wrong one.
right() { local cr; read -ra cr <<< "${EMPTY[$1]}"; cell_of "$WORK/solution" "${cr[0]}" "${cr[1]}"; }
wrong() { echo $(( $(right "$1") % 9 + 1 )); }
# put N DIGIT: the digit into empty cell N.
put() { local cr; read -ra cr <<< "${EMPTY[$1]}"; cell "${cr[0]}" "${cr[1]}"; type_digit "$2"; }

# The help's pictures of one language (0 French, 1 English) into OUT.
program_shots() {
  local lang="$1" OUT="$2" h=$H
  mkdir -p "$OUT"

  # The whole window, a button under the mouse, the status lines, the errors in red.
  fresh_copy "$lang"; start_program "$RUN"
  cell 2 2; shot 0 0 $((21 * h)) $((21 * h)) "$WORK/window-full.png"
  at "${B_PLAY[@]}"; shot 0 $((9 * h)) $((6 * h + 2)) $((3 * h + 1)) "$OUT/buttons.png"
  at 600 900
  shot $((15 * h)) $((9 * h)) $((6 * h)) $((3 * h + 1)) "$OUT/status.png"
  shot $((9 * h)) $((15 * h)) $((3 * h)) $((2 * h + h / 2)) "$OUT/lang.png"
  # Two right values, then a wrong one.
  put 0 "$(right 0)"; put 1 "$(right 1)"; put 2 "$(wrong 2)"; cell 9 3
  shot 0 0 $((9 * h + 3)) $((3 * h + 2)) "$OUT/errors.png"
  stop_program

  # Candidates shown.
  fresh_copy "$lang"; start_program "$RUN"
  click "${B_CAND[@]}"; answer_box
  cell 3 2; shot 0 0 $((9 * h + 3)) $((9 * h + 3)) "$OUT/candidates.png"
  stop_program

  # Data mode through the Correct button, one more given typed.
  fresh_copy "$lang"; start_program "$RUN"
  click "${B_CORRECT[@]}"; answer_box
  put 0 "$(right 0)"; cell 9 3
  shot 0 0 $((13 * h)) $((3 * h + 5)) "$OUT/data.png"
  stop_program

  # Test mode: one violet value, two blue ones.
  fresh_copy "$lang"; start_program "$RUN"
  click "${B_MODE[@]}"; answer_box
  put 0 "$(right 0)"; put 1 "$(right 1)"; put 2 "$(right 2)"; cell 9 3
  shot 0 0 $((13 * h)) $((3 * h + 5)) "$OUT/test.png"
  at 600 900
  shot $((15 * h)) $((9 * h)) $((6 * h)) $((3 * h + 1)) "$OUT/test-status.png"
  stop_program

  # Sudoku, the Shift highlight over its first given, and the open dialog of F3.
  fresh_copy "$lang"; start_program "$RUN"
  click "${B_GAME[@]}"
  cell 3 3; shot 0 0 $((21 * h)) $((21 * h)) "$WORK/sudoku-full.png"
  click "${B_CAND[@]}"; answer_box
  local given
  read -ra given <<< "$GIVEN"
  cell "${given[0]}" "${given[1]}"; xdotool keydown shift; sleep 0.6
  shot 0 0 $((9 * h + 3)) $((9 * h + 3)) "$OUT/shift.png"
  xdotool keyup shift; sleep 0.3
  cell 5 5; xdotool key F3; sleep 1.5
  # shellcheck disable=SC2034  # WINDOW and SCREEN are set by getwindowgeometry --shell too
  local dialog WINDOW X Y WIDTH HEIGHT SCREEN
  dialog="$(other_window)"
  [ -n "$dialog" ] || { echo "build-help: the open dialog did not appear" >&2; return 1; }
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "$OUT/open.png"
  xdotool key Escape; sleep 0.5
  stop_program

  convert "$WORK/window-full.png" -resize 640x640 +dither -colors 96 "PNG8:$OUT/window.png"
  convert "$WORK/sudoku-full.png" -resize 640x640 +dither -colors 96 "PNG8:$OUT/sudoku.png"
}

# The Help button opening the help in a real viewer; lang 0 French, 1 English (switched
# with the language button, which records the language).
viewer_shot() {
  local lang="$1" out="$2"
  fresh_copy 0
  cp "$ROOT"/data/quincunx-*.chm "$RUN/"
  start_program "$RUN"
  if [ "$lang" = 1 ]; then
    click "${B_LANG[@]}"
    answer_box   # cumulative time
    answer_box   # "Now the software is in English"
  fi
  click "${B_HELP[@]}"
  local viewer
  viewer="$(timeout 20 xdotool search --sync --onlyvisible --class '^quincunx-help$' | head -1)"
  [ -n "$viewer" ] || { echo "build-help: no help viewer window appeared" >&2; return 1; }
  sleep 1
  xdotool windowsize "$viewer" 860 720 windowmove "$viewer" 420 290
  sleep 3
  at "${B_HELP[@]}"
  sleep 0.5
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop 1140x744+140+280 +repage -resize 900x +dither -colors 128 "PNG8:$out"
  # The viewer is a process of its own (the program does not wait for it): end it by its id.
  local vpid
  vpid="$(xdotool getwindowpid "$viewer" 2>/dev/null || true)"
  if [ -n "$vpid" ]; then kill "$vpid" 2>/dev/null || true; fi
  stop_program
}

# The viewer alone on the help of LANG (fr, en): KEY typed into its Index tab, then WORDS
# searched in its Search tab, each tab taken with the page it shows.
viewer_tabs_shots() {
  local lang="$1" key="$2" words="$3" search_key="$4"
  (QT_QPA_PLATFORM=xcb exec "$BINDIR/quincunx-help" "$ROOT/data/quincunx-$lang.chm" > "$WORK/viewer.log" 2>&1) &
  local vpid=$!
  # The toolkit may map and drop a helper window first: wait for one that stays.
  local viewer="" geometry=""
  for _ in $(seq 1 40); do
    sleep 0.5
    viewer="$(xdotool search --onlyvisible --class '^quincunx-help$' 2>/dev/null | tail -1)"
    [ -n "$viewer" ] && geometry="$(xdotool getwindowgeometry --shell "$viewer" 2>/dev/null)" && break
  done
  [ -n "$geometry" ] || { echo "build-help: no help viewer window appeared" >&2; return 1; }
  sleep 1
  # shellcheck disable=SC2034  # WINDOW and SCREEN are set by getwindowgeometry --shell too
  local WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$viewer")"
  xdotool mousemove $((X + 120)) $((Y + 300))
  xdotool windowfocus --sync "$viewer" 2>/dev/null || true
  sleep 0.3
  xdotool key alt+i; sleep 0.5
  xdotool type --delay 80 "$key"; sleep 0.3
  xdotool key Return; sleep 1
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage -resize 900x +dither -colors 128 \
    "PNG8:$ROOT/docs/screenshots/help-index-$lang.png"
  xdotool key "alt+$search_key"; sleep 0.5
  xdotool type --delay 80 "$words"; sleep 0.3
  xdotool key Return; sleep 1
  import -window root "$WORK/screen.png"
  convert "$WORK/screen.png" -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage -resize 900x +dither -colors 128 \
    "PNG8:$ROOT/docs/screenshots/help-search-$lang.png"
  kill "$vpid" 2>/dev/null || true
  wait "$vpid" 2>/dev/null || true
}

viewer_shots() {
  mkdir -p "$ROOT/docs/screenshots"
  viewer_shot 0 "$ROOT/docs/screenshots/help-fr.png"
  viewer_shot 1 "$ROOT/docs/screenshots/help-en.png"
  viewer_tabs_shots fr "ferm" "violette bleu" r
  viewer_tabs_shots en "clos" "violet blue" s
}

# Runs inside Xvfb: the viewer's pictures alone.
viewer_shots_inside() {
  BINDIR="$1" WORK="$2"
  export HOME="$WORK/home"
  mkdir -p "$HOME"
  viewer_shots
  rm -rf "$RUN"
}

# Runs inside Xvfb: the program's pictures, the compilation, then the viewer's pictures.
shoot_inside() {
  BINDIR="$1" WORK="$2"
  export HOME="$WORK/home"
  mkdir -p "$HOME" "$WORK/out"
  read_puzzles
  program_shots 0 "$WORK/out/fr"
  program_shots 1 "$WORK/out/en"
  local lang f
  for lang in "${LANGS[@]}"; do
    for f in "$WORK/out/$lang"/*.png; do
      [ -s "$f" ] || { echo "build-help: screenshot $f missing" >&2; return 1; }
    done
    cp "$WORK/out/$lang"/*.png "$HELP/$lang/images/"
  done
  compile_all
  viewer_shots
  rm -rf "$RUN"
}

# screenshots BINDIR [--inside|--viewer-inside]
screenshots() {
  local bindir
  bindir="$(cd "$1" && pwd)"
  [ -x "$bindir/quincunx-kelvo" ] || { echo "build-help: no quincunx-kelvo in $bindir" >&2; exit 1; }
  [ -x "$bindir/quincunx-help" ] || { echo "build-help: no quincunx-help in $bindir" >&2; exit 1; }
  ensure_packages fp-utils xvfb xauth xdotool imagemagick
  local work
  work="$(mktemp -d)"
  # -noreset: the server would otherwise reset each time its last client goes (between two
  # runs of the program), and now and then it does not come back.
  xvfb-run -a -s "-screen 0 $SHOT_SCREEN -noreset" bash "$0" "${2:---inside}" "$bindir" "$work"
  rm -rf "$work"
}

case "${1:-}" in
  "") compile_all ;;
  --screenshots) screenshots "${2:?usage: build-help.sh --screenshots BINDIR}" ;;
  --viewer-shots) screenshots "${2:?usage: build-help.sh --viewer-shots BINDIR}" --viewer-inside ;;
  --inside) shoot_inside "$2" "$3" ;;
  --viewer-inside) viewer_shots_inside "$2" "$3" ;;
  *) echo "usage: build-help.sh [--screenshots BINDIR | --viewer-shots BINDIR]" >&2; exit 2 ;;
esac
