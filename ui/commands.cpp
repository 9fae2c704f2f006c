// SPDX-License-Identifier: GPL-3.0-or-later
// The fourteen buttons, the open command and the language switch.
#include <filesystem>
#include <utility>

#include "files/help_launcher.h"
#include "files/puzzle_file.h"
#include "files/saved_state.h"
#include "ui/app.h"

namespace qx {

void App::show(const Message& box) { p_.messageBox(box.text, box.title, box.style); }

bool App::confirm(Explain box) {
  const Message m = texts.explanation(box, this->m.lang);
  return p_.messageBox(m.text, m.title, m.style) != kIdCancel;
}

void App::clearMasks() {
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      for (int d = 1; d <= 9; ++d) {
        b.candie[r][c][d] = '1';
        b.candif[r][c][d] = '1';
      }
}

void App::solveBehind() {
  placeClue(b, clue);
  solve(kSilent);
  clearGrid(b.tab2);
}

bool App::record() {
  // What the start-up could not use is kept as NAME.bad, not overwritten.
  std::vector<std::string> aside;
  if (readFrom_.empty())
    for (const Ignored& f : ignored) aside.push_back(f.name);
  if (!locked_) {
    // Another program may write there: nothing is replaced without the lock.
    show(saveFailed(unusable_, m.lang, readFrom_.empty()));
    return false;
  }
  const SaveResult saved = saveState(state_, b, clue, m, aside);
  if (saved.ok || saved.committed) {
    ignored.clear();
    recorded_ = stateText();
  }
  if (!saved.ok)
    show(saved.committed ? saveUnfinished(saved.error, m.lang) : saveFailed(saved.error, m.lang, saved.previous));
  return saved.ok;
}

void App::onLButtonDown(std::intptr_t lParam) {
  if (m.fen == 1) return;
  posx = static_cast<int>(lParam & 0xFFFF);
  posy = static_cast<int>((lParam >> 16) & 0xFFFF);
  affich();
  for (int n = 1; n <= button::kCount; ++n)
    if (onButton(g.rect[n], posx, posy)) command(n);
  p_.invalidate();
  nxa = nx = ny = nya = 1;
  m.maju = 0;
}

void App::command(int n) {
  switch (n) {
    case button::kData:  // a new puzzle
      if (!confirm(Explain::data)) return;
      m.jou = 0;
      clue.ne = 0;
      clearGrid(b.tab1);
      clearGrid(b.tab2);
      clearGrid(b.tab7);
      clearGrid(b.tab6);
      clearMasks();
      for (int r = 1; r <= kField; ++r)
        for (int c = 1; c <= kField; ++c)
          if (isGapCell(r, c)) b.tab1[r][c] = ' ';
      candidateRefresh();
      return;
    case button::kPlay:
      if (!confirm(Explain::play)) return;
      m.nTimer = 0;
      m.jou = 1;
      solve(kSilent);
      clearGrid(b.tab2);
      clearMasks();
      candidateRefresh();
      return;
    case button::kCorrect:  // back to data entry, givens kept
      if (!confirm(Explain::correct)) return;
      m.jou = 0;
      clue.ne = 0;
      clearGrid(b.tab2);
      clearMasks();
      return;
    case button::kRecord:
      if (!confirm(Explain::record)) return;
      record();
      return;
    case button::kCandidate:  // hide at once, show after the box
      if (m.cand != 0) {
        m.cand = 1 - m.cand;
        return;
      }
      if (!confirm(Explain::candidate)) return;
      engine.rebuild(b.candid);
      m.candet = 0;
      m.cand = 1;
      return;
    case button::kSolution:
      if (!confirm(Explain::solution)) return;
      if (clue.ne == 1 && clue.ie >= 1 && clue.ie <= kField && clue.je >= 1 && clue.je <= kField &&
          b.tab2[clue.ie][clue.je] == '0')
        b.tab2[clue.ie][clue.je] = clue.ce;
      solve(kShown);
      return;
    case button::kReplay:
      m.nTimer = 0;
      clearGrid(b.tab2);
      clearGrid(b.tab7);
      clearMasks();
      solveBehind();
      candidateRefresh();
      return;
    case button::kHelp: {
      const HelpLaunch launch = ViewReadMeFile(data_, std::string(texts.text(Text::kHelpFile, m.lang)));
      if (launch.errorText != 0) {
        p_.messageBox(texts.text(launch.errorText, m.lang), texts.text(Text::kErrorButton, m.lang), kBoxOk);
        return;
      }
      for (const std::string& viewer : launch.viewers)
        if (p_.startDetached(viewer, {launch.helpPath})) return;
      const Message none = helpViewerMissing(launch.helpPath, m.lang);
      p_.messageBox(none.text, none.title, none.style);
      return;
    }
    case button::kGame: {  // load the other game's default puzzle
      b.setVariant(1 - b.su);
      clearGrid(b.tab2);
      clearGrid(b.tab7);
      clearMasks();
      const bool sudoku = b.su == 1;
      lecture(data_ + "/" + (sudoku ? kDefaultSudoku : kDefaultQuincunx), b.tab1, clue);
      p_.setTitle(std::string(sudoku ? kSudoku : kQuincunx) + kAuthorLine);
      solveBehind();
      candidateRefresh();
      m.nTimer = 0;
      return;
    }
    case button::kError:
      m.er = 1 - m.er;
      return;
    case button::kMode:  // test mode on or off
      if (!confirm(m.es == 0 ? Explain::test : Explain::normal)) return;
      if (m.es == 0) {
        m.nxb = 0;
        m.ess = 0;
        m.nyb = 0;
        m.es = 1;
        b.candif = b.candie;
      } else {
        m.es = 1 - m.es;
        b.candie = b.candif;
        for (int r = 1; r <= kField; ++r)
          for (int c = 1; c <= kField; ++c)
            if (b.tab7[r][c] == '2') b.tab2[r][c] = '0';
      }
      for (int r = 1; r <= kField; ++r)
        for (int c = 1; c <= kField; ++c)
          if (b.tab7[r][c] == '2') b.tab7[r][c] = '0';
      candidateRefresh();
      return;
    case button::kPartial:
      if (!confirm(Explain::partial)) return;
      solve(kObvious);
      return;
    case button::kLanguage:
      languageSwitch();
      return;
    case button::kPermut:  // in normal mode only
      if (m.es == 1) {
        show(normalModeRefusal(m.lang));
        return;
      }
      random.permut(b, clue);
      m.nTimer = 0;
      clearGrid(b.tab2);
      clearMasks();
      candidateRefresh();
      return;
    default:
      return;
  }
}

void App::languageSwitch() {
  m.lang = 1 - m.lang;
  p_.setLanguage(m.lang);
  g.measureLabels(p_, texts, m.lang);
  for (const Message& box : texts.bouton(m.nTimer, m.lang)) show(box);
  record();
}

void App::openCommand() {
  if (m.fen != 0) return;
  m.fen = 1;
  std::string start = "./Jeux";
  std::error_code ec;
  // Else the user's own Jeux folder beside the state, else the shipped one.
  if (!std::filesystem::is_directory(start, ec)) start = state_ + "/Jeux";
  if (!std::filesystem::is_directory(start, ec)) start = data_ + "/Jeux";
  const auto chosen = p_.openFileDialog(openTitle(m.lang), openFilters(m.lang), start);
  if (chosen) loadPuzzle(*chosen);
  p_.invalidate();
  nx = ny = nxa = nya = 1;
  m.maju = 0;
  m.fen = 0;
}

void App::loadPuzzle(const std::string& path) {
  b.setVariant(variantFromName(path, b.su));
  clearGrid(b.tab2);
  clearGrid(b.tab1);
  clearGrid(b.tab7);
  clearMasks();
  if (const ReadStatus st = lecture(path, b.tab1, clue)) {
    solveBehind();
  } else {
    // Nothing of the previous puzzle may linger behind the empty board.
    clearGrid(b.tab6);
    clue.ne = 0;
    show(openFailed(path + "\n" + st.why, m.lang));
  }
}

void App::openFile(const std::string& path) {
  if (m.fen != 0) return;
  m.fen = 1;
  loadPuzzle(path);
  p_.invalidate();
  nx = ny = nxa = nya = 1;
  m.maju = 0;
  m.fen = 0;
}

void App::openStartFile() {
  startBoxDone_ = true;
  // After the start-up completion, as F3 would come.
  if (!completed_) return;
  if (newAtStartRating >= 0) {
    const int rating = std::exchange(newAtStartRating, -1);
    if (m.fen != 0) return;
    m.fen = 1;
    newPuzzle(newAtStartSu, rating);
    p_.invalidate();
    nx = ny = nxa = nya = 1;
    m.maju = 0;
    m.fen = 0;
    return;
  }
  if (openAtStart.empty()) return;
  const std::string path = std::exchange(openAtStart, {});
  openFile(path);
}

}  // namespace qx
