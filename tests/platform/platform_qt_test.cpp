// SPDX-License-Identifier: GPL-3.0-or-later
// The Qt window backend, offscreen: pixels on the surface, messages from real
// Qt events, boxes answered by timers, the solver's pump, the loop's end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "platform/qt/qt_platform.h"

namespace qx {
namespace {

struct Message {
  unsigned msg;
  std::uintptr_t w;
  std::intptr_t l;
  bool operator==(const Message&) const = default;
};
void PrintTo(const Message& m, std::ostream* os) { *os << m.msg << "/" << m.w << "/" << m.l; }
using Keys = std::vector<std::pair<unsigned, std::uintptr_t>>;

class Recorder : public WindowProc {
 public:
  std::vector<Message> log;
  std::function<void(const Message&)> onMessage;

  std::intptr_t WndProc(unsigned msg, std::uintptr_t w, std::intptr_t l) override {
    log.push_back({msg, w, l});
    if (onMessage) onMessage(log.back());
    return 0;
  }
  int count(unsigned msg) const {
    return static_cast<int>(
        std::count_if(log.begin(), log.end(), [msg](const Message& m) { return m.msg == msg; }));
  }
  Keys keys() const {
    Keys out;
    for (const auto& m : log) {
      if (m.msg >= kMsgKeyDown && m.msg <= kMsgChar) out.emplace_back(m.msg, m.w);
    }
    return out;
  }
};

// Answers the next modal widget of type T once it is up, delayMs from now.
template <class T>
void whenModal(std::function<void(T*)> act, int delayMs = 0) {
  auto* poll = new QTimer;
  poll->setInterval(10);
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(d);
    }
  });
  QTimer::singleShot(delayMs, poll, qOverload<>(&QTimer::start));
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeoutMs) return false;
    QTest::qWait(5);
  }
  return true;
}

constexpr int kStyleOk = 0x2040;
constexpr int kStyleOkCancel = 0x2041;
constexpr QRgb kYellow = 0xFFFFC0;  // 0xC0FFFF in the program's byte order
constexpr QRgb kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kBlack = 0;

QRgb at(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFF; }

struct Probe {
  int x, y;
  QRgb c;
};
template <std::size_t N>
void expectPixels(const QImage& img, const Probe (&probes)[N]) {
  for (const Probe& p : probes) EXPECT_EQ(at(img, p.x, p.y), p.c) << p.x << "," << p.y;
}

class QtWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform.setWindowProc(&rec);
    platform.defineFont(FontRole::Digits, "Lucida Console", 20, 700);
    platform.defineFont(FontRole::Small, "Times", 16, 400);
    platform.defineFont(FontRole::Buttons, "Times", 16, 700);
    platform.createWindow("Quincunx é", 240, 160);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w()));
    ASSERT_TRUE(waitUntil([&] { return rec.count(kMsgPaint) > 0; }));
    startup = rec.log;
    rec.log.clear();
  }
  QWidget* w() { return platform.window(); }
  QImage grab() { return w()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  const QImage& surface() { return platform.surface(); }

  Recorder rec;
  std::vector<Message> startup;
  QtPlatform platform;
};

