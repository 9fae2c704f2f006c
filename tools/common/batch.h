#pragma once
// Runs independent jobs on several threads and hands their texts back in the
// order of the jobs, so that a batch prints exactly what one thread prints.

#include <algorithm>
#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace qx {

// What one job has to say.
struct JobOutput {
  std::string out, err;
  int status = 0;
};

// The number of threads --jobs means by default: every core.
inline int allCores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

// Calls job(i) for i in 0..count-1 on up to threads threads, the next index
// to whichever thread is free, and returns the outputs by index.
inline std::vector<JobOutput> runJobs(int count, int threads, const std::function<JobOutput(int)>& job) {
  std::vector<JobOutput> done(count);
  std::atomic<int> next{0};
  auto work = [&] {
    for (int i; (i = next.fetch_add(1)) < count;) done[i] = job(i);
  };
  const int helpers = std::min(threads, count) - 1;
  std::vector<std::thread> pool;
  try {
    for (int t = 0; t < helpers; ++t) pool.emplace_back(work);
  } catch (const std::system_error&) {
    // Fewer threads than asked: the ones there are share the jobs.
  }
  work();
  for (auto& t : pool) t.join();
  return done;
}

// Every job's output, in the order of the jobs; the worst status.
inline int printAll(const std::vector<JobOutput>& done, std::ostream& out, std::ostream& err) {
  int status = 0;
  for (const auto& d : done) {
    out << d.out;
    err << d.err;
    status = std::max(status, d.status);
  }
  return status;
}

}  // namespace qx
