// Subcommands of zelko-cli register themselves here, one file each.
#pragma once

#include <string>
#include <vector>

namespace zelko::cli {

// Exit statuses: 0 success, 1 bad input (message on stderr), 2 bad arguments (usage on stderr).
using CommandFn = int (*)(const std::vector<std::string>& args);

struct CommandRegistrar {
  CommandRegistrar(const char* name, CommandFn fn, const char* usage);
};

}  // namespace zelko::cli