TEST_F(QtWindowTest, WindowIsCreatedAtExactSizeInBackgroundThenPainted) {
  EXPECT_EQ(startup, (std::vector<Message>{{kMsgCreate, 0, 0}, {kMsgPaint, 0, 0}}));
  EXPECT_EQ(platform.clientSize(), (Point{240, 160}));
  EXPECT_EQ(w()->minimumSize(), w()->maximumSize());
  EXPECT_EQ(w()->windowTitle(), QString::fromUtf8("Quincunx é"));
  EXPECT_TRUE(w()->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(w()->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(platform.hasFocus());
  const QImage shot = grab();
  ASSERT_EQ(shot.size(), QSize(240, 160));
  EXPECT_EQ(at(shot, 0, 0), kYellow);
  EXPECT_EQ(at(shot, 239, 159), kYellow);
}

// Right and bottom edges excluded, a line's end point not drawn, shapes cut
// by the window's edges, small rectangles all outline.
TEST_F(QtWindowTest, ShapesKeepWindowsEdgesAndReachTheScreen) {
  platform.fillRect({10, 10, 20, 15}, rgb(255, 0, 0));
  platform.rectangle({30, 30, 40, 38}, rgb(0, 0, 255), rgb(0, 255, 0));
  platform.line({50, 20}, {60, 20}, 0);      // horizontal
  platform.line({70, 20}, {70, 30}, 0);      // vertical
  platform.line({80, 20}, {90, 30}, 0);      // diagonal
  platform.line({60, 40}, {50, 40}, 0);      // right to left
  platform.line({-5, 10}, {4, 10}, 0);       // enters from the left
  platform.line({245, 20}, {236, 20}, 0);    // enters from the right, leftwards
  platform.line({100, -3}, {100, 4}, 0);     // enters from the top
  platform.line({110, 170}, {110, 155}, 0);  // enters from the bottom, upwards
  platform.line({-10, 30}, {-1, 30}, 0);     // wholly outside
  platform.rectangle({20, 50, 23, 53}, rgb(0, 0, 255), rgb(0, 255, 0));  // 3x3: one pixel inside
  platform.rectangle({30, 50, 32, 55}, rgb(0, 0, 255), rgb(0, 255, 0));  // 2 across: all outline
  platform.fillRect({235, 155, 250, 170}, rgb(255, 0, 0));               // cut by the corner
  const Probe probes[] = {
      {10, 10, kRed},     {19, 14, kRed},     {20, 10, kYellow},  {10, 15, kYellow},  {9, 10, kYellow},
      {10, 9, kYellow},   {30, 30, kBlue},    {39, 30, kBlue},    {30, 37, kBlue},    {39, 37, kBlue},
      {39, 33, kBlue},    {31, 31, kGreen},   {38, 36, kGreen},   {40, 30, kYellow},  {30, 38, kYellow},
      {50, 20, kBlack},   {59, 20, kBlack},   {60, 20, kYellow},  {70, 29, kBlack},   {70, 30, kYellow},
      {85, 25, kBlack},   {89, 29, kBlack},   {90, 30, kYellow},  {60, 40, kBlack},   {51, 40, kBlack},
      {50, 40, kYellow},  {0, 10, kBlack},    {3, 10, kBlack},    {4, 10, kYellow},   {239, 20, kBlack},
      {237, 20, kBlack},  {236, 20, kYellow}, {100, 0, kBlack},   {100, 3, kBlack},   {100, 4, kYellow},
      {110, 159, kBlack}, {110, 156, kBlack}, {110, 155, kYellow}, {0, 30, kYellow},  {20, 50, kBlue},
      {22, 52, kBlue},    {21, 51, kGreen},   {23, 51, kYellow},  {30, 50, kBlue},    {31, 54, kBlue},
      {32, 52, kYellow},  {235, 155, kRed},   {239, 159, kRed},   {234, 155, kYellow},
  };
  expectPixels(surface(), probes);
  // Drawn outside any paint message, it still reaches the screen.
  EXPECT_TRUE(waitUntil([&] { return grab() == surface(); }));
  EXPECT_EQ(rec.count(kMsgPaint), 0);
}

TEST_F(QtWindowTest, TextLandsInItsBoxAndFontsKeepTheirKind) {
  const int height = platform.textHeight("8", FontRole::Digits);
  EXPECT_GE(height, 20);
  EXPECT_LE(height, 30);
  platform.text({100, 50}, "8", FontRole::Digits, 0);
  const QRect box(100, 50, platform.textWidth("8", FontRole::Digits), height);
  int inside = 0, outside = 0;
  for (int y = 0; y < surface().height(); ++y) {
    for (int x = 0; x < surface().width(); ++x) {
      if (at(surface(), x, y) != kYellow) ++(box.contains(x, y) ? inside : outside);
    }
  }
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);

  // Monospaced even where the Windows face is missing; UTF-8 decoded.
  auto width = [&](const char* s, FontRole f) { return platform.textWidth(s, f); };
  EXPECT_EQ(width("iiii", FontRole::Digits), width("WWWW", FontRole::Digits));
  EXPECT_EQ(width("é", FontRole::Digits), width("e", FontRole::Digits));
  EXPECT_LT(width("iiii", FontRole::Small), width("WWWW", FontRole::Small));
  EXPECT_GT(width("WWWW", FontRole::Buttons), width("WWWW", FontRole::Small));

  // A positive height is the cell, ascent + descent; a negative one the em,
  // whose cell is taller.
  for (const char* face : {"Times", "Lucida Console"}) {
    for (int h : {8, 11, 13, 15, 17, 23, 27, 40}) {
      platform.defineFont(FontRole::Small, face, h, 700);
      EXPECT_EQ(platform.textHeight("Quincunx", FontRole::Small), h) << face << " " << h;
      const int cellWidth = width("Quincunx", FontRole::Small);
      platform.defineFont(FontRole::Small, face, -h, 700);
      EXPECT_GT(platform.textHeight("Quincunx", FontRole::Small), h) << face << " " << -h;
      EXPECT_GT(width("Quincunx", FontRole::Small), cellWidth) << face << " " << -h;
    }
  }
}

// Strings with no ink (TAB, line ends) or of any length: drawing them stays
// within a few cells' worth, with the text cache and without. Qt boxes a TAB
// at (100000, 100000); taken at its word that asked for an image of 40 GB,
// which the sanitizer build refuses.
TEST_F(QtWindowTest, AnyStringDrawsInBoundedSpace) {
  const std::string huge(100000, 'W');
  std::vector<std::string> strings = {huge, "\t", "\n", "\r", "\r\n", "a\tb", std::string("\0x", 2)};
  for (int ch = 1; ch < 0x20; ++ch) strings.push_back(std::string(1, static_cast<char>(ch)) + "8");
  strings.push_back("\x7f");
  for (bool cache : {true, false}) {
    platform.setTextCache(cache);
    for (const std::string& str : strings) {
      platform.fillRect({0, 0, 240, 160}, rgb(255, 255, 192));
      for (FontRole f : {FontRole::Digits, FontRole::Small, FontRole::Buttons}) {
        EXPECT_LE(platform.textWidth(str, f), 256 * 40);
        platform.text({10, 10}, str, f, 0);
      }
      EXPECT_EQ(surface().size(), QSize(240, 160));
    }
  }
}

// Masks blended by the backend against QPainter drawing the same texts: the
// fonts at the program's two usual cell sizes, every colour of the board,
// texts overlapping, cut by the edges, and drawn again on themselves as each
// redraw does.
TEST_F(QtWindowTest, TextFromMasksMatchesQPainterPixelForPixel) {
  const std::vector<std::string> latin = {"1", "2", "3", "4", "5", "6", "7", "8", "9",
                                          "Quincunx", "English", "Partiel", "Données",
                                          "Résolu", "Enregistrer", "Aide", "Wé ffi"};
  // Kept to pixels only: which face draws an arrow depends on the machine.
  const std::vector<std::string> others = {"→", "0"};
  const Colour grounds[] = {0xC0FFFF, 0xFFC0C0, 0x808080, 0xC0C0C0, 0, 0xC0C0FF};
  const Colour inks[] = {0,          0x0000FF, 0x808080, rgb(192, 0, 255),
                         rgb(0, 0, 255), rgb(255, 255, 0), rgb(0, 192, 0), rgb(192, 0, 0)};
  const Point places[] = {{3, 2},    {50, 20},  {120, 40}, {170, 90}, {30, 100},
                          {-9, 60},  {215, 10}, {90, -12}, {140, 145}, {-20, -15}};

  auto scene = [&](FontRole role, bool masks) {
    platform.setTextCache(masks);
    for (int i = 0; i < 6; ++i) platform.fillRect({i * 40, 0, i * 40 + 40, 160}, grounds[i]);
    for (int y = 5; y < 200; y += 9) platform.line({0, y}, {240, y - 40}, rgb(0, 192, 0));
    int k = 0;
    for (int pass = 0; pass < 3; ++pass) {
      for (const auto* list : {&latin, &others}) {
        for (const std::string& s : *list) {
          const Point p = places[k % std::size(places)];
          platform.text({p.x + k % 7, p.y + k % 5}, s, role, inks[(k + pass) % std::size(inks)]);
          ++k;
        }
      }
      k = 0;  // the same places again: glyph edges blend over themselves
    }
    return surface().copy();
  };

  struct Size {
    int digits, small, buttons;
  };
  for (const Size size : {Size{19, 8, 13}, Size{40, 15, 23}}) {
    platform.defineFont(FontRole::Digits, "Lucida Console", size.digits, 700);
    platform.defineFont(FontRole::Small, "Lucida Console", size.small, 400);
    platform.defineFont(FontRole::Buttons, "Times", size.buttons, 700);
    for (const FontRole role : {FontRole::Digits, FontRole::Small, FontRole::Buttons}) {
      for (const std::string& s : latin) {
        EXPECT_TRUE(platform.textFromMask(s, role)) << s << " " << size.digits;
      }
      const QImage stamped = scene(role, true);
      const QImage painted = scene(role, false);
      int differ = 0;
      QPoint first(-1, -1);
      for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
          if (stamped.pixel(x, y) == painted.pixel(x, y)) continue;
          if (differ++ == 0) first = QPoint(x, y);
        }
      }
      EXPECT_EQ(differ, 0) << "font " << static_cast<int>(role) << " size " << size.digits
                           << ", first at " << first.x() << "," << first.y();
    }
  }
  platform.setTextCache(true);
}

