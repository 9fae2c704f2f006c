// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/qt_paper.h"

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <algorithm>
#include <array>
#include <cstdlib>

namespace qx {

namespace {

QColor toColor(Colour c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

class PainterPaper final : public Paper, public Surface {
 public:
  PainterPaper(std::unique_ptr<QPagedPaintDevice> owned) : device_(std::move(owned)) {
    ok_ = painter_.begin(device_.get());
    // Sizes in the board's logical pixels, which the painter scales.
    const auto face = [](QStringList families, QFont::StyleHint hint, int px, int weight) {
      QFont f;
      f.setFamilies(families);
      f.setStyleHint(hint);
      f.setPixelSize(px);
      f.setWeight(static_cast<QFont::Weight>(weight));
      return f;
    };
    fonts_[0] = face({"Lucida Console", "DejaVu Sans Mono"}, QFont::TypeWriter, 30, 700);
    fonts_[1] = face({"Lucida Console", "DejaVu Sans Mono"}, QFont::TypeWriter, 12, 400);
    fonts_[2] = face({"Times", "Liberation Serif", "DejaVu Serif"}, QFont::Serif, 20, 700);
  }

  Surface& place(int slot, int places, Point size, std::string_view caption) override {
    painter_.resetTransform();
    painter_.setClipping(false);
    const QRect page = painter_.viewport();
    const int across = places == 4 ? 2 : 1;
    const double w = page.width() / double(across), hgt = page.height() / double(across);
    const double x0 = page.left() + (slot % across) * w, y0 = page.top() + (slot / across) * hgt;
    QFont captionFont({"Liberation Sans", "DejaVu Sans"});
    captionFont.setPointSizeF(across == 1 ? 11 : 9);
    const double captionHeight = QFontMetricsF(captionFont, device_.get()).height();
    // A margin round each place, the caption under the board.
    const double room = std::min(w * 0.92, hgt * 0.92 - 2 * captionHeight);
    const double scale = room / std::max(size.x, size.y);
    const double bx = x0 + (w - size.x * scale) / 2;
    const double by = y0 + (hgt - size.y * scale - 2 * captionHeight) / 2;
    painter_.setFont(captionFont);
    painter_.setPen(Qt::black);
    painter_.drawText(QRectF(x0, by + size.y * scale + captionHeight * 0.4, w, captionHeight * 1.2),
                      Qt::AlignHCenter | Qt::AlignTop, fromUtf8(caption));
    painter_.translate(bx, by);
    painter_.scale(scale, scale);
    painter_.setClipRect(QRect(0, 0, size.x, size.y));
    return *this;
  }

  void newPage() override {
    if (auto* pdf = dynamic_cast<QPdfWriter*>(device_.get())) ok_ = pdf->newPage() && ok_;
    else if (auto* printer = dynamic_cast<QPrinter*>(device_.get())) ok_ = printer->newPage() && ok_;
  }

  bool finish() override {
    if (painter_.isActive()) ok_ = painter_.end() && ok_;
    return ok_;
  }

  void fillRect(const Rect& r, Colour brush) override {
    painter_.fillRect(QRectF(r.left, r.top, r.right - r.left, r.bottom - r.top), toColor(brush));
  }
  void rectangle(const Rect& r, Colour pen, Colour brush) override {
    fillRect(r, pen);
    fillRect({r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, brush);
  }
  // One logical pixel wide, as a filled strip: it scales as the board does.
  void line(Point from, Point to, Colour pen) override {
    if (from.y == to.y) {
      fillRect({std::min(from.x, to.x), from.y, std::max(from.x, to.x), from.y + 1}, pen);
    } else if (from.x == to.x) {
      fillRect({from.x, std::min(from.y, to.y), from.x + 1, std::max(from.y, to.y)}, pen);
    } else {
      painter_.setPen(QPen(toColor(pen), 1));
      painter_.drawLine(QPointF(from.x, from.y), QPointF(to.x, to.y));
    }
  }
  void text(Point p, std::string_view utf8, FontRole font, Colour colour) override {
    const QFont& f = fonts_[static_cast<std::size_t>(font)];
    painter_.setFont(f);
    painter_.setPen(toColor(colour));
    painter_.drawText(QPointF(p.x, p.y + QFontMetricsF(f).ascent()), fromUtf8(utf8));
  }
  int textWidth(std::string_view utf8, FontRole font) override {
    return static_cast<int>(QFontMetricsF(fonts_[static_cast<std::size_t>(font)]).horizontalAdvance(fromUtf8(utf8)));
  }
  int textHeight(std::string_view, FontRole font) override {
    return static_cast<int>(QFontMetricsF(fonts_[static_cast<std::size_t>(font)]).height());
  }

 private:
  std::unique_ptr<QPagedPaintDevice> device_;
  QPainter painter_;
  std::array<QFont, 3> fonts_;
  bool ok_ = false;
};

}  // namespace

std::unique_ptr<Paper> pdfPaper(const std::string& path, std::string_view title) {
  if (!QCoreApplication::instance()) {
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "quincunx";
    static char* argv[] = {name, nullptr};
    static QGuiApplication application(argc, argv);
  }
  auto pdf = std::make_unique<QPdfWriter>(QFile::decodeName(path.c_str()));
  pdf->setPageSize(QPageSize(QPageSize::A4));
  pdf->setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
  pdf->setResolution(600);
  pdf->setTitle(fromUtf8(title));
  pdf->setCreator(QStringLiteral("Quincunx"));
  return std::make_unique<PainterPaper>(std::move(pdf));
}

std::unique_ptr<Paper> printerPaper(std::unique_ptr<QPrinter> printer) {
  return std::make_unique<PainterPaper>(std::move(printer));
}

}  // namespace qx
