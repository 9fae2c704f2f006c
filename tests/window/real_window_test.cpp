// SPDX-License-Identifier: GPL-3.0-or-later
// The program in its real window, offscreen: pixels of a grab, a puzzle typed
// and played with real mouse and key events, the test mode's colours, a
// restart, and a long run of random input.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <iterator>
#include <memory>
#include <random>
#include <tuple>

#include "engine/exact.h"
#include "files/puzzle_file.h"
#include "files/saved_state.h"
#include "platform/qt/qt_platform.h"
#include "tests/support/hostile.h"
#include "tests/support/pdf_pages.h"
#include "tests/support/puzzles.h"
#include "tests/support/temp_dir.h"
#include "tools/gen/generator.h"
#include "ui/app.h"

namespace qx {
namespace {

namespace fs = std::filesystem;

// Answers every message box and file dialog as it comes up, from a script
// (OK when the script is empty), and remembers what the boxes said.
class Answerer {
 public:
  Answerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
    timer_.start();
  }
  void poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal); box && !box->button(QMessageBox::Ok)) {
      // A question with buttons of its own: pressed by label, Cancel by default.
      std::vector<std::string> labels;
      for (QAbstractButton* b : box->buttons()) labels.push_back(plain(b->text()));
      std::sort(labels.begin(), labels.end());
      questions.push_back({box->text().toStdString(), box->windowTitle().toStdString(), labels});
      QAbstractButton* b = box->button(QMessageBox::Cancel);
      for (QAbstractButton* other : box->buttons())
        if (!choices.empty() && plain(other->text()) == choices.front()) b = other;
      if (!choices.empty()) choices.pop_front();
      b->click();
    } else if (box) {
      texts.push_back(box->text().toStdString());
      titles.push_back(box->windowTitle().toStdString());
      // Wide enough for its title in a title bar, with room for the bar's buttons.
      QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
      titleFont.setBold(true);
      const int titleWidth = QFontMetrics(titleFont).horizontalAdvance(box->windowTitle());
      if (box->width() < titleWidth + 100) narrowBoxes.push_back(titles.back());
      bool ok = true;
      if (!script.empty()) {
        ok = script.front();
        script.pop_front();
      } else if (randomAnswers) {
        ok = rng() % 2 == 0;
      }
      if (QAbstractButton* cancel = box->button(QMessageBox::Cancel))
        cancels.push_back(plain(cancel->text()));
      QAbstractButton* b = box->button(ok ? QMessageBox::Ok : QMessageBox::Cancel);
      if (!b) b = box->button(QMessageBox::Ok);
      b->click();
    } else if (auto* print = qobject_cast<QPrintDialog*>(modal)) {
      ++printDialogs;
      if (printTo.empty()) return print->reject();
      // Qt's own PDF printer, into the file asked for.
      if (auto* printers = print->findChild<QComboBox*>("printers")) {
        for (int i = 0; i < printers->count(); ++i)
          if (printers->itemText(i).contains("PDF")) printers->setCurrentIndex(i);
      }
      if (auto* name = print->findChild<QLineEdit*>("filename")) name->setText(QString::fromStdString(printTo));
      print->accept();
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      ++dialogs;
      std::vector<std::string> words;
      for (const char* name : {"lookInLabel", "fileNameLabel"})
        if (auto* label = dialog->findChild<QLabel*>(name)) words.push_back(plain(label->text()));
      if (auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox"))
        for (QAbstractButton* b : buttons->buttons()) words.push_back(plain(b->text()));
      dialogWords.push_back(words);
      dialog->reject();
    }
  }
  // A label as read: without its shortcut mark and colon.
  static std::string plain(QString s) {
    s.remove(u'&');
    if (s.endsWith(u':')) s.chop(1);
    return s.trimmed().toStdString();
  }
  QTimer timer_;
  std::deque<bool> script;
  struct Question {
    std::string text, title;
    std::vector<std::string> buttons;  // sorted
  };
  std::vector<Question> questions;
  std::deque<std::string> choices;  // labels of the buttons to press
  bool randomAnswers = false;
  std::mt19937 rng{7};
  std::vector<std::string> texts, titles, cancels, narrowBoxes;
  std::vector<std::vector<std::string>> dialogWords;  // labels, then buttons
  int dialogs = 0;
  int printDialogs = 0;
  std::string printTo;  // the PDF file a print dialog prints to; empty: Cancel
};

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* f : {"quincunn.jeu", "quincuno.jeu"})
      fs::copy_file(fs::path(QX_DATA_DIR) / f, dir / f);
  }
  void TearDown() override { stop(); }
  // The program and its window gone, as at exit.
  void stop() {
    app.reset();
    platform.reset();
  }
  void save(const Board& b, const Settings& s = Settings{}) {
    ASSERT_TRUE(saveState(dir.string(), b, Clue{}, s).ok);
  }
  App& start() {
    platform = std::make_unique<QtPlatform>();
    app = std::make_unique<App>(*platform, dir.string());
    app->startUp();
    widget = platform->window();
    widget->activateWindow();
    widget->setFocus();
    QTest::qWait(200);  // the start-up timer completes the restore
    return *app;
  }
  QImage grab() {
    QTest::qWait(20);
    return widget->grab().toImage();
  }
  QPoint cellCentre(int c, int r) const {
    const int h = app->g.hh;
    return {(c - 1) * h + h / 2, (r - 1) * h + h / 2};
  }
  QPoint buttonCentre(int n) const {
    const Rect& r = app->g.rect[n];
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  void click(int n) {
    QTest::mouseMove(widget, buttonCentre(n));
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, buttonCentre(n));
  }
  void typeAt(int c, int r, char digit) {
    QTest::mouseMove(widget, cellCentre(c, r));
    QTest::keyClick(widget, digit);
  }
  void typeAt(int k, char digit) { typeAt(k % 9 + 1, k / 9 + 1, digit); }
  // Types from[k] into every cell k of grid 1 that p leaves empty (or holds, for givens), but skip.
  void typeAll(const std::string& from, bool givens, int skip = -1) {
    for (int k = 0; k < 81; ++k)
      if ((p.puzzle[k] != '.') == givens && k != skip) typeAt(k, from[k]);
  }
  // Line n of the easy set, saved as the board the program starts on.
  App& startEasy(int n) {
    p = test::loadSet("sudoku-easy")[n];
    save(test::sudokuBoard(p.puzzle));
    return start();
  }
  // Any pixel of the cell's inside in this colour.
  bool cellHas(const QImage& img, int c, int r, QRgb colour) {
    const int h = app->g.hh;
    for (int y = (r - 1) * h + 4; y < r * h - 3; ++y)
      for (int x = (c - 1) * h + 4; x < c * h - 3; ++x)
        if ((img.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) return true;
    return false;
  }

  test::TempDir tmp{"qx-window"};
  fs::path dir = tmp.path();
  std::unique_ptr<QtPlatform> platform;
  std::unique_ptr<App> app;
  QWidget* widget = nullptr;
  Answerer answers;
  test::SetPuzzle p;
};

