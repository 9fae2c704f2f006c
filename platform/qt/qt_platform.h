// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The platform on Qt 6 Widgets: one top-level window whose surface is a
// persistent image, Windows message numbers delivered to the WindowProc.
// main() creates the QApplication, which must outlive this object.

#include <memory>

#include "platform/platform.h"

class QImage;
class QWidget;

namespace qx {

class QtPlatform final : public Platform {
 public:
  QtPlatform();
  ~QtPlatform() override;
  QtPlatform(const QtPlatform&) = delete;
  QtPlatform& operator=(const QtPlatform&) = delete;

  void fillRect(const Rect& r, Colour brush) override;
  void rectangle(const Rect& r, Colour pen, Colour brush) override;
  void line(Point from, Point to, Colour pen) override;
  void text(Point p, std::string_view utf8, FontRole font, Colour colour) override;
  int textWidth(std::string_view utf8, FontRole font) override;
  int textHeight(std::string_view utf8, FontRole font) override;

  void setWindowProc(WindowProc* proc) override;
  void setLanguage(int lang) override;
  Point screenSize() override;
  Room room(int clientWidth, int clientHeight) override;
  void defineFont(FontRole role, std::string_view face, int pixelHeight, int weight,
                  int stretch = 100) override;
  void createWindow(std::string_view title, int clientWidth, int clientHeight) override;
  Point clientSize() override;
  void setTitle(std::string_view title) override;
  void invalidate() override;
  void setCursor(CursorShape shape) override;

  bool hasFocus() override;
  Point pointerPos() override;
  bool shiftDown() override;
  bool insertDown() override;

  void startTimer(int id, int periodMs) override;
  void stopTimer(int id) override;

  int messageBox(std::string_view text, std::string_view title, int style) override;
  int questionBox(std::string_view text, std::string_view title,
                  const std::vector<std::string>& buttons) override;
  std::optional<std::string> openFileDialog(
      std::string_view title, const std::vector<std::pair<std::string, std::string>>& filters,
      const std::string& initialDir) override;

  std::unique_ptr<Paper> choosePrinter(std::string_view title) override;
  bool startDetached(const std::string& program, const std::vector<std::string>& args) override;

  int run() override;
  void quit(int code) override;
  void pumpForSolver() override;
  void runAside(const std::function<void()>& work) override;

  // The window (null before createWindow) and its surface, for tests and
  // screenshots.
  QWidget* window() const;
  const QImage& surface() const;

  // Texts are stamped from coverage masks rendered once by QPainter and
  // blended as QPainter blends them. Off, every text goes through QPainter:
  // tests compare the two.
  void setTextCache(bool on);
  // True when text() stamps this string from a mask rather than painting it.
  bool textFromMask(std::string_view utf8, FontRole font);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace qx
