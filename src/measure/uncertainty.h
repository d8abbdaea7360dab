// Standard deviations of physical positions, group lengths and areas, and category totals:
// the fit's share (shared by every point, so correlated across groups) and the clicks' share
// (independent per point), propagated linearly.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "coords/fit_covariance.h"
#include "document/records.h"
#include "measure/tables.h"

namespace zelko {

struct ProjectData;

// The inputs of a propagation: the transformation's covariance and the clicks' precision.
struct UncertaintyModel {
  FitCovariance fit;
  double clickSd = kDefaultClickPrecision;  // pixels, per coordinate
};

// The model of a project as saved: its markers, method, unit, click precision and reference
// line (when its length in pixels is known).
UncertaintyModel ProjectUncertaintyModel(const ProjectData& data);

// One standard deviation of X and of Y at image (x, y); NaN where unknown.
struct PositionSd {
  double x = 0;
  double y = 0;
};
PositionSd PositionUncertainty(const UncertaintyModel& model, int method,
                               const std::vector<double>& cx, const std::vector<double>& cy,
                               double x, double y);

// Per group, the gradient of its length and area by the fit's parameters and the clicks'
// variance, kept so that totals can combine groups with the fit's correlation. NaN standard
// deviations are unknown: the fit's share cannot be given, or the value is not finite.
class ResultUncertainty {
 public:
  double LengthSd(std::size_t group) const;
  double AreaSd(std::size_t group) const;
  // The sums of lengths and signed areas of these groups.
  double TotalLengthSd(std::span<const std::size_t> groups) const;
  double TotalAreaSd(std::span<const std::size_t> groups) const;
  std::size_t Groups() const { return clickLength_.size(); }
  // Why the fit's share is unknown; empty when it is known.
  const std::string& Reason() const { return reason_; }

 private:
  friend ResultUncertainty PropagateUncertainty(const std::vector<TLine>&, int,
                                                const std::vector<double>&,
                                                const std::vector<double>&, int,
                                                const UncertaintyModel&);
  double Sd(std::size_t group, bool area) const;
  double TotalSd(std::span<const std::size_t> groups, bool area) const;
  FitCovariance fit_;
  int parameters_ = 0;
  bool fitKnown_ = true;
  std::string reason_;
  std::vector<double> gradLength_, gradArea_;    // groups × parameters
  std::vector<double> clickLength_, clickArea_;  // variances; NaN for a group not measured
};

// The uncertainties of the lengths and areas CalculateLines gives the same groups (metres and
// square metres in the degree unit, propagated through the geodesics).
ResultUncertainty PropagateUncertainty(const std::vector<TLine>& lines, int method,
                                       const std::vector<double>& cx, const std::vector<double>& cy,
                                       int unit, const UncertaintyModel& model);

// Sets the standard deviations of the table's group and total rows (a total's from the
// category's groups, with the fit's share correlated among them).
void FillResultUncertainty(ResultTable& table, const std::vector<TLine>& lines,
                           const ResultUncertainty& u);

// A standard deviation to two significant digits ("0.034", "34", "25704"); "" when unknown.
std::string SdText(double sd);

}  // namespace zelko
