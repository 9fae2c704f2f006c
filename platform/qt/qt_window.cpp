// SPDX-License-Identifier: GPL-3.0-or-later
// The window: Qt's events translated into the program's window messages, and
// its placement and frame on the screen.
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "platform/qt/qt_keys.h"
#include "platform/qt/qt_platform_impl.h"

namespace qx {

namespace {

// Flags carried in wParam of mouse messages.
constexpr std::uintptr_t kMkLButton = 0x01;
constexpr std::uintptr_t kMkRButton = 0x02;
constexpr std::uintptr_t kMkShift = 0x04;
constexpr std::uintptr_t kMkControl = 0x08;
constexpr std::uintptr_t kMkMButton = 0x10;

std::uintptr_t mouseFlags(const QMouseEvent& e) {
  std::uintptr_t flags = 0;
  if (e.buttons() & Qt::LeftButton) flags |= kMkLButton;
  if (e.buttons() & Qt::RightButton) flags |= kMkRButton;
  if (e.buttons() & Qt::MiddleButton) flags |= kMkMButton;
  if (e.modifiers() & Qt::ShiftModifier) flags |= kMkShift;
  if (e.modifiers() & Qt::ControlModifier) flags |= kMkControl;
  return flags;
}

// lParam of key messages: a repeat count of 1, bit 30 when the key was
// already down, bit 31 on release.
std::intptr_t keyParam(bool wasDown, bool released) {
  std::intptr_t p = 1;
  if (wasDown) p |= std::intptr_t{1} << 30;
  if (released) p |= std::intptr_t{1} << 31;
  return p;
}

Qt::CursorShape toQt(CursorShape shape) {
  switch (shape) {
    case CursorShape::Hand: return Qt::PointingHandCursor;
    case CursorShape::Wait: return Qt::WaitCursor;
    case CursorShape::Arrow: break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

void QtPlatform::Impl::Window::paintEvent(QPaintEvent*) {
  // On a screen of another ratio the whole board is drawn again, sharp.
  if (devicePixelRatioF() != host_.dpr) {
    host_.newSurface(host_.logical, devicePixelRatioF());
    host_.paintPending = true;
  }
  if (host_.paintPending) {
    host_.paintPending = false;
    host_.painting = true;
    host_.send(kMsgPaint);
    host_.painting = false;
  }
  // Device pixel for device pixel; the painter is clipped to what changed.
  QPainter p(this);
  p.drawImage(QPoint(0, 0), host_.image);
}

void QtPlatform::Impl::Window::mouseMoveEvent(QMouseEvent* e) {
  if (host_.pumping) return;
  const QPoint at = e->position().toPoint();
  host_.send(kMsgMouseMove, mouseFlags(*e), pointParam(at.x(), at.y()));
}

void QtPlatform::Impl::Window::mousePressEvent(QMouseEvent* e) {
  if (host_.pumping || e->button() != Qt::LeftButton) return;
  const QPoint at = e->position().toPoint();
  host_.send(kMsgLButtonDown, mouseFlags(*e), pointParam(at.x(), at.y()));
}

void QtPlatform::Impl::Window::keyPressEvent(QKeyEvent* e) {
  // Insert is tracked even while the solver drops input, as Windows keeps
  // the key state whether or not the message is dispatched.
  if (e->key() == Qt::Key_Insert) host_.insertHeld = true;
  if (host_.pumping) return;
  const std::intptr_t param = keyParam(e->isAutoRepeat(), false);
  if (const int vk = virtualKey(*e)) {
    host_.send(kMsgKeyDown, static_cast<std::uintptr_t>(vk), param);
  }
  for (const unsigned c : typedChars(*e)) host_.send(kMsgChar, c, param);
}

void QtPlatform::Impl::Window::keyReleaseEvent(QKeyEvent* e) {
  // Windows sends no release while a key repeats.
  if (e->isAutoRepeat()) return;
  if (e->key() == Qt::Key_Insert) host_.insertHeld = false;
  if (host_.pumping) return;
  if (const int vk = virtualKey(*e)) {
    host_.send(kMsgKeyUp, static_cast<std::uintptr_t>(vk), keyParam(true, true));
  }
}

void QtPlatform::Impl::Window::focusOutEvent(QFocusEvent*) { host_.insertHeld = false; }

void QtPlatform::Impl::Window::showEvent(QShowEvent*) { placeFrame(); }

void QtPlatform::Impl::Window::moveEvent(QMoveEvent*) { frameArrived(); }

void QtPlatform::Impl::Window::resizeEvent(QResizeEvent*) { frameArrived(); }

void QtPlatform::Impl::Window::closeEvent(QCloseEvent* e) {
  // The program may keep its window, after a question: asked from the
  // event loop once this close event is over, so that the question's own
  // loop never runs inside the window system's close. The solver's pump
  // serves a close at once.
  if (!host_.destroySent && !host_.pumping && !closeAllowed_) {
    e->ignore();
    if (!closeAsked_) {
      closeAsked_ = true;
      QMetaObject::invokeMethod(this, [this] {
        const bool close = host_.send(kMsgClose) != kKeepWindow;
        closeAsked_ = false;
        if (!close) return;
        closeAllowed_ = true;
        this->close();
      }, Qt::QueuedConnection);
    }
    return;
  }
  e->accept();
  if (host_.destroySent) return;
  host_.destroySent = true;
  host_.send(kMsgDestroy);
}

bool QtPlatform::Impl::Window::focusNextPrevChild(bool) { return false; }

void QtPlatform::Impl::Window::frameArrived() {
  if (framed_ || !isVisible() || frameGeometry().size() == size()) return;
  framed_ = true;
  placeFrame();
}

void QtPlatform::Impl::Window::placeFrame() {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return;
  const QRect area = s->availableGeometry();
  const QSize frame = frameGeometry().size();
  // Centred; when taller or wider than the area, its top-left corner stays
  // inside so the title bar can be reached.
  const int x = area.left() + std::max(0, (area.width() - frame.width()) / 2);
  const int y = area.top() + std::max(0, (area.height() - frame.height()) / 2);
  // A top-level widget's position is its frame's.
  if (pos() != QPoint(x, y)) move(x, y);
}

std::unique_ptr<QtPlatform::Impl::Window> QtPlatform::Impl::makeWindow(int clientWidth, int clientHeight) {
  auto w = std::make_unique<Window>(*this);
  w->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                    Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  w->setFixedSize(clientWidth, clientHeight);
  w->setAttribute(Qt::WA_OpaquePaintEvent);
  w->setFocusPolicy(Qt::StrongFocus);
  w->setMouseTracking(true);
  w->setCursor(toQt(cursor));
  // Centred before it is shown too, so it does not appear elsewhere first.
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r(0, 0, clientWidth, clientHeight);
    r.moveCenter(screen->availableGeometry().center());
    w->move(r.topLeft());
  }
  return w;
}

Room QtPlatform::room(int clientWidth, int clientHeight) {
  if (!d_->probe) {
    d_->window.reset();
    d_->window = d_->makeWindow(clientWidth, clientHeight);
    d_->newSurface(QSize(clientWidth, clientHeight), d_->window->devicePixelRatioF());
    d_->dirty.clear();
    d_->flushQueued = false;
    d_->paintPending = false;
    d_->probe = true;
    d_->window->show();
    // An X window manager frames a window only after it is mapped; elsewhere
    // the frame is known at once, or never (a compositor's own decoration).
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
      QElapsedTimer waited;
      waited.start();
      ++d_->pumping;  // no tick may reach the program before its window exists
      while (!d_->window->framed() && waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents | QEventLoop::WaitForMoreEvents, 20);
      --d_->pumping;
    }
  }
  const QWidget* w = d_->window.get();
  const QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QRect area = screen->availableGeometry();
  const QSize frame = w->frameGeometry().size() - w->size();
  return {area.width(), area.height(), frame.width(), frame.height()};
}

void QtPlatform::createWindow(std::string_view title, int clientWidth, int clientHeight) {
  // The window shown to measure its frame is taken over; any other is replaced.
  if (!d_->probe) d_->window.reset();
  std::unique_ptr<Impl::Window> window =
      d_->probe ? std::move(d_->window) : d_->makeWindow(clientWidth, clientHeight);
  const bool shown = d_->probe;
  d_->probe = false;
  window->setWindowTitle(fromUtf8(title));
  window->setFixedSize(clientWidth, clientHeight);
  d_->newSurface(QSize(clientWidth, clientHeight), window->devicePixelRatioF());
  // The old window took its queued update request with it.
  d_->dirty.clear();
  d_->flushQueued = false;
  d_->window = std::move(window);
  d_->destroySent = false;
  d_->insertHeld = false;
  // A new window is wholly invalid: its first paint asks the program to draw.
  d_->paintPending = true;
  if (shown) {
    d_->window->place();
    d_->window->update();
  } else {
    d_->window->show();
  }
  d_->window->activateWindow();
  d_->window->setFocus();
  d_->send(kMsgCreate);
}

Point QtPlatform::clientSize() {
  if (!d_->window) return {};
  return {d_->window->width(), d_->window->height()};
}

void QtPlatform::setTitle(std::string_view title) {
  if (d_->window) d_->window->setWindowTitle(fromUtf8(title));
}

void QtPlatform::setCursor(CursorShape shape) {
  // Called on every pointer move; Qt would send a cursor change event each time.
  if (shape == d_->cursor) return;
  d_->cursor = shape;
  if (d_->window) d_->window->setCursor(toQt(shape));
}

bool QtPlatform::hasFocus() {
  return d_->window && d_->window->isActiveWindow() && d_->window->hasFocus();
}

Point QtPlatform::pointerPos() {
  if (!d_->window) return {};
  const QPoint p = d_->window->mapFromGlobal(QCursor::pos(d_->window->screen()));
  return {p.x(), p.y()};
}

bool QtPlatform::shiftDown() {
  return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool QtPlatform::insertDown() { return d_->insertHeld; }

QWidget* QtPlatform::window() const { return d_->window.get(); }

}  // namespace qx