constexpr const char* kStateFiles[] = {kPuzzleFile, kPlacedFile, kMaskFile, kTestMaskFile, kSettingsFile};

// The first empty cell of an 81-cell puzzle from index from on.
int emptyAt(std::string_view puzzle, int from = 0) { return static_cast<int>(puzzle.find('.', from)); }

constexpr QRgb kYellow = qRgb(255, 255, 192);
constexpr QRgb kRed = qRgb(255, 0, 0);
constexpr QRgb kSilver = qRgb(192, 192, 192);
constexpr QRgb kGrey = qRgb(128, 128, 128);

TEST_F(RealWindow, DrawsTheBoardWhereTheGeometrySays) {
  save(Board{});
  App& a = start();
  const int h = a.g.hh;
  EXPECT_EQ(widget->width(), 21 * h);
  EXPECT_EQ(widget->height(), 21 * h);
  QImage img = grab();
  EXPECT_EQ(img.pixel(10 * h + h / 2, 4 * h + h / 2), kYellow);
  EXPECT_EQ(img.pixel(1, 1), kRed);            // frame of the top-left grid
  EXPECT_EQ(img.pixel(9 * h + 1, 4 * h), kRed);
  const Rect& r1 = a.g.rect[1];
  EXPECT_EQ(img.pixel(r1.left + 2, r1.top + 2), kSilver);
  EXPECT_NE(img.pixel(16 * h + h / 2, 3 * h + h / 2), kGrey);

  click(button::kGame);  // to Sudoku: the other grids turn grey
  img = grab();
  EXPECT_EQ(img.pixel(16 * h + h / 2, 3 * h + h / 2), kGrey);
  EXPECT_EQ(img.pixel(3 * h + h / 2, 17 * h + h / 2), kGrey);
  EXPECT_EQ(img.pixel(10 * h + h / 2, 13 * h + h / 2), kGrey);
  EXPECT_NE(img.pixel(4 * h + h / 2, 4 * h + h / 2), kGrey);
}

