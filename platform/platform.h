// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program needs from its host: one window with a drawing surface,
// message boxes, an open-file dialog, timers, key state, and a way to start
// another program. The window reports its events through WindowProc with the
// classic message numbers; the Qt backend and the test fake both implement
// Platform.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qx {

class Paper;

// Colours as 0x00BBGGRR.
using Colour = std::uint32_t;

inline constexpr Colour rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}

// The window's background, light yellow: a new surface and invalidate()
// start from it.
inline constexpr Colour kWindowBackground = 0xC0FFFF;

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const Rect&) const = default;
};

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// The three fonts: digits in the cells, small texts, button labels.
enum class FontRole { Digits, Small, Buttons };

enum class CursorShape { Hand, Arrow, Wait };

// What a message box returns. Its style value is the program's (0x2040 OK
// only, 0x2041 OK and Cancel): bit 0 asks for a Cancel button.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Window messages and keys the program handles.
enum : unsigned {
  kMsgCreate = 1,
  kMsgDestroy = 2,
  kMsgPaint = 15,
  // The window is asked to close: it closes unless the handler answers
  // kKeepWindow. Not sent while the solver pumps.
  kMsgClose = 16,
  kMsgKeyDown = 256,
  kMsgKeyUp = 257,
  kMsgChar = 258,
  kMsgTimer = 275,
  kMsgMouseMove = 512,
  kMsgLButtonDown = 513,
};
inline constexpr std::intptr_t kKeepWindow = 1;
inline constexpr int kVkShift = 16;
inline constexpr int kVkInsert = 45;
inline constexpr int kVkDelete = 46;
inline constexpr int kVkF2 = 113;
inline constexpr int kVkF3 = 114;

// Packs a client position the way mouse messages carry it.
inline constexpr std::intptr_t pointParam(int x, int y) {
  return static_cast<std::intptr_t>((x & 0xFFFF) | ((y & 0xFFFF) << 16));
}

class WindowProc {
 public:
  virtual ~WindowProc() = default;
  virtual std::intptr_t WndProc(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// Where the window may go on its screen: the area panels leave free, and
// what the window's frame adds around its client area (title bar, borders).
// A zero means the host cannot tell.
struct Room {
  int width = 0;
  int height = 0;
  int frameWidth = 0;
  int frameHeight = 0;
  bool operator==(const Room&) const = default;
};

// Drawing on the window's client area. Everything is drawn at once onto a
// persistent surface, as Windows GDI would draw it.
class Surface {
 public:
  virtual ~Surface() = default;
  // Left and top edges included, right and bottom excluded.
  virtual void fillRect(const Rect& r, Colour brush) = 0;
  // Outline in the pen, inside in the brush, right and bottom excluded.
  virtual void rectangle(const Rect& r, Colour pen, Colour brush) = 0;
  // A 1-pixel line; the end point itself is not drawn.
  virtual void line(Point from, Point to, Colour pen) = 0;
  // UTF-8 text with its top-left corner at p, transparent background.
  virtual void text(Point p, std::string_view utf8, FontRole font, Colour colour) = 0;
  virtual int textWidth(std::string_view utf8, FontRole font) = 0;
  virtual int textHeight(std::string_view utf8, FontRole font) = 0;
};

class Platform : public Surface {
 public:
  // The program's event handler; set before the window is created.
  virtual void setWindowProc(WindowProc* proc) = 0;

  // The program's language, 0 French or 1 English: the words the host puts
  // in its own boxes and dialogs (Cancel, the open dialog's labels) follow it.
  virtual void setLanguage(int lang) = 0;

  // Screen size in pixels.
  virtual Point screenSize() = 0;
  // The room for the window's frame. Where the frame is only known once a
  // window shows, the window is shown at this client size first (empty, no
  // messages sent) and createWindow then takes it over.
  virtual Room room(int clientWidth, int clientHeight) = 0;
  // Asks for a font: the face first, then a fixed fallback of the same kind.
  // stretch narrows the face horizontally, in percent of its own width.
  virtual void defineFont(FontRole role, std::string_view face, int pixelHeight, int weight,
                          int stretch = 100) = 0;
  // Creates and shows the window with a client area of exactly this size;
  // sends the creation message.
  virtual void createWindow(std::string_view title, int clientWidth, int clientHeight) = 0;
  virtual Point clientSize() = 0;
  virtual void setTitle(std::string_view title) = 0;
  // Fills the client area with the background, then delivers a paint message.
  virtual void invalidate() = 0;
  virtual void setCursor(CursorShape shape) = 0;

  virtual bool hasFocus() = 0;
  // The pointer in client coordinates.
  virtual Point pointerPos() = 0;
  virtual bool shiftDown() = 0;
  virtual bool insertDown() = 0;

  virtual void startTimer(int id, int periodMs) = 0;
  virtual void stopTimer(int id) = 0;

  // A modal box with the information icon; returns kIdOk or kIdCancel.
  virtual int messageBox(std::string_view text, std::string_view title, int style) = 0;
  // A modal question with the question icon: the given buttons, the first
  // the default, then the host's own Cancel in the program's language.
  // Returns the index of the button pressed, -1 for Cancel (or Escape).
  virtual int questionBox(std::string_view text, std::string_view title,
                          const std::vector<std::string>& buttons) = 0;
  // A modal open-file dialog; filters are (description, pattern) pairs.
  virtual std::optional<std::string> openFileDialog(
      std::string_view title, const std::vector<std::pair<std::string, std::string>>& filters,
      const std::string& initialDir) = 0;

  // The host's print dialog (a PDF file among its printers): the pages of
  // the printer chosen, or nothing when cancelled.
  virtual std::unique_ptr<Paper> choosePrinter(std::string_view title) = 0;

  // Starts a program that lives on by itself; false when it could not start.
  virtual bool startDetached(const std::string& program, const std::vector<std::string>& args) = 0;

  // Runs the message loop until quit() is called; returns its exit code.
  virtual int run() = 0;
  virtual void quit(int code) = 0;
  // The solver's pump: serves pending paint and close requests, drops input
  // and timer events.
  virtual void pumpForSolver() = 0;
  // Runs work on another thread and returns once it is done; meanwhile the
  // window keeps painting and input and timer ticks are dropped, as in the
  // solver's pump. work must not touch the window.
  virtual void runAside(const std::function<void()>& work) = 0;
};

}  // namespace qx
