// The orientation tag of photos: read from the EXIF block, and applied by zelko-cli image so
// that a photo taken with the camera turned comes out upright.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_file.h"
#include "imaging/jpeg_codec.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// An APP1 segment holding an EXIF block whose first IFD has the orientation tag, in either
// byte order, inserted right after SOI. filler entries come before the tag.
Bytes WithOrientation(const Bytes& jpeg, int orientation, bool bigEndian = false, int filler = 1) {
  Bytes tiff;
  auto u16 = [&](std::uint32_t v) {
    if (bigEndian) tiff.push_back(static_cast<std::uint8_t>(v >> 8));
    tiff.push_back(static_cast<std::uint8_t>(v));
    if (!bigEndian) tiff.push_back(static_cast<std::uint8_t>(v >> 8));
  };
  auto u32 = [&](std::uint32_t v) {
    if (bigEndian)
      u16(v >> 16), u16(v & 0xFFFF);
    else
      u16(v & 0xFFFF), u16(v >> 16);
  };
  tiff.push_back(bigEndian ? 'M' : 'I');
  tiff.push_back(bigEndian ? 'M' : 'I');
  u16(42);
  u32(8);
  u16(static_cast<std::uint32_t>(filler + 1));
  for (int i = 0; i < filler; ++i) {  // ImageDescription-like ASCII entries
    u16(0x010E), u16(2), u32(4), u32(0);
  }
  u16(0x0112), u16(3), u32(1), u16(static_cast<std::uint32_t>(orientation)), u16(0);
  u32(0);
  Bytes app1 = {0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  const std::size_t length = app1.size() - 2;
  app1[2] = static_cast<std::uint8_t>(length >> 8), app1[3] = static_cast<std::uint8_t>(length);
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), app1.begin(), app1.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// How a camera held turned right stores a picture whose upright view is white above black:
// the upright view turned a quarter counter-clockwise, so white on the left.
Bytes SidewaysPhoto() {
  Bitmap b(32, 16, 24);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) std::memset(b.Row(y) + 3 * x, x < 16 ? 255 : 0, 3);
  return EncodeJpeg(b, 95);
}

TEST(Orientation, TheTagIsReadInBothByteOrdersAndDamageGivesNone) {
  const Bytes plain = SidewaysPhoto();
  EXPECT_EQ(JpegOrientation(plain.data(), plain.size()), 0);
  for (int o = 1; o <= 8; ++o) {
    const Bytes le = WithOrientation(plain, o, false, o % 3);
    const Bytes be = WithOrientation(plain, o, true);
    EXPECT_EQ(JpegOrientation(le.data(), le.size()), o);
    EXPECT_EQ(JpegOrientation(be.data(), be.size()), o);
  }
  EXPECT_EQ(JpegOrientation(WithOrientation(plain, 9).data(), plain.size() + 100), 0);
  // The first IFD past the segment, the tag of another type, and a segment length past the
  // file. (The EXIF block starts at byte 12: SOI, marker, length, "Exif\0\0".)
  Bytes bad = WithOrientation(plain, 6);
  bad[12 + 4] = 0xF0;
  EXPECT_EQ(JpegOrientation(bad.data(), bad.size()), 0);
  bad = WithOrientation(plain, 6);
  bad[12 + 10 + 12 + 2] = 4;  // LONG
  EXPECT_EQ(JpegOrientation(bad.data(), bad.size()), 0);
  const Bytes tagged = WithOrientation(plain, 6);
  EXPECT_EQ(JpegOrientation(tagged.data(), 30), 0);
}

TEST(Orientation, OrientationTurnsAreClockwiseOnScreen) {
  EXPECT_EQ(OrientationTurn(6), 90);
  EXPECT_EQ(OrientationTurn(3), 180);
  EXPECT_EQ(OrientationTurn(8), 270);
  for (int o : {0, 1, 2, 4, 5, 7}) EXPECT_EQ(OrientationTurn(o), 0) << o;
  for (int o : {2, 4, 5, 7}) EXPECT_TRUE(OrientationMirrors(o));
  for (int o : {1, 3, 6, 8}) EXPECT_FALSE(OrientationMirrors(o));
}

class CliOrientation : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(testing::TempDir()) /
           (std::string("cli_orientation_") +
            testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  int Run(const std::string& in, const std::string& extra, std::string* err = nullptr) {
    const std::string errFile = Path("stderr.txt");
    const std::string command = std::string(ZELKO_CLI) + " image " + in + " " + extra + " -o " +
                                Path("out.bmp") + " 2>" + errFile;
    const int status = std::system(command.c_str());
    if (err != nullptr) {
      const auto bytes = ReadImageFileBytes(errFile);
      err->assign(bytes.begin(), bytes.end());
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  Bitmap Out() {
    const auto bytes = ReadImageFileBytes(Path("out.bmp"));
    return ReadBmp(bytes.data(), bytes.size());
  }
  fs::path dir_;
};

TEST_F(CliOrientation, APhotoTakenTurnedComesOutUprightUnlessTheAngleIsGiven) {
  const std::string in = Path("turned.jpg");
  ASSERT_TRUE(WriteImageFileAtomically(in, WithOrientation(SidewaysPhoto(), 6)));
  ASSERT_EQ(Run(in, ""), 0);
  Bitmap out = Out();
  ASSERT_EQ(out.Width(), 16);
  ASSERT_EQ(out.Height(), 32);
  EXPECT_GT(PixelRgb(out, 8, 2) & 255, 200u);  // white above
  EXPECT_LT(PixelRgb(out, 8, 29) & 255, 50u);  // black below
  // Tag 8: the camera held turned left; the stored picture is upright turned clockwise.
  ASSERT_TRUE(WriteImageFileAtomically(in, WithOrientation(SidewaysPhoto(), 8)));
  ASSERT_EQ(Run(in, ""), 0);
  out = Out();
  EXPECT_LT(PixelRgb(out, 8, 2) & 255, 50u);
  EXPECT_GT(PixelRgb(out, 8, 29) & 255, 200u);
  // Tag 3: upside down.
  ASSERT_TRUE(WriteImageFileAtomically(in, WithOrientation(SidewaysPhoto(), 3)));
  ASSERT_EQ(Run(in, ""), 0);
  out = Out();
  ASSERT_EQ(out.Width(), 32);
  EXPECT_LT(PixelRgb(out, 2, 8) & 255, 50u);
  // A given angle wins over the tag.
  ASSERT_TRUE(WriteImageFileAtomically(in, WithOrientation(SidewaysPhoto(), 6)));
  ASSERT_EQ(Run(in, "--angle 0"), 0);
  EXPECT_EQ(Out().Width(), 32);
}

TEST_F(CliOrientation, MirroredTagsAreReportedAndNotApplied) {
  const std::string in = Path("mirrored.jpg");
  for (int o : {2, 4, 5, 7}) {
    ASSERT_TRUE(WriteImageFileAtomically(in, WithOrientation(SidewaysPhoto(), o)));
    std::string err;
    ASSERT_EQ(Run(in, "", &err), 0);
    EXPECT_NE(err.find("鏡像"), std::string::npos) << o;
    const Bitmap out = Out();
    EXPECT_EQ(out.Width(), 32) << o;
    EXPECT_GT(PixelRgb(out, 2, 8) & 255, 200u) << o;
  }
}

}  // namespace
}  // namespace zelko