TEST_F(RealWindow, SudokuTypedInDataModeAndPlayedToTheWin) {
  Board empty;
  empty.setVariant(1);
  save(empty);
  start();
  p = test::loadSet("sudoku-easy")[11];
  click(button::kData);
  typeAll(p.puzzle, true);
  EXPECT_EQ(test::grid1(app->b), p.puzzle);
  click(button::kPlay);  // solved behind the board
  const std::size_t before = answers.texts.size();
  typeAll(p.solution, false);
  ASSERT_EQ(answers.texts.size(), before + 1);
  EXPECT_EQ(answers.titles.back(), "Gagné");
  EXPECT_EQ(answers.texts.back().rfind("Bravo : vous avez gagné en ", 0), 0u);
}

TEST_F(RealWindow, TestModeValuesShowVioletAndBlue) {
  App& a = startEasy(12);
  const int first = emptyAt(p.puzzle), second = emptyAt(p.puzzle, first + 1);
  click(button::kMode);
  ASSERT_EQ(a.m.es, 1);
  typeAt(first, p.solution[first]);
  typeAt(second, p.solution[second]);
  QTest::mouseMove(widget, QPoint(10 * a.g.hh + 5, 3 * a.g.hh));  // away from both cells
  QImage img = grab();
  EXPECT_TRUE(cellHas(img, first % 9 + 1, first / 9 + 1, qRgb(192, 0, 255)));
  EXPECT_TRUE(cellHas(img, second % 9 + 1, second / 9 + 1, qRgb(0, 0, 255)));
  click(button::kMode);  // back to normal: the blue value goes
  img = grab();
  EXPECT_TRUE(cellHas(img, first % 9 + 1, first / 9 + 1, qRgb(192, 0, 255)));
  EXPECT_FALSE(cellHas(img, second % 9 + 1, second / 9 + 1, qRgb(0, 0, 255)));
}

TEST_F(RealWindow, RecordThenRestartRestoresEverything) {
  App& a = startEasy(13);
  const int first = emptyAt(p.puzzle), second = emptyAt(p.puzzle, first + 1);
  typeAt(first, '4');
  click(button::kCandidate);
  // The first candidate of the next empty cell taken away by hand.
  const int c = second % 9 + 1, r = second / 9 + 1;
  int d = 1;
  while (d <= 9 && a.b.candid[r][c][d] != '1') ++d;
  ASSERT_LE(d, 9);
  QTest::mouseMove(widget, cellCentre(c, r));
  QTest::keyPress(widget, Qt::Key_Insert);
  QTest::keyClick(widget, static_cast<char>('0' + d));
  QTest::keyRelease(widget, Qt::Key_Insert);
  click(button::kError);
  click(button::kLanguage);  // English, which records too
  click(button::kRecord);
  const Board saved = a.b;
  const Modes modes = a.m;
  ASSERT_EQ(saved.candie[r][c][d], '0');  // so the mask file must be read back
  stop();

  App& b = start();
  EXPECT_TRUE(std::tie(b.b.tab1, b.b.tab2, b.b.tab7, b.b.candie, b.b.candif) ==
              std::tie(saved.tab1, saved.tab2, saved.tab7, saved.candie, saved.candif));
  EXPECT_EQ(std::make_tuple(b.b.su, b.m.lang, b.m.er, b.m.cand, b.m.es), std::make_tuple(1, 1, 1, 1, modes.es));
  EXPECT_GE(b.m.nTimer, modes.nTimer);
}

// Qt's own words in the boxes and the open dialog follow the program's
// language, at start-up and at each switch.
TEST_F(RealWindow, BoxesAndOpenDialogSpeakTheProgramsLanguage) {
  save(Board{});
  App& a = start();
  struct Words {
    int lang;
    std::string cancel;
    std::vector<std::string> dialog;
  };
  const Words cases[] = {
      {0, "Annuler", {"Voir dans", "Nom de fichier", "Ouvrir", "Annuler"}},
      {1, "Cancel", {"Look in", "File name", "Open", "Cancel"}},
      {0, "Annuler", {"Voir dans", "Nom de fichier", "Ouvrir", "Annuler"}},
  };
  for (const Words& w : cases) {
    if (a.m.lang != w.lang) click(button::kLanguage);
    ASSERT_EQ(a.m.lang, w.lang);
    answers.script = {false};
    click(button::kMode);  // asks first; cancelled
    ASSERT_FALSE(answers.cancels.empty());
    EXPECT_EQ(answers.cancels.back(), w.cancel);
    EXPECT_EQ(a.m.es, 0);
    QTest::keyClick(widget, Qt::Key_F3);
    ASSERT_FALSE(answers.dialogWords.empty());
    EXPECT_EQ(answers.dialogWords.back(), w.dialog);
  }
  EXPECT_EQ(answers.narrowBoxes, std::vector<std::string>{});
}

