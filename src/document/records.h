// The records of a measurement document: markers, groups, colours and fonts as plain data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelko {

// 0x00BBGGRR; 0xFF0000nn stands for system colour nn.
using TColor = std::uint32_t;

// A labelled position in image coordinates: a reference marker, a group point or an end of the
// reference length. Labels are UTF-8 in memory.
struct TMarker {
  std::string nm;
  double x = 0;
  double y = 0;
};

enum TLineType : std::uint8_t { ltCurve = 0, ltClosed = 1, ltPoints = 2 };

// One group: a curve, a closed curve or a set of points, with its category.
struct TLine {
  std::uint16_t Sort = 0;
  std::int32_t NumPoints = 0;
  std::uint8_t LineType = ltCurve;
  double Area = 0;
  double Length = 0;
  std::vector<TMarker> Points;
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
