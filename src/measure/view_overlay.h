// Where the calculate command draws on the view: the group labels and the area fills, in view
// pixels. Drawing them is the window's.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coords/transform.h"
#include "document/records.h"

namespace zelko {

struct PixelPos {
  int x = 0;
  int y = 0;
  bool operator==(const PixelPos&) const = default;
};

// Anchor of a group's label in whole image pixels (truncated towards zero): the midpoint of the
// first two points of a curve or closed curve, the first point of a points group. nullopt when
// the group has too few points for one; such a group gets no label.
std::optional<PixelPos> GroupLabelAnchor(const TLine& line);

struct LabelPlacement {
  int group = 0;
  std::string label;  // GroupLabel
  PixelPos topLeft;   // top-left corner of the text, fontSize / 2 pixels above the anchor
};

// The labels that fall inside the view window (0 ≤ x < width, 0 ≤ y < height), in group order.
std::vector<LabelPlacement> GroupLabelPlacements(const std::vector<TLine>& lines,
                                                 const ViewPlacement& view, int width, int height,
                                                 int fontSize = 8);

// The view polygon of a closed curve's fill (vertices rounded half away from zero), or nullopt
// when a vertex lies outside 0..width × 0..height (both ends included) and the curve is not
// filled. The fill colour is clPlusArea for Area ≥ 0, else clMinusArea.
std::optional<std::vector<PixelPos>> AreaFillPolygon(const TLine& line, const ViewPlacement& view,
                                                     int width, int height);

}  // namespace zelko
