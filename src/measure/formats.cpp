#include "measure/formats.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace zelko {

std::string ScaleUnitText(int unit) {
  static const char* const kUnits[] = {"pixels", "μm", "mm", "cm", "m", "km", "度"};
  if (unit < 0 || unit > kDegreeUnit) return {};
  return kUnits[unit];
}

std::string ResultUnitText(int unit) { return unit == kDegreeUnit ? "m" : ScaleUnitText(unit); }

std::string PhysicalCaptionX(int unit) {
  return unit == kDegreeUnit ? "経度" : "X(" + ScaleUnitText(unit) + ")";
}

std::string PhysicalCaptionY(int unit) {
  return unit == kDegreeUnit ? "緯度" : "Y(" + ScaleUnitText(unit) + ")";
}

namespace {

std::string Picture(int zeros) {
  return "0." + std::string(static_cast<std::size_t>(std::clamp(zeros, 0, 2 * kMaxDecimals)), '0');
}

}  // namespace

std::string LengthFormat(int decimals) { return Picture(std::min(decimals, kMaxDecimals)); }

std::string AreaFormat(int decimals) {
  return Picture(decimals <= 0 ? 0 : 2 * std::min(decimals, kMaxDecimals));
}

std::string PositionFormat(int unit, int decimals) {
  constexpr int kDegreeDecimals = 6;
  return LengthFormat(unit == kDegreeUnit ? std::max(decimals, kDegreeDecimals) : decimals);
}

std::string ResidualFormat(int unit, int decimals, double typical) {
  const int shown = unit == kDegreeUnit ? std::max(decimals, 6) : decimals;
  int needed = shown;
  if (std::isfinite(typical) && typical != 0)
    needed = 1 - static_cast<int>(std::floor(std::log10(std::fabs(typical))));
  return LengthFormat(std::min(std::max(shown, needed), 15));
}

bool IsUnfinishedDecimals(const std::string& text) {
  std::string t;
  for (char c : text)
    if (c != ' ' && c != '\t') t += c;
  return t.empty() || t == "+" || t == "-";
}

ResultFormats CalculationFormats(int unit, int decimals) {
  if (unit == kDegreeUnit) return {"0.0", "0"};
  return {LengthFormat(decimals), AreaFormat(decimals)};
}

}  // namespace zelko
