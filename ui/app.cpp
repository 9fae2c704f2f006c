// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/app.h"

#include <chrono>

#include "engine/rules.h"
#include "files/puzzle_file.h"
#include "files/saved_state.h"

namespace qx {

App::App(Platform& platform, std::string dataDir, std::string stateDir)
    : p_(platform), data_(std::move(dataDir)), state_(std::move(stateDir)), dc_(platform) {
  p_.setWindowProc(this);
}

std::string App::title() const { return std::string(kQuincunx) + kAuthorLine; }

void App::stateFolderUnusable(std::string firstState, std::string why, bool locked, int lang) {
  readFrom_ = std::move(firstState);
  unusable_ = std::move(why);
  locked_ = locked;
  firstLang_ = lang;
}

void App::restoreState() {
  b.clear();
  ignored.clear();
  unfinished_.clear();
  // A save cut short is finished (or dropped) before anything is read.
  if (locked_) {
    const Recovery r = recoverState(state_);
    if (r.kind == Recovery::unfinished) unfinished_ = r.error;
    if (r.kind == Recovery::blocking) ignored.push_back({kJournalFile, r.error});
  }
  const std::string& from = readFrom_.empty() ? state_ : readFrom_;
  auto note = [&](const char* name, const ReadStatus& st) {
    if (!st) ignored.push_back({name, st.why});
  };
  note(kPuzzleFile, lecture(from + "/" + kPuzzleFile, b.tab1, clue));
  int su = 0;
  note(kSettingsFile, lecturi(from, m, su, b.tab7));
  b.setVariant(su);
  note(kPlacedFile, lecturf(from, b.tab2));
  note(kMaskFile, lecturg(from, b.candie));
  note(kTestMaskFile, lecturh(from, b.candif));
  if (!readFrom_.empty() && firstLang_ >= 0) m.lang = firstLang_;
}

void App::reportIgnored() {
  if (!unusable_.empty()) show(gamesCannotBeKept(state_, unusable_, m.lang));
  if (!unfinished_.empty()) show(saveUnfinished(unfinished_, m.lang));
  if (ignored.empty()) return;
  const std::string& from = readFrom_.empty() ? state_ : readFrom_;
  std::vector<std::string> lines;
  for (const Ignored& f : ignored)
    lines.push_back((f.name == kJournalFile ? state_ : from) + "/" + f.name + ": " + f.why);
  show(ignoredFiles(lines, m.lang));
}

void App::solve(int mode) {
  boxShown_ = false;
  engine.solution(mode);
  if (mode != kObvious && !boxShown_ && m.termine == 0 && breaksRule(b)) failureBox(kTextErroneous);
}

void App::defineFonts() {
  const int h = g.hh;
  p_.defineFont(FontRole::Digits, "Lucida Console", h - 7, 700);
  p_.defineFont(FontRole::Small, "Lucida Console", h / 3, 400);
  p_.defineFont(FontRole::Buttons, "Times", h / 2, 700);
  // On small screens some words are wider than their buttons: the button
  // face is narrowed, never lowered, until every label fits.
  for (int stretch = 98; stretch >= 70 && !g.labelsFit(p_, texts); stretch -= 2)
    p_.defineFont(FontRole::Buttons, "Times", h / 2, 700, stretch);
}

void App::startUp() {
  // The clock of the day seeds the generator, to the millisecond.
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 86'400'000;
  random.alea = static_cast<std::uint32_t>(ms);

  restoreState();
  p_.setLanguage(m.lang);
  engine.candidat();

  const Point screen = p_.screenSize();
  const int written = 21 * Geometry::cellFor(screen.y);
  g.fromScreen(screen.x, screen.y, p_.room(written, written));
  defineFonts();
  p_.createWindow(title(), 21 * g.hh, 21 * g.hh);
  g.measureLabels(p_, texts, m.lang);
  dc_.selectFont(FontRole::Digits);
  p_.invalidate();
  recorded_ = stateText();
}

std::string App::stateText() const {
  Settings s = m;
  s.nTimer = 0;
  return ecriture(b.tab1, clue) + ecriturf(b.tab2) + ecriturg(b.candie) + ecriturh(b.candif) +
         ecrituri(s, b.su, b.tab7);
}

bool App::unrecorded() const { return stateText() != recorded_; }

bool App::closeRequest() {
  if (!unrecorded()) return true;
  const Message q = texts.exitQuestion(m.lang);
  const auto labels = texts.exitButtons(m.lang);
  switch (p_.questionBox(q.text, q.title, {std::string(labels[0]), std::string(labels[1])})) {
    case 0:
      // A record that failed has said so; the moves stay on the screen.
      return record();
    case 1:
      return true;
    default:
      return false;
  }
}

int App::WinMain() {
  startUp();
  const Message box = texts.cumulativeTime(m.nTimer, m.lang);
  p_.messageBox(box.text, box.title, box.style);
  reportIgnored();
  openStartFile();
  return p_.run();
}

std::intptr_t App::WndProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kMsgCreate:
      p_.startTimer(timer::kClock, 1000);
      p_.startTimer(timer::kStartUp, 100);
      return 0;
    case kMsgClose:
      return closeRequest() ? 0 : kKeepWindow;
    case kMsgDestroy:
      p_.quit(0);
      m.termine = 1;
      return 0;
    case kMsgPaint:
      // A fresh context holds none of our objects; the background is already erased.
      dc_.reset();
      affich();
      return 0;
    case kMsgTimer:
      if (wParam == timer::kClock) {
        ++m.nTimer;
      } else if (wParam == timer::kStartUp) {
        startUpCompletion();
      }
      return 0;
    case kMsgMouseMove:
      onMouseMove(lParam);
      return 0;
    case kMsgLButtonDown:
      onLButtonDown(lParam);
      return 0;
    case kMsgKeyDown:
      onKeyDown(static_cast<int>(wParam));
      return 0;
    case kMsgKeyUp:
      onKeyUp();
      return 0;
    case kMsgChar:
      onChar(static_cast<int>(wParam));
      return 0;
    default:
      return 0;
  }
}

