// The calculation of every group's length and signed area in physical units.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "coords/fit_quality.h"
#include "document/project_data.h"
#include "document/records.h"
#include "measure/formats.h"
#include "measure/geometry.h"

namespace zelko {

inline constexpr const char* kMsgInputUnfinished =
    "入力がまだ終了していません。\n入力を終了して下さい。";
inline constexpr const char* kMsgNoTransform =
    "座標変換がまだ完了していません。\n「設定」ボタンを押して座標変換式を設定してください。";

// Whether Cx and Cy hold enough coefficients for the method to be evaluated.
bool TransformIsSet(int method, const std::vector<double>& cx, const std::vector<double>& cy);

// The points of a group in use: the first NumPoints entries of Points (never more than exist).
std::size_t UsedPointCount(const TLine& line);

// Physical coordinates of the used points of a group.
std::vector<XY> PhysicalPoints(const TLine& line, int method, const std::vector<double>& cx,
                               const std::vector<double>& cy);

enum class CalculateStatus {
  Done,
  NoGroups,         // nothing to compute; no message
  InputRunning,     // a group input is unfinished; error box with `message`
  TransformNotSet,  // the coefficients do not fit the method; error box with `message`
};

struct CalculateResult {
  CalculateStatus status = CalculateStatus::Done;
  std::string message;  // UTF-8; empty unless the status asks for a message box
  // Closed curves whose edges cross or touch (their areas are sums of parts that may cancel),
  // and, in the degree unit, groups with a latitude beyond ±90 degrees (measured as 0); group
  // indices in order.
  std::vector<std::size_t> crossing;
  std::vector<std::size_t> offEllipsoid;
  // Groups with a point beyond the projective fit's vanishing line: no physical position, so
  // measured as 0. And groups with a point outside the markers' hull (TLine::OutsideMarkers).
  std::vector<std::size_t> beyondVanishingLine;
  std::vector<std::size_t> outsideMarkers;
  // Groups whose length or area would not be a finite number, or whose physical coordinates are
  // too large for their differences to keep their digits: measured as 0.
  std::vector<std::size_t> unreliable;
  bool ok() const { return status == CalculateStatus::Done; }
};

// The warning the calculate command shows after a Done result, naming the groups of
// `crossing`, `offEllipsoid` and `unreliable` by their labels; empty when all are empty.
std::string CalculationWarning(const std::vector<TLine>& lines, const CalculateResult& result);

// Why the command line refuses such results, in English, naming the groups of `unreliable`;
// empty when there are none.
std::string UnreliableError(const std::vector<TLine>& lines, const CalculateResult& result);

// Hooks for the view work the calculate command does along the way.
struct CalculateHooks {
  std::function<void()> prepare;                // after the checks, before the first group
  std::function<void(std::size_t)> afterGroup;  // after each group's Length and Area are set
};

// Sets Length, Area and OutsideMarkers of every group (metres and square metres in the degree
// unit, along geodesics on GRS80); leaves everything unchanged unless the result is Done. The
// hooks run on the calling thread, afterGroup in group order once all groups are measured. The
// region of the markers (MarkerRegion) judges where the fit holds; without one every point
// counts as inside.
CalculateResult CalculateLines(std::vector<TLine>& lines, int method, const std::vector<double>& cx,
                               const std::vector<double>& cy, int unit, bool isLineInput = false,
                               const CalculateHooks& hooks = {}, const FitRegion* region = nullptr);

// The region of a project's markers, as the fits take them from the marker records.
FitRegion ProjectMarkerRegion(int method, const std::vector<double>& cx,
                              const std::vector<MarkerRecord>& markers);

}  // namespace zelko
