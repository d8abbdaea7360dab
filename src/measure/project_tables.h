// The result and point tables of a stored project, computed without a window: the decimals,
// unit, categories and transformation are the project's own.
#pragma once

#include <optional>
#include <string>

#include "document/project_data.h"
#include "measure/tables.h"

namespace zelko {

// Reads a binary project; nullopt with a reason for a file that cannot be read, is damaged or
// is no binary project.
std::optional<ProjectData> LoadProjectData(const std::string& path, std::string* error);

// Whether the stored transformation is set: as many coefficients as the stored method needs
// (a project read with another count has no transformation in the window either).
bool ProjectTransformIsSet(const ProjectData& data);

// The number of decimals from the stored text, limited as the window limits it; nullopt with a
// reason when the text is no whole number.
std::optional<int> ProjectDecimals(const ProjectData& data, std::string* error);

// The category names, the default "Sort 1" for a project without categories.
std::vector<std::string> ProjectCategories(const ProjectData& data);

struct ProjectResults {
  bool ok = false;
  std::string error;    // why not, when !ok
  ResultTable table;    // as the calculate command fills it; the header alone without groups
  std::string warning;  // what the calculate command warns of (crossing edges, …); UTF-8
};

// Calculates every group of the project with its stored transformation and builds the result
// table. Not ok, and nothing measured, when the transformation is not set or the decimals are
// no number.
ProjectResults ProjectResultTable(const ProjectData& data);

struct ProjectPoints {
  bool ok = false;
  std::string error;
  bool physical = false;  // false: the transformation is not set and only image columns are shown
  PointTable table;       // without the table's empty last row
};

// The point table of the project. Without a set transformation it has the five image columns.
ProjectPoints ProjectPointTable(const ProjectData& data);

// The point table of the project a row at a time (see ForEachPointTableRow); the returned table
// stays empty.
ProjectPoints ForEachProjectPointRow(const ProjectData& data, const PointRowFn& row);

}  // namespace zelko
