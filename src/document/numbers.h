// Number parsing, formatting and rounding shared by every part of the program. "." is the
// decimal separator whatever the locale.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

namespace zelko {

// A text that should have been a number; its message is shown by the general error report.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Ties away from zero; the sum is formed in extended precision. Throws std::range_error when the
// result does not fit a 32-bit signed integer.
int RoundHalfAway(long double x);

// Parses a real number typed by a user (surrounding blanks allowed). nullopt when it is none.
std::optional<double> TryParseNumber(const std::string& text);
// The same, throwing ConversionError with the message "'text' は有効な浮動小数点数ではありません".
double ParseNumber(const std::string& text);
std::optional<long long> TryParseInteger(const std::string& text);
long long ParseInteger(const std::string& text);

// Fixed-point picture "0.000…" with the given decimals, the decimal value rounded half away
// from zero (12.345 with 2 decimals gives 12.35).
std::string FormatFixed(double value, int decimals);
// The picture "0." followed by n zeros ("0" for n = 0).
std::string FixedPicture(int decimals);
// Applies a picture made by FixedPicture.
std::string FormatPicture(double value, const std::string& picture);
// General format with 15 significant digits: 90 gives "90", 12.3f gives "12.3000001907349".
std::string FormatGeneral15(double value);
// Digits grouped by commas: 1234567 gives "1,234,567".
std::string FormatThousands(long long value);

}  // namespace zelko
