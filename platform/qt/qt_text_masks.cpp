// SPDX-License-Identifier: GPL-3.0-or-later
// Rendering a text's glyph masks once, and blending them as QPainter would.
#include "platform/qt/qt_text_masks.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace qx {

namespace {

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

}  // namespace

void paintText(QImage& img, QPoint baseline, const QFont& font, const QString& s, QRgb colour) {
  QPainter painter(&img);
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(colour));
  painter.drawText(baseline, s);
}

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

QRect inkBox(const QFontMetrics& fm, const QString& s, int advance) {
  const int h = fm.height();
  const QRect nearby(-h, -fm.ascent() - h, advance + 2 * h, 3 * h);
  return fm.boundingRect(s) & nearby;
}

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

}  // namespace qx
