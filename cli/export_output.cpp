#include "export_output.h"

#include <cstdio>

#include "measure/project_tables.h"

namespace zelko::cli {

int PrintExport(const char* command, const std::string& file, ExportContent content,
                ExportFormat format) {
  const auto report = [&](const std::string& why) {
    std::fprintf(stderr, "zelko-cli %s: %s: %s\n", command, file.c_str(), why.c_str());
  };
  std::string error;
  const auto data = LoadProjectData(file, &error);
  if (!data) {
    report(error);
    return 1;
  }
  const ExportText out = ExportProject(*data, content, format);
  if (!out.ok()) {
    report(out.error);
    return 1;
  }
  if (content == ExportContent::Points && !ProjectTransformIsSet(*data))
    report("transformation not set; image coordinates only");
  if (!out.warning.empty()) report(out.warning);
  std::fwrite(out.text.data(), 1, out.text.size(), stdout);
  return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

}  // namespace zelko::cli
