#include "tools/gen/exact.h"

#include <algorithm>
#include <bit>

namespace qx::gen {

namespace {

constexpr std::uint16_t kAll = 0x1FF;

bool single(std::uint16_t m) { return m != 0 && (m & (m - 1)) == 0; }

}  // namespace

Field::Field(int sud) : sud_(sud) {
  for (auto& row : at_) row.fill(-1);
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int i = 1; i <= 9; ++i)
      for (int j = 1; j <= 9; ++j)
        if (at_[r0 + i][c0 + j] < 0) {
          at_[r0 + i][c0 + j] = cells();
          rc_.push_back({r0 + i, c0 + j});
        }
  }
  for (int g = 1; g <= sud; ++g) {
    const auto [r0, c0] = kGrid[g];
    for (int k = 0; k < 9; ++k) {
      std::array<int, 9> line, column, domain;
      for (int x = 0; x < 9; ++x) {
        line[x] = at_[r0 + k + 1][c0 + x + 1];
        column[x] = at_[r0 + x + 1][c0 + k + 1];
        domain[x] = at_[r0 + 3 * (k / 3) + x / 3 + 1][c0 + 3 * (k % 3) + x % 3 + 1];
      }
      units_.push_back(line);
      units_.push_back(column);
      if (std::find(units_.begin(), units_.end(), domain) == units_.end()) units_.push_back(domain);
    }
  }
  peers_.resize(cells());
  for (const auto& unit : units_)
    for (int a : unit)
      for (int b : unit)
        if (a != b && std::find(peers_[a].begin(), peers_[a].end(), b) == peers_[a].end())
          peers_[a].push_back(b);

  part_.assign(cells(), kCentre);
  isShared_.assign(cells(), 0);
  if (sud == 5) {
    constexpr int corners[4] = {1, 2, 4, 5};
    const auto [cr0, cc0] = kGrid[3];
    for (int k = 0; k < 4; ++k) {
      const auto [r0, c0] = kGrid[corners[k]];
      int n = 0;
      for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 9; ++j) {
          const int r = r0 + i, c = c0 + j;
          if (r > cr0 && r <= cr0 + 9 && c > cc0 && c <= cc0 + 9) {
            shared_[k][n++] = at_[r][c];
            isShared_[at_[r][c]] = 1;
          } else {
            part_[at_[r][c]] = k;
          }
        }
    }
  }
}

bool ExactSolver::assign(State& s, int x, std::uint16_t bit) {
  if (!(s.cand[x] & bit)) return false;
  s.cand[x] = bit;
  s.val[x] = static_cast<std::uint8_t>(std::countr_zero(bit) + 1);
  for (int p : field_.peers(x)) {
    if (!(s.cand[p] & bit)) continue;
    if (s.val[p]) return false;  // the same digit twice in a unit
    s.cand[p] &= ~bit;
    if (s.cand[p] == 0) return false;
    if (single(s.cand[p])) queue_.push_back(p);
  }
  return true;
}

// Naked and hidden singles until nothing changes; false on a contradiction.
bool ExactSolver::propagate(State& s) {
  for (;;) {
    while (!queue_.empty()) {
      const int x = queue_.back();
      queue_.pop_back();
      if (s.val[x]) continue;
      if (!assign(s, x, s.cand[x])) {
        queue_.clear();
        return false;
      }
    }
    bool changed = false;
    for (const auto& unit : field_.units()) {
      std::uint16_t once = 0, twice = 0, placed = 0;
      for (int x : unit) {
        const std::uint16_t m = s.cand[x];
        if (s.val[x]) {
          placed |= m;
        } else {
          twice |= once & m;
          once |= m;
        }
      }
      if ((once | placed) != kAll) {  // a digit with no place left
        queue_.clear();
        return false;
      }
      const std::uint16_t hidden = once & ~twice & ~placed;
      if (!hidden) continue;
      for (int x : unit) {
        const std::uint16_t h = s.cand[x] & hidden;
        if (s.val[x] || !h) continue;
        if (!single(h) || !assign(s, x, h)) {
          queue_.clear();
          return false;
        }
        changed = true;
      }
    }
    if (!changed && queue_.empty()) return true;
  }
}

bool ExactSolver::load(const Grid& tab1, State& s) {
  queue_.clear();
  const int n = field_.cells();
  std::fill(s.cand.begin(), s.cand.begin() + n, kAll);
  std::fill(s.val.begin(), s.val.begin() + n, 0);
  for (int x = 0; x < n; ++x) {
    const char ch = tab1[field_.row(x)][field_.col(x)];
    if (!isDigit(ch)) continue;
    if (s.val[x] || !assign(s, x, static_cast<std::uint16_t>(1u << (ch - '1')))) {
      queue_.clear();
      return false;
    }
  }
  return propagate(s);
}

