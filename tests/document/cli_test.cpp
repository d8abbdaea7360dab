// zelko-cli show and convert, run as a separate program on files in a scratch folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "document/image_path.h"
#include "document/project_file.h"
#include "sample_files.h"
#include "test_support.h"

namespace zelko {
namespace {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ShellQuoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

CliRun Cli(const test::TempDir& dir, const std::vector<std::string>& args) {
  std::string command = ShellQuoted(ZELKO_CLI);
  for (const auto& a : args) command += " " + ShellQuoted(a);
  const std::string errPath = dir.File(".stderr");
  command += " 2>" + ShellQuoted(errPath);
  CliRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int raw = ::pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = test::ReadWholeFile(errPath);
  return run;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(CliShow, PrintsEveryStoredValue) {
  test::TempDir dir;
  const std::string path = dir.File("site.pqs");
  test::WriteWholeFile(path, test::SampleBytes());
  const CliRun text = Cli(dir, {"show", path});
  ASSERT_EQ(text.status, 0) << text.err;
  for (const char* part :
       {"header \"Zelko Version 2.8.1 \"", "image path: \"photos\\\\site1.jpg\"",
        "contrast: 60, on", "red 100, green 128, blue 200, correction off",
        "angle 12.3000001907349, choice 4 任意", "method: 2 アフィン変換", "unit: 2 mm",
        "1: x 12.3, y 456.7, X \"100\", Y \"２００\"", "2: Cx 3, Cy 6", "decimal places: \"2\"",
        "C1: 領域（閉曲線）, category 2, 3 points", "3: 30.25, -4", "P2: 点, category 1, 1 points",
        "2: \"測点１\"", "line: $0080FF40 (0080FF40)", "point line 5",
        "\"ＭＳ ゴシック\" 10 pt, character set 128", "| メモ"})
    EXPECT_TRUE(Contains(text.out, part)) << part << "\n" << text.out;

  const CliRun json = Cli(dir, {"show", "--json", path});
  ASSERT_EQ(json.status, 0) << json.err;
  for (const char* part :
       {"\"form\":\"binary\"", "\"angle\":12.3,",
        "\"markers\":[{\"xTenths\":123,\"yTenths\":4567,"
        "\"X\":\"100\",\"Y\":\"２００\"}]",
        "\"Cx\":[1,2,3]", "\"clLine\":\"$0080FF40\"",
        "\"points\":[{\"label\":\"1\",\"x\":0.5,\"y\":1.5}", "\"notes\":[\"メモ\",\"\"]}"})
    EXPECT_TRUE(Contains(json.out, part)) << part << "\n" << json.out;
  EXPECT_EQ(test::ReadWholeFile(path), test::SampleBytes());
}

TEST(CliShow, OlderVersionsAndKeyedText) {
  test::TempDir dir;
  test::WriteWholeFile(dir.File("v22.pqs"), test::Version22());
  const CliRun v22 = Cli(dir, {"show", dir.File("v22.pqs")});
  ASSERT_EQ(v22.status, 0) << v22.err;
  EXPECT_TRUE(Contains(v22.out, "(version 2.2)"));
  EXPECT_TRUE(Contains(v22.out, "categories: (not in the file)"));
  EXPECT_TRUE(Contains(v22.out, "point line (not in the file)"));

  test::WriteWholeFile(dir.File("old.pqs"), test::FullKeyedText());
  const CliRun keyed = Cli(dir, {"show", dir.File("old.pqs")});
  ASSERT_EQ(keyed.status, 0) << keyed.err;
  EXPECT_TRUE(Contains(keyed.out, "form: keyed text"));
  EXPECT_TRUE(Contains(keyed.out, "image file: \"D:\\\\現場\\\\site1.jpg\""));
  EXPECT_TRUE(Contains(keyed.out, "C4R1: \"２００\""));
  EXPECT_TRUE(Contains(keyed.out, "coefficients: 3 (section Coordinates)"));
  const CliRun keyedJson = Cli(dir, {"show", dir.File("old.pqs"), "--json"});
  ASSERT_EQ(keyedJson.status, 0);
  EXPECT_TRUE(Contains(keyedJson.out, "\"angleChoice\":null"));
}

TEST(CliShow, KeyedTextClaimingMoreMarkersThanItsTableHolds) {
  test::TempDir dir;
  test::WriteWholeFile(dir.File("site.jpg"), "");
  test::WriteWholeFile(dir.File("claims.pqs"),
                       "[File]\r\nImageFile=site.jpg\r\n[Markers]\r\nNumber of Markers=5\r\n"
                       "RowCount=3\r\nC1R1=1\r\nC2R1=2\r\nC3R1=3\r\nC4R1=4\r\n");
  for (const char* command : {"show", "results", "points"}) {
    const CliRun run = Cli(dir, {command, dir.File("claims.pqs")});
    EXPECT_NE(run.status, 0) << command;
    EXPECT_TRUE(Contains(run.err, "too small")) << command << ": " << run.err;
    EXPECT_TRUE(run.out.empty()) << command;
  }
  const CliRun convert = Cli(dir, {"convert", dir.File("claims.pqs"), dir.File("out.pqs")});
  EXPECT_NE(convert.status, 0);
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.pqs")));
}

TEST(CliShow, BadInputAndBadArguments) {
  test::TempDir dir;
  test::WriteWholeFile(dir.File("photo.jpg"), "\xff\xd8\xff\xe0 not a project");
  CliRun r = Cli(dir, {"show", dir.File("photo.jpg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "is not a Zelko project file"));
  test::WriteWholeFile(dir.File("cut.pqs"), test::SampleBytes().substr(0, 100));
  r = Cli(dir, {"show", dir.File("cut.pqs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "cannot read the project"));
  r = Cli(dir, {"show", dir.File("missing.pqs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "missing.pqs"));
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"show"}, {"show", "a", "b"}, {"show", "--xml", "a"}}) {
    r = Cli(dir, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "usage: zelko-cli show FILE [--json]"));
  }
}

TEST(CliConvert, CurrentFileInWriterFormIsByteIdentical) {
  test::TempDir dir;
  const std::string in = dir.File("in.pqs");
  test::WriteWholeFile(in, test::SampleBytes(true));
  ::chmod(in.c_str(), 0444);
  const CliRun r = Cli(dir, {"convert", in, dir.File("out.pqs")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadWholeFile(dir.File("out.pqs")), test::SampleBytes(true));
}

TEST(CliConvert, OlderVersionBecomesCurrentAndInputStays) {
  test::TempDir dir;
  const std::string in = dir.File("v22.pqs");
  test::WriteWholeFile(in, test::Version22());
  const CliRun r = Cli(dir, {"convert", in, dir.File("new.pqs")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadWholeFile(in), test::Version22());
  const std::string out = test::ReadWholeFile(dir.File("new.pqs"));
  EXPECT_EQ(out.substr(0, 20), "Zelko Version 2.8.1 ");
  const CliRun shown = Cli(dir, {"show", dir.File("new.pqs")});
  EXPECT_TRUE(Contains(shown.out, "groups: 3"));
  EXPECT_TRUE(Contains(shown.out, "C2: 領域（閉曲線）, category 1, 3 points"));
  EXPECT_TRUE(Contains(shown.out, "categories: 1\n  1: \"Sort 1\""));
}

TEST(CliConvert, AProjectiveProjectKeepsVersion29) {
  test::TempDir dir;
  ProjectData d;
  d.ImagePath = "photo.jpg";
  d.Method = 6;
  d.Cx = {12.5, 0.061, 0.0135, 2.1e-5, 6.9e-4};
  d.Cy = {95, -0.004, -0.0952, 2.1e-5, 6.9e-4};
  Failure error;
  ASSERT_TRUE(WriteProjectFile(dir.File("in.pqs"), d, &error)) << error;
  const CliRun r = Cli(dir, {"convert", dir.File("in.pqs"), dir.File("out.pqs")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadWholeFile(dir.File("out.pqs")), test::ReadWholeFile(dir.File("in.pqs")));
  const CliRun shown = Cli(dir, {"show", dir.File("out.pqs")});
  EXPECT_TRUE(Contains(shown.out, "method: 6 射影変換")) << shown.out;
}

TEST(CliConvert, KeyedTextFindsItsImageBesideIt) {
  test::TempDir dir;
  const std::string in = dir.File("old.pqs");
  test::WriteWholeFile(in, test::FullKeyedText());
  test::WriteWholeFile(dir.File("site1.jpg"), "jpeg");
  const CliRun r = Cli(dir, {"convert", in, dir.File("new.pqs")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::ReadWholeFile(in), test::FullKeyedText());
  const CliRun shown = Cli(dir, {"show", dir.File("new.pqs")});
  EXPECT_TRUE(Contains(shown.out, "image path: \"site1.jpg\""));
  EXPECT_TRUE(Contains(shown.out, "2: x 30.3, y 40.0, X \"300\", Y \"400\""));
  EXPECT_TRUE(Contains(shown.out, "method: 2"));
}

TEST(CliConvert, IntoAnotherFolderTheImagePathFollows) {
  test::TempDir dir;
  ASSERT_EQ(::mkdir(dir.File("site").c_str(), 0700), 0);
  ASSERT_EQ(::mkdir(dir.File("copies").c_str(), 0700), 0);
  ProjectData d;
  d.ImagePath = "photo.jpg";
  Failure error;
  ASSERT_TRUE(WriteProjectFile(dir.File("site/a.pqs"), d, &error)) << error;
  test::WriteWholeFile(dir.File("site/photo.jpg"), "jpeg");
  const CliRun r = Cli(dir, {"convert", dir.File("site/a.pqs"), dir.File("copies/a.pqs")});
  ASSERT_EQ(r.status, 0) << r.err;
  const ProjectReadResult copy = ReadProjectFile(dir.File("copies/a.pqs"));
  ASSERT_EQ(copy.Status, ProjectReadStatus::Ok);
  EXPECT_NE(copy.Data.ImagePath, "photo.jpg");
  const auto found = ResolveStoredImagePath(dir.File("copies/"), copy.Data.ImagePath);
  ASSERT_TRUE(found.has_value()) << copy.Data.ImagePath;
  EXPECT_EQ(test::ReadWholeFile(*found), "jpeg");
}

TEST(CliConvert, FailuresLeaveEverythingAsItWas) {
  test::TempDir dir;
  const std::string cut = dir.File("cut.pqs");
  test::WriteWholeFile(cut, test::SampleBytes().substr(0, 60));
  CliRun r = Cli(dir, {"convert", cut, dir.File("out.pqs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(r.err.empty());
  EXPECT_FALSE(test::FileExistsForTest(dir.File("out.pqs")));

  test::WriteWholeFile(dir.File("bad.pqs"),
                       "[File]\r\nImageFile=a.jpg\r\n[Lines]\r\nNumber of Lines=1\r\n"
                       "[Line1]\r\nLine Type=7\r\n");
  r = Cli(dir, {"convert", dir.File("bad.pqs"), dir.File("out.pqs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "line type"));

  const std::string good = dir.File("good.pqs");
  test::WriteWholeFile(good, test::SampleBytes());
  r = Cli(dir, {"convert", good, dir.File("no/such/folder/out.pqs")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "cannot write"));

  // An OUT that may not be written stays as it is, even for the superuser.
  const std::string locked = dir.File("locked.pqs");
  test::WriteWholeFile(locked, "old");
  ::chmod(locked.c_str(), 0444);
  r = Cli(dir, {"convert", good, locked});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(Contains(r.err, "cannot write")) << r.err;
  EXPECT_EQ(test::ReadWholeFile(locked), "old");

  for (const auto& args : std::vector<std::vector<std::string>>{
           {"convert"}, {"convert", good}, {"convert", good, good}, {"convert", good, "a", "b"}}) {
    r = Cli(dir, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(Contains(r.err, "usage: zelko-cli convert IN OUT"));
  }
  EXPECT_EQ(test::ReadWholeFile(good), test::SampleBytes());
}

TEST(CliFiles, AnOutputThatIsNoRegularFileIsRefusedAndStays) {
  test::TempDir dir;
  const std::string good = dir.File("good.pqs");
  test::WriteWholeFile(good, test::SampleBytes());
  const std::string fifo = dir.File("pipe.pqs");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(::symlink(fifo.c_str(), dir.File("link.pqs").c_str()), 0);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"convert", good, fifo}, {"convert", good, dir.File("link.pqs")}}) {
    const CliRun r = Cli(dir, args);
    EXPECT_EQ(r.status, 1) << args[2];
    EXPECT_TRUE(Contains(r.err, "not a regular file")) << r.err;
  }
  struct stat st {};
  ASSERT_EQ(::lstat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  ASSERT_EQ(::lstat(dir.File("link.pqs").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// A lost output is a failure: /dev/full takes nothing.
TEST(CliFiles, EveryCommandFailsWhenItsOutputIsLost) {
  test::TempDir dir;
  const std::string path = dir.File("site.pqs");
  test::WriteWholeFile(path, test::SampleBytes());
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"show", path},
           {"show", "--json", path},
           {"results", path},
           {"results", path, "--format", "json"},
           {"results", path, "--full-precision", "--format", "csv"},
           {"points", path},
           {"points", path, "--full-precision"},
           {"points", path, "--format", "json"}}) {
    std::string command = ShellQuoted(ZELKO_CLI);
    for (const auto& a : args) command += " " + ShellQuoted(a);
    command += " >/dev/full 2>" + ShellQuoted(dir.File(".stderr"));
    const int raw = std::system(command.c_str());
    SCOPED_TRACE(command);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_NE(WEXITSTATUS(raw), 0);
    EXPECT_TRUE(Contains(test::ReadWholeFile(dir.File(".stderr")), "No space left on device"))
        << test::ReadWholeFile(dir.File(".stderr"));
  }
}

TEST(CliFiles, APipeADirectoryOrADeviceIsRefusedAtOnce) {
  test::TempDir dir;
  const std::string fifo = dir.File("waiting.pqs");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string fifoImage = dir.File("waiting.jpg");
  ASSERT_EQ(::mkfifo(fifoImage.c_str(), 0600), 0);
  const std::string folder = dir.File("folder.pqs");
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
  // Nothing ever writes to the pipes: a reader that waits for one hangs until the timeout.
  const std::vector<std::vector<std::string>> runs = {
      {"show", fifo},
      {"results", fifo},
      {"points", fifo},
      {"fit", fifo},
      {"convert", fifo, dir.File("out.pqs")},
      {"show", folder},
      {"show", "/dev/null"},
      {"image", fifoImage, "-o", dir.File("out.jpg")}};
  for (const auto& args : runs) {
    std::vector<std::string> timed = {"20", ZELKO_CLI};
    timed.insert(timed.end(), args.begin(), args.end());
    std::string command = "timeout";
    for (const auto& a : timed) command += " " + ShellQuoted(a);
    command += " >/dev/null 2>" + ShellQuoted(dir.File(".stderr"));
    const int raw = std::system(command.c_str());
    SCOPED_TRACE(args[0] + " " + args[1]);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_NE(WEXITSTATUS(raw), 124) << "still waiting after 20 s";
    EXPECT_NE(WEXITSTATUS(raw), 0);
    EXPECT_FALSE(test::ReadWholeFile(dir.File(".stderr")).empty());
  }
}

}  // namespace
}  // namespace zelko
