// Older binary versions and the keyed-text form, from files assembled by hand.
#include <gtest/gtest.h>

#include "document/image_path.h"
#include "document/keyed_text_project.h"
#include "document/project_file.h"
#include "sample_files.h"
#include "test_support.h"

namespace zelko {
namespace {

using test::Colors;
using test::FileBytes;
using test::Front;
using test::FullKeyedText;
using test::kGothic;
using test::Tail;
using test::Version22;

// Two groups with categories, two categories, five size bytes.
FileBytes Version27Body(const char* header) {
  FileBytes b = Front(header);
  b.U16(2);
  b.U16(1).U8(0).U16(2).Text("").Hex("0000803f 00000040").Text("").Hex("00004040 00008040");
  b.U16(0).U8(2).U16(1).Text("").Hex("0000a040 0000c040");
  b.U16(2).Text("Sort 1").Text("\x91\xaa\x93\x5f");  // 測点
  Colors(b);
  b.U8(2).U8(3).U8(5).U8(6).U8(7);
  return b;
}

TEST(LegacyBinary, Version22HasNoCategoriesAndNoPointLineWidth) {
  const ProjectReadResult r = ParseProject(Version22());
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  const ProjectData& d = r.Data;
  EXPECT_EQ(d.MinorVersion, 2);
  EXPECT_TRUE(d.NeedsRewrite());
  EXPECT_EQ(d.Contrast, 40);
  EXPECT_EQ(d.Angle, 90.0f);
  EXPECT_EQ(d.AngleChoice, 1);
  EXPECT_EQ(d.Markers[0], (MarkerRecord{15, 25, "1.5", "2.5"}));
  EXPECT_EQ(d.Cx, (std::vector<double>{1, 0, 0, 0}));
  EXPECT_EQ(d.Cy, (std::vector<double>{2, 0, 0, 0}));
  ASSERT_EQ(d.Lines.size(), 3u);
  for (const TLine& line : d.Lines) EXPECT_EQ(line.Sort, 0);
  EXPECT_EQ(d.Lines[1].LineType, ltClosed);
  EXPECT_EQ(d.Lines[1].Points[2].y, 1.0);
  EXPECT_EQ(d.Lines[2].Points[0].x, 5.0);
  EXPECT_FALSE(d.HasCategories);
  EXPECT_EQ(d.Categories, (std::vector<std::string>{"Sort 1"}));
  EXPECT_EQ(d.Colors.clMarker, 0x0000FF00u);
  EXPECT_EQ(d.Colors.clLine, 0x00FFFF00u);
  EXPECT_FALSE(d.HasPointLineWidth);
  EXPECT_EQ(d.Sizes.RegistPointSize, 7);
  EXPECT_EQ(d.MarkerFont, (FontData{0, "ＭＳ ゴシック", 12, 128}));
  EXPECT_EQ(d.NotesFont, (FontData{0x00800000, "Arial", 9, 0}));
  EXPECT_EQ(d.Notes, (std::vector<std::string>{"one", "two"}));

  // Written again it is a current-version file with the same groups in category 0.
  const auto rewritten = SerializeProject(d, nullptr);
  ASSERT_TRUE(rewritten);
  EXPECT_EQ(rewritten->substr(0, 20), "Zelko Version 2.8.1 ");
  const ProjectReadResult again = ParseProject(*rewritten);
  ASSERT_EQ(again.Status, ProjectReadStatus::Ok);
  EXPECT_FALSE(again.Data.NeedsRewrite());
  ASSERT_EQ(again.Data.Lines.size(), 3u);
  EXPECT_EQ(again.Data.Lines[1].Points.size(), 3u);
  EXPECT_EQ(again.Data.Categories, (std::vector<std::string>{"Sort 1"}));
}

TEST(LegacyBinary, Version27KeepsCategoriesButHasNoPointLineWidth) {
  FileBytes b = Version27Body("Zelko Version 2.7.2 ");
  Tail(b);
  const ProjectReadResult r = ParseProject(b.str());
  ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
  const ProjectData& d = r.Data;
  EXPECT_EQ(d.MinorVersion, 7);
  EXPECT_TRUE(d.NeedsRewrite());
  ASSERT_EQ(d.Lines.size(), 2u);
  EXPECT_EQ(d.Lines[0].Sort, 1);
  EXPECT_EQ(d.Lines[1].LineType, ltPoints);
  EXPECT_TRUE(d.HasCategories);
  EXPECT_EQ(d.Categories, (std::vector<std::string>{"Sort 1", "測点"}));
  EXPECT_FALSE(d.HasPointLineWidth);
  EXPECT_EQ(d.Sizes.FrameLineWidth, 2);
  EXPECT_EQ(d.MarkerFont.Size, 12);
  EXPECT_EQ(d.Notes.size(), 2u);
}

TEST(LegacyBinary, OlderFilesEndingEarlyKeepWhatTheyHold) {
  const FileBytes body = Version27Body("Zelko Version 2.7.2 ");
  {
    const ProjectReadResult r = ParseProject(body.str());
    ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
    EXPECT_FALSE(r.Data.HasMarkerFont);
    EXPECT_FALSE(r.Data.HasNotesFont);
    EXPECT_FALSE(r.Data.HasNotes);
    EXPECT_EQ(r.Data.Categories.size(), 2u);
  }
  {
    FileBytes b = body;
    b.Text("clBlack").Text(kGothic).U8(12).U8(128).Text("clNavy").Text("Ari");
    const ProjectReadResult r = ParseProject(b.str().substr(0, b.size() - 1));
    ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
    EXPECT_TRUE(r.Data.HasMarkerFont);
    EXPECT_EQ(r.Data.MarkerFont.Size, 12);
    EXPECT_FALSE(r.Data.HasNotesFont);
    EXPECT_FALSE(r.Data.HasNotes);
  }
  {
    FileBytes b = body;
    Tail(b);
    const ProjectReadResult r = ParseProject(b.str().substr(0, b.size() - 2));
    ASSERT_EQ(r.Status, ProjectReadStatus::Ok) << r.Error;
    EXPECT_TRUE(r.Data.HasNotesFont);
    EXPECT_TRUE(r.Data.HasNotes);
    EXPECT_EQ(r.Data.Notes, (std::vector<std::string>{"one"}));
  }
  // A 2.8 file without ".1" may end early too; one that ends before the fonts cannot be read.
  FileBytes v28 = Front("Zelko Version 2.8.0 ");
  v28.U16(0).U16(1).Text("Sort 1");
  Colors(v28);
  v28.U8(1).U8(1).U8(4).U8(1).U8(2).U8(9);
  const ProjectReadResult r28 = ParseProject(v28.str());
  ASSERT_EQ(r28.Status, ProjectReadStatus::Ok) << r28.Error;
  EXPECT_EQ(r28.Data.Sizes.PointLineWidth, 9);
  EXPECT_FALSE(r28.Data.HasMarkerFont);
  EXPECT_EQ(ParseProject(v28.str().substr(0, v28.size() - 3)).Status, ProjectReadStatus::Failed);
  // A colour that is no colour is still a failure there.
  FileBytes badTail = body;
  badTail.Text("mauve");
  EXPECT_EQ(ParseProject(badTail.str()).Status, ProjectReadStatus::Failed);
}

TEST(LegacyBinary, HeaderRecognition) {
  FileBytes b = Version27Body("Zelko Version 2.7.2 ");
  Tail(b);
  std::string bytes = b.str();
  // Recognised anywhere in the header, but the version must be at the 17th character.
  bytes.replace(0, 20, "ABCZelko Version 2.7");
  const ProjectReadResult shifted = ParseProject(bytes);
  EXPECT_EQ(shifted.Status, ProjectReadStatus::Failed);
  EXPECT_EQ(shifted.Data.MinorVersion, 0);
  bytes.replace(0, 20, "Zelko Version 2.5.0 ");
  EXPECT_EQ(ParseProject(bytes).Status, ProjectReadStatus::NotProject);
}

// ---------------------------------------------------------------------------------------------

TEST(KeyedTextProject, ReadsEveryKey) {
  const KeyedTextReadResult r = ParseKeyedTextProject(FullKeyedText());
  ASSERT_TRUE(r.Ok) << r.Error;
  const KeyedTextProject& p = r.Data;
  EXPECT_TRUE(p.HasImageFile);
  EXPECT_EQ(p.ImageFile, "D:\\現場\\site1.jpg");
  EXPECT_EQ(p.Contrast, 70);
  EXPECT_EQ(p.ContrastOn, true);
  EXPECT_EQ(p.Red, 100);
  EXPECT_EQ(p.Green, 110);
  EXPECT_EQ(p.Blue, 120);
  EXPECT_EQ(p.AdjustRGB, false);
  EXPECT_EQ(p.Angle, "12.5");
  EXPECT_FALSE(p.AngleChoice);
  EXPECT_EQ(p.NumMarkers, 2);
  EXPECT_EQ(p.ColCount, 5);
  EXPECT_EQ(p.RowCount, 3);
  EXPECT_EQ(p.Cells.at({1, 0}), "x(pixels)");
  EXPECT_EQ(p.Cells.at({2, 1}), "20.5");
  EXPECT_EQ(p.Cells.at({4, 1}), "２００");
  EXPECT_EQ(p.Method, 2);
  EXPECT_EQ(p.MeshSize, "50");
  EXPECT_EQ(p.ScaleUnit, 2);
  EXPECT_EQ(p.CoefficientSection, "Coordinates");
  ASSERT_EQ(p.NumParameters, 3);
  EXPECT_EQ(p.Cx[0], 1.5);
  EXPECT_EQ(p.Cy[2], 1e-3);
  EXPECT_EQ(p.NumDecimal, "2");
  ASSERT_EQ(p.Lines.size(), 2u);
  EXPECT_EQ(p.Lines[0].LineType, ltClosed);
  EXPECT_EQ(p.Lines[0].NumPoints, 3);
  EXPECT_EQ(p.Lines[0].Points[1].x, 3.5);
  EXPECT_EQ(p.Lines[0].Points[1].nm, "");
  EXPECT_EQ(p.Lines[1].Points[0].y, 8);
  for (const TLine& line : p.Lines) EXPECT_EQ(line.Sort, 0);

  ProjectData current;
  current.Colors.clMesh = 0x00123456;
  current.Notes = {"kept"};
  current.Categories = {"A", "B"};
  ProjectData d;
  std::string error;
  ASSERT_TRUE(KeyedTextToProjectData(p, current, &d, &error)) << error;
  EXPECT_EQ(d.ImagePath, "D:\\現場\\site1.jpg");
  EXPECT_EQ(d.Contrast, 70);
  EXPECT_EQ(d.Angle, 12.5f);
  EXPECT_EQ(d.AngleChoice, 4);
  ASSERT_EQ(d.Markers.size(), 2u);
  EXPECT_EQ(d.Markers[0], (MarkerRecord{100, 205, "100", "２００"}));
  EXPECT_EQ(d.Markers[1], (MarkerRecord{303, 400, "300", "400"}));
  EXPECT_EQ(d.Cx, (std::vector<double>{1.5, 0.25, 0}));
  EXPECT_EQ(d.Categories, (std::vector<std::string>{"Sort 1"}));
  EXPECT_EQ(d.Colors.clMesh, 0x00123456u);  // not in the form: kept
  EXPECT_EQ(d.Notes, (std::vector<std::string>{"kept"}));
  EXPECT_TRUE(SerializeProject(d, nullptr));
}

TEST(KeyedTextProject, MissingSectionsKeepTheCurrentValues) {
  const std::string text =
      "[File]\r\nImageFile=site1.jpg\r\n"
      "[Markers]\r\nNumber of Markers=1\r\nC3R1=99\r\n"
      "[Grid]\r\nMethod=1\r\n";
  const KeyedTextReadResult r = ParseKeyedTextProject(text);
  ASSERT_TRUE(r.Ok) << r.Error;
  const KeyedTextProject& p = r.Data;
  EXPECT_FALSE(p.Contrast || p.ContrastOn || p.Red || p.Green || p.Blue || p.AdjustRGB || p.Angle ||
               p.AngleChoice || p.MeshSize || p.ScaleUnit || p.NumDecimal);
  EXPECT_EQ(p.NumParameters, 0);
  EXPECT_TRUE(p.Lines.empty());

  ProjectData current;
  current.Contrast = 33;
  current.ContrastOn = true;
  current.Angle = 90;
  current.MeshSize = "5";
  current.Cx = {0, 1, 0};
  current.Cy = {600, 0, -1};
  current.Markers = {{111, 222, "old X", "old Y"}};
  ProjectData d;
  std::string error;
  ASSERT_TRUE(KeyedTextToProjectData(p, current, &d, &error)) << error;
  EXPECT_EQ(d.Contrast, 33);
  EXPECT_TRUE(d.ContrastOn);
  EXPECT_EQ(d.Angle, 90.0f);
  EXPECT_EQ(d.AngleChoice, 1);  // derived from the angle text "90"
  EXPECT_EQ(d.Method, 1);
  EXPECT_EQ(d.MeshSize, "5");
  EXPECT_EQ(d.Cy, current.Cy);
  EXPECT_EQ(d.Markers[0], (MarkerRecord{111, 222, "99", "old Y"}));

  // A marker whose cells the file and the table both lack cannot be placed.
  EXPECT_FALSE(KeyedTextToProjectData(p, ProjectData(), &d, &error));
  EXPECT_NE(error.find("marker 1"), std::string::npos);
}

TEST(KeyedTextProject, ClickPrecision) {
  const std::string text = "[File]\r\nImageFile=a.jpg\r\n[Grid]\r\nMethod=0\r\n";
  std::string error;
  ProjectData d, current;
  current.ClickPrecision = 2;
  // Left out: the default, not the current value, as for an older file.
  KeyedTextReadResult r = ParseKeyedTextProject(text);
  ASSERT_TRUE(r.Ok) << r.Error;
  ASSERT_TRUE(KeyedTextToProjectData(r.Data, current, &d, &error)) << error;
  EXPECT_EQ(d.ClickPrecision, 0.3);
  r = ParseKeyedTextProject(text + "Click Precision=0.125\r\n");
  ASSERT_TRUE(r.Ok) << r.Error;
  ASSERT_TRUE(KeyedTextToProjectData(r.Data, current, &d, &error)) << error;
  EXPECT_EQ(d.ClickPrecision, 0.125);
  for (const char* bad : {"0", "-1", "1e9", "abc"}) {
    r = ParseKeyedTextProject(text + "Click Precision=" + bad + "\r\n");
    EXPECT_FALSE(r.Ok) << bad;
    EXPECT_NE(r.Error.Detail.find("click precision"), std::string::npos) << r.Error.Detail;
  }
}

TEST(KeyedTextProject, CoefficientsUnderCoordinate) {
  const std::string text =
      "[File]\r\nImageFile=a.jpg\r\n"
      "[Coordinates]\r\nNumber of Parameters=0\r\nNo.of decimals=7\r\n"
      "[Coordinate]\r\nNumber of Parameters=3\r\nCx0=1\r\nCy0=2\r\nCx1=3\r\nCy2=4\r\n"
      "No.of decimals=3\r\n";
  const KeyedTextReadResult r = ParseKeyedTextProject(text);
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(r.Data.CoefficientSection, "Coordinate");
  ASSERT_EQ(r.Data.NumParameters, 3);
  EXPECT_EQ(r.Data.Cx[1], 3);
  EXPECT_FALSE(r.Data.Cx[2]);  // missing: the element's current value
  EXPECT_EQ(r.Data.Cy[2], 4);
  EXPECT_EQ(r.Data.NumDecimal, "3");
}

TEST(KeyedTextProject, FaultsAreReadFailures) {
  auto fails = [](const std::string& text, const std::string& reasonPart) {
    const KeyedTextReadResult r = ParseKeyedTextProject("[File]\r\nImageFile=a.jpg\r\n" + text);
    EXPECT_FALSE(r.Ok) << text;
    EXPECT_NE(r.Error.Text().find(reasonPart), std::string::npos) << r.Error;
    EXPECT_EQ(r.Data.ImageFile, "a.jpg");
  };
  fails("[Lines]\r\nNumber of Lines=1\r\n[Line1]\r\nLine Type=3\r\n", "line type");
  fails("[Markers]\r\nNumber of Markers=1\r\nC1R1=abc\r\nC2R1=1\r\n", "'abc' is not a number");
  fails("[Markers]\r\nNumber of Markers=2\r\nRowCount=2\r\n", "too small");
  fails("[Markers]\r\nNumber of Markers=-1\r\n", "marker count");
  fails("[Grid]\r\nMethod=7\r\n", "method");
  fails("[Lines]\r\nNumber of Lines=70000\r\n", "group count");
  fails("[Coordinates]\r\nNumber of Parameters=300\r\n", "coefficient count");
  // 306 full groups are just over the most points the program supports.
  std::string many = "[Lines]\r\nNumber of Lines=306\r\n";
  for (int k = 1; k <= 306; ++k)
    many += "[Line" + std::to_string(k) + "]\r\nNumber of Points=65535\r\n";
  fails(many, "more than 20000000 points");

  // Numbers that do not parse read as their defaults.
  const KeyedTextReadResult lax =
      ParseKeyedTextProject("[Image]\r\nContrast value=lots\r\n[Lines]\r\nNumber of Lines=x\r\n");
  ASSERT_TRUE(lax.Ok);
  EXPECT_FALSE(lax.Data.Contrast);
  EXPECT_TRUE(lax.Data.Lines.empty());

  // An angle text that is no number fails the conversion.
  const KeyedTextReadResult angle = ParseKeyedTextProject("[Image]\r\nAngle=abc\r\n");
  ASSERT_TRUE(angle.Ok);
  ProjectData d;
  std::string error;
  EXPECT_FALSE(KeyedTextToProjectData(angle.Data, ProjectData(), &d, &error));
  EXPECT_NE(error.find("abc"), std::string::npos);
}

TEST(KeyedTextProject, MorePointsThanSupportedAreRefusedBeforeTheGroupsAsTheBinaryFormDoes) {
  // Two groups of three points; the first group's line type is bad, so a reader that looked at
  // the groups before counting their points would give another reason.
  std::string text = "[Lines]\r\nNumber of Lines=2\r\n[Line1]\r\nLine Type=7\r\n";
  text += "Number of Points=3\r\n[Line2]\r\nNumber of Points=3\r\n";
  const KeyedTextReadResult over = ParseKeyedTextProject(text, 5);
  EXPECT_FALSE(over.Ok);
  EXPECT_TRUE(over.Data.Lines.empty());
  EXPECT_NE(ParseKeyedTextProject(text, 6).Error.Text().find("line type"), std::string::npos);

  ProjectData d;
  d.Lines.assign(2, TLine{});
  for (TLine& line : d.Lines) {
    line.NumPoints = 3;
    line.Points.resize(3);
  }
  Failure error;
  const auto binary = SerializeProject(d, &error);
  ASSERT_TRUE(binary) << error;
  const ProjectReadResult binaryOver = ParseProject(*binary, 5);
  ASSERT_EQ(binaryOver.Status, ProjectReadStatus::Failed);
  EXPECT_EQ(over.Error.Text(), binaryOver.Error.Text());
}

TEST(KeyedTextProject, AnyOtherFileHasNoImage) {
  const std::string garbage("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
  EXPECT_EQ(ParseProject(garbage).Status, ProjectReadStatus::NotProject);
  const KeyedTextReadResult r = ParseKeyedTextProject(garbage);
  EXPECT_TRUE(r.Ok);
  EXPECT_FALSE(r.Data.HasImageFile);
  EXPECT_EQ(KeyedTextImageCandidate("/proj/", r.Data.ImageFile), "/proj/");
  EXPECT_FALSE(FileExists("/proj/"));
}

TEST(KeyedTextProject, ImageWhoseFolderIsGoneIsFoundBesideTheProject) {
  test::TempDir dir;
  test::WriteWholeFile(dir.File("site1.jpg"), "jpeg");
  test::WriteWholeFile(dir.File("old.pqs"), FullKeyedText());
  const KeyedTextReadResult r = ReadKeyedTextProjectFile(dir.File("old.pqs"));
  ASSERT_TRUE(r.Ok) << r.Error;
  EXPECT_EQ(KeyedTextImageCandidate(FolderOf(dir.File("old.pqs")), r.Data.ImageFile),
            dir.File("site1.jpg"));
  EXPECT_EQ(ReadProjectFile(dir.File("old.pqs")).Status, ProjectReadStatus::NotProject);
}

}  // namespace
}  // namespace zelko