// What the window shows, read back from the offscreen backing store: every
// change reaches it, however the changes come.
TEST_F(QtWindowTest, EveryChangeReachesTheScreen) {
  auto screen = [&] {
    return w()->screen()->grabWindow(w()->winId()).toImage().convertToFormat(QImage::Format_RGB32);
  };
  auto shown = [&] { return waitUntil([&] { return screen() == surface(); }); };
  ASSERT_EQ(screen().size(), surface().size());
  ASSERT_TRUE(shown());

  // Many small changes far apart, some of them drawn twice.
  for (int i = 0; i < 40; ++i) {
    const int x = (i * 37) % 230, y = (i * 23) % 150;
    platform.fillRect({x, y, x + 6, y + 4}, rgb(i * 6, 255 - i * 6, 128));
    platform.fillRect({x, y, x + 6, y + 4}, rgb(i * 6, 255 - i * 6, 128));
  }
  platform.line({0, 0}, {239, 159}, rgb(0, 0, 255));
  platform.text({-6, 140}, "8", FontRole::Digits, rgb(255, 0, 0));
  platform.text({200, -8}, "Quincunx", FontRole::Buttons, rgb(0, 0, 255));
  EXPECT_TRUE(shown());

  // A button drawn again unchanged, then with only its inside changed.
  platform.rectangle({100, 100, 120, 110}, 0, rgb(0, 128, 0));
  EXPECT_TRUE(shown());
  platform.rectangle({100, 100, 120, 110}, 0, rgb(0, 128, 0));
  platform.rectangle({100, 100, 120, 110}, 0, rgb(255, 0, 255));
  EXPECT_TRUE(shown());

  // The paint message's own drawing, and drawing between two paints.
  rec.onMessage = [&](const Message& m) {
    if (m.msg == kMsgPaint) platform.text({60, 60}, "5", FontRole::Digits, 0);
  };
  platform.invalidate();
  platform.rectangle({150, 20, 200, 50}, 0, rgb(192, 192, 192));
  ASSERT_TRUE(waitUntil([&] { return rec.count(kMsgPaint) == 1; }));
  platform.text({160, 25}, "Aide", FontRole::Buttons, rgb(255, 255, 0));
  EXPECT_TRUE(shown());
  EXPECT_EQ(at(surface(), 10, 10), kYellow);
}

