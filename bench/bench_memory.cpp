// Peak memory (max RSS) of a large project: what reading it costs, in zelko-cli and in the
// window. Not a Google Benchmark: each figure is one process's peak, so each mode runs alone.
//
//   bench_memory generate FILE POINTS  writes a project of POINTS points beside a copy of the
//                                      sample photograph
//   bench_memory read FILE             reads it into the document records as the window does
//   bench_memory window FILE           opens it in the real window (offscreen) and quits
//   bench_memory run COMMAND ARGS...   runs a command (output discarded) and reports its peak
//   bench_memory open IMAGE            opens an image file as the window does and reports its
//                                      peak against the decoded image
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/application.h"
#include "app/dialogs.h"
#include "document/project_file.h"
#include "imaging/image_file.h"
#include "imaging/working_image.h"

namespace {

using namespace zelko;

double FileMegabytes(const char* path) {
  struct stat st {};
  return stat(path, &st) == 0 ? st.st_size / 1e6 : 0;
}

void Report(const char* what, long maxRssKb, const char* file) {
  const double mb = maxRssKb / 1024.0 * 1.048576;  // kB of 1024 bytes, shown in MB of 10^6
  const double fileMb = FileMegabytes(file);
  std::printf("%s: max RSS %.1f MB", what, mb);
  if (fileMb > 0) std::printf(" = %.2f x the file (%.1f MB)", mb / fileMb, fileMb);
  std::printf("\n");
}

long SelfMaxRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

int Generate(const char* path, long points) {
  ProjectData d;
  d.ImagePath = "sample.jpg";
  // Full groups as a long digitising session leaves them, a third each of every kind, with the
  // labels the program writes.
  for (long left = points, g = 0; left > 0; ++g) {
    TLine line;
    line.LineType = static_cast<std::uint8_t>(g % 3);
    line.NumPoints = static_cast<std::int32_t>(std::min(left, 65535L));
    for (int i = 0; i < line.NumPoints; ++i)
      line.Points.push_back({PointLabel::Number(static_cast<std::uint32_t>(i + 1)),
                             100.0 + (i % 4000) * 0.5, 100.0 + (i / 4000) * 0.5 + g});
    left -= line.NumPoints;
    d.Lines.push_back(std::move(line));
  }
  Failure error;
  if (!WriteProjectFile(path, d, &error)) {
    std::fprintf(stderr, "bench_memory: %s\n", error.Text().c_str());
    return 1;
  }
  const auto image = std::filesystem::path(path).parent_path() / "sample.jpg";
  std::filesystem::copy_file(ZELKO_TEST_DATA "/../../sample/sample.jpg", image,
                             std::filesystem::copy_options::overwrite_existing);
  std::printf("%s: %ld points, %.1f MB\n", path, points, FileMegabytes(path));
  return 0;
}

int Read(const char* path) {
  const ProjectReadResult r = ReadProjectFile(path);
  if (r.Status != ProjectReadStatus::Ok) {
    std::fprintf(stderr, "bench_memory: %s\n", r.Error.Text().c_str());
    return 1;
  }
  Report("reader", SelfMaxRssKb(), path);
  return 0;
}

int Window(int argc, char** argv) {
  const std::string settings =
      (std::filesystem::temp_directory_path() / ("bench_memory_" + std::to_string(getpid())))
          .string();
  setenv("ZELKO_INI", (settings + ".ini").c_str(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  SetUpApplication();
  QtDialogs dialogs(nullptr);
  OpenMainWindow(dialogs, {});
  QTimer::singleShot(0, &app, &QCoreApplication::quit);
  QApplication::exec();
  Report("empty window", SelfMaxRssKb(), nullptr);
  // A second window on the project, as `zelko FILE` opens one; it has been read and shown once
  // the event loop runs.
  OpenMainWindow(dialogs, {QString::fromLocal8Bit(argv[argc - 1])});
  QTimer::singleShot(0, &app, &QCoreApplication::quit);
  QApplication::exec();
  Report("window with the project", SelfMaxRssKb(), argv[argc - 1]);
  std::remove((settings + ".ini").c_str());
  return 0;
}

int Run(char** command) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execvp(command[0], command);
    _exit(127);
  }
  int status = 0;
  rusage u{};
  wait4(pid, &status, 0, &u);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "bench_memory: %s failed\n", command[0]);
    return 1;
  }
  std::string what;
  const char* last = "";
  for (char** a = command; *a; ++a) {
    what += (what.empty() ? "" : " ") + std::string(*a);
    last = *a;
  }
  Report(what.c_str(), u.ru_maxrss, last);  // the last argument is the project
  return 0;
}

int Open(const char* path) {
  // What the program and its libraries hold before the open, counted apart from the open's.
  const double before = ReadMemoryStatus().processResident / 1e6;
  try {
    const DecodedImage d = LoadImage(path, MachineDecodeLimits());
    const double mb = SelfMaxRssKb() / 1024.0 * 1.048576;
    const double image = static_cast<double>(d.bitmap.ByteSize()) / 1e6;
    std::printf(
        "open %s: decoded %.1f MB, max RSS %.1f MB (%.1f MB before the open): the open's peak "
        "%.2f x the decoded image\n",
        path, image, mb, before, (mb - before) / image);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_memory: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "generate") == 0)
    return Generate(argv[2], std::atol(argv[3]));
  if (argc == 3 && std::strcmp(argv[1], "read") == 0) return Read(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "window") == 0) return Window(argc, argv);
  if (argc >= 3 && std::strcmp(argv[1], "run") == 0) return Run(argv + 2);
  if (argc == 3 && std::strcmp(argv[1], "open") == 0) return Open(argv[2]);
  std::fprintf(
      stderr,
      "usage: bench_memory generate FILE POINTS | read FILE | window FILE | run CMD... | open "
      "IMAGE\n");
  return 2;
}
