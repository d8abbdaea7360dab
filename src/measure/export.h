// Results that leave the program as files: the result table, the point table and the groups as
// geometries, in CSV, TSV, JSON and GeoJSON, with every value at full precision. The window's
// export and `zelko-cli results|points --full-precision` (and `--format geojson`) write the same
// bytes, as both go through ExportProject.
#pragma once

#include <string>

#include "document/file_io.h"
#include "document/project_data.h"

namespace zelko {

enum class ExportContent { Results, Points, Shapes };
enum class ExportFormat { Csv, Tsv, Json, GeoJson };

enum class ExportStatus {
  Done,
  NoTransform,    // results and shapes need a set transformation
  NotDegreeUnit,  // GeoJSON holds longitude and latitude only
  NotOffered,     // the groups as geometries have no table form
  Unreliable,     // a value is not finite, lost its precision or lies beyond the poles
};

struct ExportText {
  ExportStatus status = ExportStatus::Done;
  std::string error;    // why not, in English (the command line's language); empty when Done
  std::string text;     // the whole file
  std::string warning;  // what the calculation warns of (crossing edges, …); UTF-8
  bool ok() const { return status == ExportStatus::Done; }
};

// Whether the format can carry the content for a project in `unit`: GeoJSON only in the degree
// unit, the geometries only as JSON or GeoJSON.
bool ExportOffered(ExportContent content, ExportFormat format, int unit);

// The file text. Lengths and areas are calculated afresh from the points (the stored ones may be
// out of date); the decimals of the project play no part. CSV starts with a UTF-8 byte order
// mark, so that spreadsheet programs read the Japanese texts; rows end with CR LF as the table
// copies do. Without a set transformation the point table has its image columns only.
// GeoJSON of the result table is that of the geometries: one feature per group.
ExportText ExportProject(const ProjectData& data, ExportContent content, ExportFormat format);

// The same, given to the sink piece by piece (the point table a row at a time) instead of held
// whole; the result's text stays empty. Nothing reaches the sink unless the status is Done.
ExportText ExportProjectTo(const ProjectData& data, ExportContent content, ExportFormat format,
                           const ByteSink& sink);

// The shortest text that reads back as the same double ("" for infinities and NaN).
std::string ExactNumber(double v);

}  // namespace zelko