// Run once per screen size (QX_SCREEN, with an offscreen screen of that
// size): in both languages, and with both texts of the two-way buttons, no
// label's ink touches or crosses its button's outline. The label widths are
// printed against their buttons.
TEST_F(RealWindow, EveryLabelLiesInsideItsButton) {
  const char* screen = std::getenv("QX_SCREEN");
  if (!screen) GTEST_SKIP() << "needs QX_SCREEN=WIDTHxHEIGHT";
  int width = 0, height = 0;
  ASSERT_EQ(std::sscanf(screen, "%dx%d", &width, &height), 2);
  ASSERT_EQ(QGuiApplication::primaryScreen()->size(), QSize(width, height));
  save(Board{});
  App& a = start();
  ASSERT_EQ(a.g.hh, (std::min(height, 1024) - 34) / 21);
  EXPECT_GE(a.g.decay, 1);
  EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(widget->frameGeometry()));
  // Dark pixels of the button's inside in column x; the label is black on silver.
  auto darkIn = [](const QImage& img, const Rect& r, int x) {
    int n = 0;
    for (int y = r.top + 1; y < r.bottom - 1; ++y) n += qGray(img.pixel(x, y)) < 150;
    return n;
  };
  for (int lang : {0, 1}) {
    if (a.m.lang != lang) click(button::kLanguage);
    ASSERT_EQ(a.m.lang, lang);
    for (int twoWay : {0, 1}) {  // Sudoku and Test, then Quincunx and Normal
      if (a.b.su != twoWay) click(button::kGame);
      if (a.m.es != twoWay) click(button::kMode);
      ASSERT_EQ(a.b.su, twoWay);
      ASSERT_EQ(a.m.es, twoWay);
      QTest::mouseMove(widget, cellCentre(11, 2));  // no button highlighted
      const QImage img = grab();
      for (int n = 1; n <= button::kCount; ++n) {
        if (twoWay == 1 && n != button::kGame && n != button::kMode) continue;
        const Rect& r = a.g.rect[n];
        // Button n's label: its text in the table, or a word of both languages.
        const std::string_view word = n == button::kSolution ? kSolution
                                      : n == button::kGame   ? (twoWay ? kQuincunx : kSudoku)
                                      : n == button::kMode   ? (twoWay ? kNormal : kTest)
                                                             : kPermut;
        const auto text = labelText(n);
        const std::string label(text ? a.texts.text(*text, lang) : word);
        const int advance = platform->textWidth(label, FontRole::Buttons);
        std::printf("%s lang %d rect%-2d %-10s width %3d of %3d\n", screen, lang, n, label.c_str(),
                    advance, r.right - r.left);
        int ink = 0;
        for (int x = r.left + 2; x < r.right - 2; ++x) ink += darkIn(img, r, x);
        EXPECT_GT(ink, 0) << label;
        // The outline's inner neighbours stay free: one pixel to spare.
        EXPECT_EQ(darkIn(img, r, r.left + 1) + darkIn(img, r, r.right - 2), 0)
            << label << " in rect" << n << ": " << advance << " of " << r.right - r.left;
      }
    }
  }
}

// Run with QT_SCALE_FACTOR 2 and 1.5: the board is drawn at the device's
// resolution, not drawn at 1x and blown up (a grab halved by point sampling
// and doubled back would equal itself), and every line of a kind is equally
// thick.
TEST_F(RealWindow, BoardIsSharpOnAScaledScreen) {
  const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
  if (ratio == 1) GTEST_SKIP() << "needs QT_SCALE_FACTOR";
  const int h = startEasy(3).g.hh;
  ASSERT_EQ(h, 47);  // a logical 1280x1024 screen
  QTest::mouseMove(widget, cellCentre(11, 2));
  const QImage img = grab().convertToFormat(QImage::Format_RGB32);
  auto dev = [&](int v) { return static_cast<int>(std::floor(v * ratio + 0.5)); };
  ASSERT_EQ(img.size(), QSize(dev(21 * h), dev(21 * h)));
  if (ratio == 2) {
    int doubled = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) doubled += img.pixel(x, y) != img.pixel(x & ~1, y & ~1);
    EXPECT_GT(doubled, 5000);
  }
  // Across a row of cells above their digits: the runs of black between the
  // red frames are the thin lines and the two domain lines.
  const int y = dev(4 * h + 4);
  std::vector<int> thin, thick;
  for (int x = dev(3); x < dev(9 * h);) {
    int n = 0;
    while ((img.pixel(x + n, y) & 0xFFFFFF) == 0) ++n;
    if (n > 0) (n > static_cast<int>(std::lround(ratio)) ? thick : thin).push_back(n);
    x += std::max(n, 1);
  }
  EXPECT_EQ(thin, std::vector<int>(6, static_cast<int>(std::lround(ratio))));
  ASSERT_EQ(thick.size(), 2u);
  EXPECT_EQ(thick[0], thick[1]);
}

