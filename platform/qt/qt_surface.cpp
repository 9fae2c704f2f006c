// SPDX-License-Identifier: GPL-3.0-or-later
// The surface: a persistent image of device pixels the program draws on in
// logical pixels, and what changed on it sent to the window once per turn of
// the event loop.
#include <QFontMetrics>
#include <QRegion>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/qt/qt_platform_impl.h"

namespace qx {

namespace {

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

// The few dirty rectangles kept apart before they merge into their bounds.
constexpr std::size_t kMaxDirty = 8;

}  // namespace

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
  image.fill(toRgb(kWindowBackground));
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

void QtPlatform::invalidate() {
  if (!d_->window) return;
  d_->image.fill(toRgb(kWindowBackground));
  d_->paintPending = true;
  // Even from inside the paint message: that asks for another one.
  d_->window->update();
}

}  // namespace qx
