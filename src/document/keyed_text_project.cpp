#include "document/keyed_text_project.h"

#include <algorithm>
#include <stdexcept>

#include "document/file_io.h"
#include "document/image_path.h"
#include "document/ini_file.h"
#include "document/numbers.h"

namespace zelko {
namespace {

constexpr int kMaxColumns = 256;
constexpr int kMaxRows = 65537;

struct ParseError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// "C" column "R" row, both decimal without leading zeros, as the keys are made.
bool ParseCellKey(const std::string& key, int* column, int* row) {
  auto number = [](const std::string& s, size_t& pos, int* out) {
    const size_t start = pos;
    long long value = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && pos - start < 7)
      value = value * 10 + (s[pos++] - '0');
    if (pos == start || (s[start] == '0' && pos - start > 1)) return false;
    *out = static_cast<int>(value);
    return true;
  };
  size_t pos = 0;
  if (key.empty() || (key[0] != 'C' && key[0] != 'c')) return false;
  ++pos;
  if (!number(key, pos, column)) return false;
  if (pos >= key.size() || (key[pos] != 'R' && key[pos] != 'r')) return false;
  ++pos;
  if (!number(key, pos, row)) return false;
  return pos == key.size();
}

std::optional<bool> TryReadBool(const IniFile& ini, const char* section, const char* key) {
  if (const auto v = ini.TryReadInteger(section, key)) return *v != 0;
  return std::nullopt;
}

// A number the file gives must be a finite one: "nan", "inf" or 1e400 would otherwise read as the
// default and give wrong results without a word. A key left out or left blank takes the default.
std::optional<double> ReadFinite(const IniFile& ini, const std::string& section,
                                 const std::string& key, const std::string& what) {
  const auto text = ini.Value(section, key);
  if (!text || text->find_first_not_of(" \t") == std::string::npos) return std::nullopt;
  const auto value = TryParseNumber(*text);
  if (!value) throw ParseError(what + " '" + *text + "' is not a finite number");
  return value;
}

void ParseInto(const IniFile& ini, KeyedTextProject& p, std::size_t maxPoints) {
  if (const auto image = ini.Value("File", "ImageFile")) {
    p.HasImageFile = true;
    p.ImageFile = *image;
  }

  p.Contrast = ini.TryReadInteger("Image", "Contrast value");
  p.ContrastOn = TryReadBool(ini, "Image", "Contrast");
  p.Red = ini.TryReadInteger("Image", "Red value");
  p.Green = ini.TryReadInteger("Image", "Green value");
  p.Blue = ini.TryReadInteger("Image", "Blue value");
  p.AdjustRGB = TryReadBool(ini, "Image", "AdjustRGB");
  p.Angle = ini.Value("Image", "Angle");
  p.AngleChoice = ini.TryReadInteger("Image", "Angle No");
  if (p.AngleChoice && (*p.AngleChoice < 0 || *p.AngleChoice > 4))
    throw ParseError("angle choice " + std::to_string(*p.AngleChoice) + " is not 0 to 4");

  p.NumMarkers = ini.ReadInteger("Markers", "Number of Markers", 0);
  if (p.NumMarkers < 0 || p.NumMarkers > 65535)
    throw ParseError("marker count " + std::to_string(p.NumMarkers) + " is not 0 to 65535");
  p.ColCount = ini.TryReadInteger("Markers", "ColCount");
  p.RowCount = ini.TryReadInteger("Markers", "RowCount");
  if (p.ColCount && (*p.ColCount < 1 || *p.ColCount > kMaxColumns))
    throw ParseError("marker table column count " + std::to_string(*p.ColCount) + " is invalid");
  if (p.RowCount && (*p.RowCount < 1 || *p.RowCount > kMaxRows))
    throw ParseError("marker table row count " + std::to_string(*p.RowCount) + " is invalid");
  if (p.NumMarkers > 0 &&
      ((p.RowCount && *p.RowCount <= p.NumMarkers) || (p.ColCount && *p.ColCount < 3)))
    throw ParseError("the marker table is too small for its " + std::to_string(p.NumMarkers) +
                     " markers");
  for (const std::string& key : ini.Keys("Markers")) {
    int column = 0, row = 0;
    if (!ParseCellKey(key, &column, &row) || column >= kMaxColumns || row >= kMaxRows) continue;
    if (p.Cells.count({column, row})) continue;  // the first occurrence counts
    p.Cells[{column, row}] = *ini.Value("Markers", key);
  }
  for (const auto& [cell, text] : p.Cells) {
    const auto [column, row] = cell;
    if ((column == 1 || column == 2) && row >= 1 && row <= p.NumMarkers && !TryParseNumber(text))
      throw ParseError("marker " + std::to_string(row) + (column == 1 ? " x" : " y") + " '" + text +
                       "' is not a number");
  }

  p.Method = ini.ReadInteger("Grid", "Method", 0);
  if (p.Method < 0 || p.Method > kLastMethod)
    throw ParseError("transformation method " + std::to_string(p.Method) + " is not 0 to " +
                     std::to_string(kLastMethod));
  p.MeshSize = ini.Value("Grid", "Mesh Size");
  p.ClickPrecision = ReadFinite(ini, "Grid", "Click Precision", "click precision");
  if (p.ClickPrecision && !(*p.ClickPrecision > 0 && *p.ClickPrecision <= kMaxClickPrecision))
    throw ParseError("click precision " + FormatGeneral15(*p.ClickPrecision) +
                     " is not above 0 and at most " + FormatGeneral15(kMaxClickPrecision) +
                     " pixels");
  p.ScaleUnit = ini.TryReadInteger("Grid", "Scale Unit");
  if (p.ScaleUnit && (*p.ScaleUnit < 0 || *p.ScaleUnit > 6))
    throw ParseError("scale unit " + std::to_string(*p.ScaleUnit) + " is not 0 to 6");

  p.CoefficientSection = "Coordinates";
  p.NumParameters = ini.ReadInteger("Coordinates", "Number of Parameters", 0);
  if (p.NumParameters <= 0) {
    p.CoefficientSection = "Coordinate";
    p.NumParameters = ini.ReadInteger("Coordinate", "Number of Parameters", 0);
  }
  if (p.NumParameters > 255)
    throw ParseError("coefficient count " + std::to_string(p.NumParameters) + " is over 255");
  const std::string& cs = p.CoefficientSection;
  for (int i = 0; i < p.NumParameters; ++i) {
    p.Cx.push_back(
        ReadFinite(ini, cs, "Cx" + std::to_string(i), "coefficient Cx" + std::to_string(i)));
    p.Cy.push_back(
        ReadFinite(ini, cs, "Cy" + std::to_string(i), "coefficient Cy" + std::to_string(i)));
  }
  p.NumDecimal = ini.Value(cs, "No.of decimals");

  const int lineCount = ini.ReadInteger("Lines", "Number of Lines", 0);
  if (lineCount < 0 || lineCount > 65535)
    throw ParseError("group count " + std::to_string(lineCount) + " is not 0 to 65535");
  // The points are counted before any group is read: a small file can claim many points, each
  // defaulting to (0, 0), and one beyond the limit must not take the memory first.
  auto pointCount = [&](int k) {
    const int count = ini.ReadInteger("Line" + std::to_string(k), "Number of Points", 0);
    if (count < 0 || count > 65535)
      throw ParseError("group " + std::to_string(k) + " point count " + std::to_string(count) +
                       " is not 0 to 65535");
    return count;
  };
  std::size_t totalPoints = 0;
  for (int k = 1; k <= lineCount; ++k) totalPoints += static_cast<std::size_t>(pointCount(k));
  if (totalPoints > maxPoints) throw ParseError(TooManyPointsError(maxPoints));
  p.Lines.resize(static_cast<size_t>(lineCount));
  for (int k = 1; k <= lineCount; ++k) {
    const std::string section = "Line" + std::to_string(k);
    TLine& line = p.Lines[static_cast<size_t>(k - 1)];
    const int type = ini.ReadInteger(section, "Line Type", 1);
    if (type < 0 || type > 2)
      throw ParseError("group " + std::to_string(k) + " line type " + std::to_string(type) +
                       " is not 0 to 2");
    line.LineType = static_cast<std::uint8_t>(type);
    line.NumPoints = pointCount(k);
    // A point the file describes has its keys; a count far beyond them (a few bytes claiming a
    // group of 65535 points at the origin) is refused rather than taking memory.
    const std::size_t keys = ini.Keys(section).size();
    if (static_cast<std::size_t>(line.NumPoints) > keys)
      throw ParseError("group " + std::to_string(k) + " claims " + std::to_string(line.NumPoints) +
                       " points but describes only " + std::to_string(keys) + " values");
    line.Points.resize(static_cast<size_t>(line.NumPoints));
    for (int j = 1; j <= line.NumPoints; ++j) {
      TMarker& point = line.Points[static_cast<size_t>(j - 1)];
      const std::string where = "group " + std::to_string(k) + " point " + std::to_string(j);
      point.x = ReadFinite(ini, section, "X" + std::to_string(j), where + " x").value_or(0);
      point.y = ReadFinite(ini, section, "Y" + std::to_string(j), where + " y").value_or(0);
    }
  }
}

}  // namespace

