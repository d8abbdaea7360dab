// zelko-cli: the headless front of the engine, for scripts and batch work.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <string>
#include <vector>

#include "command.h"

namespace zelko::cli {
namespace {

struct Entry {
  CommandFn fn;
  std::string usage;
};

std::map<std::string, Entry>& Registry() {
  static std::map<std::string, Entry> registry;
  return registry;
}

void PrintUsage(FILE* to) {
  std::fprintf(to, "usage: zelko-cli COMMAND ...\n");
  for (const auto& [name, entry] : Registry()) std::fprintf(to, "  %s\n", entry.usage.c_str());
  std::fprintf(to, "  --help | --version\n");
}

int Usage() {
  PrintUsage(stderr);
  return 2;
}

// Output lost on the way (a full disk, /dev/full, a closed pipe) is a failure whatever the
// command found: a truncated table must not pass for a whole one.
int CheckOutput(const std::string& command, int status) {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  const int err = errno;
  if (flushed && !std::ferror(stdout)) return status;
  std::fprintf(stderr, "zelko-cli %s: cannot write the output: %s\n", command.c_str(),
               err != 0 ? std::strerror(err) : "write error");
  return status == 0 ? 1 : status;
}

}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, CommandFn fn, const char* usage) {
  Registry()[name] = Entry{fn, usage};
}

}  // namespace zelko::cli

int main(int argc, char** argv) {
  using namespace zelko::cli;
  if (argc < 2) return Usage();
  const std::string first = argv[1];
  if (first == "--version" || first == "-v") {
    std::printf("zelko-cli %s\n", ZELKO_VERSION);
    return 0;
  }
  if (first == "--help" || first == "-h") {
    PrintUsage(stdout);
    return 0;
  }
  auto it = Registry().find(argv[1]);
  if (it == Registry().end()) return Usage();
  std::vector<std::string> args(argv + 2, argv + argc);
  int status;
  try {
    status = it->second.fn(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zelko-cli: %s\n", e.what());
    status = 1;
  }
  return CheckOutput(it->first, status);
}
