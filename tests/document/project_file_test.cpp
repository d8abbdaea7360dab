// The binary project file of the current version: byte layout, round trips and failures.
#include "document/project_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "document/project_data.h"
#include "sample_files.h"
#include "test_support.h"

namespace zelko {
namespace {

using test::FileBytes;
using test::kGothic;
using test::kPGothic;
using test::SampleBytes;
using test::TempDir;
using test::WriteWholeFile;

TMarker Point(double x, double y, std::string label = "") { return TMarker{label, x, y}; }

TLine Group(std::uint16_t sort, std::uint8_t type, std::vector<TMarker> points) {
  TLine line;
  line.Sort = sort;
  line.LineType = type;
  line.NumPoints = static_cast<std::int32_t>(points.size());
  line.Points = std::move(points);
  return line;
}

ProjectData Sample() {
  ProjectData d;
  d.ImagePath = "photos\\site1.jpg";
  d.Contrast = 60;
  d.ContrastOn = true;
  d.Red = 100;
  d.Blue = 200;
  d.Angle = 12.3f;
  d.AngleChoice = 4;
  d.Method = 2;
  d.ScaleUnit = 2;
  d.Markers = {{123, 4567, "100", "２００"}};
  d.Cx = {1, 2, 3};
  d.Cy = {4, 5, 6};
  d.NumDecimal = "2";
  d.Lines.push_back(Group(1, 1, {Point(0.5, 1.5, "a"), Point(10, 20), Point(30.25, -4)}));
  d.Lines.push_back(Group(0, 0, {}));  // no points: not written
  d.Lines.push_back(Group(0, 2, {Point(7, 8, "x")}));
  d.Categories = {"Sort 1", "測点１"};
  d.Colors.clLine = 0x0080FF40;
  d.Sizes = {1, 2, 4, 3, 2, 5};
  d.MarkerFont = {0, "ＭＳ ゴシック", 10, 128};
  d.NotesFont = {0xFF000008, "ＭＳ Ｐゴシック", 9, 128};
  d.Notes = {"メモ", ""};
  return d;
}

// Labels are held as numbers where they can be; every other text must come back as written,
// since the writer stores it.
TEST(PointLabel, KeepsEveryTextAsWritten) {
  for (const std::string text : {"", "1", "65535", "999999999", "1000000000", "4294967297", "0",
                                 "007", "-1", "+1", "1 ", "12a", "測点１"}) {
    const PointLabel label(text);
    EXPECT_EQ(label.str(), text);
    EXPECT_EQ(label.empty(), text.empty()) << text;
    PointLabel copy = label;
    EXPECT_EQ(copy, label) << text;
    PointLabel moved;
    moved = std::move(copy);
    EXPECT_EQ(moved.str(), text);
    EXPECT_TRUE(copy.empty());
    copy = moved;
    EXPECT_EQ(std::string(copy), text);
  }
  EXPECT_EQ(PointLabel::Number(42), PointLabel("42"));
  EXPECT_EQ(PointLabel::Number(0).str(), "0");
  EXPECT_FALSE(PointLabel("1") == PointLabel("01"));
  EXPECT_FALSE(PointLabel("a") == PointLabel("b"));
  EXPECT_FALSE(PointLabel("a") == PointLabel());
}

TEST(ProjectWriter, MatchesTheLayoutByteForByte) {
  Failure error;
  const auto bytes = SerializeProject(Sample(), &error);
  ASSERT_TRUE(bytes) << error;
  EXPECT_EQ(*bytes, SampleBytes());
}

TEST(ProjectWriter, NewDocumentWritesTheDefaults) {
  FileBytes b;
  b.Raw("Zelko Version 2.8.1 ").Text("");
  b.U16(50).U8(0).U16(128).U16(128).U16(128).U8(0).Hex("00000000").U8(0).U8(0);
  b.Text("20").U8(0).U16(0).U8(0).Text("1").U16(0).U16(1).Text("Sort 1");
  for (const char* color :
       {"clRed", "clRed", "clWhite", "clBlack", "clYellow", "clRed", "clRed", "clBlue", "clRed"})
    b.Text(color);
  b.U8(1).U8(1).U8(4).U8(1).U8(2).U8(1);
  b.Text("clBlack").Text(kGothic).U8(10).U8(128);
  b.Text("clWindowText").Text(kPGothic).U8(9).U8(128).U16(0);
  EXPECT_EQ(SerializeProject(ProjectData(), nullptr), b.str());
}

TEST(ProjectReader, ReadsTheHandWrittenFile) {
  const ProjectReadResult r = ParseProject(SampleBytes());
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  const ProjectData& d = r.Data;
  EXPECT_EQ(d.Header, "Zelko Version 2.8.1 ");
  EXPECT_EQ(d.MinorVersion, 8);
  EXPECT_FALSE(d.NeedsRewrite());
  EXPECT_EQ(d.ImagePath, "photos\\site1.jpg");
  EXPECT_EQ(d.Contrast, 60);
  EXPECT_TRUE(d.ContrastOn);
  EXPECT_EQ(d.Red, 100);
  EXPECT_EQ(d.Green, 128);
  EXPECT_EQ(d.Blue, 200);
  EXPECT_FALSE(d.AdjustRGB);
  EXPECT_EQ(d.Angle, 12.3f);
  EXPECT_EQ(d.AngleChoice, 4);
  EXPECT_EQ(d.Method, 2);
  EXPECT_EQ(d.MeshSize, "20");
  EXPECT_EQ(d.ScaleUnit, 2);
  ASSERT_EQ(d.Markers.size(), 1u);
  EXPECT_EQ(d.Markers[0], (MarkerRecord{123, 4567, "100", "２００"}));
  EXPECT_EQ(d.Cx, (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(d.Cy, (std::vector<double>{4, 5, 6}));
  EXPECT_EQ(d.NumDecimal, "2");
  // The empty group was left out, so the points group closes up behind the first.
  ASSERT_EQ(d.Lines.size(), 2u);
  EXPECT_EQ(d.Lines[0].Sort, 1);
  EXPECT_EQ(d.Lines[0].LineType, ltClosed);
  ASSERT_EQ(d.Lines[0].NumPoints, 3);
  ASSERT_EQ(d.Lines[0].Points.size(), 3u);
  // Labels are numbered afresh whatever was stored.
  EXPECT_EQ(d.Lines[0].Points[0].nm, "1");
  EXPECT_EQ(d.Lines[0].Points[2].nm, "3");
  EXPECT_EQ(d.Lines[0].Points[2].x, 30.25);
  EXPECT_EQ(d.Lines[0].Points[2].y, -4);
  EXPECT_EQ(d.Lines[1].LineType, ltPoints);
  EXPECT_EQ(d.Lines[1].Points[0].nm, "1");
  EXPECT_TRUE(d.HasCategories);
  EXPECT_EQ(d.Categories, (std::vector<std::string>{"Sort 1", "測点１"}));
  EXPECT_EQ(d.Colors.clMarkerFontBackColor, 0x00FFFFFFu);
  EXPECT_EQ(d.Colors.clLine, 0x0080FF40u);
  EXPECT_EQ(d.Sizes, (SymbolSizes{1, 2, 4, 3, 2, 5}));
  EXPECT_TRUE(d.HasPointLineWidth);
  EXPECT_EQ(d.MarkerFont, (FontData{0, "ＭＳ ゴシック", 10, 128}));
  EXPECT_EQ(d.NotesFont, (FontData{0xFF000008, "ＭＳ Ｐゴシック", 9, 128}));
  EXPECT_EQ(d.Notes, (std::vector<std::string>{"メモ", ""}));
}

TEST(ProjectReader, AFileWithMorePointsThanSupportedIsRefusedBeforeItsGroupsAreRead) {
  const ProjectReadResult all = ParseProject(SampleBytes());
  ASSERT_EQ(all.Status, ProjectReadStatus::Ok) << all.Error;
  std::size_t points = 0;
  for (const TLine& line : all.Data.Lines) points += line.Points.size();
  ASSERT_GT(points, 0u);
  EXPECT_EQ(ParseProject(SampleBytes(), points).Status, ProjectReadStatus::Ok);
  const ProjectReadResult over = ParseProject(SampleBytes(), points - 1);
  EXPECT_EQ(over.Status, ProjectReadStatus::Failed);
  EXPECT_NE(over.Error.Text().find("points"), std::string::npos) << over.Error;
  EXPECT_TRUE(over.Data.Lines.empty());
}

TEST(ProjectReader, RoundTripKeepsEveryStoredValue) {
  ProjectData d = Sample();
  d.ImagePath = "C:\\写真\\現場 1.jpg";
  d.AdjustRGB = true;
  d.Angle = 270;
  d.AngleChoice = 3;
  d.Markers.push_back({0, 65535, "not a number", ""});
  d.Cx = {-0.25, 1e300};
  d.Cy = {std::nextafter(1.0, 2.0), -0.0};
  d.Lines[0].Points[0] = Point(0.1, 1e7);  // narrowed to single precision
  d.Colors = {1, 2, 3, 0xFF00001E, 0x1FFFFFFF, 6, 7, 8, 0x00C0DCC0};
  d.Sizes = {0, 255, 9, 8, 7, 6};
  d.MarkerFont = {0x00123456, "IPAゴシック", 255, 0};
  d.Notes = {"第一行", std::string(3000, 'x'), "末尾"};
  d.Categories = {"分類Ａ", "", std::string(65535, 'c')};

  Failure error;
  const auto bytes = SerializeProject(d, &error);
  ASSERT_TRUE(bytes) << error;
  const ProjectReadResult r = ParseProject(*bytes);
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  const ProjectData& back = r.Data;
  EXPECT_EQ(back.ImagePath, d.ImagePath);
  EXPECT_TRUE(back.AdjustRGB);
  EXPECT_EQ(back.Angle, 270.0f);
  EXPECT_EQ(back.AngleChoice, 3);
  EXPECT_EQ(back.Markers, d.Markers);
  EXPECT_EQ(back.Cx, d.Cx);
  EXPECT_EQ(back.Cy, d.Cy);
  EXPECT_TRUE(std::signbit(back.Cy[1]));
  EXPECT_EQ(back.Lines[0].Points[0].x, static_cast<double>(0.1f));
  EXPECT_EQ(back.Lines[0].Points[0].y, 1e7);
  EXPECT_EQ(back.Colors, d.Colors);
  EXPECT_EQ(back.Sizes, d.Sizes);
  EXPECT_EQ(back.MarkerFont, d.MarkerFont);
  EXPECT_EQ(back.NotesFont, d.NotesFont);
  EXPECT_EQ(back.Notes, d.Notes);  // a line longer than 1024 bytes comes back whole
  EXPECT_EQ(back.Categories, d.Categories);
}

TEST(ProjectReader, HeaderWithoutPointOneReadsTheSame) {
  std::string bytes = SampleBytes();
  bytes.replace(0, 20, std::string("Zelko Version 2.8\0\0\0", 20));
  const ProjectReadResult r = ParseProject(bytes);
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  EXPECT_EQ(r.Data.Header, "Zelko Version 2.8");
  EXPECT_EQ(r.Data.MinorVersion, 8);
  EXPECT_FALSE(r.Data.NeedsRewrite());
  EXPECT_EQ(r.Data.Notes, (std::vector<std::string>{"メモ", ""}));
}

// The projective method needs the 2.9 header; the rest of the layout is that of 2.8.1, so the
// file differs from the 2.8.1 one in the header and the method byte alone.
TEST(ProjectWriter, TheProjectiveMethodIsWrittenAsVersion29) {
  // Read back once, so that point labels are numbered as the reader numbers them.
  ProjectData d = ParseProject(SampleBytes()).Data;
  const std::string v281 = *SerializeProject(d, nullptr);
  ASSERT_EQ(v281.substr(0, 20), "Zelko Version 2.8.1 ");
  d.Method = 6;
  d.Cx = {12.5, 0.061, 0.0135, 2.1e-5, 6.9e-4};
  d.Cy = {95, -0.004, -0.0952, 2.1e-5, 6.9e-4};
  Failure error;
  const auto v29 = SerializeProject(d, &error);
  ASSERT_TRUE(v29) << error;
  EXPECT_EQ(v29->substr(0, 20), std::string("Zelko Version 2.9 \0\0", 20));
  // Readers that look for the 2.8, 2.7 or 2.2 texts find none of them.
  for (const char* old : {"Zelko Version 2.8", "Zelko Version 2.7", "Zelko Version 2.2"})
    EXPECT_EQ(v29->substr(0, 20).find(old), std::string::npos);

  const ProjectReadResult r = ParseProject(*v29);
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  EXPECT_EQ(r.Data.Header, "Zelko Version 2.9 ");
  EXPECT_EQ(r.Data.MinorVersion, 9);
  EXPECT_FALSE(r.Data.NeedsRewrite());
  EXPECT_EQ(r.Data.Method, 6);
  EXPECT_EQ(r.Data.Cx, d.Cx);
  EXPECT_EQ(r.Data.Cy, d.Cy);
  EXPECT_EQ(*SerializeProject(r.Data, nullptr), *v29);

  // Back on a method the 2.8.1 layout holds, the file is 2.8.1 again, byte for byte.
  ProjectData back = r.Data;
  back.Method = Sample().Method;
  back.Cx = Sample().Cx;
  back.Cy = Sample().Cy;
  EXPECT_EQ(*SerializeProject(back, nullptr), v281);

  // A 2.8.1 file cannot hold method 6, and a 2.9 file not method 7.
  std::string forged = *v29;
  forged.replace(0, 20, v281.substr(0, 20));
  EXPECT_EQ(ParseProject(forged).Status, ProjectReadStatus::Failed);
  d.Method = 7;
  EXPECT_FALSE(SerializeProject(d, nullptr));
}

// The click precision lives in the extension block after the notes, which only a 2.9 file has;
// a project at the default is the 2.8.1 file it always was.
TEST(ProjectWriter, AClickPrecisionOtherThanTheDefaultIsWrittenAfterTheNotesOfA29File) {
  ProjectData d = ParseProject(SampleBytes()).Data;
  EXPECT_EQ(d.ClickPrecision, 0.3);
  const std::string v281 = *SerializeProject(d, nullptr);
  d.ClickPrecision = 0.75;
  const std::string v29 = *SerializeProject(d, nullptr);
  EXPECT_EQ(v29.substr(0, 20), std::string("Zelko Version 2.9 \0\0", 20));
  // The same layout up to the end of the notes, then the mark, the item and the end tag.
  ASSERT_EQ(v29.size(), v281.size() + 4 + 2 + 4 + 8 + 2);
  EXPECT_EQ(v29.substr(20, v281.size() - 20), v281.substr(20));
  const std::string block = v29.substr(v281.size());
  EXPECT_EQ(block.substr(0, 10), std::string("ZXT1\1\0\x08\0\0\0", 10));
  EXPECT_EQ(block.substr(18), std::string("\0\0", 2));
  ProjectReadResult r = ParseProject(v29);
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  EXPECT_EQ(r.Data.ClickPrecision, 0.75);
  EXPECT_EQ(*SerializeProject(r.Data, nullptr), v29);

  // A 2.9 file without the block (the projective method at the default precision, as the
  // previous version wrote it) reads with the default.
  ProjectData projective = d;
  projective.ClickPrecision = 0.3;
  projective.Method = 6;
  projective.Cx = {12.5, 0.061, 0.0135, 2.1e-5, 6.9e-4};
  projective.Cy = {95, -0.004, -0.0952, 2.1e-5, 6.9e-4};
  const std::string plain29 = *SerializeProject(projective, nullptr);
  EXPECT_EQ(plain29.find("ZXT1"), std::string::npos);
  r = ParseProject(plain29);
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  EXPECT_EQ(r.Data.ClickPrecision, 0.3);

  // An item a later version adds is passed over; the known one still reads.
  std::string later = v29.substr(0, v281.size() + 4);
  later += std::string("\x07\0\x03\0\0\0abc", 9);
  later += block.substr(4);
  r = ParseProject(later);
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  EXPECT_EQ(r.Data.ClickPrecision, 0.75);

  // Damaged blocks are refused with a reason, never read as something else.
  const auto refused = [](const std::string& bytes, const std::string& why) {
    const ProjectReadResult bad = ParseProject(bytes);
    EXPECT_EQ(bad.Status, ProjectReadStatus::Failed) << why;
    EXPECT_NE(bad.Error.Detail.find(why), std::string::npos) << why << ": " << bad.Error.Detail;
  };
  refused(v29.substr(0, v29.size() - 1), "ends inside the extensions");
  refused(v29.substr(0, v281.size() + 12), "longer than the file");
  refused(v29.substr(0, v281.size() + 7), "ends inside the extensions");
  refused(v29 + "x", "unexpected data after the extensions");
  refused(plain29 + "ABCD", "unexpected data after the notes");
  std::string longer = v29;
  longer[v281.size() + 6] = '\x7f';
  refused(longer, "longer than the file");
  std::string wrongSize = v29;
  wrongSize[v281.size() + 6] = 4;
  refused(wrongSize, "instead of 8");
  std::string twice = v29.substr(0, v29.size() - 2) + block.substr(4, 14) + block.substr(18);
  refused(twice, "given twice");
  for (double bad : {0.0, -1.0, 1001.0, std::nan("")}) {
    std::string out = v29;
    const auto bits = std::bit_cast<std::uint64_t>(bad);
    for (int i = 0; i < 8; ++i) out[v281.size() + 10 + i] = static_cast<char>(bits >> (8 * i));
    refused(out, "click precision");
  }
  // The writer refuses such a value too.
  d.ClickPrecision = -0.5;
  Failure error;
  EXPECT_FALSE(SerializeProject(d, &error));
  EXPECT_NE(error.Detail.find("click precision"), std::string::npos);
}

TEST(ProjectReader, UnrecognisedHeaderIsNotAProject) {
  for (std::string bytes : {std::string(), std::string("[File]\r\nImageFile=a.jpg\r\n"),
                            std::string("Zelko Version 3.0.0 ") + SampleBytes().substr(20),
                            std::string("Zelko\0Version 2.8.1", 19)}) {
    EXPECT_EQ(ParseProject(bytes).Status, ProjectReadStatus::NotProject) << bytes;
    EXPECT_FALSE(IsBinaryProjectHeader(bytes)) << bytes;
  }
}

// A project is known by its first bytes whatever its name; a file too short or missing is none.
TEST(ProjectReader, TheHeaderAloneTellsAProjectFile) {
  TempDir dir;
  WriteWholeFile(dir.File("f.dat"), SampleBytes());
  EXPECT_TRUE(IsBinaryProjectFile(dir.File("f.dat")));
  WriteWholeFile(dir.File("short.pqs"), SampleBytes().substr(0, 12));
  EXPECT_FALSE(IsBinaryProjectFile(dir.File("short.pqs")));
  EXPECT_FALSE(IsBinaryProjectFile(dir.File("missing.pqs")));
  EXPECT_FALSE(IsBinaryProjectFile(dir.Folder()));
}

// Each way a binary project can be unreadable fails as a whole, with a reason.
TEST(ProjectReader, CorruptFilesFail) {
  const std::string good = SampleBytes();
  auto expectFailure = [](const std::string& bytes, const std::string& reasonPart) {
    const ProjectReadResult r = ParseProject(bytes);
    EXPECT_EQ(r.Status, ProjectReadStatus::Failed) << reasonPart;
    EXPECT_NE(r.Error.Text().find(reasonPart), std::string::npos) << r.Error;
  };
  // Cut at every length: a current-version file must be complete.
  for (size_t n = 17; n < good.size(); ++n)
    EXPECT_EQ(ParseProject(good.substr(0, n)).Status, ProjectReadStatus::Failed) << n;
  expectFailure(good.substr(0, 19), "header");

  // Line type 3 in the first group record.
  const size_t groupStart = good.find(std::string("\x02\x00\x01\x00\x01\x03\x00", 7));
  ASSERT_NE(groupStart, std::string::npos);
  std::string badType = good;
  badType[groupStart + 4] = 3;
  expectFailure(badType, "line type");

  std::string badColor = good;
  badColor.replace(badColor.find("$0080FF40"), 9, "$0080FFXX");
  expectFailure(badColor, "$0080FFXX");

  std::string purple = good;
  const size_t white = purple.find("clWhite");
  purple.replace(white - 2, 9, std::string("\x06\x00purple", 8));
  expectFailure(purple, "purple");

  // A text count running past the end.
  FileBytes shortText;
  shortText.Raw("Zelko Version 2.8.1 ").U16(500).Raw("abc");
  expectFailure(shortText.str(), "image path");

  // Counts that claim far more than the file holds, refused before allocating.
  FileBytes head;
  head.Raw("Zelko Version 2.8.1 ").Text("");
  head.U16(50).U8(0).U16(128).U16(128).U16(128).U8(0).Hex("00000000").U8(0).U8(0);
  head.Text("20").U8(0);
  expectFailure(FileBytes(head).U16(65535).str(), "marker count");
  expectFailure(FileBytes(head).U16(0).U8(255).str(), "coefficient count");
  expectFailure(FileBytes(head).U16(0).U8(0).Text("1").U16(65535).str(), "group count");
  expectFailure(
      FileBytes(head).U16(0).U8(0).Text("1").U16(1).U16(0).U8(0).U16(65535).Raw("xx").str(),
      "point count");
  expectFailure(FileBytes(head).U16(0).U8(0).Text("1").U16(0).U16(65535).str(), "category count");

  // Values the window cannot hold.
  std::string badMethod = good;
  badMethod[20 + 2 + 16 + 10 + 4 + 1] = 6;
  expectFailure(badMethod, "method");
  std::string nanAngle = good;
  nanAngle.replace(20 + 2 + 16 + 10, 4, "\x00\x00\xc0\x7f");
  expectFailure(nanAngle, "angle");
}

TEST(ProjectReader, TwentyByteFileClaimingHugeCountsFails) {
  FileBytes b;
  b.Raw("Zelko Version 2.8.1 ").U16(0).U16(65535).U16(65535);
  EXPECT_EQ(ParseProject(b.str()).Status, ProjectReadStatus::Failed);
}

TEST(ProjectWriter, MarkerTenthsFromTableTexts) {
  std::string error;
  EXPECT_EQ(MarkerTenthsFromText("6553.5", &error), 65535);
  EXPECT_EQ(MarkerTenthsFromText("0", &error), 0);
  EXPECT_EQ(MarkerTenthsFromText("12.34", &error), 123);
  EXPECT_EQ(MarkerTenthsFromText("12.35", &error), 124);  // the typed decimal tie goes up
  EXPECT_EQ(MarkerTenthsFromText("0.15", &error), 2);
  EXPECT_EQ(MarkerTenthsFromText(" 1.5e1 ", &error), 150);
  EXPECT_EQ(MarkerTenthsFromText("-0.04", &error), 0);  // rounds to zero
  EXPECT_FALSE(MarkerTenthsFromText("6553.6", &error));
  EXPECT_NE(error.find("6553.6"), std::string::npos);
  EXPECT_FALSE(MarkerTenthsFromText("-0.1", &error));
  EXPECT_FALSE(MarkerTenthsFromText("1e308", &error));
  EXPECT_FALSE(MarkerTenthsFromText("abc", &error));
  EXPECT_NE(error.find("not a number"), std::string::npos);
  EXPECT_EQ(MarkerTextFromTenths(65535), "6553.5");
  EXPECT_EQ(MarkerTextFromTenths(3), "0.3");
  EXPECT_EQ(MarkerTextFromTenths(120), "12.0");
}

TEST(ProjectWriter, AngleTexts) {
  EXPECT_EQ(AngleFromText("12.3"), 12.3f);
  EXPECT_FALSE(AngleFromText("12,3"));
  EXPECT_FALSE(AngleFromText("1e39"));
  EXPECT_EQ(AngleChoiceFromText("90"), 1);
  EXPECT_EQ(AngleChoiceFromText("270"), 3);
  EXPECT_EQ(AngleChoiceFromText("90.0"), 4);
}

TEST(ProjectWriter, ValuesOutOfTheirFieldFailWithAReason) {
  auto expectFailure = [](const ProjectData& d, const std::string& reasonPart) {
    Failure error;
    EXPECT_FALSE(SerializeProject(d, &error)) << reasonPart;
    EXPECT_NE(error.Text().find(reasonPart), std::string::npos) << error;
  };
  ProjectData d;
  d.Sizes.MarkerSize = 256;
  expectFailure(d, "marker size");
  d = ProjectData();
  d.MarkerFont.Size = -1;
  expectFailure(d, "marker font size");
  d = ProjectData();
  d.Contrast = 65536;
  expectFailure(d, "contrast");
  d = ProjectData();
  d.Cx.assign(256, 0);
  d.Cy.assign(256, 0);
  expectFailure(d, "coefficient count");
  d = ProjectData();
  d.Cx = {1};
  expectFailure(d, "Cx and Cy");
  d = ProjectData();
  d.Markers.resize(65536);
  expectFailure(d, "marker count");
  d = ProjectData();
  d.Notes.assign(1, std::string(65536, 'n'));
  expectFailure(d, "notes line 1");
  d = ProjectData();
  // The limit counts CP932 bytes: 32768 full-width letters are 65536 of them.
  d.Notes.assign(1, "");
  for (int i = 0; i < 32768; ++i) d.Notes[0] += "ａ";
  expectFailure(d, "notes line 1");
  d.Notes[0].erase(0, 3);
  EXPECT_TRUE(SerializeProject(d, nullptr));
  d = ProjectData();
  d.Lines.assign(65536, Group(0, 0, {Point(1, 1)}));
  expectFailure(d, "group count");
  d = ProjectData();
  d.Lines.push_back(Group(0, 3, {Point(1, 1)}));
  expectFailure(d, "line type");
  d = ProjectData();
  d.Lines.push_back(Group(0, 0, {Point(1, 1)}));
  d.Lines[0].NumPoints = 2;
  expectFailure(d, "fewer points");
  d = ProjectData();
  d.Lines.push_back(Group(0, 0, {Point(1e39, 1)}));
  expectFailure(d, "single precision");
  d = ProjectData();
  d.Method = 7;
  expectFailure(d, "method");

  // 65535 groups with points and 65535 categories still fit.
  d = ProjectData();
  d.Lines.assign(65535, Group(0, 2, {Point(1, 1)}));
  d.Lines.push_back(Group(0, 2, {}));
  EXPECT_TRUE(SerializeProject(d, nullptr));
}

TEST(ProjectFile, WritesAtomicallyAndKeepsTheOldFileOnFailure) {
  test::TempDir dir;
  const std::string path = dir.File("site.pqs");
  Failure error;
  ASSERT_TRUE(WriteProjectFile(path, Sample(), &error)) << error;
  EXPECT_EQ(test::ReadWholeFile(path), SampleBytes());

  ProjectData bad = Sample();
  bad.Sizes.GridLineWidth = 300;
  EXPECT_FALSE(WriteProjectFile(path, bad, &error));
  EXPECT_EQ(test::ReadWholeFile(path), SampleBytes());

  // A folder that refuses new files: the old file stays and no temporary is left behind.
  if (::geteuid() != 0) {
    ::chmod(dir.Folder().c_str(), 0500);
    EXPECT_FALSE(WriteProjectFile(path, ProjectData(), &error));
    EXPECT_TRUE(error.Failed());
    ::chmod(dir.Folder().c_str(), 0700);
    EXPECT_EQ(test::ReadWholeFile(path), SampleBytes());
  }
  size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.Folder()))
    ++entries;
  EXPECT_EQ(entries, 1u);

  EXPECT_FALSE(WriteProjectFile(dir.File("missing/site.pqs"), Sample(), &error));
  EXPECT_TRUE(error.Failed());
}

TEST(ProjectFile, UnreadableFileFails) {
  test::TempDir dir;
  const ProjectReadResult missing = ReadProjectFile(dir.File("nothing.pqs"));
  EXPECT_EQ(missing.Status, ProjectReadStatus::Failed);
  EXPECT_NE(missing.Error.Text().find("nothing.pqs"), std::string::npos);
  EXPECT_EQ(ReadProjectFile(dir.Folder()).Status, ProjectReadStatus::Failed);
}

}  // namespace
}  // namespace zelko
