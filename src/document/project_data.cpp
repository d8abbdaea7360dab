#include "document/project_data.h"

#include <cmath>
#include <limits>

#include "document/numbers.h"

namespace zelko {

FontData DefaultMarkerFont() { return FontData{0x00000000, "ＭＳ ゴシック", 10, 128}; }

FontData DefaultNotesFont() { return FontData{0xFF000008, "ＭＳ Ｐゴシック", 9, 128}; }

namespace {

// The text with its decimal point moved one place to the right, so that parsing it gives the
// typed value times ten without a binary rounding in between.
std::string TimesTenText(std::string text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  const auto last = text.find_last_not_of(" \t\r\n");
  text = first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
  const auto e = text.find_first_of("eE");
  if (e == std::string::npos) return text + "e1";
  const auto exponent = TryParseInteger(text.substr(e + 1));
  if (!exponent || *exponent > 100000 || *exponent < -100000) return text;
  return text.substr(0, e) + "e" + std::to_string(*exponent + 1);
}

}  // namespace

std::optional<std::uint16_t> MarkerTenthsFromText(const std::string& text, std::string* error) {
  const auto value = TryParseNumber(text);
  if (!value) {
    if (error) *error = "marker coordinate '" + text + "' is not a number";
    return std::nullopt;
  }
  auto tenths = TryParseNumber(TimesTenText(text));
  if (!tenths) tenths = *value * 10;
  const long double shifted = *tenths >= 0 ? *tenths + 0.5L : *tenths - 0.5L;
  const long double rounded = std::trunc(shifted);
  if (!(rounded >= 0 && rounded <= 65535)) {
    if (error) *error = "marker coordinate " + text + " is outside 0 to 6553.5";
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(rounded);
}

std::string MarkerTextFromTenths(std::uint16_t tenths) { return FormatFixed(tenths * 0.1, 1); }

std::optional<float> AngleFromText(const std::string& text) {
  const auto value = TryParseNumber(text);
  if (!value || std::fabs(*value) > std::numeric_limits<float>::max()) return std::nullopt;
  return static_cast<float>(*value);
}

int AngleChoiceFromText(const std::string& text) {
  if (text == "0") return 0;
  if (text == "90") return 1;
  if (text == "180") return 2;
  if (text == "270") return 3;
  return 4;
}

}  // namespace zelko
