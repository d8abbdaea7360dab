// The full-precision forms of zelko-cli results and points: the bytes the window's export writes.
#pragma once

#include <string>

#include "measure/export.h"

namespace zelko::cli {

// Prints the export of one project to stdout; problems go to stderr as "zelko-cli COMMAND: FILE:
// why". Returns the exit status.
int PrintExport(const char* command, const std::string& file, ExportContent content,
                ExportFormat format);

}  // namespace zelko::cli
