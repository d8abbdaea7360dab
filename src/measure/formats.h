// Physical units and the number formats of physical values.
#pragma once

#include <string>

namespace zelko {

// Index of "度" in the unit list: longitude and latitude, measured in metres on GRS80.
inline constexpr int kDegreeUnit = 6;

// The number of decimals is capped here, as the spinner is; longer pictures serve no one.
inline constexpr int kMaxDecimals = 100;

// Text of unit index 0..6 ("pixels", "μm", "mm", "cm", "m", "km", "度"); empty for others.
std::string ScaleUnitText(int unit);
// Unit of lengths in the result table: "m" for "度", else the unit's text.
std::string ResultUnitText(int unit);
// Captions of the physical columns: "経度"/"緯度" for "度", else "X(" + unit + ")"/"Y(…)".
std::string PhysicalCaptionX(int unit);
std::string PhysicalCaptionY(int unit);

// frmdata: "0." followed by d zeros; frmdata2: "0." followed by 2·d zeros. A negative d gives
// "0.", a d above kMaxDecimals counts as kMaxDecimals.
std::string LengthFormat(int decimals);
std::string AreaFormat(int decimals);
// The format of physical positions (point table, status bar): the length format, but with at
// least 6 decimals in the degree unit, as a millionth of a degree is about 0.1 m and so a
// position resolves a metre whatever the decimals chosen for lengths.
std::string PositionFormat(int unit, int decimals);
// The format of residuals and their RMS: the position format, with more decimals when needed to
// show the typical size (the RMS) to at least two significant digits, so that 0.035 m does not
// read 0.0.
std::string ResidualFormat(int unit, int decimals, double typical);
// A decimals text still being typed: empty, blanks or a lone sign. Such a text is no number yet
// and no error either.
bool IsUnfinishedDecimals(const std::string& text);

// The formats the result table uses: fixed "0.0" and "0" in the degree unit.
struct ResultFormats {
  std::string length;
  std::string area;
};
ResultFormats CalculationFormats(int unit, int decimals);

}  // namespace zelko
