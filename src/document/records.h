// The records of a measurement document: markers, groups, colours and fonts as plain data.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace zelko {

// 0x00BBGGRR; 0xFF0000nn stands for system colour nn.
using TColor = std::uint32_t;

// A point's label, UTF-8. Labels are nearly always the point's number, so a number is held in
// the label's one word and only other text takes memory of its own: a project of millions of
// points then needs half the memory. Compares and converts as the text it stands for.
class PointLabel {
 public:
  PointLabel() = default;
  PointLabel(std::string_view text);
  PointLabel(const char* text) : PointLabel(std::string_view(text)) {}
  PointLabel(const std::string& text) : PointLabel(std::string_view(text)) {}
  static PointLabel Number(std::uint32_t n);
  PointLabel(const PointLabel& other);
  PointLabel(PointLabel&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
  PointLabel& operator=(const PointLabel& other);
  PointLabel& operator=(PointLabel&& other) noexcept;
  ~PointLabel();

  bool empty() const { return bits_ == 0; }
  std::string str() const;
  operator std::string() const { return str(); }
  friend bool operator==(const PointLabel& a, const PointLabel& b);
  friend std::ostream& operator<<(std::ostream& out, const PointLabel& label);

 private:
  // 0: empty; odd: a number shifted left by one; else the address of the owned text.
  std::uintptr_t bits_ = 0;
  void Release();
  const std::string* Text() const { return reinterpret_cast<const std::string*>(bits_); }
};

// A labelled position in image coordinates: a reference marker, a group point or an end of the
// reference length.
struct TMarker {
  PointLabel nm;
  double x = 0;
  double y = 0;
  bool operator==(const TMarker&) const = default;
};

enum TLineType : std::uint8_t { ltCurve = 0, ltClosed = 1, ltPoints = 2 };

// One group: a curve, a closed curve or a set of points, with its category.
struct TLine {
  std::uint16_t Sort = 0;
  std::int32_t NumPoints = 0;
  std::uint8_t LineType = ltCurve;
  double Area = 0;
  double Length = 0;
  // Set by the calculation with Area and Length: a point lies outside the markers' hull, so its
  // position is extrapolated. Not stored in files.
  bool OutsideMarkers = false;
  std::vector<TMarker> Points;
  bool operator==(const TLine&) const = default;
};

using TIntVector = std::vector<int>;
using TMatrix = std::vector<std::vector<long double>>;

// A font as the project file holds it: no style.
struct FontData {
  TColor Color = 0;
  std::string Name;
  int Size = 10;
  int Charset = 128;
  bool operator==(const FontData&) const = default;
};

}  // namespace zelko
