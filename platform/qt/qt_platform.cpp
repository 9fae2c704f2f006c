#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <map>

#include "platform/qt/qt_keys.h"

namespace qx {

namespace {

// The window class's background, a light yellow.
constexpr Colour kBackground = 0xC0FFFF;

// Windows keeps timers at 10 ms or more.
constexpr int kMinTimerMs = 10;

// Flags carried in wParam of mouse messages.
constexpr std::uintptr_t kMkLButton = 0x01;
constexpr std::uintptr_t kMkRButton = 0x02;
constexpr std::uintptr_t kMkShift = 0x04;
constexpr std::uintptr_t kMkControl = 0x08;
constexpr std::uintptr_t kMkMButton = 0x10;

QRgb toRgb(Colour c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QString fromUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Right and bottom excluded, as in a Windows RECT.
QRect toQRect(const Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

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

// A Windows filter pattern ("*.txt;*.sud", "*.*") as Qt reads it.
QString filterName(const std::string& description, const std::string& pattern) {
  QStringList globs;
  for (QString glob : fromUtf8(pattern).split(u';', Qt::SkipEmptyParts)) {
    glob = glob.trimmed();
    // "*.*" means every file on Windows; in Qt it would need a dot.
    globs << (glob == QLatin1String("*.*") ? QStringLiteral("*") : glob);
  }
  const QString desc = fromUtf8(description);
  const QString parens = u'(' + globs.join(u' ') + u')';
  return desc.endsWith(parens) ? desc : desc + u' ' + parens;
}

}  // namespace

struct QtPlatform::Impl {
  class Window;

  WindowProc* proc = nullptr;
  std::array<QFont, 3> fonts;
  CursorShape cursor = CursorShape::Arrow;
  QImage image;
  std::unique_ptr<Window> window;
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

  std::intptr_t send(unsigned message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0) {
    return proc ? proc->WndProc(message, wParam, lParam) : 0;
  }
  const QFont& font(FontRole role) const { return fonts[static_cast<std::size_t>(role)]; }
  void touched(const QRect& r);
  void fill(QRect r, QRgb c);
  QWidget* dialogParent();
};

class QtPlatform::Impl::Window final : public QWidget {
 public:
  explicit Window(Impl& host) : host_(host) {}

 protected:
  void paintEvent(QPaintEvent* e) override {
    if (host_.paintPending) {
      host_.paintPending = false;
      host_.painting = true;
      host_.send(kMsgPaint);
      host_.painting = false;
    }
    QPainter p(this);
    p.drawImage(e->rect(), host_.image, e->rect());
  }

  void mouseMoveEvent(QMouseEvent* e) override {
    if (host_.pumping) return;
    const QPoint at = e->position().toPoint();
    host_.send(kMsgMouseMove, mouseFlags(*e), pointParam(at.x(), at.y()));
  }

  // Qt sends a quick second click here too, as Windows does without
  // double-click messages.
  void mousePressEvent(QMouseEvent* e) override {
    if (host_.pumping || e->button() != Qt::LeftButton) return;
    const QPoint at = e->position().toPoint();
    host_.send(kMsgLButtonDown, mouseFlags(*e), pointParam(at.x(), at.y()));
  }

  void keyPressEvent(QKeyEvent* e) override {
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

  void keyReleaseEvent(QKeyEvent* e) override {
    // Windows sends no release while a key repeats.
    if (e->isAutoRepeat()) return;
    if (e->key() == Qt::Key_Insert) host_.insertHeld = false;
    if (host_.pumping) return;
    if (const int vk = virtualKey(*e)) {
      host_.send(kMsgKeyUp, static_cast<std::uintptr_t>(vk), keyParam(true, true));
    }
  }

  // A release that happens elsewhere never reaches us.
  void focusOutEvent(QFocusEvent*) override { host_.insertHeld = false; }

  void closeEvent(QCloseEvent* e) override {
    e->accept();
    if (host_.destroySent) return;
    host_.destroySent = true;
    host_.send(kMsgDestroy);
  }

  // Tab is a key like any other: there is nothing to move the focus to.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  Impl& host_;
};

void QtPlatform::Impl::touched(const QRect& r) {
  if (window && !painting) window->update(r);
}

void QtPlatform::Impl::fill(QRect r, QRgb c) {
  r &= image.rect();
  if (r.isEmpty()) return;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(row + r.left(), row + r.right() + 1, c);
  }
}

QWidget* QtPlatform::Impl::dialogParent() {
  return window && window->isVisible() ? window.get() : nullptr;
}

QtPlatform::QtPlatform() : d_(std::make_unique<Impl>()) {
  // The program ends the loop itself when its window is destroyed.
  QGuiApplication::setQuitOnLastWindowClosed(false);
}

QtPlatform::~QtPlatform() = default;

QWidget* QtPlatform::window() const { return d_->window.get(); }
const QImage& QtPlatform::surface() const { return d_->image; }

void QtPlatform::fillRect(const Rect& r, Colour brush) {
  const QRect q = toQRect(r);
  if (d_->image.isNull() || q.isEmpty()) return;
  d_->fill(q, toRgb(brush));
  d_->touched(q);
}

void QtPlatform::rectangle(const Rect& r, Colour pen, Colour brush) {
  const QRect q = toQRect(r);
  if (d_->image.isNull() || q.isEmpty()) return;
  d_->fill(q, toRgb(pen));
  // Two pixels or less across: all outline.
  if (q.width() > 2 && q.height() > 2) d_->fill(q.adjusted(1, 1, -1, -1), toRgb(brush));
  d_->touched(q);
}

void QtPlatform::line(Point from, Point to, Colour pen) {
  if (d_->image.isNull() || from == to) return;
  const QRgb c = toRgb(pen);
  const QRect bounds = d_->image.rect();
  // Bresenham, stopping before the end point as LineTo does.
  const int dx = std::abs(to.x - from.x);
  const int dy = -std::abs(to.y - from.y);
  const int sx = from.x < to.x ? 1 : -1;
  const int sy = from.y < to.y ? 1 : -1;
  int err = dx + dy;
  int x = from.x;
  int y = from.y;
  while (x != to.x || y != to.y) {
    if (bounds.contains(x, y)) reinterpret_cast<QRgb*>(d_->image.scanLine(y))[x] = c;
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
  d_->touched(QRect(QPoint(std::min(from.x, to.x), std::min(from.y, to.y)),
                    QPoint(std::max(from.x, to.x), std::max(from.y, to.y))));
}

void QtPlatform::text(Point p, std::string_view utf8, FontRole font, Colour colour) {
  if (d_->image.isNull() || utf8.empty()) return;
  const QString s = fromUtf8(utf8);
  const QFont& f = d_->font(font);
  const QFontMetrics fm(f);
  // Qt places text by its baseline, Windows by the top-left corner.
  const QPoint baseline(p.x, p.y + fm.ascent());
  {
    QPainter painter(&d_->image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(f);
    painter.setPen(QColor::fromRgb(toRgb(colour)));
    painter.drawText(baseline, s);
  }
  // Glyphs may overhang their advance box.
  const QRect box = fm.boundingRect(s).translated(baseline) |
                    QRect(p.x, p.y, fm.horizontalAdvance(s), fm.height());
  d_->touched(box.adjusted(-1, -1, 1, 1));
}

int QtPlatform::textWidth(std::string_view utf8, FontRole font) {
  return QFontMetrics(d_->font(font)).horizontalAdvance(fromUtf8(utf8));
}

int QtPlatform::textHeight(std::string_view, FontRole font) {
  return QFontMetrics(d_->font(font)).height();
}

void QtPlatform::setWindowProc(WindowProc* proc) { d_->proc = proc; }

Point QtPlatform::screenSize() {
  QScreen* screen = d_->window ? d_->window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QSize size = screen->geometry().size();
  return {size.width(), size.height()};
}

void QtPlatform::defineFont(FontRole role, std::string_view face, int pixelHeight, int weight) {
  // Windows faces first, then a fixed fallback of the same kind, so the result
  // does not depend on whatever other fonts happen to be installed.
  QStringList families{fromUtf8(face)};
  QFont::StyleHint hint = QFont::AnyStyle;
  if (face == "Lucida Console") {
    families << QStringLiteral("DejaVu Sans Mono");
    hint = QFont::TypeWriter;
  } else if (face == "Times") {
    families << QStringLiteral("Liberation Serif") << QStringLiteral("DejaVu Serif");
    hint = QFont::Serif;
  }
  QFont f;
  f.setFamilies(families);
  f.setStyleHint(hint);
  if (pixelHeight != 0) f.setPixelSize(std::abs(pixelHeight));
  // Windows weights run 100..900 like Qt's; 0 means "don't care".
  f.setWeight(static_cast<QFont::Weight>(weight == 0 ? 400 : std::clamp(weight, 100, 900)));
  d_->fonts[static_cast<std::size_t>(role)] = f;
}

void QtPlatform::createWindow(std::string_view title, int clientWidth, int clientHeight) {
  d_->window.reset();
  auto window = std::make_unique<Impl::Window>(*d_);
  window->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint);
  window->setWindowTitle(fromUtf8(title));
  window->setFixedSize(clientWidth, clientHeight);
  window->setAttribute(Qt::WA_OpaquePaintEvent);
  window->setFocusPolicy(Qt::StrongFocus);
  window->setMouseTracking(true);
  window->setCursor(toQt(d_->cursor));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect r(0, 0, clientWidth, clientHeight);
    r.moveCenter(screen->availableGeometry().center());
    window->move(r.topLeft());
  }
  d_->image = QImage(clientWidth, clientHeight, QImage::Format_RGB32);
  d_->image.fill(toRgb(kBackground));
  d_->window = std::move(window);
  d_->destroySent = false;
  d_->insertHeld = false;
  // A new window is wholly invalid: its first paint asks the program to draw.
  d_->paintPending = true;
  d_->window->show();
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

void QtPlatform::invalidate() {
  if (!d_->window) return;
  d_->image.fill(toRgb(kBackground));
  d_->paintPending = true;
  // Even from inside the paint message: that asks for another one.
  d_->window->update();
}

void QtPlatform::setCursor(CursorShape shape) {
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

void QtPlatform::startTimer(int id, int periodMs) {
  auto& timer = d_->timers[id];
  if (!timer) {
    timer = std::make_unique<Impl::Timer>();
    Impl* d = d_.get();
    Impl::Timer* t = timer.get();
    // Ticks go through the queue rather than straight from the timeout: Qt
    // never fires a timer again while its own handler runs, Windows does (a
    // box opened from a tick keeps that timer ticking). Like Windows, at most
    // one tick per timer waits.
    QObject::connect(&t->qt, &QTimer::timeout, [d, t, id] {
      if (d->pumping || t->queued) return;
      t->queued = true;
      QMetaObject::invokeMethod(
          &t->qt,
          [d, t, id] {
            t->queued = false;
            if (t->qt.isActive() && !d->pumping) {
              d->send(kMsgTimer, static_cast<std::uintptr_t>(id), 0);
            }
          },
          Qt::QueuedConnection);
    });
  }
  // Starting an existing id replaces its period, as SetTimer does.
  timer->qt.start(std::max(periodMs, kMinTimerMs));
}

void QtPlatform::stopTimer(int id) {
  // Kept, not deleted: the program may stop a timer from its own tick.
  if (auto it = d_->timers.find(id); it != d_->timers.end()) it->second->qt.stop();
}

int QtPlatform::messageBox(std::string_view text, std::string_view title, int style) {
  const bool okCancel = (style & 1) != 0;
  QMessageBox box(QMessageBox::Information, fromUtf8(title), fromUtf8(text),
                  okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
                  d_->dialogParent());
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
  // The nested loop keeps the timers ticking; quit() ends it too.
  box.exec();
  if (box.clickedButton() == box.button(QMessageBox::Ok)) return kIdOk;
  return okCancel ? kIdCancel : kIdOk;
}

std::optional<std::string> QtPlatform::openFileDialog(
    std::string_view title, const std::vector<std::pair<std::string, std::string>>& filters,
    const std::string& initialDir) {
  QFileDialog dialog(d_->dialogParent(), fromUtf8(title), QFile::decodeName(initialDir.c_str()));
  // Qt's own dialog on every desktop, so tests can drive it.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setWindowModality(Qt::ApplicationModal);
  QStringList names;
  for (const auto& [description, pattern] : filters) names << filterName(description, pattern);
  if (!names.isEmpty()) dialog.setNameFilters(names);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  return QFile::encodeName(chosen.first()).toStdString();
}

bool QtPlatform::startDetached(const std::string& program, const std::vector<std::string>& args) {
  QStringList arguments;
  for (const auto& a : args) arguments << QFile::decodeName(a.c_str());
  return QProcess::startDetached(QFile::decodeName(program.c_str()), arguments);
}

int QtPlatform::run() {
  // QCoreApplication::exit() is lost outside a loop: replay it once this one
  // has served what is already queued.
  if (d_->quitPending) {
    QTimer::singleShot(0, QCoreApplication::instance(),
                       [code = d_->quitCode] { QCoreApplication::exit(code); });
  }
  const int code = QCoreApplication::exec();
  d_->quitPending = false;
  return code;
}

void QtPlatform::quit(int code) {
  d_->quitPending = true;
  d_->quitCode = code;
  // Ends every running loop, a modal box's included.
  QCoreApplication::exit(code);
}

void QtPlatform::pumpForSolver() {
  ++d_->pumping;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  --d_->pumping;
}

}  // namespace qx
