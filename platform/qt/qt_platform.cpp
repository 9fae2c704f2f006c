// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/qt_platform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QGridLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QShowEvent>
#include <QSpacerItem>
#include <QTextLayout>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/paper.h"
#include "platform/qt/qt_keys.h"
#include "platform/qt/qt_paper.h"

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

// Writes n pixels of colour c; true when any of them was different.
bool setSpan(QRgb* p, int n, QRgb c) {
  int i = 0;
  // Most spans are already in their colour: compare eight at a time.
  for (; i + 8 <= n; i += 8) {
    QRgb diff = 0;
    for (int k = 0; k < 8; ++k) diff |= p[i + k] ^ c;
    if (diff != 0) break;
  }
  for (; i < n; ++i) {
    if (p[i] != c) {
      std::fill(p + i, p + n, c);
      return true;
    }
  }
  return false;
}

// x * a / 255 on each byte, rounded the way Qt's raster engine rounds.
inline std::uint32_t byteMul(std::uint32_t x, std::uint32_t a) {
  std::uint32_t t = (x & 0xff00ff) * a;
  t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
  x = ((x >> 8) & 0xff00ff) * a;
  x = (x + ((x >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
  return x | t;
}

// The pen colour c over dst at coverage a, as QPainter blends an 8-bit glyph
// onto an opaque image. Each new mask checks this against QPainter itself.
inline QRgb blendCoverage(QRgb dst, QRgb c, std::uint32_t a) {
  if (a == 255) return c;
  const std::uint32_t s = byteMul(c, a);
  return s + byteMul(dst, qAlpha(~s));
}

// The one way text reaches an image through QPainter, shared by the plain
// path and the masks so both see the same glyphs.
void paintText(QImage& img, QPoint baseline, const QFont& font, const QString& s, QRgb colour) {
  QPainter painter(&img);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(colour));
  painter.drawText(baseline, s);
}

// One glyph of a text: runs of covered pixels on its rows, relative to the
// text's top-left corner, with a coverage byte per pixel.
struct GlyphCover {
  struct Run {
    int y, x, n;
    std::size_t at;  // first coverage byte
  };
  QRect ink;
  std::vector<Run> runs;
  std::vector<std::uint8_t> cover;
};

// What text() draws for one string in one font. QPainter blends glyph after
// glyph, so where neighbours overlap a pixel is blended twice: the glyphs
// stay apart here too.
struct TextMask {
  std::vector<GlyphCover> glyphs;
  QRect ink;  // all glyphs; empty when nothing is drawn
  int advance = 0;
  bool exact = false;  // false: blending it ourselves would differ, paint instead
};

// The inked part of an image's alpha, as coverage relative to origin.
GlyphCover coverOf(const QImage& img, QPoint origin) {
  GlyphCover g;
  for (int y = 0; y < img.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    for (int x = 0; x < img.width();) {
      if (qAlpha(row[x]) == 0) {
        ++x;
        continue;
      }
      GlyphCover::Run run{y + origin.y(), x + origin.x(), 0, g.cover.size()};
      for (; x < img.width() && qAlpha(row[x]) != 0; ++x, ++run.n) {
        g.cover.push_back(static_cast<std::uint8_t>(qAlpha(row[x])));
      }
      g.ink |= QRect(run.x, run.y, run.n, 1);
      g.runs.push_back(run);
    }
  }
  return g;
}

// Blends glyph after glyph onto img with the text's top-left corner at `at`.
// Returns the part that changed.
QRect blendGlyphs(const std::vector<GlyphCover>& glyphs, QImage& img, QPoint at, QRgb c) {
  const QRect bounds = img.rect();
  const int stride = static_cast<int>(img.bytesPerLine() / sizeof(QRgb));
  QRgb* const bits = reinterpret_cast<QRgb*>(img.bits());
  QRect changed;
  for (const GlyphCover& g : glyphs) {
    const QRect box = g.ink.translated(at);
    if (!box.intersects(bounds)) continue;
    const bool clip = !bounds.contains(box);
    bool any = false;
    for (const GlyphCover::Run& run : g.runs) {
      const int y = at.y() + run.y;
      int x0 = at.x() + run.x;
      int x1 = x0 + run.n;
      const std::uint8_t* cover = g.cover.data() + run.at;
      if (clip) {
        if (y < 0 || y >= bounds.height()) continue;
        const int from = std::max(x0, 0);
        x1 = std::min(x1, bounds.width());
        if (from >= x1) continue;
        cover += from - x0;
        x0 = from;
      }
      QRgb* row = bits + y * stride;
      for (int x = x0; x < x1; ++x, ++cover) {
        const QRgb out = blendCoverage(row[x], c, *cover);
        if (out != row[x]) {
          row[x] = out;
          any = true;
        }
      }
    }
    if (any) changed |= box & bounds;
  }
  return changed;
}

// Qt answers a string with no ink (a TAB, a line end) with a box far off at
// (100000, 100000); joined with the text's own box that asked for an image of
// 40 GB. Ink is believed only near the text's own box.
QRect inkBox(const QFontMetrics& fm, const QString& s, int advance) {
  const int h = fm.height();
  const QRect nearby(-h, -fm.ascent() - h, advance + 2 * h, 3 * h);
  return fm.boundingRect(s) & nearby;
}

// Longer texts are cut: nothing the program draws comes near this, and a
// string from a file must not make one drawing call unbounded.
constexpr qsizetype kMaxTextChars = 256;

// At a whole device pixel ratio k the mask holds device pixels, relative to
// the text's top-left corner times k; at a fractional one a glyph's pixels
// depend on where it lands, so no mask is made (the text is painted).
TextMask renderMask(const QFont& font, std::string_view utf8, int k) {
  TextMask m;
  const QString s = fromUtf8(utf8).left(kMaxTextChars);
  const QFontMetrics fm(font);
  m.advance = fm.horizontalAdvance(s);
  if (k < 1) return m;
  const int ascent = fm.ascent();
  // Glyphs may overhang their box; a margin shows whether anything got cut.
  const int margin = fm.height();
  const QRect box = inkBox(fm, s, m.advance).translated(0, ascent) | QRect(0, 0, m.advance, fm.height());
  const QRect area = box.adjusted(-margin, -margin, margin, margin);
  // Beyond a few lines' worth the text is painted, not masked.
  if (qint64(area.width()) * area.height() > qint64(4096) * 512) return m;
  const QPoint baseline(-area.left(), ascent - area.top());

  // Each glyph alone, where the layout puts it: an opaque pen on a
  // transparent image leaves its coverage in the alpha.
  QTextLayout layout(s, font);
  layout.beginLayout();
  const QTextLine line = layout.createLine();
  layout.endLayout();
  const QRect device(area.topLeft() * k, area.size() * k);
  QImage cover(device.size(), QImage::Format_ARGB32_Premultiplied);
  cover.setDevicePixelRatio(k);
  for (const QGlyphRun& run : layout.glyphRuns()) {
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < indexes.size(); ++i) {
      QGlyphRun one;
      one.setRawFont(run.rawFont());
      one.setGlyphIndexes({indexes[i]});
      one.setPositions({positions[i] - QPointF(0, line.ascent())});
      cover.fill(0);
      if (indexes.size() == 1 && layout.glyphRuns().size() == 1) {
        // One glyph: drawn as text, the way text() paints it; at large sizes
        // (a scaled screen) a glyph run is filled without the text's fringe.
        paintText(cover, baseline, font, s, qRgb(255, 255, 255));
      } else {
        QPainter painter(&cover);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setPen(QColor(Qt::white));
        painter.drawGlyphRun(baseline, one);
      }
      GlyphCover g = coverOf(cover, device.topLeft());
      if (g.ink.isEmpty()) continue;
      m.ink |= g.ink;
      m.glyphs.push_back(std::move(g));
    }
  }
  if (!m.ink.isEmpty() && !device.adjusted(1, 1, -1, -1).contains(m.ink)) return m;

  // QPainter's own drawing on a noisy opaque image against our blend.
  QImage painted(device.size(), QImage::Format_RGB32);
  std::uint32_t noise = 0x2545F491;
  for (int y = 0; y < painted.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(painted.scanLine(y));
    for (int x = 0; x < painted.width(); ++x) {
      noise = noise * 1664525 + 1013904223;
      row[x] = 0xFF000000 | (noise >> 8);
    }
  }
  QImage blended = painted.copy();
  painted.setDevicePixelRatio(k);
  constexpr QRgb kProbe = qRgb(0x9A, 0x3C, 0xE1);
  paintText(painted, baseline, font, s, kProbe);
  blendGlyphs(m.glyphs, blended, -device.topLeft(), kProbe);
  m.exact = painted == blended;
  return m;
}

struct StringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// One font role: the font, its metrics, and the masks of what it drew.
struct FontSlot {
  QFont font;
  int cell = 0;  // the height asked for as a cell height; 0 for the face's own
  bool measured = false;
  int ascent = 0;
  int height = 0;
  std::unordered_map<std::string, TextMask, StringHash, std::equal_to<>> masks;
};

// The few dirty rectangles kept apart before they merge into their bounds.
constexpr std::size_t kMaxDirty = 8;

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

// A window manager cuts a title longer than the box is wide; the box sizes
// itself from its layout, so a spacer across the bottom holds it wide enough
// for the title in the title bar's font, with room for the bar's icon and
// buttons.
void holdWideForTitle(QMessageBox& box) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    constexpr int kTitleBarExtras = 140;
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + kTitleBarExtras;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
}

}  // namespace

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
  void paintEvent(QPaintEvent*) override {
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

  // Placed once shown, and again when the window manager's frame first shows
  // up (it arrives after the window is mapped): the whole frame, title bar
  // included, inside the screen's available area.
  void showEvent(QShowEvent*) override { placeFrame(); }
  void moveEvent(QMoveEvent*) override { frameArrived(); }
  void resizeEvent(QResizeEvent*) override { frameArrived(); }

  void closeEvent(QCloseEvent* e) override {
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

  // Tab is a key like any other: there is nothing to move the focus to.
  bool focusNextPrevChild(bool) override { return false; }

 private:
  void frameArrived() {
    if (framed_ || !isVisible() || frameGeometry().size() == size()) return;
    framed_ = true;
    placeFrame();
  }
  void placeFrame() {
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

  Impl& host_;
  bool framed_ = false;
  bool closeAsked_ = false;    // the program's answer to a close is awaited
  bool closeAllowed_ = false;  // it said yes
};

FontSlot& QtPlatform::Impl::slot(FontRole role) {
  FontSlot& s = fonts[static_cast<std::size_t>(role)];
  if (!s.measured) {
    const QFontMetrics fm(s.font);
    s.ascent = fm.ascent();
    // Whole pixel sizes rarely give the cell exactly: the spare pixel goes
    // below the descent.
    s.height = std::max(fm.height(), s.cell);
    s.measured = true;
  }
  return s;
}

const TextMask& QtPlatform::Impl::mask(FontSlot& slot, std::string_view utf8) {
  if (auto it = slot.masks.find(utf8); it != slot.masks.end()) return it->second;
  // The program draws a few dozen distinct strings; this only bounds a surprise.
  if (slot.masks.size() >= 4096) slot.masks.clear();
  return slot.masks.emplace(std::string(utf8), renderMask(slot.font, utf8, wholeDpr)).first->second;
}

void QtPlatform::Impl::newSurface(QSize size, qreal ratio) {
  logical = size;
  dpr = ratio > 0 ? ratio : 1;
  wholeDpr = dpr == std::floor(dpr) ? static_cast<int>(dpr) : 0;
  thick = std::max(1, static_cast<int>(std::lround(dpr)));
  image = QImage(dev(size.width()), dev(size.height()), QImage::Format_RGB32);
  image.setDevicePixelRatio(dpr);
  image.fill(toRgb(kBackground));
  // Masks hold device pixels of the old ratio.
  for (FontSlot& f : fonts) f.masks.clear();
}

void QtPlatform::Impl::touched(const QRect& changed) {
  // The paint message comes with a repaint of the whole window: its blit follows.
  if (!window || painting) return;
  QRect r = changed & QRect(QPoint(0, 0), logical);
  if (r.isEmpty()) return;
  for (auto it = dirty.begin(); it != dirty.end();) {
    if (it->contains(r)) return;
    if (r.intersects(*it)) {
      r |= *it;
      it = dirty.erase(it);
    } else {
      ++it;
    }
  }
  dirty.push_back(r);
  if (dirty.size() > kMaxDirty) {
    QRect all;
    for (const QRect& d : dirty) all |= d;
    dirty.assign(1, all);
  }
  if (!flushQueued) {
    flushQueued = true;
    QMetaObject::invokeMethod(window.get(), [this] { flush(); }, Qt::QueuedConnection);
  }
}

void QtPlatform::Impl::flush() {
  flushQueued = false;
  if (!window || dirty.empty()) return;
  QRegion region;
  for (const QRect& r : dirty) region += r;
  dirty.clear();
  window->update(region);
}

bool QtPlatform::Impl::fill(QRect r, QRgb c) {
  r &= image.rect();
  if (r.isEmpty()) return false;
  const int step = stride();
  QRgb* row = pixels() + r.top() * step + r.left();
  bool changed = false;
  if (r.width() == 1) {  // vertical lines
    for (int y = r.top(); y <= r.bottom(); ++y, row += step) {
      if (*row != c) {
        *row = c;
        changed = true;
      }
    }
    return changed;
  }
  for (int y = r.top(); y <= r.bottom(); ++y, row += step) changed |= setSpan(row, r.width(), c);
  return changed;
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

void QtPlatform::setTextCache(bool on) { d_->textCache = on; }

bool QtPlatform::textFromMask(std::string_view utf8, FontRole font) {
  return !utf8.empty() && d_->mask(d_->slot(font), utf8).exact;
}

void QtPlatform::fillRect(const Rect& r, Colour brush) {
  const QRect q = toQRect(r);
  if (d_->image.isNull() || q.isEmpty()) return;
  if (d_->fill(d_->devRect(q), toRgb(brush))) d_->touched(q);
}

void QtPlatform::rectangle(const Rect& r, Colour pen, Colour brush) {
  const QRect q = toQRect(r);
  if (d_->image.isNull() || q.isEmpty()) return;
  const QRgb outline = toRgb(pen);
  bool changed;
  // Two pixels or less across: all outline.
  if (q.width() > 2 && q.height() > 2) {
    // Edge by edge, so an unchanged button is not rewritten in between; the
    // far edges end where the rectangle ends, at any ratio.
    const QRect d(QPoint(d_->dev(q.left()), d_->dev(q.top())),
                  QPoint(d_->dev(q.right() + 1) - 1, d_->dev(q.bottom() + 1) - 1));
    const int t = d_->thick;
    changed = d_->fill(QRect(d.left(), d.top(), d.width(), t), outline);
    changed |= d_->fill(QRect(d.left(), d.bottom() + 1 - t, d.width(), t), outline);
    changed |= d_->fill(QRect(d.left(), d.top() + t, t, d.height() - 2 * t), outline);
    changed |= d_->fill(QRect(d.right() + 1 - t, d.top() + t, t, d.height() - 2 * t), outline);
    changed |= d_->fill(d.adjusted(t, t, -t, -t), toRgb(brush));
  } else {
    changed = d_->fill(d_->devRect(q), outline);
  }
  if (changed) d_->touched(q);
}

void QtPlatform::line(Point from, Point to, Colour pen) {
  if (d_->image.isNull() || from == to) return;
  const QRgb c = toRgb(pen);
  const int width = d_->logical.width();
  const int height = d_->logical.height();
  bool changed = false;
  if (from.y == to.y || from.x == to.x) {
    // Straight: the pixels from `from` up to, not including, `to`.
    const int lo = from.y == to.y ? std::min(from.x, to.x + 1) : std::min(from.y, to.y + 1);
    const int hi = from.y == to.y ? std::max(from.x, to.x - 1) : std::max(from.y, to.y - 1);
    const int across = d_->dev(from.y == to.y ? from.y : from.x);
    const int along = d_->dev(lo);
    const QRect span = from.y == to.y ? QRect(along, across, d_->dev(hi + 1) - along, d_->thick)
                                      : QRect(across, along, d_->thick, d_->dev(hi + 1) - along);
    changed = d_->fill(span, c);
  } else {
    // Bresenham, stopping before the end point as LineTo does.
    const int dx = std::abs(to.x - from.x);
    const int dy = -std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1;
    const int sy = from.y < to.y ? 1 : -1;
    int err = dx + dy;
    int x = from.x;
    int y = from.y;
    while (x != to.x || y != to.y) {
      if (x >= 0 && x < width && y >= 0 && y < height)
        changed |= d_->fill(QRect(d_->dev(x), d_->dev(y), d_->thick, d_->thick), c);
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
  }
  if (changed) {
    d_->touched(QRect(QPoint(std::min(from.x, to.x), std::min(from.y, to.y)),
                      QPoint(std::max(from.x, to.x), std::max(from.y, to.y))));
  }
}

void QtPlatform::text(Point p, std::string_view utf8, FontRole font, Colour colour) {
  if (d_->image.isNull() || utf8.empty()) return;
  FontSlot& slot = d_->slot(font);
  if (d_->textCache) {
    const TextMask& m = d_->mask(slot, utf8);
    if (m.exact) {
      const QPoint at(d_->dev(p.x), d_->dev(p.y));
      d_->touched(d_->logicalOf(blendGlyphs(m.glyphs, d_->image, at, toRgb(colour))));
      return;
    }
  }
  const QString s = fromUtf8(utf8).left(kMaxTextChars);
  // Qt places text by its baseline, Windows by the top-left corner.
  const QPoint baseline(p.x, p.y + slot.ascent);
  paintText(d_->image, baseline, slot.font, s, toRgb(colour));
  // Glyphs may overhang their advance box.
  const QFontMetrics fm(slot.font);
  const int advance = fm.horizontalAdvance(s);
  const QRect box = inkBox(fm, s, advance).translated(baseline) |
                    QRect(p.x, p.y, advance, slot.height);
  d_->touched(box.adjusted(-1, -1, 1, 1));
}

int QtPlatform::textWidth(std::string_view utf8, FontRole font) {
  if (utf8.empty()) return 0;
  return d_->mask(d_->slot(font), utf8).advance;
}

int QtPlatform::textHeight(std::string_view, FontRole font) { return d_->slot(font).height; }

void QtPlatform::setWindowProc(WindowProc* proc) { d_->proc = proc; }

void QtPlatform::setLanguage(int lang) {
  if (d_->qtWords) {
    QCoreApplication::removeTranslator(d_->qtWords.get());
    d_->qtWords.reset();
  }
  if (lang != 0) return;  // Qt speaks English by itself
  auto words = std::make_unique<QTranslator>();
  // Without the translations installed the boxes stay in English.
  if (!words->load(QStringLiteral("qtbase_fr"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return;
  QCoreApplication::installTranslator(words.get());
  d_->qtWords = std::move(words);
}

Point QtPlatform::screenSize() {
  QScreen* screen = d_->window ? d_->window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return {};
  const QSize size = screen->geometry().size();
  return {size.width(), size.height()};
}

void QtPlatform::defineFont(FontRole role, std::string_view face, int pixelHeight, int weight, int stretch) {
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
  // Windows weights run 100..900 like Qt's; 0 means "don't care".
  f.setWeight(static_cast<QFont::Weight>(weight == 0 ? 400 : std::clamp(weight, 100, 900)));
  f.setStretch(std::clamp(stretch, 1, 4000));
  FontSlot& slot = d_->fonts[static_cast<std::size_t>(role)];
  slot = FontSlot{};
  if (pixelHeight > 0) {
    // A positive height is the cell, ascent + descent, as on Windows; Qt's
    // pixel size is the em, about a tenth smaller. Qt sizes fonts in whole
    // pixels: take the largest whose cell is not taller than asked.
    int em = pixelHeight;
    for (; em > 1; --em) {
      f.setPixelSize(em);
      const QFontMetrics fm(f);
      if (fm.ascent() + fm.descent() <= pixelHeight) break;
    }
    f.setPixelSize(em);
    slot.cell = pixelHeight;
  } else if (pixelHeight < 0) {
    f.setPixelSize(-pixelHeight);  // the em itself
  }
  slot.font = f;
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

void QtPlatform::invalidate() {
  if (!d_->window) return;
  d_->image.fill(toRgb(kBackground));
  d_->paintPending = true;
  // Even from inside the paint message: that asks for another one.
  d_->window->update();
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
  holdWideForTitle(box);
  // The nested loop keeps the timers ticking; quit() ends it too.
  box.exec();
  if (box.clickedButton() == box.button(QMessageBox::Ok)) return kIdOk;
  return okCancel ? kIdCancel : kIdOk;
}

int QtPlatform::questionBox(std::string_view text, std::string_view title,
                            const std::vector<std::string>& buttons) {
  QMessageBox box(QMessageBox::Question, fromUtf8(title), fromUtf8(text), QMessageBox::NoButton,
                  d_->dialogParent());
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  std::vector<QAbstractButton*> pressed;
  for (const std::string& label : buttons)
    pressed.push_back(box.addButton(fromUtf8(label), pressed.empty() ? QMessageBox::AcceptRole
                                                                     : QMessageBox::DestructiveRole));
  QAbstractButton* cancel = box.addButton(QMessageBox::Cancel);
  if (!pressed.empty()) box.setDefaultButton(qobject_cast<QPushButton*>(pressed.front()));
  box.setEscapeButton(cancel);
  holdWideForTitle(box);
  box.exec();
  const auto it = std::find(pressed.begin(), pressed.end(), box.clickedButton());
  return it == pressed.end() ? -1 : static_cast<int>(it - pressed.begin());
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

std::unique_ptr<Paper> QtPlatform::choosePrinter(std::string_view title) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setPageSize(QPageSize(QPageSize::A4));
  printer->setDocName(fromUtf8(title));
  QPrintDialog dialog(printer.get(), d_->dialogParent());
  dialog.setWindowModality(Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return nullptr;
  return printerPaper(std::move(printer));
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

void QtPlatform::runAside(const std::function<void()>& work) {
  QEventLoop loop;
  ++d_->pumping;
  std::thread worker([&] {
    work();
    // Queued, so the loop quits even if the work ends before it runs.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec();
  worker.join();
  --d_->pumping;
}

}  // namespace qx
