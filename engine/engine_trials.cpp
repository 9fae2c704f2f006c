// Trials: a value tried in a cell, and whether the logical pass then runs a
// cell dry. Three-candidate trials (troise) strike the values that fail;
// two-candidate trials (impo) place the other value when one fails.
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <chrono>
#include <system_error>
#include <thread>

#include "engine/engine.h"

namespace qx {

using namespace fast;

namespace {

using Clock = std::chrono::steady_clock;

// One beat of a wait that spins.
inline void relax() {
#if defined(__x86_64__) || defined(__i386__)
  _mm_pause();
#else
  std::this_thread::yield();
#endif
}

// A second thread that runs one trial while the caller runs another. Trials
// are independent until one fails, and the caller keeps every decision (and
// every host call) in the written order: it only asks the helper for a result
// it would otherwise compute itself. There is one job for the whole process.
// A caller that finds it taken, whose job the helper has not started, or
// whose helper falls well behind (a shared machine may not give it a core)
// runs the trial itself, so the helper never holds anyone up for long.
class Helper {
 public:
  static Helper& get() {
    static Helper h;
    return h;
  }

  // Hands the trial over (a copy of its base); false when the job is taken.
  bool post(const TrialBase& base, int x, char t1, char ch) {
    if (busy_.exchange(true, std::memory_order_acquire)) return false;
    if (!thread_.joinable()) {
      try {
        thread_ = std::thread([this] { loop(); });
      } catch (const std::system_error&) {
        // No thread to be had: every trial stays with its caller.
        busy_.store(false, std::memory_order_release);
        return false;
      }
    }
    values_ = *base.v;
    pairs_ = *base.pairs;
    x_ = x;
    t1_ = t1;
    ch_ = ch;
    cancel_.store(false, std::memory_order_relaxed);
    state_.store(kPosted, std::memory_order_release);
    state_.notify_all();
    return true;
  }

  // The posted trial's result, or nothing when need is false. The caller
  // waits for the helper about as long as its own trial took (patience),
  // then runs the trial itself, from its own base on work and m.
  TrialResult collect(bool need, Clock::duration patience, const TrialBase& base, Values& work, Masks& m) {
    int s = kPosted;
    if (state_.compare_exchange_strong(s, kIdle, std::memory_order_acq_rel)) {
      TrialResult r;
      if (need) r = runTrial(base, x_, t1_, ch_, work, m);
      busy_.store(false, std::memory_order_release);
      return r;
    }
    if (need) {
      const auto until = Clock::now() + patience + std::chrono::microseconds(20);
      for (int spin = 0; state_.load(std::memory_order_acquire) != kDone; ++spin) {
        relax();
        if (spin % 64 == 0 && Clock::now() > until) break;
      }
    }
    const int x = x_;
    const char t1 = t1_, ch = ch_;
    s = kTaken;
    if (state_.compare_exchange_strong(s, kAbandoned, std::memory_order_acq_rel)) {
      // The helper lets go of the job when it notices.
      cancel_.store(true, std::memory_order_relaxed);
      TrialResult r;
      if (need) r = runTrial(base, x, t1, ch, work, m);
      return r;
    }
    const TrialResult r = result_;  // done
    state_.store(kIdle, std::memory_order_relaxed);
    busy_.store(false, std::memory_order_release);
    return r;
  }

