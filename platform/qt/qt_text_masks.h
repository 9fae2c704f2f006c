// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Texts as coverage masks: each string of a font rendered once by QPainter,
// glyph by glyph, then blended onto the surface as QPainter would blend it.

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qx {

inline QString fromUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The one way text reaches an image through QPainter, shared by the plain
// path and the masks so both see the same glyphs.
void paintText(QImage& img, QPoint baseline, const QFont& font, const QString& s, QRgb colour);

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

// Blends glyph after glyph onto img with the text's top-left corner at `at`.
// Returns the part that changed.
QRect blendGlyphs(const std::vector<GlyphCover>& glyphs, QImage& img, QPoint at, QRgb c);

// Qt answers a string with no ink (a TAB, a line end) with a box far off at
// (100000, 100000); joined with the text's own box that asked for an image of
// 40 GB. Ink is believed only near the text's own box.
QRect inkBox(const QFontMetrics& fm, const QString& s, int advance);

// Longer texts are cut: nothing the program draws comes near this, and a
// string from a file must not make one drawing call unbounded.
inline constexpr qsizetype kMaxTextChars = 256;

// At a whole device pixel ratio k the mask holds device pixels, relative to
// the text's top-left corner times k; at a fractional one a glyph's pixels
// depend on where it lands, so no mask is made (the text is painted).
TextMask renderMask(const QFont& font, std::string_view utf8, int k);

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

}  // namespace qx