TEST_F(QtWindowTest, InvalidateErasesAtOnceAndPaintsOnce) {
  platform.fillRect({0, 0, 50, 50}, rgb(255, 0, 0));
  rec.onMessage = [&](const Message& m) {
    if (m.msg == kMsgPaint) platform.fillRect({100, 100, 110, 110}, rgb(0, 0, 255));
  };
  platform.invalidate();
  EXPECT_EQ(at(surface(), 10, 10), kYellow);
  platform.invalidate();
  platform.invalidate();
  ASSERT_TRUE(waitUntil([&] { return rec.count(kMsgPaint) > 0; }));
  QTest::qWait(50);
  EXPECT_EQ(rec.count(kMsgPaint), 1);
  const QImage shot = grab();
  EXPECT_EQ(at(shot, 10, 10), kYellow);
  EXPECT_EQ(at(shot, 105, 105), kBlue);
}

// Run on two offscreen screens, the second of ratio 2 (screens-1-2.json): a
// window moved there gets a surface of twice the pixels and is drawn again,
// its lines two device pixels wide, its text masked at the new ratio.
TEST_F(QtWindowTest, MovedToAScreenOfAnotherRatioItIsDrawnAgainSharp) {
  const QList<QScreen*> screens = QGuiApplication::screens();
  if (screens.size() < 2 || screens[1]->devicePixelRatio() != 2) GTEST_SKIP() << "needs screens-1-2.json";
  auto draw = [&] {
    platform.line({10, 20}, {60, 20}, 0);
    platform.rectangle({70, 10, 90, 30}, rgb(255, 0, 0), rgb(0, 255, 0));
  };
  rec.onMessage = [&](const Message& m) {
    if (m.msg == kMsgPaint) draw();
  };
  draw();
  ASSERT_EQ(surface().size(), QSize(240, 160));
  w()->windowHandle()->setScreen(screens[1]);
  w()->move(screens[1]->geometry().topLeft() + QPoint(10, 10));
  ASSERT_TRUE(waitUntil([&] { return rec.count(kMsgPaint) > 0; }));
  EXPECT_EQ(surface().size(), QSize(480, 320));
  EXPECT_EQ(surface().devicePixelRatio(), 2);
  const Probe probes[] = {{20, 39, kYellow}, {20, 40, kBlack}, {20, 41, kBlack}, {20, 42, kYellow},
                          {119, 40, kBlack}, {120, 40, kYellow}, {140, 20, kRed}, {141, 21, kRed},
                          {142, 22, kGreen}, {177, 57, kGreen}, {178, 58, kRed}, {179, 59, kRed},
                          {180, 60, kYellow}};
  expectPixels(surface(), probes);
  platform.text({100, 50}, "8", FontRole::Digits, 0);
  EXPECT_TRUE(platform.textFromMask("8", FontRole::Digits));
  EXPECT_TRUE(waitUntil([&] { return grab() == surface(); }));
}

