// A group made from its kind, category and points, numbered from 1, for the tests of what the
// program writes out of its groups.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>

#include "document/records.h"

namespace zelko::test {

inline TLine Group(std::uint8_t kind, int sort,
                   std::initializer_list<std::pair<double, double>> points) {
  TLine line;
  line.LineType = kind;
  line.Sort = static_cast<std::uint16_t>(sort);
  for (const auto& [x, y] : points)
    line.Points.push_back({std::to_string(line.Points.size() + 1), x, y});
  line.NumPoints = static_cast<std::int32_t>(line.Points.size());
  return line;
}

}  // namespace zelko::test