// Closing the window asks whether to record only after a change (the clock
// alone is none), and each answer does what it says.
TEST_F(RealWindow, ClosingAfterAChangeAsksWhetherToRecord) {
  p = test::loadSet("sudoku-easy")[15];
  const int k = emptyAt(p.puzzle);
  const int c = k % 9 + 1, r = k / 9 + 1;
  auto files = [&] {
    std::string all;
    for (const char* name : kStateFiles) all += test::slurp(dir / name) + '|';
    return all;
  };
  const Texts texts;
  auto buttons = [&](int lang) {
    return std::vector<std::string>{std::string(texts.text(Text::kRecordButton, lang)),
                                    std::string(texts.text(Text::kDontRecord, lang)),
                                    lang ? "Cancel" : "Annuler"};
  };
  struct Case {
    int lang;
    bool change;  // a value typed; else only the clock runs on
    std::deque<int> choices;  // 0 Record, 1 Don't record, -1 Cancel
    bool recorded;
  };
  const Case cases[] = {
      {0, false, {}, false},
      {1, false, {}, false},
      {0, true, {-1, 1}, false},  // Cancel keeps the window; then Don't record
      {1, true, {0}, true},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(::testing::Message() << "lang " << t.lang << (t.change ? " change" : " clock"));
    Settings s;
    s.lang = t.lang;
    save(test::sudokuBoard(p.puzzle), s);
    const std::string before = files();
    answers.questions.clear();
    for (int choice : t.choices) answers.choices.push_back(buttons(t.lang)[choice < 0 ? 2 : choice]);
    App& a = start();
    QTest::mouseMove(widget, cellCentre(11, 2));  // the pointer may still be where it typed last
    if (t.change) typeAt(c, r, p.solution[k]);
    a.m.nTimer += 61;
    for (std::size_t i = 0; i < std::max<std::size_t>(t.choices.size(), 1); ++i) {
      widget->close();
      QTest::qWait(20);
      EXPECT_EQ(widget->isVisible(), t.choices.size() > i + 1 && t.choices[i] == -1) << i;
    }
    ASSERT_EQ(answers.questions.size(), t.choices.size());
    std::vector<std::string> labels = buttons(t.lang);
    std::sort(labels.begin(), labels.end());
    for (const auto& q : answers.questions) {
      EXPECT_EQ(q.text, a.texts.text(Text::kExitQuestion, t.lang));
      EXPECT_EQ(q.title, a.texts.text(Text::kRecordTitle, t.lang));
      EXPECT_EQ(q.buttons, labels);
    }
    EXPECT_EQ(a.m.termine, 1);
    EXPECT_EQ(platform->run(), 0);  // the loop ends at once, as after any close
    EXPECT_EQ(files() != before, t.recorded);
    stop();
    EXPECT_EQ(start().b.tab2[r][c], t.recorded ? p.solution[k] : '0');
    stop();
  }
}

// A puzzle file given at start (quincunx-kelvo FILE.jeu) opens as F3 would,
// once both the start-up box and the start-up completion are over.
TEST_F(RealWindow, FileGivenAtStartOpensAsTheOpenCommandWould) {
  const fs::path jeux = fs::path(QX_DATA_DIR) / "Jeux";
  struct Case {
    fs::path file;
    int su;            // the variant its name chooses
    bool boxFirst;     // the box answered before the completion ran
    bool readable;
  };
  const Case cases[] = {
      {jeux / "sudoku-deep-1.jeu", 1, false, true},
      {jeux / "quincunx-logic-1.jeu", 0, true, true},
      {dir / "missing.jeu", 0, false, false},
  };
  for (const Case& t : cases) {
    SCOPED_TRACE(t.file.string());
    save(Board{});
    answers.texts.clear();
    platform = std::make_unique<QtPlatform>();
    app = std::make_unique<App>(*platform, dir.string());
    App& a = *app;
    a.openAtStart = t.file.string();
    a.startUp();
    widget = platform->window();
    if (t.boxFirst) a.openStartFile();
    QTest::qWait(200);  // the start-up completion
    if (!t.boxFirst) a.openStartFile();
    EXPECT_TRUE(a.openAtStart.empty());
    Board expected;
    Clue clue;
    expected.setVariant(t.su);
    if (t.readable) {
      ASSERT_TRUE(lecture(t.file.string(), expected.tab1, clue));
    }
    EXPECT_EQ(a.b.su, t.su);
    EXPECT_TRUE(a.b.tab1 == expected.tab1);
    EXPECT_EQ(!answers.texts.empty() && answers.texts.back().find(t.file.string()) != std::string::npos,
              !t.readable);
    stop();
  }
}

