// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pages of a PDF file as pdftoppm renders them, and where a printed
// board lies on one: its red frames bound it.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qx::test {

struct Page {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;
  const unsigned char* at(int x, int y) const { return &rgb[3 * (static_cast<std::size_t>(y) * width + x)]; }
  bool red(int x, int y) const { const auto* p = at(x, y); return p[0] > 180 && p[1] < 90 && p[2] < 90; }
  bool dark(int x, int y) const { const auto* p = at(x, y); return p[0] < 150 && p[1] < 150 && p[2] < 150; }
  // Any pixel within r of (x, y) clearly off white: a thin line drawn
  // smooth still shows.
  bool inked(int x, int y, int r) const {
    for (int i = x - r; i <= x + r; ++i) {
      const auto* p = at(i, y);
      if (p[0] < 200 && p[1] < 200 && p[2] < 200) return true;
    }
    return false;
  }
  // Dark pixels in the square of side 2r round (x, y).
  int darkAround(int x, int y, int r) const {
    int n = 0;
    for (int j = y - r; j <= y + r; ++j)
      for (int i = x - r; i <= x + r; ++i) n += dark(i, j);
    return n;
  }
};

// Every page at dpi, in order; empty when pdftoppm failed.
inline std::vector<Page> renderPdf(const std::filesystem::path& pdf, int dpi) {
  const std::filesystem::path stem = pdf.parent_path() / "page";
  const std::string cmd = "pdftoppm -r " + std::to_string(dpi) + " \"" + pdf.string() + "\" \"" + stem.string() + "\"";
  std::vector<Page> pages;
  if (std::system(cmd.c_str()) != 0) return pages;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(pdf.parent_path()))
    if (e.path().extension() == ".ppm" && e.path().filename().string().rfind("page-", 0) == 0) files.push_back(e.path());
  std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
    return a.string().size() != b.string().size() ? a.string().size() < b.string().size() : a < b;
  });
  for (const auto& f : files) {
    std::ifstream in(f, std::ios::binary);
    std::string magic;
    int maxval = 0;
    Page p;
    in >> magic >> p.width >> p.height >> maxval;
    in.get();
    p.rgb.resize(3 * static_cast<std::size_t>(p.width) * p.height);
    in.read(reinterpret_cast<char*>(p.rgb.data()), static_cast<std::streamsize>(p.rgb.size()));
    pages.push_back(std::move(p));
    std::filesystem::remove(f);
  }
  return pages;
}

// The box of red pixels inside [x0, x1) x [y0, y1): left, top, right, bottom
// (right and bottom included); all -1 when none.
struct Box {
  int left = -1, top = -1, right = -1, bottom = -1;
};
inline Box redBox(const Page& p, int x0, int y0, int x1, int y1) {
  Box b;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x)
      if (p.red(x, y)) {
        if (b.left < 0 || x < b.left) b.left = x;
        if (b.top < 0 || y < b.top) b.top = y;
        b.right = std::max(b.right, x);
        b.bottom = std::max(b.bottom, y);
      }
  return b;
}

}  // namespace qx::test
