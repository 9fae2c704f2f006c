// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Puzzle generation: a random full board, givens taken away in random order
// while the exact solver still finds one solution only, then givens put back
// (or a hidden clue added) until the program's engine rates the puzzle as
// wanted. Ratings always come from running the engine.

#include <cstdint>
#include <optional>
#include <random>
#include <string_view>
#include <vector>

#include "engine/board.h"
#include "engine/exact.h"

namespace qx::gen {

using Rng = std::mt19937;

template <class T>
void shuffle(std::vector<T>& v, Rng& rng) {
  for (int i = static_cast<int>(v.size()) - 1; i > 0; --i) std::swap(v[i], v[below(rng, i + 1)]);
}

// In order of what the engine needs; kUnsolved when its silent solve fails.
enum class Rating { kSingles, kLogic, kTrials, kDeep, kUnsolved };

const char* ratingName(Rating r);
// singles, logic, trials or deep.
std::optional<Rating> parseRating(std::string_view name);

struct Verdict {
  Rating rating = Rating::kUnsolved;
  Grid board;  // what the silent solve left (givens, clue and placed values)
};

// Runs the engine on the givens with the clue placed: the obvious resolution
// first, then the silent solve.
Verdict rate(const Grid& tab1, const Clue& clue, int su);

struct GenOptions {
  int su = 1;  // 0 Quincunx, 1 Sudoku
  Rating rating = Rating::kLogic;
  bool allowClue = true;
  bool symmetric = false;  // givens in pairs symmetric about the centre of the field in use
  int tries = 5000;        // full boards drawn before giving up
};

struct Puzzle {
  Grid tab1;
  Clue clue;
  Grid solution;
  Rating rating = Rating::kUnsolved;
  int givens = 0;
  int tries = 0;  // full boards it took
};

// Puzzle number n of the stream that seed starts; the same (seed, n, options)
// always gives the same puzzle. Nothing when no board of the allowed tries
// reached the rating.
std::optional<Puzzle> generate(const GenOptions& opt, std::uint32_t seed, int n);

}  // namespace qx::gen
