// zelko-cli results and points, run as a user runs them, on projects written for the test.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "coords/transform.h"
#include "document/project_file.h"
#include "groups_support.h"
#include "measure/export.h"
#include "measure/formats.h"
#include "measure/project_tables.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/zelko_cli_XXXXXX";
    ASSERT_NE(mkdtemp(templ), nullptr);
    dir_ = templ;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  std::string Write(const std::string& name, const ProjectData& data) {
    Failure error;
    EXPECT_TRUE(WriteProjectFile(Path(name), data, &error)) << error;
    return Path(name);
  }

  CliRun Cli(const std::string& args) const {
    const fs::path out = dir_ / "stdout", err = dir_ / "stderr";
    const std::string command = std::string("'") + ZELKO_CLI + "' " + args + " >'" + out.string() +
                                "' 2>'" + err.string() + "'";
    const int raw = std::system(command.c_str());
    CliRun r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    return r;
  }

  fs::path dir_;
};

using test::Group;

// "無変換" of a 300-pixel-high image: X = x, Y = 300 - y, in pixels, one decimal.
ProjectData PixelProject() {
  ProjectData d;
  d.ImagePath = "site.bmp";
  d.Method = tmNone;
  d.Cx = {0, 1, 0};
  d.Cy = {300, 0, -1};
  d.Categories = {"Sort 1", "道路"};
  d.Lines = {Group(ltClosed, 0, {{10, 10}, {10, 20}, {11, 20}}),  // 21.05, +5
             Group(ltClosed, 0, {{30, 10}, {34, 10}, {34, 11}}),  // 9.12, -2
             Group(ltCurve, 1, {{100, 100}, {103, 104}})};        // 5
  return d;
}

const char kPixelResults[] =
    "分類\tGroup\t長さ(pixels)\t面積(pixels^2)\t点数\tlength_sd\tarea_sd\r\n"
    "Sort 1\tC1\t21.0\t5.00\t3\t0.86\t2.1\r\n"
    "\tC2\t9.1\t-2.00\t3\t0.87\t0.87\r\n"
    "Sort 1\t合計\t30.2\t3.00\t6\t1.2\t2.3\r\n"
    "道路\tL3\t5.0\t0.00\t2\t0.42\t0\r\n";

TEST_F(CliTest, ResultsAreTheClipboardCopyOfTheResultTable) {
  const std::string file = Write("a.pqs", PixelProject());
  const CliRun r = Cli("results '" + file + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kPixelResults);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Cli("results --format tsv '" + file + "'").out, kPixelResults);
}

