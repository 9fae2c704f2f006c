// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/solve/solve_cli.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>

#include "engine/engine.h"
#include "engine/exact.h"
#include "engine/rules.h"
#include "files/puzzle_file.h"
#include "tools/common/pdf.h"
#include "tools/common/batch.h"
#include "tools/common/options.h"
#include "ui/paper.h"
#include "transform/permut.h"

namespace qx {

namespace {

constexpr std::string_view kUsage =
    "usage: quincunx-solve [--variant quincunx|sudoku] [--mode silent|obvious] [--jobs N] FILE...\n"
    "       quincunx-solve [--mode silent|obvious] [--jobs N] --lines FILE\n"
    "       quincunx-solve [--variant quincunx|sudoku] --first|--complete|--count [--jobs N] FILE...\n"
    "       quincunx-solve --first|--complete|--count [--jobs N] --lines FILE\n"
    "       quincunx-solve [--variant quincunx|sudoku] --permute SEED FILE\n"
    "       quincunx-solve [--variant quincunx|sudoku] --pdf OUT.pdf [--solutions] FILE...\n"
    "\n"
    "Solves each puzzle file (*.jeu) with the program's engine and prints, per puzzle,\n"
    "its result and the final board. The variant comes from the file name (\"quincunx...\"\n"
    "or \"sudoku...\"), else Quincunx. --lines reads one classic Sudoku per line\n"
    "(81 characters, '.' or '0' for an empty cell). --complete solves with the complete\n"
    "search instead of the written method: \"result: solved\" or \"result: no-solution\",\n"
    "then \"unique: yes\" or \"unique: no\" (a second solution exists). --count prints one\n"
    "line per puzzle instead, \"NAME: solutions 0|1|2\", counting no further than two.\n"
    "--first prints the first solution the complete search finds, with no word on\n"
    "uniqueness: the fastest way through a batch known to be sound.\n"
    "--jobs N solves on N threads (default: every core); the output is the same and\n"
    "comes in order as the puzzles are done.\n"
    "--permute solves the puzzle, permutes it once with the generator seeded by SEED\n"
    "(0..4294967295) and prints the new givens, an empty line, the new solution, an\n"
    "empty line and \"clue: NE ROW COLUMN DIGIT\".\n"
    "--pdf prints the puzzles into a PDF file of A4 pages instead, one Quincunx or\n"
    "four Sudoku a page, each with its file name under it (a hidden clue printed as a\n"
    "given); --solutions adds the solutions the complete search finds on the pages\n"
    "after them.\n";

constexpr ToolInfo kTool{"quincunx-solve", kUsage};

// The complete search, when one is asked for: the first solution found, the
// solutions counted to two with a report per puzzle, or their count alone.
enum class Search { kNone, kFirst, kComplete, kCount };

struct Options {
  int variant = -1;  // -1: from the file name
  int mode = kSilent;
  bool modeGiven = false;
  bool lines = false;
  bool permute = false;
  Search search = Search::kNone;
  int searches = 0;  // how many of --first, --complete and --count were given
  int jobs = 0;  // 0: every core
  std::uint32_t seed = 0;
  std::string pdf;
  bool solutions = false;
  std::vector<std::string> files;
};

int printFiles(const Options& opt, std::ostream& out, std::ostream& err) {
  std::vector<PaperBoard> boards;
  int status = 0;
  for (const std::string& path : opt.files) {
    PaperBoard board;
    board.su = opt.variant >= 0 ? opt.variant : shippedVariant(path, 0);
    for (auto& row : board.tab1) row.fill('0');
    Clue clue;
    if (!lecture(path, board.tab1, clue)) {
      err << "quincunx-solve: cannot read " << path << "\n";
      status = 1;
      continue;
    }
    if (clue.ne == 1 && clue.ie >= 1 && clue.ie < kSize && clue.je >= 1 && clue.je < kSize)
      board.tab1[clue.ie][clue.je] = clue.ce;
    for (auto& row : board.tab2) row.fill('0');
    board.solution = board.tab2;
    if (opt.solutions && ExactSolver(board.su == 0 ? 5 : 1).count(board.tab1, 1, &board.solution) == 0) {
      err << "quincunx-solve: " << path << " has no solution\n";
      status = 1;
    }
    board.caption = std::filesystem::path(path).filename().string();
    boards.push_back(std::move(board));
  }
  if (boards.empty()) return status;
  if (!writePdf(opt.pdf, "quincunx-solve", boards, opt.solutions, err)) return 1;
  out << opt.pdf << ": " << boards.size() << " puzzles\n";
  return status;
}

// What a thread keeps from puzzle to puzzle.
struct Worker {
  std::optional<ExactSolver> sudoku, quincunx;
  ExactSolver& solver(int sud) {
    auto& s = sud == 5 ? quincunx : sudoku;
    if (!s) s.emplace(sud);
    return *s;
  }
};

// The report of the complete search, from the solutions found (up to two),
// how many cells the shown board fills and its grid block.
void searchReport(Search how, const std::string& label, bool quincunx, int solutions, int placed,
                  std::string_view block, std::string& out) {
  if (how == Search::kCount) {
    out += label + ": solutions " + std::to_string(solutions) + "\n";
    return;
  }
  out += "file: " + label + "\nvariant: " + (quincunx ? "quincunx" : "sudoku") +
         "\nresult: " + (solutions > 0 ? "solved" : "no-solution") + "\n";
  if (how == Search::kComplete && solutions > 0) out += solutions == 1 ? "unique: yes\n" : "unique: no\n";
  out += "placed: " + std::to_string(placed) + "\n";
  out += block;
  out += "\n";
}

// The givens and the clue, solved by the complete search.
void completeAndReport(Board& b, const Clue& clue, Search how, const std::string& label, Worker& w,
                       std::string& out) {
  placeClue(b, clue);
  const Grid start = givensOf(b);
  Grid solved;
  const int solutions = w.solver(b.sud).count(start, how == Search::kFirst ? 1 : 2, &solved);
  int placed = 0;
  Grid shown = start;
  if (solutions > 0)
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (inSubGrid(r, c, b.sud) && !isDigit(start[r][c])) {
          shown[r][c] = solved[r][c];
          ++placed;
        }
  searchReport(how, label, b.su == 0, solutions, placed, how == Search::kCount ? "" : gridBlock(shown), out);
}

void solveAndReport(Board& b, const Clue& clue, const Options& opt, const std::string& label, Worker& w,
                    std::string& out) {
  if (opt.search != Search::kNone) return completeAndReport(b, clue, opt.search, label, w, out);
  const int mode = opt.mode;
  placeClue(b, clue);
  FailureRecorder host;
  Engine engine(b, host);
  engine.solution(mode);

  // A final board that breaks a rule is erroneous, whatever the methods did.
  const bool broken = mode != kObvious && breaksRule(b);
  const char* result = mode == kObvious                   ? "obvious"
                       : host.box == kTextErroneous || broken ? "erroneous"
                       : host.box == kTextIncomplete      ? "incomplete"
                                                          : "solved";
  int placed = 0;
  Grid shown = b.tab2;
  for (int r = 1; r <= kField; ++r) {
    for (int c = 1; c <= kField; ++c) {
      if (isDigit(b.tab1[r][c])) shown[r][c] = b.tab1[r][c];
      else if (isDigit(b.tab2[r][c]) && inSubGrid(r, c, b.sud)) ++placed;
    }
  }
  out += "file: " + label + "\nvariant: " + (b.su == 0 ? "quincunx" : "sudoku") + "\nresult: " + result +
         "\nplaced: " + std::to_string(placed) + "\n" + gridBlock(shown) + "\n";
}

// A classic Sudoku line: 81 characters of 1-9, '.' or '0'.
bool isSudokuLine(std::string_view line) {
  if (line.size() != 81) return false;
  for (char ch : line)
    if (ch != '.' && ch != '0' && !isDigit(ch)) return false;
  return true;
}

// One classic Sudoku line into grid 1 of a cleared board.
void loadLine(std::string_view line, Board& b) {
  for (int k = 0; k < 81; ++k) b.tab1[k / 9 + 1][k % 9 + 1] = line[k] == '.' ? '0' : line[k];
}

// The grid block of a field holding the 81 cells of grid 1 and '0' elsewhere,
// without building the field.
std::string sudokuBlock(const char* cells) {
  static const std::string empty = [] {
    Grid g;
    clearGrid(g);
    return gridBlock(g);
  }();
  std::string block = empty;
  for (int i = 0; i < 9; ++i)
    for (int j = 0; j < 9; ++j) block[28 * (i + i / 3) + j + j / 3] = cells[9 * i + j];
  return block;
}

// The complete search on a Sudoku line.
void searchLine(std::string_view line, Search how, const std::string& label, Worker& w, std::string& out) {
  char start[81], solved[81];
  for (int k = 0; k < 81; ++k) start[k] = line[k] == '.' ? '0' : line[k];
  const int solutions = w.solver(1).count81(start, how == Search::kFirst ? 1 : 2, solved);
  int placed = 0;
  if (solutions > 0)
    for (int k = 0; k < 81; ++k)
      if (!isDigit(start[k])) {
        start[k] = solved[k];
        ++placed;
      }
  searchReport(how, label, false, solutions, placed, how == Search::kCount ? "" : sudokuBlock(start), out);
}

// The lines of a file one by one, each kept up to a bound far above a Sudoku
// line's 81 characters.
class LineReader {
 public:
  explicit LineReader(std::ifstream& in) : in_(in) {}
  bool next(std::string& line) {
    line.clear();
    if (failed_) return false;
    std::streambuf* sb = in_.rdbuf();
    int ch;
    try {
      while ((ch = sb->sbumpc()) != EOF && ch != '\n')
        if (line.size() < 4096) line.push_back(static_cast<char>(ch));
    } catch (const std::exception&) {
      failed_ = true;
      return false;
    }
    if (ch == EOF && line.empty()) return false;
    ++lines_;
    return true;
  }
  bool failed() const { return failed_; }
  long lines() const { return lines_; }

