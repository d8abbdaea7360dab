// zelko-cli results: the result table of each project, as the calculate command fills it.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "export_output.h"
#include "measure/project_tables.h"
#include "measure/table_text.h"

namespace zelko::cli {
namespace {

const char kUsage[] = "results FILE... [--format tsv|csv|json|geojson|shapes] [--full-precision]";

enum class Format { Tsv, Csv, Json, GeoJson, Shapes };

bool ParseFormat(const std::string& name, Format* format) {
  if (name == "tsv")
    *format = Format::Tsv;
  else if (name == "csv")
    *format = Format::Csv;
  else if (name == "json")
    *format = Format::Json;
  else if (name == "geojson")
    *format = Format::GeoJson;
  else if (name == "shapes")
    *format = Format::Shapes;
  else
    return false;
  return true;
}

const char kFormats[] = "--format takes tsv, csv, json, geojson or shapes";

int BadArguments(const char* why) {
  std::fprintf(stderr, "zelko-cli results: %s\nusage: zelko-cli %s\n", why, kUsage);
  return 2;
}

void Write(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

// Output of several projects: in TSV and CSV each table is preceded by a row holding the
// project's path, and an empty line separates the tables; in JSON an array of {"file",
// "table"} or {"file", "error"} objects. A single project gives its table alone. A project
// that cannot be measured is reported on stderr, the others are still printed, and the exit
// status is then 1. Warnings of the calculation go to stderr as well.
// --full-precision prints what the window's export writes: every length and area unrounded, CSV
// with a byte order mark. geojson gives the groups as GeoJSON features (degree unit only), shapes
// the same geometries in the project's unit as JSON; both are always at full precision. These
// forms take a single project.
int Results(const std::vector<std::string>& args) {
  Format format = Format::Tsv;
  bool fullPrecision = false;
  std::vector<std::string> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--format") {
      if (i + 1 == args.size() || !ParseFormat(args[++i], &format)) return BadArguments(kFormats);
    } else if (a.rfind("--format=", 0) == 0) {
      if (!ParseFormat(a.substr(9), &format)) return BadArguments(kFormats);
    } else if (a == "--full-precision") {
      fullPrecision = true;
    } else if (a.size() > 1 && a[0] == '-' && a != "--") {
      return BadArguments(("unknown option " + a).c_str());
    } else if (a != "--") {
      files.push_back(a);
    }
  }
  if (files.empty()) return BadArguments("no project file given");
  if (fullPrecision || format == Format::GeoJson || format == Format::Shapes) {
    if (files.size() != 1)
      return BadArguments("--full-precision, geojson and shapes take one project file");
    static const ExportFormat kExportFormats[] = {ExportFormat::Tsv, ExportFormat::Csv,
                                                  ExportFormat::Json, ExportFormat::GeoJson,
                                                  ExportFormat::Json};
    return PrintExport("results", files[0],
                       format == Format::Shapes ? ExportContent::Shapes : ExportContent::Results,
                       kExportFormats[static_cast<int>(format)]);
  }

  const bool several = files.size() > 1;
  bool failed = false;
  bool firstJson = true;
  if (several && format == Format::Json) Write("[");
  if (format == Format::Csv) Write(kCsvByteOrderMark);  // as the window's CSV export
  bool firstBlock = true;
  for (const std::string& file : files) {
    std::string error;
    ProjectResults results;
    if (auto data = LoadProjectData(file, &error)) {
      results = ProjectResultTable(*data);
      error = results.error;
    }
    if (!results.ok) {
      failed = true;
      std::fprintf(stderr, "zelko-cli results: %s: %s\n", file.c_str(), error.c_str());
      if (several && format == Format::Json) {
        Write(std::string(firstJson ? "\n" : ",\n") + "{\"file\": " + JsonString(file) +
              ", \"error\": " + JsonString(error) + "}");
        firstJson = false;
      }
      continue;
    }
    if (!results.warning.empty())
      std::fprintf(stderr, "zelko-cli results: %s: %s\n", file.c_str(), results.warning.c_str());
    switch (format) {
      case Format::Tsv:
      case Format::Csv: {
        const auto row = format == Format::Tsv ? &TableRowToTsv : &TableRowToCsv;
        if (several) {
          if (!firstBlock) Write("\r\n");
          Write(row({file}, 1));
        }
        std::size_t width = 0;
        for (const auto& cells : results.table.cells) width = std::max(width, cells.size());
        // A row at a time: one text of the whole table would double its memory.
        for (const auto& cells : results.table.cells) Write(row(cells, width));
        break;
      }
      case Format::GeoJson:
      case Format::Shapes:
        break;  // written by PrintExport above
      case Format::Json:
        if (several) {
          std::string table = ResultTableToJson(results.table);
          while (!table.empty() && table.back() == '\n') table.pop_back();
          Write(std::string(firstJson ? "\n" : ",\n") + "{\"file\": " + JsonString(file) +
                ", \"table\": " + table + "}");
          firstJson = false;
        } else {
          Write(ResultTableToJson(results.table));
        }
        break;
    }
    firstBlock = false;
  }
  if (several && format == Format::Json) Write(firstJson ? "]\n" : "\n]\n");
  return failed ? 1 : 0;
}

CommandRegistrar reg("results", &Results, kUsage);

}  // namespace
}  // namespace zelko::cli