// F2 asks for one of four ratings in the program's language; a rating writes
// one new puzzle of the current game, unique and of that rating, into the
// state folder's Jeux with the next number, and the window shows it. Cancel
// writes nothing.
TEST_F(RealWindow, NewPuzzleOfTheChosenRating) {
  const std::vector<std::string> ratings[2] = {{"Diabolique", "Difficile", "Facile", "Moyenne"},
                                               {"Easy", "Fiendish", "Hard", "Medium"}};
  struct Case {
    int su, lang;
    std::string choice;  // empty: Cancel
    const char* file;    // what it writes, after a shipped-like file already there
  };
  const Case cases[] = {
      {1, 1, "", nullptr},
      {1, 1, "Easy", "sudoku-singles-1.jeu"},
      {1, 0, "Moyenne", "sudoku-logic-11.jeu"},
      {0, 1, "Hard", "quincunx-trials-1.jeu"},
      {0, 0, "Diabolique", "quincunx-deep-1.jeu"},
      {0, 0, "Diabolique", "quincunx-deep-2.jeu"},
  };
  const fs::path jeux = dir / "Jeux";
  // The numbers go on after those the folder has.
  fs::create_directories(jeux);
  fs::copy_file(fs::path(QX_DATA_DIR) / "Jeux" / "sudoku-logic-10.jeu", jeux / "sudoku-logic-10.jeu");
  Settings s;
  for (const Case& t : cases) {
    SCOPED_TRACE(t.choice);
    s.lang = t.lang;
    Board start;
    start.setVariant(t.su);
    save(start, s);
    App& a = this->start();
    const auto before = std::distance(fs::directory_iterator(jeux), fs::directory_iterator());
    answers.questions.clear();
    if (!t.choice.empty()) answers.choices.push_back(t.choice);
    QTest::keyClick(widget, Qt::Key_F2);
    QTest::qWait(50);
    ASSERT_EQ(answers.questions.size(), 1u);
    std::vector<std::string> offered = answers.questions[0].buttons;
    offered.erase(std::find(offered.begin(), offered.end(), t.lang == 1 ? "Cancel" : "Annuler"));
    EXPECT_EQ(offered, ratings[t.lang]);
    const auto after = std::distance(fs::directory_iterator(jeux), fs::directory_iterator());
    EXPECT_EQ(after, before + (t.file ? 1 : 0));
    if (!t.file) continue;
    const fs::path made = jeux / t.file;
    Grid tab1 = test::zeros();
    Clue clue;
    ASSERT_TRUE(lecture(made.string(), tab1, clue)) << made;
    EXPECT_EQ(ExactSolver(t.su == 0 ? 5 : 1).count(tab1, 2), 1);
    const std::string name = t.file;
    const auto dash = name.find('-');
    const auto wanted = gen::parseRating(name.substr(dash + 1, name.rfind('-') - dash - 1));
    ASSERT_TRUE(wanted);
    EXPECT_EQ(gen::rate(tab1, clue, t.su).rating, *wanted);
    // The window shows it: the givens, one of them black on the board.
    EXPECT_EQ(a.b.su, t.su);
    EXPECT_TRUE(a.b.tab1 == tab1);
    const QImage img = grab();
    int shown = 0, givens = 0;
    for (int r = 1; r <= 21; ++r)
      for (int c = 1; c <= 21; ++c)
        if (isDigit(tab1[r][c]) && tab1[r][c] != '0' && ++givens <= 3)
          shown += cellHas(img, c, r, qRgb(0, 0, 0));
    EXPECT_EQ(shown, 3);
  }
}

// Ctrl+P prints the board through the print dialog: a PDF printer writes a
// page whose board shows its frames, lines and givens; Cancel writes nothing.
TEST_F(RealWindow, CtrlPPrintsTheBoard) {
  save(Board{});
  App& a = start();
  const fs::path puzzle = fs::path(QX_DATA_DIR) / "Jeux" / "quincunx-logic-1.jeu";
  a.openFile(puzzle.string());
  const fs::path pdf = dir / "print" / "board.pdf";
  fs::create_directories(pdf.parent_path());
  for (const bool cancel : {true, false}) {
    SCOPED_TRACE(cancel);
    answers.printTo = cancel ? "" : pdf.string();
    const int before = answers.printDialogs;
    QTest::keyClick(widget, Qt::Key_P, Qt::ControlModifier);
    QTest::qWait(50);
    EXPECT_EQ(answers.printDialogs, before + 1);
    EXPECT_EQ(fs::exists(pdf), !cancel);
  }
  const auto pages = test::renderPdf(pdf, 72);
  ASSERT_EQ(pages.size(), 1u);
  const test::Page& p = pages[0];
  const test::Box box = test::redBox(p, 0, 0, p.width, p.height);
  ASSERT_GE(box.left, 0);
  const double cell = (box.right - box.left + 1) * 40.0 / (21 * 40 + 3);
  EXPECT_GT(cell, 10);
  EXPECT_TRUE(p.inked(box.left + static_cast<int>(cell), box.top + static_cast<int>(1.5 * cell), 1));
  int shown = 0, blank = 0, cells = 0;
  for (int r = 1; r <= 21; ++r)
    for (int c = 1; c <= 21; ++c) {
      if (isGapCell(r, c)) continue;
      ++cells;
      const bool inked = p.darkAround(box.left + static_cast<int>((c - 0.5) * cell),
                                      box.top + static_cast<int>((r - 0.5) * cell), 2) > 0;
      const bool given = isDigit(a.b.tab1[r][c]);
      shown += inked && given;
      blank += !inked && !given;
    }
  EXPECT_EQ(shown + blank, cells);
}

