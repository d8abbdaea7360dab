#include "document/records.h"

#include <ostream>

namespace zelko {
namespace {

// Numbers are held as such only in the form std::to_string writes them, so that the text reads
// back unchanged: decimal digits without a sign or a leading zero.
constexpr std::size_t kMaxNumberDigits = 9;

}  // namespace

PointLabel::PointLabel(std::string_view text) {
  if (text.empty()) return;
  bool number = text.size() <= kMaxNumberDigits && text[0] != '0';
  std::uint32_t n = 0;
  for (char c : text) {
    if (!number) break;
    if (c < '0' || c > '9')
      number = false;
    else
      n = n * 10 + static_cast<std::uint32_t>(c - '0');
  }
  if (number)
    bits_ = (std::uintptr_t{n} << 1) | 1;
  else
    bits_ = reinterpret_cast<std::uintptr_t>(new std::string(text));
}

PointLabel PointLabel::Number(std::uint32_t n) {
  if (n == 0) return PointLabel("0");
  PointLabel label;
  label.bits_ = (std::uintptr_t{n} << 1) | 1;
  return label;
}

PointLabel::PointLabel(const PointLabel& other) : bits_(other.bits_) {
  if (bits_ && !(bits_ & 1)) bits_ = reinterpret_cast<std::uintptr_t>(new std::string(*other.Text()));
}

PointLabel& PointLabel::operator=(const PointLabel& other) {
  if (this != &other) *this = PointLabel(other);
  return *this;
}

PointLabel& PointLabel::operator=(PointLabel&& other) noexcept {
  if (this != &other) {
    Release();
    bits_ = other.bits_;
    other.bits_ = 0;
  }
  return *this;
}

PointLabel::~PointLabel() { Release(); }

void PointLabel::Release() {
  if (bits_ && !(bits_ & 1)) delete Text();
  bits_ = 0;
}

std::string PointLabel::str() const {
  if (!bits_) return {};
  if (bits_ & 1) return std::to_string(bits_ >> 1);
  return *Text();
}

bool operator==(const PointLabel& a, const PointLabel& b) {
  // Equal texts have the same form, as the constructor picks it from the text alone.
  if ((a.bits_ & 1) || (b.bits_ & 1) || !a.bits_ || !b.bits_) return a.bits_ == b.bits_;
  return *a.Text() == *b.Text();
}

std::ostream& operator<<(std::ostream& out, const PointLabel& label) { return out << label.str(); }

}  // namespace zelko