TEST_F(QtWindowTest, TimersTickWithTheirIdUntilStoppedEvenInsideABox) {
  platform.startTimer(7, 15);
  platform.startTimer(9, 15);
  auto ticks = [&](std::uintptr_t id) {
    return std::count(rec.log.begin(), rec.log.end(), Message{kMsgTimer, id, 0});
  };
  ASSERT_TRUE(waitUntil([&] { return ticks(7) >= 3 && ticks(9) >= 3; }));
  EXPECT_EQ(rec.log.size(), static_cast<std::size_t>(ticks(7) + ticks(9)));
  platform.stopTimer(7);
  platform.startTimer(9, 5000);  // same id: a new period, not a second timer
  rec.log.clear();
  QTest::qWait(150);
  EXPECT_TRUE(rec.log.empty());
  platform.stopTimer(9);

  // A box opened from a tick leaves that timer ticking, as on Windows.
  bool inBox = false;
  int ticksInBox = 0;
  rec.onMessage = [&](const Message& m) {
    if (m.msg != kMsgTimer || (inBox && ++ticksInBox)) return;
    inBox = true;
    whenModal<QMessageBox>(
        [&](QMessageBox* b) {
          waitUntil([&] { return ticksInBox >= 3; }, 5000);
          b->button(QMessageBox::Ok)->click();
        },
        0);
    platform.messageBox("Temps écoulé", "Quincunx", kStyleOk);
    platform.stopTimer(4);
    inBox = false;
  };
  platform.startTimer(4, 10);
  ASSERT_TRUE(waitUntil([&] { return ticksInBox > 0 && !inBox; }, 8000));
  EXPECT_GE(ticksInBox, 3);
}

