// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs independent jobs on several threads and prints their texts in the
// order of the jobs as soon as each one's turn comes, so that a batch prints
// exactly what one thread prints, with memory bounded whatever its size.
// Every write to the output is checked: a failed one ends the batch.

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "tools/common/output.h"

namespace qx {

// What one job has to say.
struct JobOutput {
  std::string out, err;
  int status = 0;
};

// The number of threads --jobs means by default: every core.
inline int allCores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

// Takes inputs from next (called under a lock, in order, until it returns
// false) and calls job(worker, index, input) on up to threads threads, each
// with a Worker of its own kept from job to job. Outputs are printed in input
// order; at most a window of takes wait for their turn. A thread takes more
// inputs at a time while its jobs are quick, so that short jobs do not queue
// on the lock, and one at a time while they are slow. Returns the worst
// status; a failed write to out stops the batch and leaves out failed, for
// checkOutput to tell.
template <class Worker>
int streamJobs(int threads, const std::function<bool(std::string&)>& next,
               const std::function<JobOutput(Worker&, long, const std::string&)>& job, std::ostream& out,
               std::ostream& err) {
  using Clock = std::chrono::steady_clock;
  constexpr int kMostAtOnce = 64;
  threads = std::max(1, threads);
  const long window = 8L * threads;
  std::vector<JobOutput> slot(static_cast<std::size_t>(window));
  std::vector<char> ready(static_cast<std::size_t>(window), 0);
  std::mutex m;
  std::condition_variable room;
  long taken = 0, takes = 0, printed = 0;
  bool ended = false, failed = false;
  int status = 0;

  // Under the lock: everything whose turn has come.
  auto print = [&] {
    const long before = printed;
    while (!failed && ready[printed % window]) {
      JobOutput& o = slot[printed % window];
      out << o.out;
      err << o.err;
      status = std::max(status, o.status);
      // The first lines show at once; later ones as the buffer fills.
      if (printed == 0) out.flush();
      failed = !out;
      o.out.clear();
      o.err.clear();
      ready[printed % window] = 0;
      ++printed;
    }
    if (printed != before || failed) room.notify_all();
  };
  auto work = [&] {
    Worker w;
    std::vector<std::string> inputs(kMostAtOnce);
    int atOnce = 1;
    for (;;) {
      long first, take;
      int n = 0;
      {
        std::unique_lock lock(m);
        room.wait(lock, [&] { return failed || ended || takes - printed < window; });
        if (failed || ended) return;
        while (n < atOnce && next(inputs[static_cast<std::size_t>(n)])) ++n;
        if (n < atOnce) {
          ended = true;
          room.notify_all();
          if (n == 0) return;
        }
        first = taken;
        taken += n;
        take = takes++;
      }
      const auto start = Clock::now();
      JobOutput o;
      for (int k = 0; k < n; ++k) {
        JobOutput one = job(w, first + k, inputs[static_cast<std::size_t>(k)]);
        if (k == 0) {
          o = std::move(one);
          continue;
        }
        o.out += one.out;
        o.err += one.err;
        o.status = std::max(o.status, one.status);
      }
      const auto spent = Clock::now() - start;
      if (spent < std::chrono::milliseconds(1))
        atOnce = std::min(2 * atOnce, kMostAtOnce);
      else if (spent > std::chrono::milliseconds(10))
        atOnce = std::max(1, atOnce / 2);
      std::lock_guard lock(m);
      std::swap(slot[take % window], o);
      ready[take % window] = 1;
      print();
    }
  };

  std::vector<std::thread> pool;
  try {
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked: the ones there are share the jobs.
  }
  work();
  for (auto& t : pool) t.join();
  out.flush();
  return status;
}

// Inputs 0..count-1 as their numbers, for jobs that need nothing else.
inline std::function<bool(std::string&)> countTo(long count) {
  return [count, n = 0L](std::string& input) mutable {
    if (n >= count) return false;
    input = std::to_string(n++);
    return true;
  };
}

// The items of a list in order.
inline std::function<bool(std::string&)> eachOf(const std::vector<std::string>& items) {
  return [&items, n = std::size_t{0}](std::string& input) mutable {
    if (n >= items.size()) return false;
    input = items[n++];
    return true;
  };
}

}  // namespace qx
