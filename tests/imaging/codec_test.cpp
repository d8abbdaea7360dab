// Every file of the manifest opened as the window and zelko-cli open it, against its stated
// outcome and reference pixels; the writers' byte layouts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/bmp_codec.h"
#include "imaging/image_file.h"
#include "imaging/jpeg_codec.h"
#include "manifest.h"

namespace zelko {
namespace {

const std::string kData = ManifestFolder();

// Channels narrower or wider than 8 bits may round one step differently.
int Tolerance(const ManifestRow& r, const Bitmap& b) {
  if (r.tolerance >= 0) return r.tolerance;
  if (r.format == "JPEG") return 2;
  return b.BitsPerPixel() == 16 || b.BitsPerPixel() == 32 ? 1 : 0;
}

void ExpectSamples(const ManifestRow& r, const Bitmap& b, bool opaqueOnly) {
  ASSERT_EQ(b.Width(), r.width);
  ASSERT_EQ(b.Height(), r.height);
  const int tol = Tolerance(r, b);
  for (const Sample& s : r.samples) {
    if (opaqueOnly && s.rgba[3] != 255) continue;
    const std::uint32_t c = PixelRgb(b, s.x, s.y);
    const int got[3] = {int(c >> 16 & 255), int(c >> 8 & 255), int(c & 255)};
    for (int i = 0; i < 3; ++i)
      EXPECT_NEAR(got[i], s.rgba[i], tol) << "pixel " << s.x << "," << s.y << " channel " << i;
  }
}

// Through the function the window and zelko-cli open files with.
Bitmap Decode(const ManifestRow& r, std::string* warning = nullptr) {
  DecodedImage d = LoadImage(kData + r.path, MachineDecodeLimits());
  if (warning != nullptr) *warning = d.warning;
  return std::move(d.bitmap);
}

// True when the reason a file is refused is given in Japanese: its text, without the library's
// own words in parentheses at the end, ends in Japanese.
bool EndsInJapanese(std::string text) {
  while (!text.empty() && text.back() == ')') {
    int depth = 0;
    std::size_t open = text.size();
    while (open-- > 0) {
      depth += text[open] == ')' ? 1 : text[open] == '(' ? -1 : 0;
      if (depth == 0) break;
    }
    if (open == std::string::npos) break;
    text.erase(open);
    while (!text.empty() && text.back() == ' ') text.pop_back();
  }
  return !text.empty() && static_cast<unsigned char>(text.back()) >= 0x80;
}

TEST(Codecs, EveryManifestFileLoadsOrIsRejectedAsStated) {
  const auto rows = ReadManifest();
  ASSERT_GT(rows.size(), 150u);
  int loaded = 0;
  for (const ManifestRow& r : rows) {
    SCOPED_TRACE(r.path);
    std::string warning;
    Bitmap b;
    std::string error;
    try {
      b = Decode(r, &warning);
    } catch (const ImagingError& e) {
      error = e.what();
      EXPECT_TRUE(EndsInJapanese(error)) << error;
    }
    if (!r.says.empty()) EXPECT_NE(error.find(r.says), std::string::npos) << error;
    if (r.expect == "load" || r.expect == "load-warn") {
      ASSERT_TRUE(error.empty()) << error;
      ExpectSamples(r, b, false);
      EXPECT_EQ(!warning.empty(), r.expect == "load-warn") << warning;
      ++loaded;
    } else if (r.expect == "either") {
      if (error.empty()) ExpectSamples(r, b, true);
    } else if (r.expect == "reject" || r.expect == "reject-8bit") {
      EXPECT_FALSE(error.empty());
    }
  }
  EXPECT_EQ(loaded, 85);
}

TEST(Codecs, FilesOfOneReferenceRenderingDecodeAlike) {
  std::map<std::string, std::vector<std::pair<std::string, Bitmap>>> groups;
  for (const ManifestRow& r : ReadManifest()) {
    if (r.format != "BMP" || r.ref.empty() || r.expect == "reject") continue;
    // RLE files with skipped pixels legitimately differ where the skip leaves them undefined.
    if (r.path.find("rle") != std::string::npos && r.expect == "either") continue;
    try {
      groups[r.ref].emplace_back(r.path, Decode(r));
    } catch (const ImagingError&) {
    }
  }
  int compared = 0;
  for (const auto& [ref, files] : groups) {
    if (files.size() < 2) continue;  // nothing to compare with
    const Bitmap& base = files.front().second;
    for (size_t i = 1; i < files.size(); ++i) {
      SCOPED_TRACE(files[i].first + " vs " + files.front().first);
      const Bitmap& b = files[i].second;
      ASSERT_EQ(b.Width(), base.Width());
      ASSERT_EQ(b.Height(), base.Height());
      const bool wide = b.BitsPerPixel() >= 16 || base.BitsPerPixel() >= 16;
      int worst = 0;
      for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
          const std::uint32_t p = PixelRgb(b, x, y), q = PixelRgb(base, x, y);
          for (int s = 0; s < 24; s += 8)
            worst = std::max(worst, std::abs(int(p >> s & 255) - int(q >> s & 255)));
        }
      EXPECT_LE(worst, wide ? 1 : 0);
      ++compared;
    }
  }
  EXPECT_GT(compared, 20);
}

TEST(Codecs, AFileIsDecodedAsWhatItIsWhateverItsExtensionSays) {
  const std::string jpeg = kData + "jpeg/testorig.jpg";
  const Bitmap expected = LoadImageFile(jpeg);
  const std::string misnamed = ::testing::TempDir() + "codec_misnamed_jpeg.bmp";
  const auto bytes = ReadImageFileBytes(jpeg);
  ASSERT_TRUE(WriteImageFileAtomically(misnamed, bytes));
  const Bitmap b = LoadImageFile(misnamed);
  ASSERT_EQ(b.Width(), expected.Width());
  ASSERT_EQ(b.Height(), expected.Height());
  EXPECT_EQ(PixelRgb(b, 10, 10), PixelRgb(expected, 10, 10));
  std::remove(misnamed.c_str());
}

TEST(Codecs, TruncatedJpegLoadsWithTheDecoderWarning) {
  std::string warning;
  Bitmap b = LoadImageFile(kData + "corrupt/jpeg_trunc50_baseline.jpg", &warning);
  EXPECT_EQ(warning, "Premature end of JPEG file");
  EXPECT_EQ(PixelRgb(b, 0, 148), 0x808080u);
}

TEST(Codecs, LayoutsOfDecodedJpegs) {
  const Bitmap grey = LoadImageFile(kData + "jpeg/testimggray.jpg");
  EXPECT_EQ(grey.BitsPerPixel(), 8);
  ASSERT_EQ(grey.palette.size(), 256u);
  EXPECT_EQ(grey.palette[200], 0xC8C8C8u);
  EXPECT_EQ(LoadImageFile(kData + "jpeg/testorig.jpg").BitsPerPixel(), 24);
  // CMYK and YCCK come out as colour.
  const auto cmyk = ReadImageFileBytes(kData + "derived/video-001.ycck.jpeg");
  EXPECT_EQ(DecodeJpeg(cmyk.data(), cmyk.size()).BitsPerPixel(), 24);
}

TEST(Codecs, RejectionsSayWhatIsWrong) {
  auto message = [](const std::string& file) {
    try {
      LoadImageFile(kData + file);
    } catch (const ImagingError& e) {
      return std::string(e.what());
    }
    return std::string("loaded");
  };
  EXPECT_NE(message("corrupt/jpeg_sof_huge_dims.jpg").find("大きすぎます"), std::string::npos);
  EXPECT_NE(message("jpeg/testorig12.jpg").find("precision 12"), std::string::npos);
  EXPECT_NE(message("corrupt/jpeg_bad_marker_in_scan.jpg").find("0x99"), std::string::npos);
  EXPECT_NE(message("corrupt/bmp_offset_huge.bmp").find("ファイルの外"), std::string::npos);
  EXPECT_NE(message("corrupt/bmp_overflow32.bmp").find("大きすぎます"), std::string::npos);
  EXPECT_NE(message("bmpsuite/b/shortfile.bmp").find("切れています"), std::string::npos);
  EXPECT_NE(message("bmpsuite/b/badheadersize.bmp").find("66"), std::string::npos);
  EXPECT_NE(message("bmpsuite/b/badrle.bmp").find("RLE"), std::string::npos);
  EXPECT_NE(message("missing.bmp").find("開けません"), std::string::npos);
  EXPECT_NE(message("bmpsuite/LICENSE.txt").find(".jpg"), std::string::npos);
}

TEST(Codecs, MisnamedFileIsDecodedAsWhatItIs) {
  const std::string path = testing::TempDir() + "/really_a_bmp.jpg";
  const auto bytes = ReadImageFileBytes(kData + "bmpsuite/g/rgb24.bmp");
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  EXPECT_EQ(LoadImageFile(path).BitsPerPixel(), 24);
}

TEST(Codecs, BmpWriterByteLayout) {
  Bitmap b(3, 2, 24);
  const std::uint8_t top[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::uint8_t bottom[9] = {10, 11, 12, 13, 14, 15, 16, 17, 18};
  std::memcpy(b.Row(0), top, 9);
  std::memcpy(b.Row(1), bottom, 9);
  b.xPixelsPerMeter = 2835;
  const std::vector<std::uint8_t> expected = {
      'B', 'M', 78, 0,  0,    0,    0,  0,  0,  0, 54, 0, 0, 0,  // file header
      40,  0,   0,  0,  3,    0,    0,  0,  2,  0, 0,  0, 1, 0,
      24,  0,   0,  0,  0,    0,  // size, w, h, planes, bpp
      24,  0,   0,  0,  0x13, 0x0B, 0,  0,  0,  0, 0,  0, 0, 0,
      0,   0,   0,  0,  0,    0,                           // image size .. colours
      10,  11,  12, 13, 14,   15,   16, 17, 18, 0, 0,  0,  // bottom row first
      1,   2,   3,  4,  5,    6,    7,  8,  9,  0, 0,  0};
  EXPECT_EQ(WriteBmp(b), expected);
}

TEST(Codecs, BmpWriterKeepsPaletteAndMasks) {
  Bitmap p(9, 1, 1);
  p.palette = {0x00FF0000, 0x000000FF};
  p.Row(0)[0] = 0xA5;
  p.Row(0)[1] = 0x80;
  const auto bytes = WriteBmp(p);
  EXPECT_EQ(bytes[10], 62);  // 54 + 2 entries
  EXPECT_EQ(bytes[46], 2);   // colours used
  const std::vector<std::uint8_t> table(bytes.begin() + 54, bytes.begin() + 62);
  EXPECT_EQ(table, (std::vector<std::uint8_t>{0, 0, 255, 0, 255, 0, 0, 0}));
  Bitmap back = ReadBmp(bytes.data(), bytes.size());
  EXPECT_EQ(back.palette, p.palette);
  EXPECT_EQ(back.Row(0)[0], 0xA5);
  EXPECT_EQ(back.Row(0)[1], 0x80);

  Bitmap w(2, 1, 16);
  w.masks = {0xF800, 0x07E0, 0x001F, 0};
  w.Row(0)[0] = 0x1F;  // pure blue in 5-6-5
  const auto wb = WriteBmp(w);
  EXPECT_EQ(wb[30], 3);  // BI_BITFIELDS
  EXPECT_EQ(wb[10], 66);
  Bitmap wback = ReadBmp(wb.data(), wb.size());
  EXPECT_EQ(wback.masks, w.masks);
  EXPECT_EQ(PixelRgb(wback, 0, 0), 0x0000FFu);
}

TEST(Codecs, JpegEncodesColourAtTheGivenQuality) {
  Bitmap b(40, 24, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) {
      std::uint8_t* p = b.Row(y) + 3 * x;
      p[0] = 200, p[1] = 120, p[2] = 40;  // blue, green, red
    }
  const auto q90 = EncodeJpeg(b, 90);
  std::string warning;
  Bitmap back = DecodeJpeg(q90.data(), q90.size(), &warning);
  EXPECT_TRUE(warning.empty());
  EXPECT_EQ(back.BitsPerPixel(), 24);
  const std::uint32_t c = PixelRgb(back, 20, 12);
  EXPECT_NEAR(int(c >> 16), 40, 3);
  EXPECT_NEAR(int(c >> 8 & 255), 120, 3);
  EXPECT_NEAR(int(c & 255), 200, 3);
  // A grey palette image still goes out as a three-component colour file.
  Bitmap g(16, 16, 8);
  g.palette.assign(256, 0x00808080);
  const auto gj = EncodeJpeg(g, 90);
  EXPECT_EQ(DecodeJpeg(gj.data(), gj.size()).BitsPerPixel(), 24);
}

TEST(Codecs, AtomicWriteReplacesTheFileOnlyWhenComplete) {
  const std::string path = testing::TempDir() + "/atomic_out.bmp";
  ASSERT_TRUE(WriteImageFileAtomically(path, {1, 2, 3}));
  EXPECT_EQ(ReadImageFileBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
  Failure failure;
  EXPECT_FALSE(WriteImageFileAtomically(testing::TempDir() + "/no/such/dir/x.bmp", {1}, &failure));
  EXPECT_EQ(failure.Kind, FailureKind::CreateTemporary);
  EXPECT_EQ(UpperExtension("C:\\dir.x\\photo.JpG"), ".JPG");
  EXPECT_EQ(UpperExtension("dir.x/photo"), "");
  EXPECT_EQ(WithImageExtension("result.png", ".jpg"), "result.jpg");
  EXPECT_EQ(WithImageExtension("dir.x/result", ".bmp"), "dir.x/result.bmp");
  EXPECT_EQ(WithImageExtension("C:\\dir.x\\result", ".bmp"), "C:\\dir.x\\result.bmp");
}

}  // namespace
}  // namespace zelko