TEST_F(QtWindowTest, MessageBoxesAnswerOkOrCancelWhileTimersTick) {
  platform.startTimer(3, 10);
  const std::tuple<int, std::function<void(QMessageBox*)>, int> cases[] = {
      {kStyleOkCancel, [](QMessageBox* b) { b->button(QMessageBox::Ok)->click(); }, kIdOk},
      {kStyleOkCancel, [](QMessageBox* b) { b->button(QMessageBox::Cancel)->click(); }, kIdCancel},
      {kStyleOkCancel, [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, kIdCancel},
      {kStyleOk, [](QMessageBox* b) { QTest::keyClick(b, Qt::Key_Escape); }, kIdOk},
  };
  for (const auto& [style, answer, expected] : cases) {
    rec.log.clear();
    QString shown;
    whenModal<QMessageBox>(
        [&](QMessageBox* b) {
          shown = QString("%1|%2|%3").arg(b->text(), b->windowTitle()).arg(b->buttons().size());
          EXPECT_EQ(b->icon(), QMessageBox::Information);
          EXPECT_EQ(b->windowModality(), Qt::ApplicationModal);
          // Answer once the timer has ticked inside the box, however slow the machine.
          waitUntil([&] { return rec.count(kMsgTimer) >= 3; }, 5000);
          answer(b);
        },
        0);
    EXPECT_EQ(platform.messageBox("Problème\nrésolu", "Quincunx", style), expected);
    EXPECT_EQ(shown, QString::fromUtf8("Problème\nrésolu|Quincunx|%1").arg(style & 1 ? 2 : 1));
    EXPECT_GE(rec.count(kMsgTimer), 3);
  }
  platform.stopTimer(3);
}

TEST_F(QtWindowTest, OpenFileDialogReturnsTheChosenFileOrNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("grille.sud");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();
  const std::vector<std::pair<std::string, std::string>> filters = {
      {"Grilles", "*.sud;*.txt"}, {"Tous les fichiers", "*.*"}};
  QStringList shownFilters;
  QString shownDir;
  whenModal<QFileDialog>([&](QFileDialog* d) {
    shownFilters = d->nameFilters();
    shownDir = d->directory().absolutePath();
    auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
    edit->setText(path);
    QTest::keyClick(edit, Qt::Key_Return);
  });
  EXPECT_EQ(platform.openFileDialog("Ouvrir", filters, dir.path().toStdString()),
            path.toStdString());
  EXPECT_EQ(shownDir, QDir(dir.path()).absolutePath());
  EXPECT_EQ(shownFilters, (QStringList{"Grilles (*.sud *.txt)", "Tous les fichiers (*)"}));

  whenModal<QFileDialog>([](QFileDialog* d) { d->reject(); });
  EXPECT_EQ(platform.openFileDialog("Ouvrir", filters, dir.path().toStdString()), std::nullopt);
}

TEST_F(QtWindowTest, KeysBecomeKeyAndCharacterMessages) {
  QTest::keyClick(w(), Qt::Key_7);
  EXPECT_EQ(rec.keys(), (Keys{{kMsgKeyDown, '7'}, {kMsgChar, '7'}, {kMsgKeyUp, '7'}}));

  QTest::keyPress(w(), Qt::Key_Shift, Qt::ShiftModifier);
  EXPECT_TRUE(platform.shiftDown());
  QTest::keyRelease(w(), Qt::Key_Shift);
  EXPECT_FALSE(platform.shiftDown());

  rec.log.clear();
  QTest::keyClick(w(), Qt::Key_Dollar, Qt::ShiftModifier);  // Shift+4 as Qt reports it
  QTest::keyClick(w(), Qt::Key_A);
  QTest::keyClick(w(), Qt::Key_F3);
  QTest::keyClick(w(), Qt::Key_Delete);
  QTest::keyClick(w(), Qt::Key_Backspace);
  QTest::keyClick(w(), Qt::Key_Tab);
  EXPECT_EQ(rec.keys(),
            (Keys{{kMsgKeyDown, kVkShift}, {kMsgKeyDown, '4'}, {kMsgChar, '$'}, {kMsgKeyUp, '4'},
                  {kMsgKeyUp, kVkShift},   {kMsgKeyDown, 'A'}, {kMsgChar, 'a'}, {kMsgKeyUp, 'A'},
                  {kMsgKeyDown, kVkF3},    {kMsgKeyUp, kVkF3}, {kMsgKeyDown, kVkDelete},
                  {kMsgKeyUp, kVkDelete},  {kMsgKeyDown, 8},   {kMsgChar, 8},   {kMsgKeyUp, 8},
                  {kMsgKeyDown, 9},        {kMsgChar, 9},      {kMsgKeyUp, 9}}));
}

TEST_F(QtWindowTest, InsertIsHeldFromPressToRealReleaseOrFocusLoss) {
  QTest::keyPress(w(), Qt::Key_Insert);
  EXPECT_TRUE(platform.insertDown());
  // A repeating key sends releases that Windows never reports.
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Insert, Qt::NoModifier, QString(), true);
  QCoreApplication::sendEvent(w(), &repeatRelease);
  EXPECT_TRUE(platform.insertDown());
  QTest::keyRelease(w(), Qt::Key_Insert);
  EXPECT_FALSE(platform.insertDown());
  EXPECT_EQ(rec.keys(), (Keys{{kMsgKeyDown, kVkInsert}, {kMsgKeyUp, kVkInsert}}));

  QTest::keyPress(w(), Qt::Key_Insert);
  w()->clearFocus();
  EXPECT_FALSE(platform.insertDown());
  EXPECT_FALSE(platform.hasFocus());
}

