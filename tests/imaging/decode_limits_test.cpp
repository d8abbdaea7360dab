// What an image may cost before it is decoded: the share of the machine's memory, and JPEG
// headers that claim far more picture than their data can hold.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/image_file.h"
#include "imaging/image_formats.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_image.h"

// After the C++ headers: jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

// Whether the address sanitizer is built in (GCC and clang say it in different ways).
#if defined(__SANITIZE_ADDRESS__)
#define ZELKO_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZELKO_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef ZELKO_ADDRESS_SANITIZER
#define ZELKO_ADDRESS_SANITIZER 0
#endif

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

// A colour JPEG of 64 x 640 pixels (40 rows of 16-pixel MCUs) with a restart marker after
// every row of MCUs, so that a cut before a marker ends the data exactly after whole rows.
Bytes JpegWithRestartRows() {
  jpeg_compress_struct c{};
  jpeg_error_mgr err{};
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buffer, &size);
  c.image_width = 64;
  c.image_height = 640;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  c.restart_in_rows = 1;
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(64 * 3);
  while (c.next_scanline < c.image_height) {
    for (int x = 0; x < 64 * 3; ++x) row[x] = static_cast<unsigned char>(x * 3 + c.next_scanline);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// The file cut just before its n-th restart marker, closed with an end marker as a damaged
// copy or a careless repair leaves it.
Bytes CutBeforeRestartWithEnd(const Bytes& jpeg, int n) {
  int seen = 0;
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7 && ++seen == n) {
      Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<long>(i));
      cut.push_back(0xFF);
      cut.push_back(0xD9);
      return cut;
    }
  ADD_FAILURE() << "fewer than " << n << " restart markers";
  return jpeg;
}

// Opened as the window opens a file.
DecodedImage OpenWritten(const Bytes& bytes, const std::string& name) {
  const std::string path = ::testing::TempDir() + name;
  EXPECT_TRUE(WriteImageFileAtomically(path, bytes));
  DecodedImage d = LoadImage(path, DecodeLimits{});
  std::remove(path.c_str());
  return d;
}

TEST(DecodeLimits, AJpegClosedWithAnEndMarkerAfterACutIsJudgedByTheRowsReallyDecoded) {
  const Bytes whole = JpegWithRestartRows();
  // Two rows of MCUs, 32 of 640 pixel rows: less than a sixteenth, refused naming them.
  try {
    OpenWritten(CutBeforeRestartWithEnd(whole, 2), "cut2_eoi.jpg");
    ADD_FAILURE() << "opened";
  } catch (const ImagingError& e) {
    const std::string why = e.what();
    EXPECT_NE(why.find("640 行のうち、読めたのは先頭の 32 行だけです"), std::string::npos) << why;
  }
  // Half of it opens, with the warning; the rows before the cut are the picture's.
  const DecodedImage half = OpenWritten(CutBeforeRestartWithEnd(whole, 20), "cut20_eoi.jpg");
  EXPECT_FALSE(half.warning.empty());
  ASSERT_EQ(half.bitmap.Height(), 640);
  EXPECT_NE(PixelRgb(half.bitmap, 10, 300), 0x808080u);
  EXPECT_EQ(PixelRgb(half.bitmap, 10, 639), 0x808080u);
}

TEST(DecodeLimits, TheFileAndTheDecodersBuffersCountBesideTheImage) {
  DecodeLimits one;
  one.physicalMemory = kGiB;                        // a quarter is 256 MB
  EXPECT_EQ(SizeRefusal(10000, 8000, 3, one), "");  // 229 MB
  one.heldBytes = 40u << 20;
  const std::string why = SizeRefusal(10000, 8000, 3, one);
  EXPECT_NE(why.find("229 MB"), std::string::npos) << why;
  EXPECT_NE(why.find("さらに 40 MB"), std::string::npos) << why;
  EXPECT_NE(SizeRefusal(10000, 8000, 3, DecodeLimits{one.maxPixels, kGiB}, 40u << 20), "");
  one.memoryName = "コンテナのメモリ上限";
  EXPECT_NE(SizeRefusal(10000, 8000, 3, one).find("コンテナのメモリ上限 1,024 MB"),
            std::string::npos);
}

TEST(DecodeLimits, AControlGroupsLimitIsTheLeastOfItsAndItsParents) {
  namespace fs = std::filesystem;
  const fs::path root = fs::path(::testing::TempDir()) / ("cgroup_" + std::to_string(::getpid()));
  fs::remove_all(root);
  auto put = [&](const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  };
  // v2: the group itself says "max", its parent 1 GiB.
  put(root / "user/app/memory.max", "max");
  put(root / "user/memory.max", "1073741824");
  EXPECT_EQ(CgroupMemoryLimit("0::/user/app\n", root.string()), kGiB);
  EXPECT_EQ(CgroupMemoryLimit("0::/elsewhere\n", root.string()), 0u);
  // v1: the memory controller's line only; "no limit" is a figure near 2^63.
  put(root / "memory/box/memory.limit_in_bytes", "9223372036854771712");
  put(root / "memory/memory.limit_in_bytes", "2147483648");
  EXPECT_EQ(CgroupMemoryLimit("5:cpu,cpuacct:/box\n4:memory:/box\n", root.string()), 2 * kGiB);
  fs::remove_all(root);
}

TEST(DecodeLimits, TheAddressSpaceLimitBindsWhenItIsTheLeast) {
#if ZELKO_ADDRESS_SANITIZER
  // The address sanitizer reserves terabytes of address space for its shadow: no limit fits.
  GTEST_SKIP() << "the address space is the sanitizer's";
#endif
  // In a child, so that the limit does not stay with the tests.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{std::uint64_t{3} << 30, std::uint64_t{3} << 30};
    const bool set = ::setrlimit(RLIMIT_AS, &limit) == 0;
    const UsableMemory m = ReadUsableMemory();
    // Less only where the machine or its container has less.
    const std::uint64_t limitBytes = std::uint64_t{3} << 30;
    ::_exit(set && m.bytes <= limitBytes && (m.bytes < limitBytes || m.name == "アドレス空間の上限")
                ? 0
                : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace zelko