// After a game recorded with a wrong value, a restart shows it red, says
// nothing of erroneous data, and only the true solution wins.
TEST_F(RealWindow, RecordedWrongValueStaysRedAfterARestart) {
  startEasy(14);
  // The wrong value repeats a given of its own row.
  int wrong = 0;
  char value = 0;
  for (int k = 0; k < 81 && !value; ++k) {
    if (p.puzzle[k] != '.') continue;
    for (int j = k / 9 * 9; j < k / 9 * 9 + 9; ++j)
      if (p.puzzle[j] != '.') {
        wrong = k;
        value = p.puzzle[j];
        break;
      }
  }
  ASSERT_NE(value, 0);
  const int wc = wrong % 9 + 1, wr = wrong / 9 + 1;
  typeAt(wc, wr, value);
  click(button::kRecord);
  stop();

  answers.texts.clear();
  App& a = start();
  QTest::mouseMove(widget, QPoint(10 * a.g.hh + 5, 3 * a.g.hh));  // away from the cell
  EXPECT_EQ(a.b.tab2[wr][wc], value);
  EXPECT_TRUE(cellHas(grab(), wc, wr, kRed));
  for (const std::string& t : answers.texts) EXPECT_EQ(t.find("erron"), std::string::npos) << t;

  // Everything else right: complete, yet no win while the wrong value stays.
  typeAll(p.solution, false, wrong);
  for (const std::string& t : answers.texts) EXPECT_EQ(t.find("Bravo"), std::string::npos) << t;
  typeAt(wc, wr, p.solution[wrong]);
  ASSERT_FALSE(answers.texts.empty());
  EXPECT_EQ(answers.texts.back().rfind("Bravo : vous avez gagné en ", 0), 0u);
}

// TAB and the other control bytes in given and placed cells are drawn as a
// visible mark, and drawing them asks for nothing out of bounds.
TEST_F(RealWindow, ControlBytesInCellsDrawAsAMark) {
  Board b;
  b.setVariant(0);
  std::vector<char> bytes;
  for (int ch = 1; ch < 0x20; ++ch) bytes.push_back(static_cast<char>(ch));
  bytes.push_back(0x7F);
  // Givens in the top-left grid, placed values in the centre grid; (1, 1)
  // must not be white space for the reader.
  b.tab1[1][1] = '5';
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    b.tab1[1 + (i + 1) / 9][1 + (i + 1) % 9] = bytes[i];
    b.tab2[7 + i / 9][7 + i % 9] = bytes[i];
  }
  save(b);
  App& a = start();
  ASSERT_EQ(a.b.tab1[1][2], '\x01');
  QTest::mouseMove(widget, QPoint(20 * a.g.hh + 5, 10 * a.g.hh + 5));
  const QImage img = grab();
  ASSERT_FALSE(img.isNull());
  for (int i = 0; i < static_cast<int>(bytes.size()); ++i) {
    SCOPED_TRACE(static_cast<int>(bytes[i]));
    EXPECT_TRUE(cellHas(img, 1 + (i + 1) % 9, 1 + (i + 1) / 9, qRgb(0, 0, 0)));
    const int c = 7 + i % 9, r = 7 + i / 9;  // placed: grey or red, never left blank
    EXPECT_TRUE(cellHas(img, c, r, kRed) || cellHas(img, c, r, kGrey) || !cellHas(img, c, r, kYellow));
  }
}