TEST_F(QtWindowTest, MouseBecomesMoveAndButtonMessages) {
  QTest::mouseMove(w(), QPoint(12, 34));
  ASSERT_TRUE(waitUntil([&] { return rec.count(kMsgMouseMove) > 0; }));
  EXPECT_EQ(rec.log.back().l, pointParam(12, 34));

  rec.log.clear();
  QTest::mouseClick(w(), Qt::LeftButton, Qt::NoModifier, QPoint(50, 60));
  QTest::mouseClick(w(), Qt::RightButton, Qt::NoModifier, QPoint(51, 61));
  QTest::mouseClick(w(), Qt::LeftButton, Qt::ShiftModifier, QPoint(200, 150));
  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(70, 80), w()->mapToGlobal(QPointF(70, 80)),
                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w(), &dbl);
  std::vector<Message> clicks;
  std::copy_if(rec.log.begin(), rec.log.end(), std::back_inserter(clicks),
               [](const Message& m) { return m.msg == kMsgLButtonDown; });
  EXPECT_EQ(clicks, (std::vector<Message>{{kMsgLButtonDown, 0x01, pointParam(50, 60)},
                                          {kMsgLButtonDown, 0x05, pointParam(200, 150)},
                                          {kMsgLButtonDown, 0x01, pointParam(70, 80)}}));

  QCursor::setPos(w()->mapToGlobal(QPoint(21, 43)));
  EXPECT_EQ(platform.pointerPos(), (Point{21, 43}));
}

TEST_F(QtWindowTest, SolverPumpServesPaintAndCloseButDropsInputAndTicks) {
  platform.startTimer(5, 10);
  const QPointF p(5, 5);
  QCoreApplication::postEvent(w(), new QMouseEvent(QEvent::MouseButtonPress, p, w()->mapToGlobal(p),
                                                   Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  QCoreApplication::postEvent(w(), new QKeyEvent(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5"));
  QCoreApplication::postEvent(w(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Insert, Qt::NoModifier));
  platform.invalidate();
  platform.invalidate();
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 100) platform.pumpForSolver();
  EXPECT_EQ(rec.count(kMsgPaint), 1);
  EXPECT_EQ(rec.count(kMsgTimer), 0);
  EXPECT_TRUE(platform.insertDown());

  // Dropped for good: not delivered once the pump is over.
  ASSERT_TRUE(waitUntil([&] { return rec.count(kMsgTimer) > 0; }));
  EXPECT_EQ(rec.count(kMsgLButtonDown), 0);
  EXPECT_TRUE(rec.keys().empty());
  platform.stopTimer(5);

  QMetaObject::invokeMethod(w(), &QWidget::close, Qt::QueuedConnection);
  platform.pumpForSolver();
  EXPECT_EQ(rec.count(kMsgDestroy), 1);
  EXPECT_FALSE(w()->isVisible());
}

TEST_F(QtWindowTest, RunEndsOnQuitFromCloseBoxOrBeforehand) {
  // A loop that fails to end returns -1 instead of hanging the test.
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
  watchdog.start(5000);

  rec.onMessage = [&](const Message& m) {
    if (m.msg == kMsgDestroy) platform.quit(0);
  };
  QTimer::singleShot(20, w(), &QWidget::close);
  EXPECT_EQ(platform.run(), 0);
  EXPECT_EQ(rec.count(kMsgDestroy), 1);

  // A quit while a box is up ends the box, as a Cancel, and the loop.
  int answer = 0;
  QTimer::singleShot(0, [&] { answer = platform.messageBox("?", "Quincunx", kStyleOkCancel); });
  whenModal<QMessageBox>([&](QMessageBox*) { platform.quit(7); }, 50);
  EXPECT_EQ(platform.run(), 7);
  EXPECT_EQ(answer, kIdCancel);

  // A quit before the loop runs is not lost, and later boxes still wait.
  platform.quit(4);
  EXPECT_EQ(platform.run(), 4);
  whenModal<QMessageBox>([](QMessageBox* b) { b->button(QMessageBox::Cancel)->click(); });
  EXPECT_EQ(platform.messageBox("?", "Quincunx", kStyleOkCancel), kIdCancel);
}

}  // namespace
}  // namespace qx
