// The helper threads that split row loops: every row exactly once, whoever calls and however
// often, and a failure in a band reaches the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include "imaging/resample_kernels.h"

namespace zelko::kernels {
namespace {

// Counts how often each row was visited by ParallelRows.
std::vector<int> Visits(int rows, std::int64_t work) {
  std::vector<std::atomic<int>> seen(static_cast<size_t>(rows));
  ParallelRows(rows, work, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) ++seen[y];
  });
  std::vector<int> out;
  for (auto& s : seen) out.push_back(s.load());
  return out;
}

TEST(ParallelRows, EveryRowOnceForSmallLargeAndOddJobsAndManyJobsInARow) {
  for (int rows : {0, 1, 2, 3, 7, 64, 1001}) {
    for (std::int64_t work : {std::int64_t{10}, std::int64_t{1} << 24}) {
      const std::vector<int> v = Visits(rows, work);
      EXPECT_EQ(v, std::vector<int>(static_cast<size_t>(rows), 1)) << rows << " " << work;
    }
  }
  // The helpers stay: a thousand jobs reuse them.
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(Visits(37, 1 << 24), std::vector<int>(37, 1));
}

TEST(ParallelRows, JobsFromInsideAJobAndFromTwoThreadsAtOnceFinish) {
  std::atomic<int> inner{0};
  ParallelRows(8, 1 << 24, [&](int y0, int y1) {
    for (int y = y0; y < y1; ++y) ParallelRows(100, 1 << 24, [&](int a, int b) { inner += b - a; });
  });
  EXPECT_EQ(inner.load(), 800);

  std::atomic<long> total{0};
  auto many = [&] {
    for (int i = 0; i < 300; ++i) ParallelRows(50, 1 << 24, [&](int a, int b) { total += b - a; });
  };
  std::thread other(many);
  many();
  other.join();
  EXPECT_EQ(total.load(), 2 * 300 * 50);
}

TEST(ParallelRows, AFailingBandIsReportedAfterAllBandsEnd) {
  std::atomic<int> done{0};
  EXPECT_THROW(ParallelRows(40, 1 << 24,
                            [&](int y0, int y1) {
                              if (y0 == 0) throw std::runtime_error("band");
                              done += y1 - y0;
                            }),
               std::runtime_error);
  // The pool is usable afterwards.
  EXPECT_EQ(Visits(40, 1 << 24), std::vector<int>(40, 1));
}

}  // namespace
}  // namespace zelko::kernels
