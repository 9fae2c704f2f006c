// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the parts of the Qt platform share: the surface and its dirty parts,
// the window, the fonts, the timers and the loop's state.

#include <QImage>
#include <QRect>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/qt/qt_platform.h"
#include "platform/qt/qt_text_masks.h"

class QCloseEvent;
class QFocusEvent;
class QKeyEvent;
class QMouseEvent;
class QMoveEvent;
class QPaintEvent;
class QResizeEvent;
class QShowEvent;

namespace qx {

inline QRgb toRgb(Colour c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Right and bottom excluded, as in a Windows RECT.
inline QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

struct QtPlatform::Impl {
  class Window;

  WindowProc* proc = nullptr;
  std::array<FontSlot, 3> fonts;
  bool textCache = true;
  CursorShape cursor = CursorShape::Arrow;
  // The surface holds device pixels: the client size times the window's
  // device pixel ratio. The program draws in logical pixels.
  QImage image;
  QSize logical;
  qreal dpr = 1;
  int wholeDpr = 1;  // dpr when it is a whole number, else 0
  int thick = 1;     // device pixels across a one-pixel line
  std::unique_ptr<Window> window;
  // Changed since the last update request; the request goes out once per
  // turn of the event loop, not once per drawing call.
  std::vector<QRect> dirty;
  bool flushQueued = false;
  struct Timer {
    QTimer qt;
    bool queued = false;  // a tick waits in the queue
  };
  std::map<int, std::unique_ptr<Timer>> timers;

  bool paintPending = false;  // invalidated since the last paint message
  bool painting = false;      // inside the paint message: the blit follows anyway
  bool destroySent = false;
  bool insertHeld = false;
  int pumping = 0;  // inside pumpForSolver: input and timer ticks are dropped
  bool quitPending = false;
  int quitCode = 0;
  // Qt's own words in the program's language; none installed in English.
  std::unique_ptr<QTranslator> qtWords;

  std::intptr_t send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
    return proc ? proc->WndProc(message, wParam, lParam) : 0;
  }
  FontSlot& slot(FontRole role);
  const TextMask& mask(FontSlot& slot, std::string_view utf8);
  // Pixels of the image, row after row: bits() detaches only a shared image,
  // and the image is never shared.
  QRgb* pixels() { return reinterpret_cast<QRgb*>(image.bits()); }
  int stride() const { return static_cast<int>(image.bytesPerLine() / sizeof(QRgb)); }
  // A logical coordinate on the surface.
  int dev(int v) const { return wholeDpr ? v * wholeDpr : static_cast<int>(std::floor(v * dpr + 0.5)); }
  // Logical pixels [from, to) on one axis, on the surface; a single pixel
  // keeps the line width, so lines are equally thick at any ratio.
  std::pair<int, int> span(int from, int to) const {
    return to - from == 1 ? std::pair{dev(from), dev(from) + thick} : std::pair{dev(from), dev(to)};
  }
  QRect devRect(const QRect& r) const {
    const auto [l, rr] = span(r.left(), r.left() + r.width());
    const auto [t, b] = span(r.top(), r.top() + r.height());
    return QRect(l, t, rr - l, b - t);
  }
  // The logical pixels a rectangle of device pixels touches.
  QRect logicalOf(const QRect& d) const {
    if (d.isEmpty()) return {};
    const int l = static_cast<int>(std::floor(d.left() / dpr));
    const int t = static_cast<int>(std::floor(d.top() / dpr));
    const int r = static_cast<int>(std::ceil((d.right() + 1) / dpr));
    const int b = static_cast<int>(std::ceil((d.bottom() + 1) / dpr));
    return QRect(l, t, r - l, b - t);
  }
  // A new surface for this client size and ratio, in the background colour.
  void newSurface(QSize size, qreal ratio);
  std::unique_ptr<Window> makeWindow(int clientWidth, int clientHeight);
  bool probe = false;  // the window is shown only to measure its frame
  void touched(const QRect& r);
  void flush();
  bool fill(QRect r, QRgb c);
  QWidget* dialogParent();
};

class QtPlatform::Impl::Window final : public QWidget {
 public:
  explicit Window(Impl& host) : host_(host) {}
  // Once the window manager's frame is there.
  bool framed() const { return framed_; }
  void place() { placeFrame(); }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseMoveEvent(QMouseEvent* e) override;

  // Qt sends a quick second click here too, as Windows does without
  // double-click messages.
  void mousePressEvent(QMouseEvent* e) override;

  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;

  // A release that happens elsewhere never reaches us.
  void focusOutEvent(QFocusEvent*) override;

  // Placed once shown, and again when the window manager's frame first shows
  // up (it arrives after the window is mapped): the whole frame, title bar
  // included, inside the screen's available area.
  void showEvent(QShowEvent*) override;
  void moveEvent(QMoveEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void closeEvent(QCloseEvent* e) override;

  // Tab is a key like any other: there is nothing to move the focus to.
  bool focusNextPrevChild(bool) override;

 private:
  void frameArrived();
  void placeFrame();

  Impl& host_;
  bool framed_ = false;
  bool closeAsked_ = false;    // the program's answer to a close is awaited
  bool closeAllowed_ = false;  // it said yes
};

}  // namespace qx
