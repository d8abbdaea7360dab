// The keyed-text form of older projects. Nothing is written in it: a file read in this form is
// saved again in the binary layout.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "document/failure.h"
#include "document/project_data.h"
#include "document/records.h"

namespace zelko {

// What a keyed-text project holds. An empty optional is a key that is missing (or whose number
// does not parse): the window keeps its current value for it.
struct KeyedTextProject {
  bool HasImageFile = false;
  std::string ImageFile;  // as stored; see KeyedTextImageCandidate

  std::optional<int> Contrast;
  std::optional<bool> ContrastOn;
  std::optional<int> Red;
  std::optional<int> Green;
  std::optional<int> Blue;
  std::optional<bool> AdjustRGB;
  std::optional<std::string> Angle;
  std::optional<int> AngleChoice;  // missing: the choice the angle text names

  int NumMarkers = 0;
  std::optional<int> ColCount;
  std::optional<int> RowCount;
  // Marker-table cells present in the file, keyed by (column, row); row 0 is the header row.
  std::map<std::pair<int, int>, std::string> Cells;

  int Method = 0;
  std::optional<std::string> MeshSize;
  std::optional<int> ScaleUnit;

  // "Coordinates", or "Coordinate" when the former gives no coefficient count.
  std::string CoefficientSection = "Coordinates";
  int NumParameters = 0;  // 0 or less: no coefficients, the transformation stays as it is
  std::vector<std::optional<double>> Cx;  // NumParameters elements when it is above 0
  std::vector<std::optional<double>> Cy;
  std::optional<std::string> NumDecimal;
  // [Grid] "Click Precision": pixels; the default when left out.
  std::optional<double> ClickPrecision;

  // Category 0 and empty labels: the form holds neither.
  std::vector<TLine> Lines;
};

struct KeyedTextReadResult {
  bool Ok = false;
  Failure Error;
  KeyedTextProject Data;  // ImageFile is filled even when Ok is false
};

// Any bytes parse (a file with no keys gives an empty project and HasImageFile false). Fails on
// values the window cannot hold: a line type outside 0..2, a marker x or y cell that is no
// number, counts out of range, a marker table too small for its markers, more points in all
// than maxPoints (refused before the groups are read).
KeyedTextReadResult ParseKeyedTextProject(std::string_view bytes,
                                          std::size_t maxPoints = kMaxProjectPoints);
KeyedTextReadResult ReadKeyedTextProjectFile(const std::string& path);

// The binary record a keyed-text project becomes when the values it leaves out are those of
// current (what the window holds). Categories are reset to the default. The image path is the
// stored ImageFile with "\" separators; a caller that found the image stores RelativeImagePath
// instead. The window's own reactions (method 0 installing its coefficients) are not applied.
// False with a reason when a marker or angle text is no number or a marker is out of range.
bool KeyedTextToProjectData(const KeyedTextProject& project, const ProjectData& current,
                            ProjectData* out, std::string* error);

}  // namespace zelko