 private:
  std::ifstream& in_;
  bool failed_ = false;
  long lines_ = 0;
};

int solveLines(const Options& opt, std::ostream& out, std::ostream& err) {
  const std::string& path = opt.files.front();
  // Opening a FIFO or a device would block or never end: regular files only.
  struct stat info {};
  std::ifstream in;
  errno = 0;
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) in.open(path, std::ios::binary);
  if (!in.is_open()) {
    err << "quincunx-solve: cannot read " << path << ": "
        << (errno == ENOENT ? std::strerror(ENOENT) : "it is not a readable regular file") << "\n";
    return 1;
  }
  in.exceptions(std::ios::badbit);
  LineReader reader(in);
  const int status = streamJobs<Worker>(
      opt.jobs, [&](std::string& line) { return reader.next(line); },
      [&](Worker& w, long i, const std::string& input) {
        JobOutput o;
        std::string_view line = input;
        const std::string label = path + ":" + std::to_string(i + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!isSudokuLine(line)) {
          o.err = "quincunx-solve: " + label + ": not a Sudoku line (81 characters of 1-9, '.' or '0'); skipped\n";
          o.status = 1;
        } else if (opt.search != Search::kNone) {
          searchLine(line, opt.search, label, w, o.out);
        } else {
          Board b;
          b.setVariant(1);
          loadLine(line, b);
          solveAndReport(b, Clue{}, opt, label, w, o.out);
        }
        return o;
      },
      out, err);
  if (reader.failed()) {
    err << "quincunx-solve: cannot read " << path << ": read error after line " << reader.lines() << "\n";
    return 1;
  }
  return status;
}

int solveFiles(const Options& opt, std::ostream& out, std::ostream& err) {
  return streamJobs<Worker>(
      opt.jobs, eachOf(opt.files),
      [&](Worker& w, long, const std::string& path) {
        JobOutput o;
        Board b;
        b.setVariant(opt.variant >= 0 ? opt.variant : variantFromName(path, 0));
        Clue clue;
        if (const ReadStatus st = lecture(path, b.tab1, clue); !st) {
          o.err = "quincunx-solve: cannot read " + path + ": " + st.why + "\n";
          o.status = 1;
          return o;
        }
        solveAndReport(b, clue, opt, path, w, o.out);
        return o;
      },
      out, err);
}

// Solves behind the board as the window does before a permutation, so that
// tab6 holds the solution, then permutes once from the given seed.
int permuteFile(const Options& opt, std::ostream& out, std::ostream& err) {
  const std::string& path = opt.files.front();
  Board b;
  b.setVariant(opt.variant >= 0 ? opt.variant : variantFromName(path, 0));
  Clue clue;
  if (const ReadStatus st = lecture(path, b.tab1, clue); !st) {
    err << "quincunx-solve: cannot read " << path << ": " << st.why << "\n";
    return 1;
  }
  placeClue(b, clue);
  FailureRecorder host;
  Engine(b, host).solution(kSilent);
  if (host.box != 0 || breaksRule(b))
    err << "quincunx-solve: " << path << ": "
        << (host.box == kTextErroneous || breaksRule(b) ? "erroneous" : "incomplete")
        << " puzzle; its solution board is permuted as the solver left it\n";
  for (auto& row : b.tab2) row.fill('0');

  Permuter p;
  p.alea = opt.seed;
  p.permut(b, clue);
  out << gridBlock(b.tab1) << "\n"
      << gridBlock(b.tab6) << "\n"
      << "clue: " << clue.ne << " " << clue.ie << " " << clue.je << " " << clue.ce << "\n";
  return 0;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options opt;
  auto search = [&](Search how) {
    return [&opt, how] {
      opt.search = how;
      ++opt.searches;
    };
  };
  const std::vector<Option> table = {
      variantOption(opt.variant),
      Option::value("mode",
                    [&](const std::string* v) -> std::string {
                      if (!v || (*v != "silent" && *v != "obvious")) return "--mode takes silent or obvious";
                      opt.mode = *v == "obvious" ? kObvious : kSilent;
                      opt.modeGiven = true;
                      return "";
                    }),
      Option::flag("lines", [&] { opt.lines = true; }),
      Option::flag("first", search(Search::kFirst)),
      Option::flag("complete", search(Search::kComplete)),
      Option::flag("count", search(Search::kCount)),
      numberOption("jobs", opt.jobs, 1, 1024),
      Option::value("permute",
                    [&](const std::string* v) -> std::string {
                      if (opt.permute) return "--permute is given once";
                      if (!v || !parseNumber(*v, opt.seed, 0u, 4294967295u))
                        return "--permute takes a seed from 0 to 4294967295";
                      opt.permute = true;
                      return "";
                    }),
      pdfOption(opt.pdf),
      Option::flag("solutions", [&] { opt.solutions = true; }),
  };
  if (const auto status = parseOptions(kTool, table, args, opt.files, out, err)) return *status;
  const bool jobsGiven = opt.jobs != 0;
  if (opt.files.empty()) return usageError(kTool, err, "no puzzle file given");
  if (opt.searches > 1) return usageError(kTool, err, "--first, --complete and --count go one at a time");
  if (opt.searches && opt.modeGiven) return usageError(kTool, err, "--first, --complete and --count go without --mode");
  if (opt.jobs == 0) opt.jobs = allCores();
  if (opt.solutions && opt.pdf.empty()) return usageError(kTool, err, "--solutions needs --pdf");
  if (!opt.pdf.empty()) {
    if (opt.lines || opt.modeGiven || opt.searches || opt.permute)
      return usageError(kTool, err, "--pdf goes with neither --lines, --mode, --first, --complete, --count nor --permute");
    return printFiles(opt, out, err);
  }
  if (opt.permute) {
    if (opt.lines || opt.modeGiven || opt.searches || jobsGiven)
      return usageError(kTool, err, "--permute goes with neither --lines, --mode, --first, --complete, --count nor --jobs");
    if (opt.files.size() != 1) return usageError(kTool, err, "--permute reads exactly one file");
    return permuteFile(opt, out, err);
  }
  if (opt.lines) {
    if (opt.files.size() != 1) return usageError(kTool, err, "--lines reads exactly one file");
    if (opt.variant == 0) return usageError(kTool, err, "--lines holds classic Sudoku only");
    return solveLines(opt, out, err);
  }
  return solveFiles(opt, out, err);
}

}  // namespace

int runSolveCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return checkOutput(out, err, "quincunx-solve", run(args, out, err));
}

}  // namespace qx