TEST_F(CliTest, ALargeProjectsPointTableIsWrittenWhole) {
  ProjectData d = PixelProject();
  d.Lines.assign(3, TLine{});
  for (TLine& line : d.Lines) {
    line.NumPoints = 20000;
    for (int i = 0; i < line.NumPoints; ++i) line.Points.push_back({"", i * 1.0, i * 2.0});
  }
  const CliRun r = Cli("points '" + Write("large.pqs", d) + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  std::size_t rows = 0;
  for (char c : r.out) rows += c == '\n';
  EXPECT_EQ(rows, 1u + 3u * 20000u);  // the header and every point
  const std::string lastRow = "1\tL3\t20000\t19999.0\t39998.0";
  EXPECT_NE(r.out.find(lastRow), std::string::npos) << r.out.substr(r.out.size() - 80);
}

TEST_F(CliTest, ResultsAsCsvAndJson) {
  ProjectData d = PixelProject();
  d.Categories[1] = "道路, 舗装";
  d.NumDecimal = "2";
  const std::string file = Write("a.pqs", d);
  const CliRun csv = Cli("results --format=csv '" + file + "'");
  EXPECT_EQ(csv.status, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "\xEF\xBB\xBF分類,Group,長さ(pixels),面積(pixels^2),点数,length_sd,area_sd\r\n"
            "Sort 1,C1,21.05,5.0000,3,0.86,2.1\r\n"
            ",C2,9.12,-2.0000,3,0.87,0.87\r\n"
            "Sort 1,合計,30.17,3.0000,6,1.2,2.3\r\n"
            "\"道路, 舗装\",L3,5.00,0.0000,2,0.42,0\r\n");
  const CliRun json = Cli("results '" + file + "' --format json");
  EXPECT_EQ(json.status, 0) << json.err;
  EXPECT_EQ(
      json.out,
      "{\"header\": [\"分類\", \"Group\", \"長さ(pixels)\", \"面積(pixels^2)\", \"点数\", "
      "\"length_sd\", \"area_sd\"], "
      "\"rows\": [\n"
      "  {\"type\": \"group\", \"group\": 1, \"category\": 1, \"cells\": [\"Sort 1\", \"C1\", "
      "\"21.05\", \"5.0000\", \"3\", \"0.86\", \"2.1\"], "
      "\"length\": 21.04987562112089, \"area\": 5, \"length_sd\": 0.8584971541371456, "
      "\"area_sd\": 2.131900560532784},\n"
      "  {\"type\": \"group\", \"group\": 2, \"category\": 1, \"cells\": [\"\", \"C2\", "
      "\"9.12\", \"-2.0000\", \"3\", \"0.87\", \"0.87\"], "
      "\"length\": 9.123105625617661, \"area\": -2, \"length_sd\": 0.8707939265593782, "
      "\"area_sd\": 0.8746427842267951},\n"
      "  {\"type\": \"total\", \"category\": 1, \"cells\": [\"Sort 1\", \"合計\", \"30.17\", "
      "\"3.0000\", \"6\", \"1.2\", \"2.3\"], "
      "\"length\": 30.17298124673855, \"area\": 3, \"length_sd\": 1.222824364409819, "
      "\"area_sd\": 2.3043437243605824},\n"
      // A straight line of two points clicked to 0.3 pixels: 0.3·√2.
      "  {\"type\": \"group\", \"group\": 3, \"category\": 2, \"cells\": [\"道路, 舗装\", "
      "\"L3\", \"5.00\", \"0.0000\", \"2\", \"0.42\", \"0\"], \"length\": 5, \"area\": 0, "
      "\"length_sd\": 0.4242640687119285, \"area_sd\": 0}\n"
      "]}\n");
}

// Rows a spreadsheet or a reader of tab-separated text takes back as written: one CSV reader
// (RFC 4180, the separator given) reads every form, whatever a category's name holds.
std::vector<std::vector<std::string>> ReadRows(const std::string& text, char separator) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& cell = rows.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"' && cell.empty()) {
      quoted = true;
    } else if (c == separator) {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      if (i + 1 < text.size()) rows.emplace_back(1);
    } else {
      cell += c;
    }
  }
  return rows;
}

TEST_F(CliTest, EveryTableFormKeepsItsRowsAndShowsNamesAsText) {
  ProjectData d = PixelProject();
  d.Categories = {"畑\t北\r\n\"区\"", "=1+2"};
  const std::string file = Write("names.pqs", d);
  for (const char* format : {"tsv", "csv"}) {
    const char separator = format[0] == 't' ? '\t' : ',';
    for (const char* args :
         {"results", "results --full-precision", "points", "points --full-precision"}) {
      SCOPED_TRACE(std::string(args) + " " + format);
      const CliRun r = Cli(std::string(args) + " --format " + format + " '" + file + "'");
      ASSERT_EQ(r.status, 0) << r.err;
      // Every CSV starts with the byte-order mark, as the window's export does.
      EXPECT_EQ(r.out.rfind("\xEF\xBB\xBF", 0) == 0, separator == ',');
      const auto rows = ReadRows(r.out, separator);
      const bool results = std::string(args).rfind("results", 0) == 0;
      ASSERT_EQ(rows.size(), results ? 5u : 9u);  // the header, and groups and total or points
      for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size());
      if (results) {
        EXPECT_EQ(rows[1][0], "畑\t北\r\n\"区\"");
        // A spreadsheet would evaluate a bare =1+2; the apostrophe makes it show the text.
        EXPECT_EQ(rows[4][0], separator == ',' ? "'=1+2" : "=1+2");
        // Negative numbers stay numbers.
        EXPECT_EQ(rows[2][3], std::string(args).ends_with("precision") ? "-2" : "-2.00");
      }
    }
  }
}

