// Tracing the grid of physical coordinates over the view: lines of constant Y and of constant X,
// found by Newton iteration at 101 sample positions each, returned as polylines in view pixels.
#pragma once

#include <string>
#include <vector>

#include "coords/transform.h"

namespace zelko {

// The drawing as a whole failed (interval not a usable number, too many lines, coefficients
// shorter than the method needs, arithmetic failure outside the samples).
inline constexpr const char* kGridErrorMessage = "グリッド描画でエラー発生";
// Shown by the grid button, besides kGridErrorMessage, when switching the grid on failed.
inline constexpr const char* kGridIncompleteMessage =
    "グリッドは全画像領域にわたり正しく描画されませんでした。\n"
    "変換式の変更、マーカーの修正もしくは追加を行って下さい。";
// Shown by the grid button when no transformation is set.
inline constexpr const char* kGridNoTransformMessage =
    "座標変換がまだ完了していません。\n座標変換式を設定してください。";

struct GridPoint {
  int x = 0;
  int y = 0;
  bool operator==(const GridPoint&) const = default;
};

// One traced line. Passes: 'A' constant Y from the left edge, 'B' constant Y from the right
// edge, 'C' constant X from the bottom edge, 'D' constant X from the top edge.
struct GridLine {
  char pass = 'A';
  double value = 0;  // the line's physical Y (A, B) or X (C, D)
  // Pen positions in view pixels (truncated): move to the first, join each next one with a
  // straight segment. Fewer than two points draw nothing.
  std::vector<GridPoint> points;
};

struct GridTrace {
  bool ok = false;              // DrawGrid's result
  std::string message;          // kGridErrorMessage when not ok, else empty
  std::vector<GridLine> lines;  // in drawing order A, B, C, D; empty when not ok
};

// Traces the grid over a view of width × height pixels placed on the working image as `view`
// says, with the interval typed in intervalText (physical units per grid step). A pass that
// would need more lines than its entry edge has pixels plus one fails like an unusable interval.
// For the projective method, side is the denominator's sign on the markers' side (FitRegion): no
// line is drawn beyond the vanishing line.
GridTrace TraceGrid(int method, const std::vector<double>& Cx, const std::vector<double>& Cy,
                    const ViewPlacement& view, int width, int height,
                    const std::string& intervalText, int side = 0);

}  // namespace zelko