void App::candidateRefresh() {
  if (m.candet == 1)
    engine.candidat();
  else
    engine.rebuild(b.candid);
}

void App::startUpCompletion() {
  p_.stopTimer(timer::kStartUp);
  // The puzzle's own solution comes from the givens and the clue alone: the
  // player's values may be wrong. They come back after the solve.
  const Grid tab2 = b.tab2, tab7 = b.tab7;
  const Cands candie = b.candie, candif = b.candif;
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c) b.tab2[r][c] = '0';
  placeClue(b, clue);
  solve(kSilent);
  b.tab2 = tab2;
  b.tab7 = tab7;
  b.candie = candie;
  b.candif = candif;
  candidateRefresh();
  affich();
  completed_ = true;
  if (startBoxDone_) openStartFile();
}

void App::onMouseMove(std::intptr_t lParam) {
  if (m.fen == 1) return;
  posx = static_cast<int>(lParam & 0xFFFF);
  posy = static_cast<int>((lParam >> 16) & 0xFFFF);

  p_.setCursor(CursorShape::Arrow);
  dc_.selectFont(FontRole::Buttons);
  for (int n = 1; n <= button::kCount; ++n) {
    if (!onButton(g.rect[n], posx, posy)) {
      ok[n] = 0;
      if (oka[n] != 0) drawButton(n, false);
    } else {
      p_.setCursor(CursorShape::Hand);
      ok[n] = 1;
      if (ok[n] != oka[n]) drawButton(n, true);
    }
    oka[n] = ok[n];
  }
  dc_.selectFont(FontRole::Digits);

  if (m.maju == 1) return;
  const Point cell = cellAt(g, posx, posy);
  nx = cell.x;
  ny = cell.y;
  if (nx == nxa && ny == nya) return;
  if (!(isGapCell(nya, nxa) && isGapCell(ny, nx))) affich();
  nxa = nx;
  nya = ny;
}

void App::nessage() { p_.pumpForSolver(); }

void App::waitCursor() { p_.setCursor(CursorShape::Wait); }

void App::clearClientArea() {
  const Point size = p_.clientSize();
  dc_.fillRect({0, 0, size.x, size.y}, colour::kBoardBackground);
}

void App::redraw() {
  affich();
  curseur();
}

void App::failureBox(int text) {
  // The engine calls this with the final board in place.
  if (text == kTextIncomplete && breaksRule(b)) text = kTextErroneous;
  boxShown_ = true;
  const std::string_view t = texts.text(text, m.lang);
  p_.messageBox(t, t, kBoxOk);
}

}  // namespace qx