TEST_F(CliTest, DegreeProjectsAreMeasuredInMetresWithFixedFormats) {
  ProjectData d;
  d.Method = tmAffine;
  d.ScaleUnit = 6;
  d.NumDecimal = "3";
  // Longitude 139 + x / 10000, latitude 35.01 - y / 10000: the 0.01 degree square, clockwise.
  d.Cx = {139, 0.0001, 0};
  d.Cy = {35.01, 0, -0.0001};
  d.Lines = {Group(ltClosed, 0, {{0, 0}, {100, 0}, {100, 100}, {0, 100}})};
  const CliRun r = Cli("results '" + Write("deg.pqs", d) + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  // The geodesic square: 4044.4656 m round, 1012695.42 square metres, clockwise.
  EXPECT_EQ(r.out,
            "分類\tGroup\t長さ(m)\t面積(m^2)\t点数\tlength_sd\tarea_sd\r\n"
            // No markers behind the coefficients: the fit's share, and so the whole, unknown.
            "Sort 1\tC1\t4044.5\t-1012695\t4\t\t\r\n");
}

// The unrounded values in JSON agree with GeographicLib's Planimeter and GeodSolve on GRS80.
TEST_F(CliTest, DegreeResultsInJsonCarryTheGeodesicFigures) {
  ProjectData d;
  d.Method = tmAffine;
  d.ScaleUnit = 6;
  d.NumDecimal = "1";
  d.Cx = {0, 0.0001, 0};  // longitude x / 10000, latitude y / 10000
  d.Cy = {0, 0, 0.0001};
  d.Lines = {
      Group(ltClosed, 0,
            {{1390000, 350000}, {1390100, 350000}, {1390100, 350100}, {1390000, 350100}}),
      Group(ltClosed, 0, {{-50000, 400000}, {50000, 400000}, {50000, 500000}, {-50000, 500000}}),
      Group(ltCurve, 1, {{-738000, 406000}, {-5000, 516000}}),
      Group(ltCurve, 1, {{0, -300000}, {1798000, 299000}})};
  const CliRun r = Cli("results --format json '" + Write("deg.pqs", d) + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto value = [&](std::size_t row, const char* key) {
    std::size_t at = 0;
    for (std::size_t i = 0; i <= row; ++i) at = r.out.find("{\"type\"", at + 1);
    const std::string k = std::string("\"") + key + "\": ";
    return std::stod(r.out.substr(r.out.find(k, at) + k.size()));
  };
  // Rows: C1, C2, total, L3, L4, total.
  EXPECT_NEAR(value(0, "length"), 4044.465639129, 1e-3);
  EXPECT_NEAR(value(0, "area"), 1012695.4237, 1e-9 * 1012695.4237 + 1e-4);
  EXPECT_NEAR(value(1, "length"), 3792549.013543864, 1e-3);
  EXPECT_NEAR(value(1, "area"), 874001606082.4746, 1e-9 * 874001606082.4746);
  EXPECT_NEAR(value(2, "area"), 1012695.4237 + 874001606082.4746, 1e-9 * 874001606082.4746);
  EXPECT_NEAR(value(3, "length"), 5551759.400361225, 1e-3);
  EXPECT_NEAR(value(4, "length"), 19989832.827457160, 1e-3);
}

TEST_F(CliTest, SeveralProjectsAreSeparatedAndOneThatCannotBeMeasuredIsReported) {
  const std::string a = Write("a.pqs", PixelProject());
  ProjectData notSet = PixelProject();
  notSet.Method = tmQuadratic;  // needs 6 coefficients, holds 3
  const std::string b = Write("b.pqs", notSet);
  ProjectData single;
  single.Cx = {0, 1, 0};
  single.Cy = {0, 0, 1};
  single.Lines = {Group(ltPoints, 0, {{1, 1}})};
  const std::string c = Write("c.pqs", single);

  const CliRun r = Cli("results '" + a + "' '" + b + "' '" + c + "'");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, a + "\r\n" + kPixelResults + "\r\n" + c + "\r\n" +
                       "分類\tGroup\t長さ(pixels)\t面積(pixels^2)\t点数\tlength_sd\tarea_sd\r\n"
                       "Sort 1\tP1\t0.0\t0.00\t1\t0\t0\r\n");
  EXPECT_EQ(r.err, "zelko-cli results: " + b +
                       ": transformation not set (method 4 needs 6 coefficients, the project "
                       "holds 3)\n");

  const CliRun json = Cli("results --format json '" + b + "' '" + c + "'");
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(json.out.substr(0, 13 + b.size()), "[\n{\"file\": \"" + b + "\"");
  EXPECT_NE(json.out.find("\"error\": \"transformation not set"), std::string::npos);
  EXPECT_NE(json.out.find("{\"file\": \"" + c + "\", \"table\": {\"header\""), std::string::npos);
  EXPECT_EQ(json.out.substr(json.out.size() - 3), "\n]\n");
}

TEST_F(CliTest, BadInputAndBadArguments) {
  const std::string good = Write("a.pqs", PixelProject());
  {
    std::ofstream(Path("junk.pqs"), std::ios::binary) << "Zelko Version 2.8.1 \x01";
    const CliRun r = Cli("results '" + Path("junk.pqs") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("zelko-cli results: " + Path("junk.pqs") + ": ", 0), 0u) << r.err;
  }
  {
    const CliRun r = Cli("results '" + Path("missing.pqs") + "'");
    EXPECT_EQ(r.status, 1);
  }
  {
    ProjectData d = PixelProject();
    d.NumDecimal = "x";
    const CliRun r = Cli("results '" + Write("dec.pqs", d) + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("decimal places \"x\" are not a whole number"), std::string::npos);
  }
  EXPECT_EQ(Cli("results").status, 2);
  EXPECT_EQ(Cli("results --format xml '" + good + "'").status, 2);
  EXPECT_EQ(Cli("results --format").status, 2);
  EXPECT_EQ(Cli("results --verbose '" + good + "'").status, 2);
  EXPECT_EQ(Cli("points").status, 2);
  EXPECT_EQ(Cli("points '" + good + "' '" + good + "'").status, 2);
  EXPECT_EQ(Cli("points --format '" + good + "'").status, 2);
}

TEST_F(CliTest, AProjectWithoutGroupsGivesTheHeaderAlone) {
  ProjectData d = PixelProject();
  d.Lines.clear();
  const CliRun r = Cli("results '" + Write("empty.pqs", d) + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "分類\tGroup\t長さ(pixels)\t面積(pixels^2)\t点数\tlength_sd\tarea_sd\r\n");
}

TEST_F(CliTest, PointsListEveryPointWithItsPhysicalCoordinates) {
  ProjectData d = PixelProject();
  // X = 2x + 1, Y = 1000 - y / 4 in metres.
  d.Method = tmAffine;
  d.ScaleUnit = 4;
  d.Cx = {1, 2, 0};
  d.Cy = {1000, 0, -0.25};
  d.Lines = {Group(ltPoints, 1, {{10, 20}, {35, 45}}), Group(ltCurve, 0, {{0.25, 1}, {3, 4}})};
  const std::string file = Write("p.pqs", d);
  const CliRun r = Cli("points '" + file + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            // Coefficients without markers: the positions' uncertainty is unknown, not 0.
            "分類\tGroup\tPoint\tx(pixels)\ty(pixels)\tX(m)\tY(m)\tx_sd\ty_sd\r\n"
            "2\tP1\t1\t10.0\t20.0\t21.0\t995.0\t\t\r\n"
            "2\tP1\t2\t35.0\t45.0\t71.0\t988.8\t\t\r\n"
            "1\tL2\t1\t0.3\t1.0\t1.5\t999.8\t\t\r\n"
            "1\tL2\t2\t3.0\t4.0\t7.0\t999.0\t\t\r\n");
  const CliRun json = Cli("points --format json '" + file + "'");
  EXPECT_NE(json.out.find("{\"group\": 2, \"point\": 2, \"cells\": [\"1\", \"L2\", \"2\", \"3.0\", "
                          "\"4.0\", \"7.0\", \"999.0\", \"\", \"\"]}"),
            std::string::npos)
      << json.out;
}

TEST_F(CliTest, TheProjectsClickPrecisionSetsTheUncertainties) {
  ProjectData d = PixelProject();
  d.ClickPrecision = 1.5;
  const std::string file = Write("coarse.pqs", d);
  const CliRun points = Cli("points '" + file + "' --format csv");
  EXPECT_EQ(points.status, 0) << points.err;
  EXPECT_NE(points.out.find("\r\n1,C1,1,10.0,10.0,1.5,1.5\r\n"), std::string::npos) << points.out;
  // Five times the click precision, five times every uncertainty of "無変換".
  const CliRun results = Cli("results '" + file + "'");
  EXPECT_NE(results.out.find("道路\tL3\t5.0\t0.00\t2\t2.1\t0\r\n"), std::string::npos)
      << results.out;
}

TEST_F(CliTest, PointsWithoutPhysicalColumns) {
  // Method 0 has none; an unset transformation shows the same and says so.
  const std::string none = Write("none.pqs", PixelProject());
  const CliRun r = Cli("points '" + none + "' --format csv");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find("\r\n", r.out.find("\r\n") + 2) + 2),
            "\xEF\xBB\xBF分類,Group,Point,x(pixels),y(pixels),x_sd,y_sd\r\n1,C1,1,10.0,10.0,0.30,0.30\r\n");
  EXPECT_EQ(r.err, "");

  ProjectData d = PixelProject();
  d.Method = tmCubic;
  const std::string notSet = Write("notset.pqs", d);
  const CliRun n = Cli("points '" + notSet + "'");
  EXPECT_EQ(n.status, 0);
  EXPECT_EQ(n.out.substr(0, n.out.find("\r\n")),
            "分類\tGroup\tPoint\tx(pixels)\ty(pixels)\tx_sd\ty_sd");
  EXPECT_EQ(n.err,
            "zelko-cli points: " + notSet + ": transformation not set; image coordinates only\n");
}

