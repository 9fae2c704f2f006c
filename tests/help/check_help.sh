#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The per-language lists are read through indirect names (PAGES_$lang, ...).
# shellcheck disable=SC2034
# Opens the two compiled help files with a CHM reader and checks that each holds its pages:
# the index page, every section, the contents and index files, the style sheet and the
# screenshots; that every link and picture of a page leads to a file inside the help file;
# and that what the help file holds is what data/help holds (a page edited without
# recompiling the help files fails here: run scripts/build-help.sh).
#
# usage: check_help.sh DATA_DIR      (DATA_DIR holds quincunx-fr.chm, quincunx-en.chm, help/)
set -uo pipefail

DATA="${1:?usage: check_help.sh DATA_DIR}"
FAILURES=0
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }

# Debian's tools, wherever the caller's PATH points.
PATH="/usr/bin:/bin${PATH:+:$PATH}"
for tool in enum_chmLib extract_chmLib iconv; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool not found (Debian package libchm-bin)"; exit 1; }
done

IMAGES=(window.png sudoku.png buttons.png status.png lang.png data.png errors.png
        candidates.png shift.png test.png test-status.png open.png)
PAGES_fr=(index.html regles.html fenetre.html partie.html boutons.html clavier.html
          candidats.html test.html resolution.html fichiers.html)
PAGES_en=(index.html rules.html window.html playing.html buttons.html keyboard.html
          candidates.html test.html solving.html files.html)
# One text per language that only the right language's index page holds.
TITLE_fr="Quincunx et Sudoku"
TITLE_en="Quincunx and Sudoku"
# The fourteen buttons, as the window labels them, must all be on the buttons page.
BUTTONS_fr=(Donnée Jouer Corriger Enregis Candidat Solution Rejouer Aide Sudoku Quincunx
            Erreur Test Normal Partiel English Permut)
BUTTONS_en=(Data Play Correct Record Candidate Solution Replay Help Sudoku Quincunx
            Error Test Normal Partial Français Permut)
BUTTON_PAGE_fr=boutons.html
BUTTON_PAGE_en=buttons.html

WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

check_language() {
  local lang="$1"
  local chm="$DATA/quincunx-$lang.chm" src="$DATA/help/$lang"
  local -n pages="PAGES_$lang" buttons="BUTTONS_$lang"
  local title_var="TITLE_$lang" button_page_var="BUTTON_PAGE_$lang"
  local title="${!title_var}" button_page="${!button_page_var}"

  if [ ! -s "$chm" ]; then
    fail "$chm is missing or empty"
    return
  fi

  # The reader's list of the files inside.
  local listing="$WORK/$lang.list"
  if ! enum_chmLib "$chm" > "$WORK/$lang.enum" 2>&1; then
    fail "enum_chmLib cannot read $chm"
    return
  fi
  awk '$4 == "normal" && $5 == "file" { print $NF }' "$WORK/$lang.enum" | sort > "$listing"
  if [ ! -s "$listing" ]; then
    fail "enum_chmLib lists no file in $chm"
    return
  fi

  local expected=() p
  for p in "${pages[@]}"; do expected+=("/$p"); done
  for p in "${IMAGES[@]}"; do expected+=("/images/$p"); done
  expected+=("/style.css" "/quincunx-$lang.hhc" "/quincunx-$lang.hhk")
  for p in "${expected[@]}"; do
    grep -qxF "$p" "$listing" || fail "$lang: $p is not in $(basename "$chm")"
  done

  # Every file that data/help lists for the compiler is in the help file.
  local hhp="$src/quincunx-$lang.hhp" listed
  if [ -f "$hhp" ]; then
    while IFS= read -r listed; do
      grep -qxF "/$listed" "$listing" || fail "$lang: $listed (listed in $(basename "$hhp")) is not in $(basename "$chm")"
    done < <(sed -n '/^\[FILES\]/,/^\[/{/^\[/d;/^[[:space:]]*$/d;p}' "$hhp" | tr -d '\r')
  else
    fail "$hhp is missing"
  fi

  # Extract and look inside.
  local out="$WORK/$lang"
  mkdir -p "$out"
  extract_chmLib "$chm" "$out" > /dev/null 2>&1 || fail "extract_chmLib cannot extract $chm"

  for p in "${pages[@]}"; do
    [ -s "$out/$p" ] || { fail "$lang: $p extracts empty"; continue; }
    grep -qi '<h1>' "$out/$p" || fail "$lang: $p has no title"
    cmp -s "$out/$p" "$src/$p" || fail "$lang: $p differs from data/help/$lang/$p (recompile with scripts/build-help.sh)"
  done
  grep -qF "$title" "$out/index.html" 2>/dev/null || fail "$lang: index.html does not say \"$title\""

  for p in "${IMAGES[@]}"; do
    local img="$out/images/$p"
    if [ ! -s "$img" ]; then
      fail "$lang: images/$p extracts empty"
      continue
    fi
    [ "$(head -c 8 "$img" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "$lang: images/$p is not a PNG"
    cmp -s "$img" "$src/images/$p" || fail "$lang: images/$p differs from data/help/$lang/images/$p (recompile)"
  done

  # The contents and index files are stored in Windows-1252.
  local f
  for f in hhc hhk; do
    if iconv -f UTF-8 -t WINDOWS-1252 "$src/quincunx-$lang.$f" > "$WORK/$lang.$f" 2>/dev/null; then
      cmp -s "$out/quincunx-$lang.$f" "$WORK/$lang.$f" || fail "$lang: quincunx-$lang.$f differs from data/help (recompile)"
    else
      fail "$lang: data/help/$lang/quincunx-$lang.$f is not convertible to Windows-1252"
    fi
  done

  # Each page of the contents and every link or picture of a page is inside the help file.
  local target
  while IFS= read -r target; do
    target="${target%%#*}"
    [ -z "$target" ] && continue
    grep -qxF "/$target" "$listing" || fail "$lang: the contents name $target, which is not in the help file"
  done < <(grep -o 'name="Local" value="[^"]*"' "$out/quincunx-$lang.hhc" | sed 's/.*value="//; s/"$//')
  for p in "${pages[@]}"; do
    [ -f "$out/$p" ] || continue
    while IFS= read -r target; do
      case "$target" in http:* | https:* | mailto:* | "#"*) continue ;; esac
      target="${target%%#*}"
      grep -qxF "/$target" "$listing" || fail "$lang: $p links to $target, which is not in the help file"
    done < <(grep -oE '(href|src)="[^"]*"' "$out/$p" | sed -E 's/^(href|src)="//; s/"$//')
  done

  # The buttons page names the fourteen buttons with the window's labels.
  local b
  for b in "${buttons[@]}"; do
    grep -qF "<span class=\"bouton\">$b</span>" "$out/$button_page" 2>/dev/null \
      || fail "$lang: $button_page does not name the button $b"
  done

  echo "$lang: $(wc -l < "$listing") files in $(basename "$chm"), ${#pages[@]} pages and ${#IMAGES[@]} screenshots checked"
}

check_language fr
check_language en

if [ "$FAILURES" -ne 0 ]; then
  echo "$FAILURES failure(s)"
  exit 1
fi
echo "help files OK"
