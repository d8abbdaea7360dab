// zelko-cli fit, run as a separate program on projects written into a scratch folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "coords/fit.h"
#include "coords/transform.h"
#include "document/numbers.h"
#include "document/project_data.h"
#include "document/project_file.h"

namespace zelko {
namespace {

namespace fs = std::filesystem;

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

class CliFitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zelko_cli_fit_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  CliRun Run(const std::vector<std::string>& args) const {
    std::string command = Quoted(ZELKO_CLI) + " fit";
    for (const auto& a : args) command += " " + Quoted(a);
    const std::string errPath = File("stderr.txt");
    command += " 2>" + Quoted(errPath);
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream err(errPath, std::ios::binary);
    std::ostringstream text;
    text << err.rdbuf();
    run.err = text.str();
    return run;
  }

  // A project whose markers are given as (x tenths, y tenths, X text, Y text).
  std::string Project(const std::string& name, int method,
                      const std::vector<MarkerRecord>& markers) {
    ProjectData d;
    d.ImagePath = "photo.jpg";
    d.Method = method;
    d.Markers = markers;
    d.Cx = {0, 1, 0};
    d.Cy = {0, 0, 1};
    Failure error;
    EXPECT_TRUE(WriteProjectFile(File(name), d, &error)) << error;
    return File(name);
  }

  // Four corners of a 10-pixel square whose X values bend by 2 in the far corner, so the plane
  // misses every corner by 0.5; Y is the image y exactly. Row 5 has a Y only.
  std::string SquareProject(int method = tmAffine) {
    return Project("square.pqs", method,
                   {{0, 0, "0", "0"},
                    {100, 0, "10", "0"},
                    {0, 100, "0", "10"},
                    {100, 100, "12", "10"},
                    {50, 50, "", "5"}});
  }

  fs::path dir_;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

// The numbers after a line's label, "-" read as NaN.
std::vector<double> Numbers(const std::string& line, std::size_t skip) {
  std::istringstream in(line);
  std::vector<double> out;
  std::string word;
  for (std::size_t i = 0; in >> word; ++i)
    if (i >= skip) out.push_back(word == "-" ? std::nan("") : std::strtod(word.c_str(), nullptr));
  return out;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    if (std::isnan(expected[i]))
      EXPECT_TRUE(std::isnan(actual[i])) << i;
    else
      EXPECT_NEAR(actual[i], expected[i], 1e-9) << i;
  }
}

TEST_F(CliFitTest, PrintsCoefficientsAndTheResidualOfEveryRow) {
  const CliRun run = Run({SquareProject()});
  ASSERT_EQ(run.status, 0) << run.err;
  // Y grows with image y, as on the screen, which mirrors the picture.
  EXPECT_EQ(run.err,
            "この変換式は画像を裏返します（X が北、Y が東の測量座標のように、"
            "物理座標の向きが画像と逆です）。面積の符号はすべて逆になります。\n");
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 19u) << run.out;
  EXPECT_EQ(lines[0], "method: 2");
  // X = −0.5 + 1.1x + 0.1y; Y = y.
  ASSERT_EQ(lines[1].rfind("cx: ", 0), 0u);
  ExpectNear(Numbers(lines[1], 1), {-0.5, 1.1, 0.1});
  ExpectNear(Numbers(lines[2], 1), {0, 0, 1});
  // Fitted minus typed, then the same from the fit without the row: the plane through the
  // other three corners misses the fourth by 2. Row 5 took part in the Y fit only.
  const double nan = std::nan("");
  ExpectNear(Numbers(lines[3], 0), {1, -0.5, 0, -2, 0});
  ExpectNear(Numbers(lines[4], 0), {2, 0.5, 0, 2, 0});
  ExpectNear(Numbers(lines[5], 0), {3, 0.5, 0, 2, 0});
  ExpectNear(Numbers(lines[6], 0), {4, -0.5, 0, -2, 0});
  ExpectNear(Numbers(lines[7], 0), {5, nan, 0, nan, 0});
  ASSERT_EQ(lines[8].rfind("rms_x: ", 0), 0u);
  ExpectNear(Numbers(lines[8], 1), {0.5});
  ExpectNear(Numbers(lines[9], 1), {0});
  // Four X and five Y values against 2 × 3 coefficients.
  ExpectNear(Numbers(lines[10], 1), {std::sqrt(4 * 0.25 / 9)});
  EXPECT_EQ(lines[11], "dof: 3");
  EXPECT_EQ(lines[12], "layout: determined");
  EXPECT_EQ(lines[13], "folds: no");
  EXPECT_EQ(lines[14], "vanishing_line: no");
  EXPECT_EQ(lines[15], "mirrors: yes");
  EXPECT_EQ(lines[16], "coverage: -");
  EXPECT_EQ(lines[17], "spread: 1");
  EXPECT_EQ(lines[18], "not_numeric:");
}

