// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every text the user reads, in French and in English, and the messages built
// from several of them. Texts are UTF-8; the window backend converts them.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "texts/text_numbers.h"

namespace qx {

// Message box styles: information icon, task-modal, OK only or OK and Cancel.
inline constexpr int kBoxOk = 0x2040;
inline constexpr int kBoxOkCancel = 0x2041;

struct Message {
  std::string text;
  std::string title;
  int style = kBoxOk;

  bool operator==(const Message&) const = default;
};

// 0 French, 1 English. Any other value (an edited settings file) reads as
// French so that it never indexes outside a pair.
inline constexpr int langSlot(int lang) { return lang == 1 ? 1 : 0; }

// Fixed texts that are the same in both languages.
inline constexpr std::string_view kSolution = "Solution";  // button label and box title
inline constexpr std::string_view kPermut = "Permut";
inline constexpr std::string_view kSudoku = "Sudoku";      // game-type button labels:
inline constexpr std::string_view kQuincunx = "Quincunx";  // the game it switches to
inline constexpr std::string_view kTest = "Test";          // mode button in normal mode
inline constexpr std::string_view kNormal = "Normal";      // mode button in test mode
inline constexpr std::string_view kModeNormal = "Mode Normal";  // mode line on the board
inline constexpr std::string_view kModeTest = "Mode Test";
inline constexpr std::string_view kImpossible = "Impossible";   // title of refusals

// Endings of the elapsed-time phrase.
inline constexpr std::string_view kHours = " h ";
inline constexpr std::string_view kMinutes = " m ";
inline constexpr std::string_view kSecondsCumulative = " s\n\n";
inline constexpr std::string_view kSecondsWin = " s";

enum class Ending { cumulative, win };

// "1 h 2 m 5 s": hours only from 3600 s on, minutes from 60 s on or after
// hours, seconds always; hours are never wrapped into days.
std::string elapsed(int nTimes, Ending ending);

// Title of the open-file dialog.
std::string_view openTitle(int lang);
// File-type list of that dialog; each '0' stands for a zero byte.
std::string_view openFilter(int lang);
// The same list as (description, pattern) pairs, as the dialog takes it.
std::vector<std::pair<std::string, std::string>> openFilters(int lang);
// Refusal of a command that needs the normal mode.
Message normalModeRefusal(int lang);
// why (a system's reason, or one of the file readers') in language lang:
// the common reasons are given in French in French boxes, the rest as they are.
std::string reasonIn(std::string why, int lang);
// The state files could not be written; why comes from the system. With
// previous false there was no record to keep.
Message saveFailed(const std::string& why, int lang, bool previous = true);
// The state folder could not be made ready: the window shows the shipped
// first puzzle, and games cannot be kept.
Message gamesCannotBeKept(const std::string& folder, const std::string& why, int lang);
// A second start on a folder whose window could not be brought to the front.
Message alreadyOpen(int lang);
// A save that is on disk but could not all be put in place: the next start
// completes it.
Message saveUnfinished(const std::string& why, int lang);
// A puzzle file chosen with the open command could not be read.
Message openFailed(const std::string& path, int lang);
// The help file is there but none of the help viewers could be started.
Message helpViewerMissing(const std::string& helpPath, int lang);
// The state files the start-up could not use, one "name: why" per line.
Message ignoredFiles(const std::vector<std::string>& lines, int lang);

// The command buttons that ask first; the mode button asks differently in
// each mode (labelled "Test" in normal mode, "Normal" in test mode).
enum class Explain { data, play, correct, record, candidate, solution, test, normal, partial };

class Texts {
 public:
  static constexpr int kPairs = 94;
  static constexpr int kEntries = 2 * kPairs;
  // Longest text a table entry may hold.
  static constexpr std::size_t kMaxLength = 119;

  Texts() { langue(); }

  // Text k in language lang; an unknown number reads as an empty text.
  std::string_view text(int k, int lang) const;
  std::string_view text(Text k, int lang) const { return text(number(k), lang); }
  // Entry 2k is the French text k, entry 2k+1 the English one.
  const std::array<std::string, kEntries>& table() const { return bara; }

  // The box a command button shows before it acts (OK and Cancel).
  Message explanation(Explain box, int lang) const;
  // Start-up box: the cumulative search time and the taskbar advice.
  Message cumulativeTime(int nTimer, int lang) const;
  // Shown when the board is complete and correct.
  Message winMessage(int nTimer, int lang) const;
  // Asked at exit when something differs from the last record: the question,
  // then the buttons Record and Don't record (the host adds Cancel).
  Message exitQuestion(int lang) const;
  std::array<std::string_view, 2> exitButtons(int lang) const;
  // The new-puzzle box: its question, then the four ratings from the
  // easiest (the host adds Cancel).
  Message newQuestion(int lang) const;
  std::array<std::string_view, 4> ratingNames(int lang) const;
  // No puzzle could be made (why empty) or it could not be written (why).
  Message newFailed(const std::string& why, int lang) const;
  // The printer or the file printed to refused the pages.
  Message printFailed(int lang) const;
  // Refusal to change a value entered before the current test value.
  Message entryRefusal(int lang) const;
  // Announcement of a language switch, run with the new lang: the
  // cumulative-time message, then the name of the new language.
  std::array<Message, 2> bouton(int nTimer, int lang) const;

 private:
  void langue();
  void put(int k, const char* fr, const char* en);
  // The texts first to last one after the other; each carries its own line
  // feeds.
  std::string lines(Text first, Text last, int lang) const;

  std::array<std::string, kEntries> bara;
};

}  // namespace qx
