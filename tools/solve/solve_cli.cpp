#include "tools/solve/solve_cli.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <sys/stat.h>
#include <cstdint>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string_view>

#include "engine/engine.h"
#include "engine/exact.h"
#include "engine/rules.h"
#include "files/puzzle_file.h"
#include "tools/common/batch.h"
#include "transform/permut.h"

namespace qx {

namespace {

constexpr std::string_view kUsage =
    "usage: quincunx-solve [--variant quincunx|sudoku] [--mode silent|obvious] [--jobs N] FILE...\n"
    "       quincunx-solve [--mode silent|obvious] [--jobs N] --lines FILE\n"
    "       quincunx-solve [--variant quincunx|sudoku] --complete|--count [--jobs N] FILE...\n"
    "       quincunx-solve --complete|--count [--jobs N] --lines FILE\n"
    "       quincunx-solve [--variant quincunx|sudoku] --permute SEED FILE\n"
    "\n"
    "Solves each puzzle file (*.jeu) with the program's engine and prints, per puzzle,\n"
    "its result and the final board. The variant comes from the file name (\"quincunx...\"\n"
    "or \"sudoku...\"), else Quincunx. --lines reads one classic Sudoku per line\n"
    "(81 characters, '.' or '0' for an empty cell). --complete solves with the complete\n"
    "search instead of the written method: \"result: solved\" or \"result: no-solution\",\n"
    "then \"unique: yes\" or \"unique: no\" (a second solution exists). --count prints one\n"
    "line per puzzle instead, \"NAME: solutions 0|1|2\", counting no further than two.\n"
    "--jobs N solves on N threads (default: every core); the output is the same.\n"
    "--permute solves the puzzle, permutes it once with the generator seeded by SEED\n"
    "(0..4294967295) and prints the new givens, an empty line, the new solution, an\n"
    "empty line and \"clue: NE ROW COLUMN DIGIT\".\n";

// Remembers the failure box a solve ends with instead of showing it.
class RecordingHost : public SolverHost {
 public:
  void failureBox(int text) override { box = text; }
  int box = 0;
};

struct Options {
  int variant = -1;  // -1: from the file name
  int mode = kSilent;
  bool modeGiven = false;
  bool lines = false;
  bool permute = false;
  bool complete = false;
  bool count = false;
  int jobs = 0;  // 0: every core
  bool jobsGiven = false;
  std::uint32_t seed = 0;
  std::vector<std::string> files;
};

int usageError(std::ostream& err, std::string_view why) {
  err << "quincunx-solve: " << why << "\n" << kUsage;
  return 2;
}

// The complete search: the givens and the clue, solved and counted up to two.
void completeAndReport(Board& b, const Clue& clue, bool countOnly, const std::string& label,
                       std::ostream& out) {
  placeClue(b, clue);
  const Grid start = givensOf(b);
  Grid solved;
  const int solutions = ExactSolver(b.sud).count(start, 2, &solved);
  if (countOnly) {
    out << label << ": solutions " << solutions << "\n";
    return;
  }
  int placed = 0;
  Grid shown = start;
  if (solutions > 0)
    for (int r = 1; r <= kField; ++r)
      for (int c = 1; c <= kField; ++c)
        if (inSubGrid(r, c, b.sud) && !isDigit(start[r][c])) {
          shown[r][c] = solved[r][c];
          ++placed;
        }
  out << "file: " << label << "\n"
      << "variant: " << (b.su == 0 ? "quincunx" : "sudoku") << "\n"
      << "result: " << (solutions > 0 ? "solved" : "no-solution") << "\n";
  if (solutions > 0) out << "unique: " << (solutions == 1 ? "yes" : "no") << "\n";
  out << "placed: " << placed << "\n" << gridBlock(shown) << "\n";
}

void solveAndReport(Board& b, const Clue& clue, const Options& opt, const std::string& label,
                    std::ostream& out) {
  if (opt.complete || opt.count) return completeAndReport(b, clue, opt.count, label, out);
  const int mode = opt.mode;
  placeClue(b, clue);
  RecordingHost host;
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
  out << "file: " << label << "\n"
      << "variant: " << (b.su == 0 ? "quincunx" : "sudoku") << "\n"
      << "result: " << result << "\n"
      << "placed: " << placed << "\n"
      << gridBlock(shown) << "\n";
}

// One classic Sudoku in 81 characters into grid 1 of a cleared board.
bool loadLine(std::string_view line, Board& b) {
  if (line.size() != 81) return false;
  for (char ch : line)
    if (ch != '.' && ch != '0' && !isDigit(ch)) return false;
  for (int k = 0; k < 81; ++k) b.tab1[k / 9 + 1][k % 9 + 1] = line[k] == '.' ? '0' : line[k];
  return true;
}

int solveLines(const Options& opt, std::ostream& out, std::ostream& err) {
  const std::string& path = opt.files.front();
  // Opening a FIFO or a device would block or never end: regular files only.
  struct stat info {};
  std::ifstream in;
  errno = 0;
  if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) in.open(path);
  if (!in.is_open()) {
    err << "quincunx-solve: cannot read " << path << ": "
        << (errno == ENOENT ? std::strerror(ENOENT) : "it is not a readable regular file") << "\n";
    return 1;
  }
  std::vector<std::string> lines;
  // A line is kept up to a bound far above a Sudoku line's 81 characters.
  for (std::string line;;) {
    line.clear();
    int ch;
    while ((ch = in.get()) != EOF && ch != '\n')
      if (line.size() < 4096) line.push_back(static_cast<char>(ch));
    if (ch == EOF && line.empty()) break;
    lines.push_back(std::move(line));
  }
  if (in.bad()) {
    err << "quincunx-solve: cannot read " << path << ": read error after line " << lines.size() << "\n";
    return 1;
  }
  const auto done = runJobs(static_cast<int>(lines.size()), opt.jobs, [&](int i) {
    JobOutput o;
    std::string line = lines[i];
    const int number = i + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Board b;
    b.setVariant(1);
    if (!loadLine(line, b)) {
      o.err = "quincunx-solve: " + path + ":" + std::to_string(number) +
              ": not a Sudoku line (81 characters of 1-9, '.' or '0'); skipped\n";
      o.status = 1;
      return o;
    }
    std::ostringstream text;
    solveAndReport(b, Clue{}, opt, path + ":" + std::to_string(number), text);
    o.out = text.str();
    return o;
  });
  return printAll(done, out, err);
}

int solveFiles(const Options& opt, std::ostream& out, std::ostream& err) {
  const auto done = runJobs(static_cast<int>(opt.files.size()), opt.jobs, [&](int i) {
    JobOutput o;
    const std::string& path = opt.files[i];
    Board b;
    b.setVariant(opt.variant >= 0 ? opt.variant : variantFromName(path, 0));
    Clue clue;
    if (const ReadStatus st = lecture(path, b.tab1, clue); !st) {
      o.err = "quincunx-solve: cannot read " + path + ": " + st.why + "\n";
      o.status = 1;
      return o;
    }
    std::ostringstream text;
    solveAndReport(b, clue, opt, path, text);
    o.out = text.str();
    return o;
  });
  return printAll(done, out, err);
}

// Decimal, unsigned 32-bit, nothing else around it.
bool parseSeed(const std::string& text, std::uint32_t& seed) {
  const char* end = text.data() + text.size();
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  const auto [ptr, ec] = std::from_chars(text.data(), end, seed);
  return ec == std::errc() && ptr == end;
}

bool parseJobs(const std::string& text, int& jobs) {
  const char* end = text.data() + text.size();
  if (text.empty() || text[0] < '0' || text[0] > '9') return false;
  const auto [ptr, ec] = std::from_chars(text.data(), end, jobs);
  return ec == std::errc() && ptr == end && jobs >= 1 && jobs <= 1024;
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
  RecordingHost host;
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

}  // namespace

int runSolveCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options opt;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string* {
      return i + 1 < args.size() ? &args[++i] : nullptr;
    };
    if (a == "-h" || a == "--help") {
      out << kUsage;
      return 0;
    } else if (a == "--variant") {
      const std::string* v = value();
      if (!v || (*v != "quincunx" && *v != "sudoku"))
        return usageError(err, "--variant takes quincunx or sudoku");
      opt.variant = *v == "sudoku" ? 1 : 0;
    } else if (a == "--mode") {
      const std::string* v = value();
      if (!v || (*v != "silent" && *v != "obvious"))
        return usageError(err, "--mode takes silent or obvious");
      opt.mode = *v == "obvious" ? kObvious : kSilent;
      opt.modeGiven = true;
    } else if (a == "--lines") {
      opt.lines = true;
    } else if (a == "--complete") {
      opt.complete = true;
    } else if (a == "--count") {
      opt.count = true;
    } else if (a == "--jobs") {
      const std::string* v = value();
      if (!v || !parseJobs(*v, opt.jobs)) return usageError(err, "--jobs takes a number from 1 to 1024");
      opt.jobsGiven = true;
    } else if (a == "--permute") {
      const std::string* v = value();
      if (opt.permute) return usageError(err, "--permute is given once");
      if (!v || !parseSeed(*v, opt.seed))
        return usageError(err, "--permute takes a seed from 0 to 4294967295");
      opt.permute = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "-") {
      return usageError(err, "unknown option " + a);
    } else {
      opt.files.push_back(a);
    }
  }
  if (opt.files.empty()) return usageError(err, "no puzzle file given");
  if ((opt.complete || opt.count) && opt.modeGiven)
    return usageError(err, "--complete and --count go without --mode");
  if (opt.jobs == 0) opt.jobs = allCores();
  if (opt.permute) {
    if (opt.lines || opt.modeGiven || opt.complete || opt.count || opt.jobsGiven)
      return usageError(err, "--permute goes with neither --lines, --mode, --complete, --count nor --jobs");
    if (opt.files.size() != 1) return usageError(err, "--permute reads exactly one file");
    return permuteFile(opt, out, err);
  }
  if (opt.lines) {
    if (opt.files.size() != 1) return usageError(err, "--lines reads exactly one file");
    if (opt.variant == 0) return usageError(err, "--lines holds classic Sudoku only");
    return solveLines(opt, out, err);
  }
  return solveFiles(opt, out, err);
}

}  // namespace qx