TEST_F(CliFitTest, TheProjectiveMethodFitsEightParameters) {
  // Markers of X = 0.1x / (1 + 0.001y), Y = (100 − 0.1y) / (1 + 0.001y): a plane seen at an
  // angle; six markers leave 12 − 8 = 4 degrees of freedom.
  std::vector<MarkerRecord> markers;
  for (auto [x, y] : {std::pair{0, 0}, {1000, 0}, {0, 800}, {1000, 800}, {500, 400}, {200, 700}}) {
    const double w = 1 + 0.001 * y;
    markers.push_back({static_cast<std::uint16_t>(10 * x), static_cast<std::uint16_t>(10 * y),
                       FormatGeneral15(0.1 * x / w), FormatGeneral15((100 - 0.1 * y) / w)});
  }
  const CliRun run = Run({Project("oblique.pqs", tmProjective, markers), "--size", "1000x800"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 20u) << run.out;
  EXPECT_EQ(lines[0], "method: 6");
  ExpectNear(Numbers(lines[1], 1), {0, 0.1, 0, 0, 0.001});
  ExpectNear(Numbers(lines[2], 1), {100, 0, -0.1, 0, 0.001});
  EXPECT_EQ(lines[12], "dof: 4");
  EXPECT_EQ(lines[15], "vanishing_line: no");
  EXPECT_EQ(lines[16], "mirrors: no");
  EXPECT_EQ(lines[17], "coverage: 1");
  EXPECT_EQ(run.err, "");
}

TEST_F(CliFitTest, JsonIsOneObjectWithNullForUnusedAxes) {
  const CliRun run = Run({"--json", SquareProject()});
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_FALSE(run.out.empty());
  EXPECT_EQ(run.out.rfind("{\"method\": 2, \"cx\": [", 0), 0u) << run.out;
  EXPECT_EQ(run.out.back(), '\n');
  EXPECT_EQ(run.out.find('\n'), run.out.size() - 1);
  EXPECT_NE(run.out.find("\"residuals\": [{\"row\": 1, \"dx\": "), std::string::npos);
  EXPECT_NE(run.out.find("{\"row\": 5, \"dx\": null, \"dy\": "), std::string::npos);
  EXPECT_NE(run.out.find("\"rms_x\": "), std::string::npos);
  EXPECT_NE(run.out.find("\"rms_y\": "), std::string::npos);
}

TEST_F(CliFitTest, TheMethodOptionOverridesTheProjectsMethod) {
  // The stored method 0 is not fitted; the option picks one that is.
  const std::string path = SquareProject(0);
  const CliRun stored = Run({path});
  EXPECT_EQ(stored.status, 1);
  EXPECT_NE(stored.err.find("--method"), std::string::npos);
  EXPECT_EQ(stored.out, "");
  const CliRun affine = Run({path, "--method", "2"});
  ASSERT_EQ(affine.status, 0) << affine.err;
  EXPECT_EQ(Lines(affine.out).at(0), "method: 2");
}

TEST_F(CliFitTest, ShortagesExitWithTheWindowsMessages) {
  // Bilinear needs five usable rows; X has four.
  const CliRun x = Run({SquareProject(), "--method", "3"});
  EXPECT_EQ(x.status, 1);
  EXPECT_EQ(x.err, std::string(kFitShortageXMessage) + "\n");
  EXPECT_EQ(x.out, "");
  // Four rows for X, three for Y.
  const std::string path =
      Project("short_y.pqs", tmAffine,
              {{0, 0, "1", "1"}, {100, 0, "2", ""}, {0, 100, "3", "3"}, {100, 100, "4", "4"}});
  const CliRun y = Run({path});
  EXPECT_EQ(y.status, 1);
  EXPECT_EQ(y.err, std::string(kFitShortageYMessage) + "\n");
}

TEST_F(CliFitTest, TheWindowsWarningsGoToStandardError) {
  // Marker 2's X is a full-width digit: named before the fit and left out of it.
  const CliRun typo = Run({Project("typo.pqs", tmAffine,
                                   {{0, 0, "0", "0"},
                                    {100, 0, "１０", "0"},
                                    {0, 100, "0", "10"},
                                    {100, 100, "10", "10"},
                                    {50, 0, "5", "0"}})});
  ASSERT_EQ(typo.status, 0) << typo.err;
  EXPECT_EQ(typo.err.rfind("マーカー 2 の座標が数値ではありません。", 0), 0u) << typo.err;
  EXPECT_NE(typo.out.find("\n2 - "), std::string::npos) << typo.out;
  EXPECT_NE(typo.out.find("not_numeric: 2\n"), std::string::npos);

  // Five markers at one spot: the fit is printed, with the warning the window gives.
  const CliRun spot =
      Run({Project("spot.pqs", tmAffine, std::vector<MarkerRecord>(5, {100, 200, "5", "5"})),
           "--json"});
  ASSERT_EQ(spot.status, 0);
  EXPECT_NE(spot.err.find("すべてのマーカーがほぼ同じ位置にあるため"), std::string::npos);
  EXPECT_NE(spot.out.find("\"layout\": \"one_spot\""), std::string::npos) << spot.out;

  // A cubic that folds only outside its markers: the image size decides.
  std::vector<MarkerRecord> cubic;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      const double x = 20 + 20 * i, y = 20 + 20 * j;
      char text[32];
      std::snprintf(text, sizeof text, "%.17g", x - 0.0002 * std::pow(x - 50, 3));
      cubic.push_back({static_cast<std::uint16_t>(x * 10), static_cast<std::uint16_t>(y * 10), text,
                       std::to_string(static_cast<int>(y))});
    }
  const std::string path = Project("cubic.pqs", tmCubic, cubic);
  const CliRun markersOnly = Run({path});
  ASSERT_EQ(markersOnly.status, 0) << markersOnly.err;
  EXPECT_NE(markersOnly.out.find("folds: no\n"), std::string::npos);
  const CliRun inImage = Run({path, "--size", "100x100"});
  ASSERT_EQ(inImage.status, 0);
  EXPECT_NE(inImage.out.find("folds: yes\n"), std::string::npos);
  EXPECT_NE(inImage.err.find("変換式が画像の中で折り返しています"), std::string::npos);
}

