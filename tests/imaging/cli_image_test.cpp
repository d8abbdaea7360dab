// zelko-cli image: what it writes, and that it writes nothing when it cannot.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_file.h"
#include "imaging/jpeg_codec.h"
#include "manifest.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;

int RunCli(const std::string& arguments) {
  const std::string command = std::string(ZELKO_CLI) + " image " + arguments + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CliImage : public testing::Test {
 protected:
  void SetUp() override {
    // One folder per test: CTest runs the tests of this fixture side by side.
    dir_ =
        fs::path(testing::TempDir()) /
        (std::string("cli_image_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    Bitmap b(4, 2, 24);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) {
        std::uint8_t* p = b.Row(y) + 3 * x;
        p[0] = static_cast<std::uint8_t>(10 * x), p[1] = static_cast<std::uint8_t>(100 + y),
        p[2] = 128;
      }
    ASSERT_TRUE(WriteImageFileAtomically(Path("in.bmp"), WriteBmp(b)));
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(CliImage, WritesTheWorkingImageOfTheWindowsSettings) {
  // Contrast 100 (strength 1), balance R 255 (+127), G 128 (0), B 0 (-128), half size, 90 deg.
  ASSERT_EQ(RunCli(Path("in.bmp") + " --contrast 100 --rgb 255,128,0 --factor 0.5 --angle 90 -o " +
                   Path("out.bmp")),
            0);
  const auto bytes = ReadImageFileBytes(Path("out.bmp"));
  const Bitmap out = ReadBmp(bytes.data(), bytes.size());
  ASSERT_EQ(out.Width(), 1);  // 2 x 1 turned a quarter
  ASSERT_EQ(out.Height(), 2);
  // Top: source column 0; red 128 -> 128.5 -> 128 (+127), green 100 -> 72.5 -> 72, blue 0.
  EXPECT_EQ(PixelRgb(out, 0, 0), 0xFF4800u);
  // Bottom: source column 2 (blue 20 -> 0 after contrast, then -128).
  EXPECT_EQ(PixelRgb(out, 0, 1), 0xFF4800u);
  ASSERT_EQ(RunCli(Path("in.bmp") + " -o " + Path("out.jpg")), 0);
  const auto jpeg = ReadImageFileBytes(Path("out.jpg"));
  EXPECT_EQ(DecodeJpeg(jpeg.data(), jpeg.size()).Width(), 4);
}

TEST_F(CliImage, EveryContrastStrengthHasItsEffect) {
  // Strengths are hundredths: 50 lies between none and full, not at either end.
  std::vector<std::uint32_t> pixels;
  for (const char* strength : {"0", "50", "100"}) {
    const std::string out = Path(std::string("c") + strength + ".bmp");
    ASSERT_EQ(RunCli(Path("in.bmp") + " --contrast " + strength + " -o " + out), 0);
    const auto bytes = ReadImageFileBytes(out);
    pixels.push_back(PixelRgb(ReadBmp(bytes.data(), bytes.size()), 0, 0));
  }
  EXPECT_NE(pixels[1], pixels[0]);
  EXPECT_NE(pixels[1], pixels[2]);
}

TEST_F(CliImage, BadArgumentsAndUnreadableInputsWriteNothing) {
  const std::string in = Path("in.bmp"), out = Path("out.bmp");
  EXPECT_EQ(RunCli(in + " --contrast 101 -o " + out), 2);
  EXPECT_EQ(RunCli(in + " --rgb 1,2 -o " + out), 2);
  EXPECT_EQ(RunCli(in + " --factor 0 -o " + out), 2);
  EXPECT_EQ(RunCli(in + " --angle x -o " + out), 2);
  EXPECT_EQ(RunCli(in + " -o " + Path("out.png")), 2);
  EXPECT_EQ(RunCli(in), 2);
  EXPECT_EQ(RunCli(Path("missing.bmp") + " -o " + out), 1);
  EXPECT_EQ(RunCli(std::string(ZELKO_TEST_DATA) + "/images/corrupt/jpeg_no_soi.jpg -o " + out), 1);
  EXPECT_FALSE(fs::exists(out));
  // Only the input is left in the folder: no temporary files either.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(CliImage, EveryManifestFileOpensOrIsRefusedAsStated) {
  int written = 0;
  for (const ManifestRow& r : ReadManifest()) {
    SCOPED_TRACE(r.path);
    const std::string out = Path("out.bmp"), errors = Path("errors.txt");
    const std::string command = std::string(ZELKO_CLI) + " image '" + ManifestFolder() + r.path +
                                "' -o " + out + " 2>" + errors;
    const int status = std::system(command.c_str());
    // A crash or a hang is never an answer, whatever the file.
    ASSERT_TRUE(WIFEXITED(status)) << status;
    const int code = WEXITSTATUS(status);
    std::ifstream in(errors);
    const std::string said((std::istreambuf_iterator<char>(in)), {});
    if (r.expect == "load" || r.expect == "load-warn") {
      ASSERT_EQ(code, 0) << said;
      const auto bytes = ReadImageFileBytes(out);
      const Bitmap b = ReadBmp(bytes.data(), bytes.size());
      // Written upright: a photo of a quarter-turn orientation comes out turned.
      const bool turned = r.layout.find("orientation=6") != std::string::npos;
      EXPECT_EQ(b.Width(), turned ? r.height : r.width);
      EXPECT_EQ(b.Height(), turned ? r.width : r.height);
      EXPECT_EQ(said.empty(), r.expect == "load") << said;
      ++written;
    } else if (r.expect == "reject" || r.expect == "reject-8bit") {
      EXPECT_EQ(code, 1) << said;
      EXPECT_NE(said.find(r.says), std::string::npos) << said;
      EXPECT_FALSE(fs::exists(out));
    } else {
      EXPECT_TRUE(code == 0 || code == 1) << said;
    }
    fs::remove(out);
  }
  EXPECT_EQ(written, 85);
}

}  // namespace
}  // namespace zelko