// Solutions of the open cells of the given parts (a bit per part), up to
// limit_. When it returns more than 0 and record_ is set, sol_ holds the
// values of one solution for them.
int ExactSolver::solve(const State& s, unsigned parts) {
  ++nodes_;
  if (nodeBudget_ && nodes_ > nodeBudget_) return 0;
  const int n = field_.cells();
  unsigned open = 0;
  int best = -1, bestCount = 100;
  for (int x = 0; x < n; ++x) {
    if (s.val[x] || !(parts >> field_.part(x) & 1)) continue;
    open |= 1u << field_.part(x);
    const int c = std::popcount(s.cand[x]) + (field_.isShared(x) ? 0 : 16);
    if (c < bestCount) {
      best = x;
      bestCount = c;
    }
  }
  if (!open) {
    if (record_)
      for (int x = 0; x < n; ++x)
        if (s.val[x]) sol_[x] = s.val[x];
    return 1;
  }

  // A corner whose shared domain is filled stands alone.
  unsigned alone = 0;
  if (field_.sud() == 5)
    for (int k = 0; k < 4; ++k) {
      if (!(open >> k & 1)) continue;
      bool domainFilled = true;
      for (int x : field_.shared(k)) domainFilled = domainFilled && s.val[x];
      if (domainFilled) alone |= 1u << k;
    }
  if (alone && (alone != open || std::popcount(alone) > 1)) {
    int product = 1;
    for (int k = 0; k < 4 && product; ++k)
      if (alone >> k & 1) product = std::min(limit_, product * solve(s, 1u << k));
    if (product && (open & ~alone)) product = std::min(limit_, product * solve(s, open & ~alone));
    return product;
  }

  std::array<std::uint16_t, 9> order;
  int digits = 0;
  for (std::uint16_t m = s.cand[best]; m; m &= m - 1) order[digits++] = m & -m;
  if (rng_)
    for (int i = digits - 1; i > 0; --i) std::swap(order[i], order[below(*rng_, i + 1)]);
  int total = 0;
  Values kept;
  for (int i = 0; i < digits; ++i) {
    State t = s;
    const int found = assign(t, best, order[i]) && propagate(t) ? solve(t, open) : 0;
    queue_.clear();
    if (found && total == 0 && record_) kept = sol_;
    total += found;
    if (total >= limit_ || (nodeBudget_ && nodes_ > nodeBudget_)) break;
  }
  // Later branches may have left parts of failed attempts behind.
  if (total && record_) sol_ = kept;
  return std::min(total, limit_);
}

void ExactSolver::begin(int limit, bool record) {
  limit_ = limit;
  record_ = record;
  rng_ = nullptr;
  nodes_ = 0;
  nodeBudget_ = 0;
}

int ExactSolver::countExcept(const Grid& tab1, int r, int c, char d, int limit) {
  const int x = field_.index(r, c);
  if (x < 0) return count(tab1, limit);
  begin(limit, false);
  State s;
  if (limit <= 0 || !load(tab1, s)) return 0;
  if (isDigit(d) && !s.val[x]) {
    s.cand[x] &= ~(1u << (d - '1'));
    if (!s.cand[x]) return 0;
    if (single(s.cand[x])) queue_.push_back(x);
    if (!propagate(s)) return 0;
  }
  if (isDigit(d) && s.val[x] == d - '0') return 0;
  return solve(s, 0x1F);
}

int ExactSolver::count(const Grid& tab1, int limit, Grid* first) {
  begin(limit, first != nullptr);
  State s;
  if (limit <= 0 || !load(tab1, s)) return 0;
  const int found = solve(s, 0x1F);
  if (found && first) {
    for (auto& row : *first) row.fill('0');
    for (int x = 0; x < field_.cells(); ++x)
      (*first)[field_.row(x)][field_.col(x)] = static_cast<char>('0' + sol_[x]);
  }
  return found;
}

Grid ExactSolver::randomFull(Rng& rng) {
  Grid empty, full;
  for (auto& row : empty) row.fill('0');
  // A random descent nearly always succeeds at once; a rare dead end is cut
  // short and started again with the generator where it stands.
  for (;;) {
    rng_ = &rng;
    nodeBudget_ = 20 * field_.cells();
    limit_ = 1;
    record_ = true;
    nodes_ = 0;
    State s;
    load(empty, s);
    const int found = solve(s, 0x1F);
    rng_ = nullptr;
    nodeBudget_ = 0;
    if (found) {
      for (auto& row : full) row.fill('0');
      for (int x = 0; x < field_.cells(); ++x)
        full[field_.row(x)][field_.col(x)] = static_cast<char>('0' + sol_[x]);
      return full;
    }
  }
}

}  // namespace qx::gen