TEST_F(CliTest, FullPrecisionPrintsTheExportsBytes) {
  ProjectData d = PixelProject();
  // A tenth of a millimetre per pixel: no value keeps a short decimal.
  d.Method = tmAffine;
  d.ScaleUnit = 2;
  d.Cx = {0, 0.1, 0};
  d.Cy = {30, 0, -0.1};
  const std::string file = Write("full.pqs", d);
  const struct {
    const char* args;
    ExportContent content;
    ExportFormat format;
  } cases[] = {
      {"results --full-precision --format=json", ExportContent::Results, ExportFormat::Json},
      {"results --format shapes", ExportContent::Shapes, ExportFormat::Json},
      {"points --format csv --full-precision", ExportContent::Points, ExportFormat::Csv}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const CliRun r = Cli(std::string(c.args) + " '" + file + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, ExportProject(d, c.content, c.format).text);
  }
  EXPECT_EQ(Cli("results --full-precision --format csv '" + file + "'").out.substr(0, 3),
            "\xEF\xBB\xBF");
  // Without the option the output stays the rounded table.
  EXPECT_EQ(Cli("results '" + file + "'").out.find("\xEF\xBB\xBF"), std::string::npos);
  EXPECT_NE(Cli("results '" + file + "'").out.find("\tC1\t2.1\t0.05\t3\t"), std::string::npos);
}