// Whatever stands in place of a state file, the window starts, names the
// file in one box, and the next record keeps it as NAME.bad.
TEST_F(RealWindow, StateFilesThatCannotBeReadAreNamedAndKeptAside) {
  int i = 0;
  for (test::Hostile k : test::kHostile) {
    const char* name = kStateFiles[i++ % 5];
    SCOPED_TRACE(std::string(test::nameOf(k)) + " as " + name);
    save(Board{});
    test::plant(k, dir / name);
    answers.texts.clear();
    App& a = start();
    EXPECT_TRUE(widget->isVisible());
    ASSERT_EQ(a.ignored.size(), 1u);
    a.reportIgnored();  // (an empty puzzle's start-up solve may have said it is incomplete)
    ASSERT_FALSE(answers.texts.empty());
    EXPECT_NE(answers.texts.back().find((dir / name).string()), std::string::npos) << answers.texts.back();
    click(button::kRecord);
    EXPECT_TRUE(fs::exists(fs::symlink_status(dir / (std::string(name) + ".bad"))));
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(dir / name)));
    stop();
    fs::remove_all(dir / (std::string(name) + ".bad"));
  }
  // All five at once: one box names them all.
  for (const char* name : kStateFiles) test::plant(test::Hostile::folder, dir / name);
  answers.texts.clear();
  App& a = start();
  a.reportIgnored();
  ASSERT_FALSE(answers.texts.empty());
  for (const char* name : kStateFiles) EXPECT_NE(answers.texts.back().find(name), std::string::npos);
}

const int kRandomEvents = std::getenv("QX_RANDOM_EVENTS") ? std::atoi(std::getenv("QX_RANDOM_EVENTS")) : 20000;

// Random pointer moves, clicks and keys with random answers: the program
// never crashes and its arrays never hold a character they may not hold.
TEST_F(RealWindow, RandomInput) {
  const auto set = test::loadSet("sudoku-hard");
  save(test::sudokuBoard(set[20].puzzle));
  App& a = start();
  answers.randomAnswers = true;
  std::mt19937 rng(2026);
  const int size = 21 * a.g.hh;
  const Qt::Key keys[] = {Qt::Key_1, Qt::Key_2, Qt::Key_5, Qt::Key_9, Qt::Key_0, Qt::Key_Backspace,
                          Qt::Key_Delete, Qt::Key_Shift, Qt::Key_F3, Qt::Key_Insert, Qt::Key_A};
  bool insertHeld = false;
  auto valid = [](const Grid& g, const char* allowed) {
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (g[r][c] == '\0' || !std::strchr(allowed, g[r][c])) return false;  // strchr finds the NUL too
    return true;
  };
  for (int i = 0; i < kRandomEvents; ++i) {
    const int kind = static_cast<int>(rng() % 10);
    const QPoint at(static_cast<int>(rng() % size), static_cast<int>(rng() % size));
    if (kind < 4) {
      QTest::mouseMove(widget, at);
    } else if (kind < 5) {
      // Mostly buttons, sometimes anywhere.
      const QPoint target = rng() % 3 ? buttonCentre(static_cast<int>(rng() % 14) + 1) : at;
      QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, target);
    } else {
      const Qt::Key key = keys[rng() % std::size(keys)];
      if (key == Qt::Key_Insert) {
        insertHeld ? QTest::keyRelease(widget, key) : QTest::keyPress(widget, key);
        insertHeld = !insertHeld;
      } else {
        QTest::keyClick(widget, key);
      }
    }
    if (i % 500 == 0) {
      ASSERT_TRUE(valid(a.b.tab1, "0123456789 ")) << i;
      ASSERT_TRUE(valid(a.b.tab2, "0123456789")) << i;
      ASSERT_TRUE(valid(a.b.tab6, "0123456789")) << i;
      ASSERT_TRUE(valid(a.b.tab7, "012")) << i;
    }
  }
  for (int r = 1; r <= kField; ++r)
    for (int c = 1; c <= kField; ++c)
      for (int d = 1; d <= 9; ++d) {
        ASSERT_TRUE(a.b.candie[r][c][d] == '0' || a.b.candie[r][c][d] == '1');
        ASSERT_TRUE(a.b.candid[r][c][d] == '0' || a.b.candid[r][c][d] == '1');
      }
  // The run really went through boxes and the file dialog.
  EXPECT_GT(static_cast<int>(answers.texts.size()), kRandomEvents / 200);
  EXPECT_GT(answers.dialogs, kRandomEvents / 2000);
}

}  // namespace
}  // namespace qx

int main(int argc, char** argv) {
  // QX_SCREEN=WIDTHxHEIGHT gives the offscreen screen that size;
  // WIDTHxHEIGHT@SCALE scales it too (one variable: ctest keeps only one).
  if (QByteArray screen = qgetenv("QX_SCREEN"); !screen.isEmpty()) {
    if (const qsizetype at = screen.indexOf('@'); at >= 0) {
      qputenv("QT_SCALE_FACTOR", screen.mid(at + 1));
      screen.truncate(at);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" QX_SCREENS_DIR "/screen-" + screen + ".json");
  } else if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
