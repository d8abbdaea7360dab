// Every value a project file stores, as plain data. The window builds one from its controls to
// save, and applies a read one to its controls only after the whole file has been parsed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "document/records.h"

namespace zelko {

// The 20 header bytes of the current version, the last one a space.
inline constexpr char kProjectHeader[] = "Zelko Version 2.8.1 ";
inline constexpr std::size_t kProjectHeaderSize = 20;
// Projects that need more than the 2.8.1 layout can say (the projective method, 6) carry this
// header, padded with zero bytes to the 20 of the field. Its text holds none of "Zelko Version
// 2.8", "2.7" or "2.2", so readers that know only those refuse the file instead of misreading it.
inline constexpr char kProjectHeader29[] = "Zelko Version 2.9 ";
// The highest method a 2.8.1 file may hold; the layout of 2.9 is the same otherwise.
inline constexpr int kLastMethod281 = 5;
inline constexpr int kLastMethod = 6;

// The clicks' precision a new project assumes: one standard deviation per coordinate, in
// pixels. Any other value is stored only in a 2.9 file.
inline constexpr double kDefaultClickPrecision = 0.3;
// The range a project may hold.
inline constexpr double kMaxClickPrecision = 1000;

// The largest project the program supports: 65535 points a group (the file's field) and this
// many in all. A point costs 24 bytes in memory and at least 10 in the file, so such a project
// needs about 500 MB beside its file of 200 MB or more while it is read: what a machine with
// 4 GB holds with room for the rest. A file beyond it is refused before anything is allocated.
inline constexpr std::size_t kMaxProjectPoints = 20'000'000;

// Why a reader refuses a file beyond maxPoints; both project forms give the same reason.
inline std::string TooManyPointsError(std::size_t maxPoints) {
  return "the groups hold more than " + std::to_string(maxPoints) +
         " points, the most this program supports";
}

// One row of the marker table: image position in tenths of a pixel, physical texts as typed.
struct MarkerRecord {
  std::uint16_t XTenths = 0;
  std::uint16_t YTenths = 0;
  std::string X;
  std::string Y;
  bool operator==(const MarkerRecord&) const = default;
};

// The nine overlay colours; defaults are those of a new document.
struct SymbolColors {
  TColor clFrameMonitorImage = 0x000000FF;
  TColor clMarker = 0x000000FF;
  TColor clMarkerFontBackColor = 0x00FFFFFF;
  TColor clMesh = 0x00000000;
  TColor clPresentPoint = 0x0000FFFF;
  TColor clRegistPoints = 0x000000FF;
  TColor clPlusArea = 0x000000FF;
  TColor clMinusArea = 0x00FF0000;
  TColor clLine = 0x000000FF;
  bool operator==(const SymbolColors&) const = default;
};

// Line widths and symbol sizes; each is one byte in the file.
struct SymbolSizes {
  int FrameLineWidth = 1;
  int GridLineWidth = 1;
  int MarkerSize = 4;
  int MarkerLineWidth = 1;
  int RegistPointSize = 2;
  int PointLineWidth = 1;
  bool operator==(const SymbolSizes&) const = default;
};

FontData DefaultMarkerFont();  // clBlack, "ＭＳ ゴシック", 10 points, Shift-JIS
FontData DefaultNotesFont();   // clWindowText, "ＭＳ Ｐゴシック", 9 points, Shift-JIS

// Texts are UTF-8. Numeric fields are wider than their file fields so that a value out of range
// reaches the writer, which refuses it, instead of wrapping silently.
struct ProjectData {
  // Header text as read (up to its first zero byte). The writer writes kProjectHeader, or
  // kProjectHeader29 when the project needs it (ProjectNeeds29).
  std::string Header = kProjectHeader;
  // The 17th header character as a digit: 9, 8, 7 or 2 (0 when it is none).
  int MinorVersion = 8;

  // Image path relative to the project folder, "\" as separator (see RelativeImagePath).
  std::string ImagePath;

  int Contrast = 50;  // slider position; the file may hold values beyond the slider's range
  bool ContrastOn = false;
  int Red = 128;
  int Green = 128;
  int Blue = 128;
  bool AdjustRGB = false;
  float Angle = 0;      // degrees, single precision as stored
  int AngleChoice = 0;  // 0 "0度" … 4 "任意"
  int Method = 0;       // 0..6 (6 only in a 2.9 file)
  std::string MeshSize = "20";
  int ScaleUnit = 0;  // 0..6

  std::vector<MarkerRecord> Markers;
  std::vector<double> Cx;  // same length as Cy
  std::vector<double> Cy;
  std::string NumDecimal = "1";

  // Read groups have NumPoints == Points.size() and labels "1", "2", …; the writer leaves out
  // groups whose NumPoints is 0 and writes the first NumPoints points of the others.
  std::vector<TLine> Lines;

  bool HasCategories = true;  // false: the file has none (2.2), reset to the default category
  std::vector<std::string> Categories{"Sort 1"};

  SymbolColors Colors;
  SymbolSizes Sizes;
  bool HasPointLineWidth = true;  // false: the file has none (2.7, 2.2), keep the current width

  // An older file may end before these; a missing block keeps the window's current value.
  bool HasMarkerFont = true;
  FontData MarkerFont = DefaultMarkerFont();
  bool HasNotesFont = true;
  FontData NotesFont = DefaultNotesFont();
  bool HasNotes = true;
  std::vector<std::string> Notes;

  // Pixels, one standard deviation per coordinate of every clicked point; 0 < value ≤
  // kMaxClickPrecision.
  double ClickPrecision = kDefaultClickPrecision;
  // The length in image pixels of the reference line of the linear method, while it is known
  // (picked in this session); not stored, 0 when unknown.
  double ReferencePixels = 0;

  // Versions 2.7 and 2.2 are rewritten in the current layout right after a successful read.
  bool NeedsRewrite() const { return MinorVersion < 8; }
};

// Whether the project holds something only a 2.9 file can (the projective method, a click
// precision other than the default).
inline bool ProjectNeeds29(const ProjectData& d) {
  return d.Method > kLastMethod281 || d.ClickPrecision != kDefaultClickPrecision;
}

// The marker record's tenths from the text of a marker-table cell: parsed, times ten (as a
// decimal shift, so "0.15" gives 2), rounded half away from zero, 0..65535. nullopt with a
// reason in *error for a text that is no number or a value out of range.
std::optional<std::uint16_t> MarkerTenthsFromText(const std::string& text, std::string* error);

// The cell text for stored tenths: one decimal ("0.0").
std::string MarkerTextFromTenths(std::uint16_t tenths);

// The rotation-angle field from the angle text; nullopt when it is no number or too large.
std::optional<float> AngleFromText(const std::string& text);

// The rotation choice that an angle text names: "0" 0, "90" 1, "180" 2, "270" 3, otherwise 4.
int AngleChoiceFromText(const std::string& text);

}  // namespace zelko