TEST_F(CliTest, GeoJsonOnlyInTheDegreeUnit) {
  ProjectData d;
  d.Method = tmAffine;
  d.ScaleUnit = 6;
  d.Cx = {139, 0.0001, 0};
  d.Cy = {35.01, 0, -0.0001};
  d.Lines = {Group(ltClosed, 0, {{0, 0}, {100, 0}, {100, 100}, {0, 100}})};
  const std::string deg = Write("deg.pqs", d);
  const CliRun geo = Cli("results --format geojson '" + deg + "'");
  ASSERT_EQ(geo.status, 0) << geo.err;
  EXPECT_EQ(geo.out, ExportProject(d, ExportContent::Shapes, ExportFormat::GeoJson).text);
  // Longitude first; the clockwise square comes back counter-clockwise.
  EXPECT_NE(geo.out.find("[[[139, 35.01], [139, 35], [139.01, 35], [139.01, 35.01], "
                         "[139, 35.01]]]"),
            std::string::npos)
      << geo.out;
  const CliRun points = Cli("points '" + deg + "' --format geojson");
  EXPECT_EQ(points.status, 0) << points.err;
  EXPECT_NE(points.out.find("\"coordinates\": [139.01, 35]}"), std::string::npos);

  const std::string px = Write("px.pqs", PixelProject());
  for (const char* command : {"results", "points"}) {
    const CliRun r = Cli(std::string(command) + " --format geojson '" + px + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("GeoJSON holds longitude and latitude"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Cli("results --format geojson '" + px + "' '" + deg + "'").status, 2);
  EXPECT_EQ(Cli("results --full-precision '" + px + "' '" + deg + "'").status, 2);
  EXPECT_EQ(Cli("points --format shapes '" + px + "'").status, 2);
}

TEST(ProjectTables, TheStoredValuesAsTheWindowTakesThem) {
  ProjectData d;
  d.Method = tmAffine;
  d.Cx = {0, 1, 0, 0};
  d.Cy = {0, 0, 1, 0};
  EXPECT_FALSE(ProjectTransformIsSet(d));  // more coefficients than the method needs
  d.Method = tmBilinear;
  EXPECT_TRUE(ProjectTransformIsSet(d));
  d.Cx.clear();
  d.Cy.clear();
  EXPECT_FALSE(ProjectTransformIsSet(d));

  d.NumDecimal = "150";
  EXPECT_EQ(ProjectDecimals(d, nullptr), 100);
  d.NumDecimal = "-3";
  EXPECT_EQ(ProjectDecimals(d, nullptr), -1);
  d.NumDecimal = "1.5";
  std::string error;
  EXPECT_EQ(ProjectDecimals(d, &error), std::nullopt);
  EXPECT_EQ(error, "decimal places \"1.5\" are not a whole number");

  d.HasCategories = false;
  d.Categories.clear();
  EXPECT_EQ(ProjectCategories(d), std::vector<std::string>{"Sort 1"});
}

TEST_F(CliTest, NumbersTooLargeOrNotFiniteFailInsteadOfPrintingWrongResults) {
  ProjectData d = PixelProject();
  d.Method = tmAffine;
  d.Cx = {1e308, 1, 0};  // swallows the point's own X
  const std::string huge = Write("huge.pqs", d);
  for (const char* form : {"", " --format json", " --full-precision", " --format shapes"}) {
    const CliRun r = Cli("results '" + huge + "'" + form);
    EXPECT_EQ(r.status, 1) << form << r.out;
    EXPECT_NE(r.err.find("lose their precision"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << form;
  }
  // A latitude beyond the poles has no place in GeoJSON.
  d.ScaleUnit = kDegreeUnit;
  d.Cx = {139, 0.001, 0};
  d.Cy = {35, 0, 0.5};  // y = 120 gives latitude 95
  d.Lines = {Group(ltPoints, 0, {{10, 10}, {10, 120}})};
  const std::string polar = Write("polar.pqs", d);
  for (const char* command : {"points", "results"}) {
    const CliRun r = Cli(std::string(command) + " '" + polar + "' --format geojson");
    EXPECT_EQ(r.status, 1) << command << r.out;
    EXPECT_NE(r.err.find("90 degrees"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }

  // The keyed-text form: nan, inf and 1e400 are refused, not read as 0; so is a count of points
  // the file does not describe.
  const std::string keyed =
      "[File]\r\nImageFile=a.jpg\r\n[Grid]\r\nMethod=2\r\n[Coordinates]\r\nNumber of "
      "Parameters=3\r\n"
      "Cx0=0\r\nCx1=1\r\nCx2=0\r\nCy0=0\r\nCy1=0\r\nCy2=1\r\n"
      "[Lines]\r\nNumber of Lines=1\r\n[Line1]\r\nLine Type=1\r\n";
  const auto writeKeyed = [&](const std::string& name, const std::string& points) {
    std::ofstream(Path(name), std::ios::binary) << keyed << points;
    return Path(name);
  };
  for (const char* bad : {"nan", "inf", "-INF", "1e400"}) {
    const std::string file = writeKeyed(
        "bad.pqs", "Number of Points=2\r\nX1=0\r\nY1=0\r\nX2=" + std::string(bad) + "\r\nY2=1\r\n");
    const CliRun r = Cli("results '" + file + "'");
    EXPECT_EQ(r.status, 1) << bad;
    EXPECT_NE(r.err.find("group 1 point 2 x '" + std::string(bad) + "' is not a finite number"),
              std::string::npos)
        << r.err;
  }
  const CliRun claims = Cli(
      "points '" + writeKeyed("claims.pqs", "Number of Points=65535\r\nX1=1\r\nY1=1\r\n") + "'");
  EXPECT_EQ(claims.status, 1);
  EXPECT_NE(claims.err.find("claims 65535 points"), std::string::npos) << claims.err;
  // Points left blank or out stay at the origin, as they always have.
  const CliRun blank = Cli(
      "points '" + writeKeyed("blank.pqs", "Number of Points=2\r\nX1=\r\nY1=3\r\nX2=4\r\n") + "'");
  EXPECT_EQ(blank.status, 0) << blank.err;
  EXPECT_NE(blank.out.find("C1\t1\t0.0\t3.0"), std::string::npos) << blank.out;
}

}  // namespace
}  // namespace zelko