  ~Helper() {
    if (!thread_.joinable()) return;
    while (busy_.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    state_.store(kStop, std::memory_order_release);
    state_.notify_all();
    thread_.join();
  }

 private:
  enum : int { kIdle, kPosted, kTaken, kDone, kAbandoned, kStop };

  void loop() {
    m_.cancel = &cancel_;
    for (int spin = 0;;) {
      int s = state_.load(std::memory_order_acquire);
      if (s == kStop) return;
      if (s == kPosted && state_.compare_exchange_strong(s, kTaken, std::memory_order_acq_rel)) {
        result_ = runTrial({&values_, &pairs_}, x_, t1_, ch_, workValues_, m_);
        s = kTaken;
        if (!state_.compare_exchange_strong(s, kDone, std::memory_order_acq_rel)) {
          state_.store(kIdle, std::memory_order_relaxed);  // abandoned
          busy_.store(false, std::memory_order_release);
        }
        spin = 0;
        continue;
      }
      // Trials come in quick succession during a sweep: stay awake a little.
      if (++spin < 3000)
        relax();
      else
        state_.wait(s, std::memory_order_acquire);
    }
  }

  std::atomic<bool> busy_{false};
  std::atomic<int> state_{kIdle};
  std::atomic<bool> cancel_{false};
  Values values_;  // the trial's base
  std::array<std::uint64_t, kUnits> pairs_{};
  int x_ = 0;
  char t1_ = '0', ch_ = '0';
  TrialResult result_;
  Values workValues_;
  Masks m_;
  std::thread thread_;
};

}  // namespace

// candidat() whose candid nobody will see: only whether a cell runs dry.
bool Engine::trialCandidat() {
  if (trois == 1) {
    candidatK();
    return contradiction(cd_);
  }
  rebuildInto(cd_);
  return !logicalPass(cd_, true) || contradiction(cd_);
}

// Handing a trial over costs a few microseconds: only long ones are worth it.
bool Engine::worthHelp() const { return lastTrial_ > std::chrono::microseconds(20); }

TrialBase Engine::trialBase() {
  if (!basePairsValid_) {
    pairsOfRaw(v_, basePairs_);
    basePairsValid_ = true;
  }
  return {&v_, &basePairs_};
}

int Engine::troiseK() {
  int change = 0;
  int lastCell = -1;
  bool lastWhole = true;
  Helper& helper = Helper::get();
  for (int g = 1; g <= v_.sud; ++g)
    for (int l = 0; l < 81; ++l) {
      const int x = kT.gridCells[g][l];
      if (v_.filled[x]) continue;
      const Mask values = cd_.one[x];
      if (pop(values) != 3) continue;
      const TrialBase base = trialBase();
      const char t1 = b_.tab1[x / kSize][x % kSize];
      // The middle value goes to the helper; candig ends with the last one.
      const Mask low = values & -values, high = static_cast<Mask>(1u << (15 - std::countl_zero(values)));
      const Mask mid = values & ~(low | high);
      const bool posted = worthHelp() && helper.post(base, x, t1, digitOf(mid));
      const auto start = Clock::now();
      TrialResult t[3];
      t[0] = runTrial(base, x, t1, digitOf(low), trialValues_, cg_);
      lastTrial_ = Clock::now() - start;
      if (!posted) t[1] = runTrial(base, x, t1, digitOf(mid), trialValues_, cg_);
      t[2] = runTrial(base, x, t1, digitOf(high), trialValues_, cg_);
      if (posted) t[1] = helper.collect(true, (Clock::now() - start) / 2, base, trialValues2_, trialMasks_);
      const Mask bits[3] = {low, mid, high};
      for (int k = 0; k < 3; ++k)
        if (t[k].dry) {
          // The literal sweep strikes the value while it stands in the cell,
          // so a cell left without candidates does not count as dry here.
          const bool zeroHit = cd_.zeroHit;
          clear<false>(cd_, x, bits[k]);
          cd_.zeroHit = zeroHit;
          cd_.dirty = true;
          change = 1;
        }
      lastCell = x;
      lastWhole = t[2].whole;
      setValue(x, '0');
    }
  trois = 0;
  if (lastCell >= 0) {
    // candig keeps the last trial: work it out to the end if it was cut short.
    if (!lastWhole) {
      fromRaw(cg_);
      logicalPass(cg_, false);
    }
    lastRaw_ = trialValues_.raw;
    tab3Pending_ = true;
  }
  cg_.v = &v_;
  return change;
}

int Engine::troise() {
  beginCall();
  loadMasks(cd_, b_.candid);
  const int r = troiseK();
  syncOut();
  return r;
}

int Engine::impoK() {
  bool haveRestored = false;
  for (int g = 1; g <= v_.sud; ++g)
    for (int l = 0; l < 81; ++l) {
      const int x = kT.gridCells[g][l];
      syncOut();
      host_.nessage();
      if (host_.termine() == 1) return 0;
      if (v_.filled[x]) continue;
      const Mask m = cd_.one[x];
      if (pop(m) != 2) continue;
      const char a = digitOf(m & -m), bb = digitOf(m & (m - 1));

      if (trois == 1) {
        setValue(x, a);
        if (trialCandidat()) {
          setValue(x, bb);
          candidatK();
          return 1;
        }
        setValue(x, bb);
        if (trialCandidat()) {
          setValue(x, a);
          candidatK();
          return 1;
        }
      } else {
        // Both trials at once; a that fails decides before b is looked at.
        const char t1 = b_.tab1[x / kSize][x % kSize];
        Helper& helper = Helper::get();
        const TrialBase base = trialBase();
        const bool posted = worthHelp() && helper.post(base, x, t1, bb);
        const auto start = Clock::now();
        const bool aDry = runTrial(base, x, t1, a, trialValues_, trialMasks_).dry;
        lastTrial_ = Clock::now() - start;
        bool bDry = false;
        if (posted)
          bDry = helper.collect(!aDry, Clock::now() - start, base, trialValues_, trialMasks_).dry;
        else if (!aDry)
          bDry = runTrial(base, x, t1, bb, trialValues_, trialMasks_).dry;
        if (aDry || bDry) {
          setValue(x, aDry ? bb : a);
          candidatK();
          return 1;
        }
      }
      setValue(x, '0');
      // The board is back as it was, so candidat gives what it gave last time.
      if (haveRestored) {
        rebuildInto(cd_);
        cd_.one = restored_;
        startPass(cd_);
      } else {
        candidatK();
        restored_ = cd_.one;
        haveRestored = trois == 0;
      }
    }
  return 0;
}

int Engine::impo() {
  beginCall();
  loadMasks(cd_, b_.candid);
  const int r = impoK();
  syncOut();
  return r;
}

}  // namespace qx
