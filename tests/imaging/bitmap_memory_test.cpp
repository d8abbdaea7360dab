// Large pixel buffers (mapped in huge pages where the system allows) behave as small ones:
// zero when made, copied, moved, reshaped and freed.
#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include "imaging/bitmap.h"

namespace zelko {
namespace {

bool AllZero(const Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (std::int64_t i = 0; i < b.Stride(); ++i)
      if (b.Row(y)[i] != 0) return false;
  return true;
}

TEST(BitmapMemory, LargeBuffersAreZeroCopiedMovedReshapedAndFreedLikeSmallOnes) {
  for (int side : {100, 1500, 3001}) {  // 30 kB, 6.75 MB and 27 MB of pixels
    Bitmap a(side, side, 24);
    ASSERT_TRUE(AllZero(a)) << side;
    for (int y = 0; y < side; y += 7) std::memset(a.Row(y), y & 0xFF, a.Stride());
    Bitmap copy = a;
    EXPECT_EQ(std::memcmp(copy.Bits(), a.Bits(), static_cast<size_t>(a.ByteSize())), 0);
    Bitmap moved = std::move(copy);
    EXPECT_EQ(moved.Row(side - 1)[0], a.Row(side - 1)[0]);
    // A smaller shape keeps the buffer, a much larger one takes a new zeroed one.
    const std::uint8_t* kept = moved.Bits();
    moved.Reshape(side - 1, side, 24);
    EXPECT_EQ(moved.Bits(), kept);
    moved.Reshape(side * 2, side, 24);
    EXPECT_TRUE(AllZero(moved)) << side;
    moved.Create(side, side / 2, 8);
    EXPECT_TRUE(AllZero(moved)) << side;
    moved.Clear();
    EXPECT_TRUE(moved.Empty());
    a = Bitmap(1, 1, 24);  // the large buffer goes on assignment
    EXPECT_EQ(a.Width(), 1);
  }
}

}  // namespace
}  // namespace zelko