TEST_F(CliFitTest, AnArithmeticFaultIsReported) {
  const std::string path = Project("huge.pqs", tmAffine,
                                   {{0, 0, "1e308", "0"},
                                    {100, 0, "1.7e308", "0"},
                                    {0, 100, "1.7e308", "10"},
                                    {100, 100, "1.7e308", "10"}});
  const CliRun run = Run({path});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, std::string(kFitFaultMessage) + "\n");
  EXPECT_EQ(run.out, "");
}

TEST_F(CliFitTest, BadArgumentsShowTheUsage) {
  const std::string path = SquareProject();
  for (const auto& args :
       std::vector<std::vector<std::string>>{{},
                                             {"--json"},
                                             {path, "--method"},
                                             {path, "--method", "1"},
                                             {path, "--method", "7"},
                                             {path, "--method", "two"},
                                             {path, "--method", "2", "--method", "3"},
                                             {path, "--verbose"},
                                             {path, "--size", "100"},
                                             {path, "--size", "0x10"},
                                             {path, path}}) {
    const CliRun run = Run(args);
    EXPECT_EQ(run.status, 2) << args.size();
    EXPECT_NE(run.err.find("usage: zelko-cli fit FILE"), std::string::npos);
    EXPECT_EQ(run.out, "");
  }
}

TEST_F(CliFitTest, UnreadableFilesAreBadInput) {
  EXPECT_EQ(Run({File("missing.pqs")}).status, 1);
  const std::string broken = File("broken.pqs");
  std::ofstream(broken, std::ios::binary) << "Zelko Version 2.8.1 \x01";
  const CliRun run = Run({broken});
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(run.err.empty());
}

}  // namespace
}  // namespace zelko
