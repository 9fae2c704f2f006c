// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts the code names, by their numbers in the table of texts. A box of
// several lines is named by its first and last line; the lines between them
// follow in order.

namespace qx {

enum class Text : int {
  // Button labels; the language button names the language it switches to.
  kLanguageButton = 0,
  kDataButton = 1,
  kPlayButton = 2,
  kCorrectButton = 3,
  kRecordButton = 4,
  kCandidateButton = 6,
  kReplayButton = 7,
  kHelpButton = 8,
  kErrorButton = 10,
  kPartialButton = 12,

  // Lines beside the board.
  kPlayingQuincunx = 13,
  kPlayingSudoku = 14,
  kErrorsShown = 15,
  kErrorsHidden = 16,
  kEntryIntroduction = 17,  // while a puzzle is entered
  kEntryOfData = 18,
  kEntryInGreen = 19,
  kEntryAtTheEnd = 20,
  kEntryPlay = 21,
  kEntryInBlack = 22,
  kTestMode = 23,           // in test mode
  kTestFirstViolet = 24,
  kTestNextBlue = 25,
  kTestToQuit = 26,
  kTestMakeNormal = 27,

  kHelpFile = 28,

  kCumulativeTime = 29,
  kCumulativeTitle = 30,
  kTaskbarFirst = 31,
  kTaskbarLast = 36,

  // The command buttons' explanation boxes.
  kPlayFirst = 37,
  kPlayLast = 40,
  kPlayTitle = 41,
  kCorrectBody = 42,
  kDataTitle = 43,
  kRecordFirst = 44,
  kRecordLast = 45,
  kRecordTitle = 46,
  kSolutionFirst = 47,
  kSolutionLast = 52,
  kCandidateFirst = 53,
  kCandidateLast = 57,
  kCandidateTitle = 58,
  kTestBody = 59,
  kModeTitle = 60,
  kNormalFirst = 61,
  kNormalLast = 66,
  kPartialFirst = 67,
  kPartialLast = 71,
  kPartialTitle = 72,

  kValueLocked = 73,
  kWon = 74,
  kWonTitle = 75,
  // The two failure boxes a solve can end with.
  kErroneous = 76,
  kIncomplete = 77,
  kDataFirst = 78,
  kDataLast = 80,
  // What the help command says when it cannot start.
  kExecutableName = 81,
  kHelpFileMissing = 82,

  kExitQuestion = 83,
  kDontRecord = 84,
  kNewTitle = 85,
  kNewQuestion = 86,
  kEasy = 87,  // the four ratings, from the easiest
  kFiendish = 90,
  kNoPuzzleMade = 91,
  kPuzzleNotWritten = 92,
  kNotPrinted = 93,
};

inline constexpr int number(Text t) { return static_cast<int>(t); }

}  // namespace qx
