// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's device context as the drawing code sees it: selected pen,
// brush and font, text colour and current point, forwarded to the surface.

#include <string_view>

#include "platform/platform.h"

namespace qx {

class Dc {
 public:
  explicit Dc(Surface& s) : s_(s) {}

  // A fresh context: black pen, white brush, black text.
  void reset() {
    pen_ = 0;
    brush_ = 0xFFFFFF;
    font_ = FontRole::Buttons;
    text_ = 0;
    at_ = {};
  }

  void selectPen(Colour pen) { pen_ = pen; }
  void selectBrush(Colour brush) { brush_ = brush; }
  void selectFont(FontRole font) { font_ = font; }
  void setTextColor(Colour c) { text_ = c; }

  void moveTo(int x, int y) { at_ = {x, y}; }
  void lineTo(int x, int y) {
    s_.line(at_, {x, y}, pen_);
    at_ = {x, y};
  }
  void line(int x0, int y0, int x1, int y1) {
    moveTo(x0, y0);
    lineTo(x1, y1);
  }
  void rectangle(const Rect& r) { s_.rectangle(r, pen_, brush_); }
  void fillRect(const Rect& r, Colour brush) { s_.fillRect(r, brush); }
  void textOut(int x, int y, std::string_view text) { s_.text({x, y}, text, font_, text_); }

  Colour pen() const { return pen_; }
  FontRole font() const { return font_; }

 private:
  Surface& s_;
  Colour pen_ = 0;
  Colour brush_ = 0xFFFFFF;
  FontRole font_ = FontRole::Buttons;
  Colour text_ = 0;
  Point at_;
};

// The board's grid lines and its domain lines, three pixels thick, for cells
// of h pixels in a client area of larg x haut.
void drawGridLines(Dc& dc, int h, int larg, int haut);
// The grids' frames: red, the centre one blue; only the first for a Sudoku.
void drawFrames(Dc& dc, int h, int su);

}  // namespace qx