KeyedTextReadResult ParseKeyedTextProject(std::string_view bytes, std::size_t maxPoints) {
  KeyedTextReadResult result;
  const IniFile ini = IniFile::Parse(bytes);
  try {
    ParseInto(ini, result.Data, maxPoints);
    result.Ok = true;
  } catch (const ParseError& e) {
    result.Error = {FailureKind::Damaged, "", 0, e.what()};
  }
  return result;
}

KeyedTextReadResult ReadKeyedTextProjectFile(const std::string& path) {
  std::string bytes;
  KeyedTextReadResult result;
  if (!ReadFileBytes(path, &bytes, &result.Error)) return result;
  result = ParseKeyedTextProject(bytes);
  if (result.Error.Failed()) result.Error.Path = path;
  return result;
}

bool KeyedTextToProjectData(const KeyedTextProject& p, const ProjectData& current, ProjectData* out,
                            std::string* error) {
  ProjectData d = current;
  d.Header = kProjectHeader;
  d.MinorVersion = 8;
  d.ImagePath = ToStoredPath(p.ImageFile);
  d.Contrast = std::clamp(p.Contrast.value_or(current.Contrast), 0, 100);
  d.ContrastOn = p.ContrastOn.value_or(current.ContrastOn);
  d.Red = std::clamp(p.Red.value_or(current.Red), 0, 255);
  d.Green = std::clamp(p.Green.value_or(current.Green), 0, 255);
  d.Blue = std::clamp(p.Blue.value_or(current.Blue), 0, 255);
  d.AdjustRGB = p.AdjustRGB.value_or(current.AdjustRGB);

  const std::string angleText = p.Angle.value_or(FormatGeneral15(current.Angle));
  const auto angle = AngleFromText(angleText);
  if (!angle) {
    if (error) *error = "the rotation angle '" + angleText + "' is not a number";
    return false;
  }
  d.Angle = *angle;
  d.AngleChoice = p.AngleChoice.value_or(AngleChoiceFromText(angleText));

  // A cell the file leaves out keeps the table's current text; one outside the table is empty.
  auto cell = [&](int column, int row) -> std::string {
    if ((p.ColCount && column >= *p.ColCount) || (p.RowCount && row >= *p.RowCount)) return {};
    if (const auto it = p.Cells.find({column, row}); it != p.Cells.end()) return it->second;
    const size_t i = static_cast<size_t>(row - 1);
    if (row < 1 || i >= current.Markers.size()) return {};
    const MarkerRecord& m = current.Markers[i];
    switch (column) {
      case 1:
        return MarkerTextFromTenths(m.XTenths);
      case 2:
        return MarkerTextFromTenths(m.YTenths);
      case 3:
        return m.X;
      case 4:
        return m.Y;
      default:
        return {};
    }
  };
  d.Markers.assign(static_cast<size_t>(p.NumMarkers), MarkerRecord());
  for (int r = 1; r <= p.NumMarkers; ++r) {
    MarkerRecord& m = d.Markers[static_cast<size_t>(r - 1)];
    std::string reason;
    const auto x = MarkerTenthsFromText(cell(1, r), &reason);
    const auto y = x ? MarkerTenthsFromText(cell(2, r), &reason) : std::nullopt;
    if (!x || !y) {
      if (error) *error = "marker " + std::to_string(r) + ": " + reason;
      return false;
    }
    m.XTenths = *x;
    m.YTenths = *y;
    m.X = cell(3, r);
    m.Y = cell(4, r);
  }

  d.Method = p.Method;
  d.MeshSize = p.MeshSize.value_or(current.MeshSize);
  d.ScaleUnit = p.ScaleUnit.value_or(current.ScaleUnit);
  if (p.NumParameters > 0) {
    const size_t n = static_cast<size_t>(p.NumParameters);
    d.Cx.assign(n, 0);
    d.Cy.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
      d.Cx[i] = p.Cx[i].value_or(i < current.Cx.size() ? current.Cx[i] : 0);
      d.Cy[i] = p.Cy[i].value_or(i < current.Cy.size() ? current.Cy[i] : 0);
    }
  }
  d.NumDecimal = p.NumDecimal.value_or(current.NumDecimal);
  d.ClickPrecision = p.ClickPrecision.value_or(kDefaultClickPrecision);
  d.Lines = p.Lines;
  d.HasCategories = true;
  d.Categories = ProjectData().Categories;
  d.HasPointLineWidth = d.HasMarkerFont = d.HasNotesFont = d.HasNotes = true;
  *out = std::move(d);
  return true;
}

}  // namespace zelko
