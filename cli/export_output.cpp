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
  if (content == ExportContent::Points && !ProjectTransformIsSet(*data) &&
      format != ExportFormat::GeoJson)
    report("transformation not set; image coordinates only");
  // Streamed: the whole text of a large project takes many times its memory.
  const ExportText out = ExportProjectTo(*data, content, format, [](std::string_view piece) {
    std::fwrite(piece.data(), 1, piece.size(), stdout);
  });
  if (!out.ok()) {
    report(out.error);
    return 1;
  }
  if (!out.warning.empty()) report(out.warning);
  return 0;  // the output is checked once the command is done
}

}  // namespace zelko::cli
