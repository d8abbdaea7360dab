// zelko-cli points: the point table of a project.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "export_output.h"
#include "measure/project_tables.h"
#include "measure/table_text.h"

namespace zelko::cli {
namespace {

const char kUsage[] = "points FILE [--format tsv|csv|json|geojson] [--full-precision]";

int BadArguments(const char* why) {
  std::fprintf(stderr, "zelko-cli points: %s\nusage: zelko-cli %s\n", why, kUsage);
  return 2;
}

// Columns: category, group, point, image x and y, and the physical X and Y unless the method is
// "無変換" or the transformation is not set (then a note on stderr; the table is still printed).
// --full-precision prints what the window's export writes (every coordinate unrounded, CSV with a
// byte order mark); geojson gives every point as a GeoJSON feature (degree unit only).
int Points(const std::vector<std::string>& args) {
  std::string format = "tsv";
  bool fullPrecision = false;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--format")
      format = i + 1 < args.size() ? args[++i] : std::string();
    else if (a.rfind("--format=", 0) == 0)
      format = a.substr(9);
    else if (a == "--full-precision")
      fullPrecision = true;
    else if (a.size() > 1 && a[0] == '-' && a != "--")
      return BadArguments(("unknown option " + a).c_str());
    else if (a != "--")
      files.push_back(a);
  }
  if (format != "tsv" && format != "csv" && format != "json" && format != "geojson")
    return BadArguments("--format takes tsv, csv, json or geojson");
  if (files.size() != 1) return BadArguments("give exactly one project file");
  if (fullPrecision || format == "geojson") {
    const ExportFormat f = format == "csv"    ? ExportFormat::Csv
                           : format == "json" ? ExportFormat::Json
                           : format == "tsv"  ? ExportFormat::Tsv
                                              : ExportFormat::GeoJson;
    return PrintExport("points", files[0], ExportContent::Points, f);
  }

  const std::string& file = files[0];
  std::string error;
  const auto data = LoadProjectData(file, &error);
  if (!data) {
    std::fprintf(stderr, "zelko-cli points: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  // Checked before the first row so that a table is either complete or not begun.
  if (!ProjectDecimals(*data, &error)) {
    std::fprintf(stderr, "zelko-cli points: %s: %s\n", file.c_str(), error.c_str());
    return 1;
  }
  if (!ProjectTransformIsSet(*data))
    std::fprintf(stderr, "zelko-cli points: %s: transformation not set; image coordinates only\n",
                 file.c_str());
  // Written a row at a time: the whole table as text takes many times the project's memory.
  std::size_t width = 0;
  bool firstRow = true;
  const auto write = [](const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  };
  const auto points =
      ForEachProjectPointRow(*data, [&](const std::vector<std::string>& cells, PointRowInfo info) {
        if (format == "json") {
          write(info.group < 0 ? PointJsonStart(cells) : PointJsonRow(firstRow, info, cells));
          firstRow = firstRow && info.group < 0;
          return;
        }
        if (info.group < 0) {
          width = cells.size();
          if (format == "csv") write(kCsvByteOrderMark);  // as the window's CSV export
        }
        write(format == "csv" ? TableRowToCsv(cells, width) : TableRowToTsv(cells, width));
      });
  if (!points.ok) {
    std::fprintf(stderr, "zelko-cli points: %s: %s\n", file.c_str(), points.error.c_str());
    return 1;
  }
  if (format == "json") write(PointJsonEnd(firstRow));
  return 0;  // the output is checked once the command is done
}

CommandRegistrar reg("points", &Points, kUsage);

}  // namespace
}  // namespace zelko::cli
