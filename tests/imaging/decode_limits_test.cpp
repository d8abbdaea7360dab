// What an image may cost before it is decoded: the share of the machine's memory, and JPEG
// headers that claim far more picture than their data can hold.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/image_file.h"
#include "imaging/image_formats.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_image.h"

namespace zelko {
namespace {

const std::string kData = std::string(ZELKO_TEST_DATA) + "/images/";
constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;
using Bytes = std::vector<std::uint8_t>;

std::string Refusal(const Bytes& bytes, const DecodeLimits& limits) {
  try {
    DecodeImageBytes(bytes.data(), bytes.size(), "x.jpg", limits);
  } catch (const ImagingError& e) {
    return e.what();
  }
  return "";
}

// The file with the size in its frame header replaced.
Bytes WithFrameSize(Bytes jpeg, int width, int height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC1 || jpeg[i + 1] == 0xC2)) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8),
               jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8),
               jpeg[i + 8] = static_cast<std::uint8_t>(width);
      return jpeg;
    }
  ADD_FAILURE() << "no frame header";
  return jpeg;
}

TEST(DecodeLimits, AQuarterOfThePhysicalMemoryBoundsTheDecodedImage) {
  DecodeLimits eight;
  eight.physicalMemory = 8 * kGiB;
  // Phone photos of 108 and 150 megapixels open on a machine with 8 GiB.
  EXPECT_EQ(SizeRefusal(12000, 9000, 3, eight), "");
  EXPECT_EQ(SizeRefusal(15000, 10000, 3, eight), "");
  DecodeLimits one;
  one.physicalMemory = kGiB;
  const std::string why = SizeRefusal(15000, 10000, 3, one);
  EXPECT_NE(why.find("15000 x 10000"), std::string::npos) << why;
  EXPECT_NE(why.find("430 MB"), std::string::npos) << why;    // needed, rounded up
  EXPECT_NE(why.find("1,024 MB"), std::string::npos) << why;  // the machine's
  EXPECT_NE(why.find("256 MB"), std::string::npos) << why;    // the share
  EXPECT_EQ(SizeRefusal(15000, 10000, 1, one), "");           // grey takes a third
  DecodeLimits unknown;
  EXPECT_EQ(SizeRefusal(20000, 20000, 3, unknown), "");
  EXPECT_NE(SizeRefusal(40000, 40000, 3, unknown).find("上限"), std::string::npos);
}

TEST(DecodeLimits, TheMachinesFigureCanBeAssumed) {
  SetAssumedPhysicalMemory(3 * kGiB);
  EXPECT_EQ(MachineDecodeLimits().physicalMemory, 3 * kGiB);
  SetAssumedPhysicalMemory(0);
  EXPECT_EQ(MachineDecodeLimits().physicalMemory, ReadMemoryStatus().totalPhysical);
}

TEST(DecodeLimits, AJpegClaimingMorePictureThanItsDataIsRefusedBeforeDecoding) {
  const Bytes huge = ReadImageFileBytes(kData + "corrupt/jpeg_sof_huge_dims.jpg");
  DecodeLimits eight;
  eight.physicalMemory = 8 * kGiB;
  // 10000 x 10000 in 5.7 KB: within the memory, but the data cannot fill a sixteenth of it.
  const std::string why = Refusal(WithFrameSize(huge, 10000, 10000), eight);
  EXPECT_NE(why.find("壊れています"), std::string::npos) << why;
  EXPECT_NE(why.find("10000 x 10000"), std::string::npos) << why;
  // The same header at the file's real size decodes.
  EXPECT_EQ(Refusal(WithFrameSize(huge, 227, 149), eight), "");
}

TEST(DecodeLimits, AJpegWhoseDataEndsInItsFirstRowsIsRefusedAndOneCutHalfWayStillOpens) {
  Bitmap noise(256, 256, 24);
  std::mt19937 random(7);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256 * 3; ++x) noise.Row(y)[x] = static_cast<std::uint8_t>(random());
  const Bytes whole = EncodeJpeg(noise, 95);
  auto cut = [&](double share) {
    return Bytes(whole.begin(), whole.begin() + static_cast<long>(whole.size() * share));
  };
  const std::string why = Refusal(cut(0.03), DecodeLimits{});
  EXPECT_NE(why.find("壊れています"), std::string::npos) << why;
  std::string warning;
  const Bytes half = cut(0.5);
  const Bitmap b = DecodeJpeg(half.data(), half.size(), &warning, DecodeLimits{});
  EXPECT_EQ(b.Height(), 256);
  EXPECT_EQ(warning, "Premature end of JPEG file");
  for (const char* file :
       {"corrupt/jpeg_trunc50_baseline.jpg", "corrupt/jpeg_trunc50_progressive.jpg"}) {
    const Bytes bytes = ReadImageFileBytes(kData + file);
    EXPECT_EQ(Refusal(bytes, DecodeLimits{}), "") << file;
  }
}

}  // namespace
}  // namespace zelko
