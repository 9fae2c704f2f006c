// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/gen/gen_cli.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string_view>

#include "files/puzzle_file.h"
#include "tools/common/pdf.h"
#include "tools/common/batch.h"
#include "tools/common/options.h"
#include "tools/gen/generator.h"
#include "ui/paper.h"

namespace qx {

namespace {

using gen::Rating;

constexpr std::string_view kUsage =
    "usage: quincunx-gen [--variant quincunx|sudoku] [--rating singles|logic|trials|deep]\n"
    "                    [--count N] [--first N] [--seed S] [--out DIR] [--prefix NAME]\n"
    "                    [--no-clue] [--symmetric] [--tries N] [--jobs N]\n"
    "                    [--pdf FILE.pdf [--solutions]]\n"
    "       quincunx-gen [--variant quincunx|sudoku] [--jobs N] --rate FILE...\n"
    "\n"
    "Makes puzzle files (*.jeu) with a single solution, rated by what the program's\n"
    "engine needs to solve them:\n"
    "  singles  the obvious resolution alone fills the board\n"
    "  logic    more than singles, but no trial\n"
    "  trials   the solve needs two-candidate trials\n"
    "  deep     the solve needs three-candidate trials\n"
    "Files are named PREFIX-RATING-N.jeu (N from --first, default 1; PREFIX defaults to\n"
    "the variant, which the open command reads from the name) and written to DIR\n"
    "(default: the current folder). Puzzle N of seed S (default 1) is always the same\n"
    "puzzle. A puzzle the engine cannot solve may get a hidden clue, unless --no-clue.\n"
    "--symmetric keeps the givens symmetric about the centre; --tries bounds the full\n"
    "boards drawn per puzzle (default 5000). --jobs N makes or rates the puzzles on N\n"
    "threads (default: every core) with the same files and output as one thread.\n"
    "--pdf also prints the puzzles into a PDF file of A4 pages, one Quincunx or four\n"
    "Sudoku a page, each with its file name, rating and seed under it; --solutions\n"
    "adds their solutions on the pages after them.\n"
    "Defaults: --variant quincunx --rating logic.\n"
    "\n"
    "--rate prints one line per file: FILE: VARIANT unique|not-unique|no-solution\n"
    "RATING|unsolved, with the hidden clue placed before the engine runs. The variant\n"
    "comes from the file name (quincuno.jeu is a Sudoku, quincunn.jeu a Quincunx),\n"
    "else Quincunx.\n";

constexpr ToolInfo kTool{"quincunx-gen", kUsage};

struct Options {
  int variant = -1;  // -1: not given
  Rating rating = Rating::kLogic;
  int count = 1;
  int first = 1;
  std::uint32_t seed = 1;
  std::string out = ".";
  std::string prefix;
  bool noClue = false;
  bool symmetric = false;
  int tries = 5000;
  bool rate = false;
  std::string pdf;
  bool solutions = false;
  int jobs = 0;  // 0: every core
  bool generating = false;  // some option of generation given
  std::vector<std::string> files;
};

const char* variantName(int su) { return su == 0 ? "quincunx" : "sudoku"; }

// What a thread keeps from file to file.
struct Worker {
  std::optional<ExactSolver> sudoku, quincunx;
  ExactSolver& solver(int su) {
    auto& s = su == 0 ? quincunx : sudoku;
    if (!s) s.emplace(su == 0 ? 5 : 1);
    return *s;
  }
};

int rateFiles(const Options& opt, std::ostream& out, std::ostream& err) {
  return streamJobs<Worker>(
      opt.jobs, eachOf(opt.files),
      [&](Worker& w, long, const std::string& path) {
        JobOutput o;
        const int su = opt.variant >= 0 ? opt.variant : shippedVariant(path, 0);
        Grid tab1;
        for (auto& row : tab1) row.fill('0');
        Clue clue;
        if (!lecture(path, tab1, clue)) {
          o.err = "quincunx-gen: cannot read " + path + "\n";
          o.status = 1;
          return o;
        }
        const int solutions = w.solver(su).count(tab1, 2);
        const Rating r = gen::rate(tab1, clue, su).rating;
        o.out = path + ": " + variantName(su) + " " +
                (solutions == 0 ? "no-solution" : solutions == 1 ? "unique" : "not-unique") + " " +
                gen::ratingName(r) + "\n";
        return o;
      },
      out, err);
}

// Writes a puzzle file whole or not at all: what could not be finished is
// removed. Empty when written, else why not.
std::string writePuzzle(const std::string& path, const std::string& text) {
  errno = 0;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return std::strerror(errno ? errno : EIO);
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0;
  const int why = errno ? errno : EIO;
  if (std::fclose(f) == 0 && written) return "";
  const int closeWhy = errno ? errno : EIO;
  std::remove(path.c_str());
  return std::strerror(written ? closeWhy : why);
}

int generateFiles(const Options& opt, std::ostream& out, std::ostream& err) {
  const int su = opt.variant >= 0 ? opt.variant : 0;
  const std::string prefix = opt.prefix.empty() ? variantName(su) : opt.prefix;
  std::error_code ec;
  std::filesystem::create_directories(opt.out, ec);
  if (!std::filesystem::is_directory(opt.out)) {
    err << "quincunx-gen: cannot make the folder " << opt.out << "\n";
    return 1;
  }
  gen::GenOptions g;
  g.su = su;
  g.rating = opt.rating;
  g.allowClue = !opt.noClue;
  g.symmetric = opt.symmetric;
  g.tries = opt.tries;

  std::vector<PaperBoard> boards(opt.pdf.empty() ? 0 : static_cast<std::size_t>(opt.count));
  // Puzzle n depends on the seed and n alone, so any thread may make it.
  struct NoState {};
  const int status = streamJobs<NoState>(
      opt.jobs, countTo(opt.count),
      [&](NoState&, long i, const std::string&) {
        JobOutput o;
        const int n = opt.first + static_cast<int>(i);
        const auto path = (std::filesystem::path(opt.out) /
                           (prefix + "-" + gen::ratingName(opt.rating) + "-" + std::to_string(n) + ".jeu"))
                              .string();
        const auto puzzle = gen::generate(g, opt.seed, n);
        if (!puzzle) {
          o.err = "quincunx-gen: no " + std::string(gen::ratingName(opt.rating)) + " " + variantName(su) +
                  " found for " + path + " in " + std::to_string(opt.tries) + " boards\n";
          o.status = 1;
          return o;
        }
        if (const std::string why = writePuzzle(path, puzzleText(puzzle->tab1, puzzle->clue)); !why.empty()) {
          o.err = "quincunx-gen: cannot write " + path + ": " + why + "\n";
          o.status = 1;
          return o;
        }
        o.out = path + ": " + variantName(su) + " unique " + gen::ratingName(puzzle->rating) + " (" +
                std::to_string(puzzle->givens) + " givens" + (puzzle->clue.ne == 1 ? ", hidden clue" : "") +
                ")\n";
        if (!boards.empty()) {
          PaperBoard& board = boards[static_cast<std::size_t>(i)];
          board.su = su;
          board.tab1 = puzzle->tab1;
          // The hidden clue is printed as a given: on paper nothing is hidden.
          if (puzzle->clue.ne == 1) board.tab1[puzzle->clue.ie][puzzle->clue.je] = puzzle->clue.ce;
          for (auto& row : board.tab2) row.fill('0');
          board.solution = puzzle->solution;
          board.caption = std::filesystem::path(path).filename().string() + " - " +
                          gen::ratingName(puzzle->rating) + ", seed " + std::to_string(opt.seed);
        }
        return o;
      },
      out, err);
  if (status != 0 || boards.empty()) return status;
  return writePdf(opt.pdf, "quincunx-gen", boards, opt.solutions, err) ? 0 : 1;
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options opt;
  // Every option but --variant, --jobs and --rate is one of generation.
  const auto generating = [&opt] { opt.generating = true; };
  const auto set = [&](bool& flag) {
    return [&opt, &flag] { flag = opt.generating = true; };
  };
  const std::vector<Option> table = {
      variantOption(opt.variant),
      Option::value("rating",
                    [&](const std::string* v) -> std::string {
                      const auto r = v ? gen::parseRating(*v) : std::nullopt;
                      if (!r) return "--rating takes singles, logic, trials or deep";
                      opt.rating = *r;
                      opt.generating = true;
                      return "";
                    }),
      numberOption("count", opt.count, 1, 100000, generating),
      numberOption("first", opt.first, 1, 1000000, generating),
      numberOption("seed", opt.seed, 0u, 4294967295u, generating),
      numberOption("tries", opt.tries, 1, 100000000, generating),
      Option::value("out",
                    [&](const std::string* v) -> std::string {
                      if (!v || v->empty()) return "--out takes a folder";
                      opt.out = *v;
                      opt.generating = true;
                      return "";
                    }),
      Option::value("prefix",
                    [&](const std::string* v) -> std::string {
                      if (!v || v->empty() || v->find('/') != std::string::npos)
                        return "--prefix takes a file name prefix";
                      opt.prefix = *v;
                      opt.generating = true;
                      return "";
                    }),
      Option::flag("no-clue", set(opt.noClue)),
      Option::flag("symmetric", set(opt.symmetric)),
      numberOption("jobs", opt.jobs, 1, 1024),
      pdfOption(opt.pdf, generating),
      Option::flag("solutions", set(opt.solutions)),
      Option::flag("rate", [&] { opt.rate = true; }),
  };
  if (const auto status = parseOptions(kTool, table, args, opt.files, out, err)) return *status;
  if (opt.jobs == 0) opt.jobs = allCores();
  if (opt.rate) {
    if (opt.generating) return usageError(kTool, err, "--rate takes no option of generation");
    if (opt.files.empty()) return usageError(kTool, err, "--rate needs at least one file");
    return rateFiles(opt, out, err);
  }
  if (!opt.files.empty()) return usageError(kTool, err, "unexpected argument " + opt.files.front());
  if (opt.solutions && opt.pdf.empty()) return usageError(kTool, err, "--solutions needs --pdf");
  return generateFiles(opt, out, err);
}

}  // namespace

int runGenCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return checkOutput(out, err, "quincunx-gen", run(args, out, err));
}

}  // namespace qx
