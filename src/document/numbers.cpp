#include "document/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace zelko {

int RoundHalfAway(long double x) {
  const long double shifted = x >= 0 ? x + 0.5L : x - 0.5L;
  const long double t = std::trunc(shifted);
  if (!std::isfinite(t) || t > std::numeric_limits<int>::max() ||
      t < std::numeric_limits<int>::min())
    throw std::range_error("範囲チェックエラー");
  return static_cast<int>(t);
}

namespace {

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<double> TryParseNumber(const std::string& text) {
  std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  if (t[0] == '+') t.erase(0, 1);
  double value = 0;
  const char* begin = t.data();
  const char* end = t.data() + t.size();
  // from_chars rejects a leading "+", accepts "inf"/"nan", which are no numbers a user types.
  for (char c : t)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == 'e' ||
          c == 'E' || c == '+'))
      return std::nullopt;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
  return value;
}

double ParseNumber(const std::string& text) {
  if (auto v = TryParseNumber(text)) return *v;
  throw ConversionError("'" + text + "' は有効な浮動小数点数ではありません");
}

std::optional<long long> TryParseInteger(const std::string& text) {
  std::string t = Trim(text);
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return std::nullopt;
  long long value = 0;
  auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (ec != std::errc() || ptr != t.data() + t.size()) return std::nullopt;
  return value;
}

long long ParseInteger(const std::string& text) {
  if (auto v = TryParseInteger(text)) return *v;
  throw ConversionError("'" + text + "' は有効な整数値ではありません");
}

std::string FormatFixed(double value, int decimals) {
  if (decimals < 0) decimals = 0;
  if (!std::isfinite(value)) return std::isnan(value) ? "NAN" : (value > 0 ? "INF" : "-INF");
  // Round the shortest decimal form of the value, as a person reading it would: 0.25 gives 0.3.
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
  std::string sci(buf, res.ptr);
  const auto epos = sci.find('e');
  std::string digits;
  for (size_t i = 0; i < epos; ++i)
    if (sci[i] != '.') digits += sci[i];
  const int exponent = std::atoi(sci.c_str() + epos + 1);
  // digits d0 d1 d2 ... represent d0.d1d2... × 10^exponent; the integer part has exponent+1 digits.
  int intDigits = exponent + 1;
  if (intDigits <= 0) {
    digits.insert(0, static_cast<size_t>(1 - intDigits), '0');
    intDigits = 1;
  }
  const size_t keep = static_cast<size_t>(intDigits + decimals);
  if (digits.size() < keep) digits.append(keep - digits.size(), '0');
  bool roundUp = digits.size() > keep && digits[keep] >= '5';
  digits.resize(keep);
  if (roundUp) {
    int i = static_cast<int>(keep) - 1;
    while (i >= 0) {
      if (digits[i] == '9') {
        digits[i] = '0';
        --i;
      } else {
        ++digits[i];
        break;
      }
    }
    if (i < 0) {
      digits.insert(digits.begin(), '1');
      ++intDigits;
    }
  }
  std::string out = digits.substr(0, static_cast<size_t>(intDigits));
  if (decimals > 0) out += "." + digits.substr(static_cast<size_t>(intDigits));
  bool allZero = out.find_first_not_of("0.") == std::string::npos;
  if (value < 0 && !allZero) out.insert(0, "-");
  return out;
}

std::string FixedPicture(int decimals) {
  if (decimals <= 0) return "0";
  return "0." + std::string(static_cast<size_t>(decimals), '0');
}

std::string FormatPicture(double value, const std::string& picture) {
  const auto dot = picture.find('.');
  const int decimals = dot == std::string::npos ? 0 : static_cast<int>(picture.size() - dot - 1);
  return FormatFixed(value, decimals);
}

std::string FormatGeneral15(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  return buf;
}

std::string FormatThousands(long long value) {
  std::string digits = std::to_string(value < 0 ? -value : value);
  std::string out;
  int count = 0;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (count && count % 3 == 0) out.insert(out.begin(), ',');
    out.insert(out.begin(), *it);
    ++count;
  }
  return value < 0 ? "-" + out : out;
}

}  // namespace zelko
