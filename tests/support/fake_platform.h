// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A Platform for tests: records every drawing call and box, answers boxes and
// file dialogs from a script, and delivers nothing on its own.

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/paper.h"
#include "platform/platform.h"

namespace qx::test {

struct Draw {
  enum Kind { Fill, Rectangle, Line, Text } kind;
  Rect rect;        // Fill, Rectangle
  Point from, to;   // Line; Text at from
  Colour colour;    // brush, pen or text colour
  Colour brush;     // Rectangle's inside
  std::string text;
  FontRole font;
};

struct Box {
  std::string text, title;
  int style;
};

class FakePlatform : public Platform {
 public:
  // Surface: recorded, with a simple text measure (half the font height per character).
  void fillRect(const Rect& r, Colour brush) override {
    draws.push_back({Draw::Fill, r, {}, {}, brush, 0, {}, FontRole::Digits});
  }
  void rectangle(const Rect& r, Colour pen, Colour brush) override {
    draws.push_back({Draw::Rectangle, r, {}, {}, pen, brush, {}, FontRole::Digits});
  }
  void line(Point from, Point to, Colour pen) override {
    draws.push_back({Draw::Line, {}, from, to, pen, 0, {}, FontRole::Digits});
  }
  void text(Point p, std::string_view utf8, FontRole font, Colour colour) override {
    draws.push_back({Draw::Text, {}, p, {}, colour, 0, std::string(utf8), font});
  }
  int textWidth(std::string_view utf8, FontRole font) override {
    int chars = 0;
    for (unsigned char ch : utf8) chars += (ch & 0xC0) != 0x80;
    const auto stretch = fontStretch.find(font);
    return chars * fontHeight[font] * (stretch == fontStretch.end() ? 100 : stretch->second) / 200;
  }
  int textHeight(std::string_view, FontRole font) override { return fontHeight[font]; }

  void setWindowProc(WindowProc* p) override { proc = p; }
  void setLanguage(int) override {}
  Point screenSize() override { return screen; }
  Room room(int w, int h) override {
    roomAskedFor = {w, h};
    return roomGiven;
  }
  void defineFont(FontRole role, std::string_view face, int px, int weight, int stretch = 100) override {
    fontHeight[role] = px;
    fontStretch[role] = stretch;
    fontFace[role] = std::string(face);
    fontWeight[role] = weight;
  }
  void createWindow(std::string_view t, int w, int h) override {
    windowTitle = std::string(t);
    client = {w, h};
    if (proc) proc->WndProc(kMsgCreate, 0, 0);
  }
  Point clientSize() override { return client; }
  void setTitle(std::string_view t) override { windowTitle = std::string(t); }
  void invalidate() override { ++invalidations; }
  void setCursor(CursorShape s) override { cursor = s; }
  bool hasFocus() override { return focus; }
  Point pointerPos() override { return pointer; }
  bool shiftDown() override { return shift; }
  bool insertDown() override { return insert; }
  void startTimer(int id, int ms) override { timers[id] = ms; }
  void stopTimer(int id) override { timers.erase(id); }
  int messageBox(std::string_view t, std::string_view title, int style) override {
    boxes.push_back({std::string(t), std::string(title), style});
    if (answers.empty()) return kIdOk;
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  int questionBox(std::string_view t, std::string_view title,
                  const std::vector<std::string>& buttons) override {
    questions.push_back({std::string(t), std::string(title), buttons});
    if (choices.empty()) return -1;
    const int c = choices.front();
    choices.pop_front();
    return c;
  }
  std::optional<std::string> openFileDialog(std::string_view,
                                            const std::vector<std::pair<std::string, std::string>>&,
                                            const std::string& dir) override {
    dialogDirs.push_back(dir);
    return nextFile;
  }
  std::unique_ptr<Paper> choosePrinter(std::string_view title) override {
    printTitles.emplace_back(title);
    return nullptr;
  }
  bool startDetached(const std::string& program, const std::vector<std::string>& args) override {
    started.push_back({program, args});
    return !unstartable.count(program);
  }
  int run() override { return exitCode; }
  void quit(int code) override {
    quitCalled = true;
    exitCode = code;
  }
  // The solver's pump; a close can be made to arrive through it.
  void pumpForSolver() override {
    ++pumps;
    if (closeAtPump != 0 && pumps == closeAtPump && proc) proc->WndProc(kMsgDestroy, 0, 0);
  }

  void runAside(const std::function<void()>& work) override {
    ++asides;
    work();
  }

  // Sends a paint message as the backend would after an invalidate.
  void paint() {
    draws.clear();
    if (proc) proc->WndProc(kMsgPaint, 0, 0);
  }
  std::vector<Draw> of(Draw::Kind kind) const {
    std::vector<Draw> out;
    for (const Draw& d : draws)
      if (d.kind == kind) out.push_back(d);
    return out;
  }

  WindowProc* proc = nullptr;
  Point screen{1280, 1024};
  Room roomGiven;  // unknown unless a test says
  Point roomAskedFor;
  Point client;
  std::map<FontRole, int> fontHeight;
  std::map<FontRole, std::string> fontFace;
  std::map<FontRole, int> fontWeight;
  std::map<FontRole, int> fontStretch;  // percent
  std::string windowTitle;
  int invalidations = 0;
  CursorShape cursor = CursorShape::Arrow;
  bool focus = false, shift = false, insert = false;
  Point pointer;
  std::map<int, int> timers;
  std::vector<Box> boxes;
  std::deque<int> answers;
  struct Question {
    std::string text, title;
    std::vector<std::string> buttons;
  };
  std::vector<Question> questions;
  std::deque<int> choices;  // button indexes, -1 Cancel; Cancel when empty
  std::optional<std::string> nextFile;
  std::vector<std::string> dialogDirs;
  std::vector<std::pair<std::string, std::vector<std::string>>> started;
  std::set<std::string> unstartable;  // programs whose start fails
  bool quitCalled = false;
  int exitCode = 0;
  int pumps = 0;
  int asides = 0;
  std::vector<std::string> printTitles;
  int closeAtPump = 0;
  std::vector<Draw> draws;
};

}  // namespace qx::test
