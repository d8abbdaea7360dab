#include "coords/grid.h"

#include <climits>
#include <cmath>
#include <optional>
#include <utility>

#include "document/numbers.h"

namespace zelko {

namespace {

constexpr int kSeeds = 10;     // seed positions j = 0..10 along the entry edge
constexpr int kSamples = 100;  // sample positions k = 0..100 along the line
constexpr int kMaxNewtonSteps = 10;
constexpr double kConverged = 0.1;  // view pixels

// One family of lines traced from one edge of the view.
class Pass {
 public:
  Pass(char name, int method, const std::vector<double>& c, const ViewPlacement& view, double w,
       double h, int side)
      : name_(name),
        method_(method),
        c_(c),
        view_(view),
        w_(w),
        h_(h),
        solveY_(name == 'A' || name == 'B'),
        side_(method == tmProjective ? side : 0) {}

  // Traces every line of the pass into lines; false when the drawing as a whole must fail.
  bool Trace(double s, std::vector<GridLine>& lines) const {
    double lower, upper;
    switch (name_) {
      case 'A':
        lower = Eval(0, 0), upper = Eval(0, h_);
        break;
      case 'B':
        lower = Eval(w_, 0), upper = Eval(w_, h_);
        break;
      case 'C':
        lower = Eval(0, h_), upper = Eval(w_, h_);
        break;
      default:
        lower = Eval(0, 0), upper = Eval(w_, 0);
        break;
    }
    if (!std::isfinite(lower) || !std::isfinite(upper)) return false;
    // Lines of constant Y are counted from the smaller corner value; lines of constant X assume
    // X grows to the right, so a mirrored X yields only the first line.
    if (solveY_ && lower > upper) std::swap(lower, upper);

    const double quotient = std::ceil(lower / s);
    if (!(quotient >= INT_MIN && quotient <= INT_MAX)) return false;
    const double first = static_cast<int>(quotient) * s;

    // More lines than pixels along the entry edge would only smear the view and could take
    // minutes, so such an interval is refused like an unusable one.
    const long long maxLines = static_cast<long long>(solveY_ ? h_ : w_) + 1;
    long long count = 1;
    for (double v = first + s; v <= upper; v += s)
      if (++count > maxLines) return false;

    double v = first;
    for (long long i = 0; i < count; ++i, v += s) {
      GridLine line;
      if (!TraceLine(v, line)) return false;
      lines.push_back(std::move(line));
    }
    return true;
  }

 private:
  double Eval(double vx, double vy) const {
    return EvaluateTransformAtView(method_, c_, view_, vx, vy);
  }
  double Slope(double vx, double vy) const {
    return solveY_ ? TransformSlopeY(method_, c_, view_, vx, vy)
                   : TransformSlopeX(method_, c_, view_, vx, vy);
  }
  // The view position of solved coordinate u at sample k.
  std::pair<double, double> Position(int k, double u) const {
    switch (name_) {
      case 'A':
        return {w_ * k / kSamples, u};
      case 'B':
        return {(1 - static_cast<double>(k) / kSamples) * w_, u};
      case 'C':
        return {u, (1 - static_cast<double>(k) / kSamples) * h_};
      default:
        return {u, h_ * k / kSamples};
    }
  }
  std::pair<double, double> SeedPosition(int j) const {
    if (solveY_) return {0.0, h_ * j / kSeeds};  // pass B seeds on the left edge as well
    return {w_ * j / kSeeds, name_ == 'C' ? h_ : 0.0};
  }
  // Newton's bound on the solved coordinate; pass C allows the full width on either side.
  bool InBound(double u) const {
    if (solveY_) return std::fabs(u - h_ / 2) <= h_ / 2;
    return std::fabs(u - w_ / 2) <= (name_ == 'C' ? w_ : w_ / 2);
  }

  bool TraceLine(double v, GridLine& line) const {
    line.pass = name_;
    line.value = v;
    double u = 0, best = 0;
    for (int j = 0; j <= kSeeds; ++j) {
      const auto [vx, vy] = SeedPosition(j);
      const double diff = std::fabs(Eval(vx, vy) - v);
      if (!std::isfinite(diff)) return false;
      if (j == 0 || diff < best) {
        best = diff;
        u = solveY_ ? vy : vx;
      }
    }
    const double range = solveY_ ? h_ : w_;
    for (int k = 0; k <= kSamples; ++k) {
      bool converged = true;
      int steps = 0;
      double delta;
      do {
        const auto [vx, vy] = Position(k, u);
        delta = (Eval(vx, vy) - v) / Slope(vx, vy);
        if (!std::isfinite(delta)) {
          converged = false;
          break;
        }
        u -= delta;
        if (!InBound(u) || ++steps > kMaxNewtonSteps) {
          converged = false;
          break;
        }
      } while (std::fabs(delta) >= kConverged);
      // A failed sample also restarts the next one from outside the view.
      if (!converged) u = -1;
      if (u >= 0 && u <= range && OnMarkersSide(Position(k, u))) {
        const auto [vx, vy] = Position(k, u);
        line.points.push_back({static_cast<int>(std::trunc(vx)), static_cast<int>(std::trunc(vy))});
      }
    }
    return true;
  }

  // Beyond the projective fit's vanishing line the lines would be those of the mirrored plane.
  bool OnMarkersSide(std::pair<double, double> view) const {
    if (side_ == 0) return true;
    const double x = (view.first + view_.XB0) / view_.factor;
    const double y = (view.second + view_.YB0) / view_.factor;
    return side_ * ProjectiveDenominator(c_, x, y) > 0;
  }

  char name_;
  int method_;
  const std::vector<double>& c_;
  ViewPlacement view_;
  double w_, h_;
  bool solveY_;
  int side_;
};

}  // namespace

GridTrace TraceGrid(int method, const std::vector<double>& Cx, const std::vector<double>& Cy,
                    const ViewPlacement& view, int width, int height,
                    const std::string& intervalText, int side) {
  GridTrace result;
  result.message = kGridErrorMessage;
  const int n = CoefficientCount(method);
  const std::optional<double> s = TryParseNumber(intervalText);
  if (n == 0 || static_cast<int>(Cx.size()) < n || static_cast<int>(Cy.size()) < n || !s ||
      *s <= 0 || width < 0 || height < 0)
    return result;

  std::vector<GridLine> lines;
  for (char name : {'A', 'B', 'C', 'D'}) {
    const Pass pass(name, method, name == 'A' || name == 'B' ? Cy : Cx, view, width, height, side);
    if (!pass.Trace(*s, lines)) return result;
  }
  result.ok = true;
  result.message.clear();
  result.lines = std::move(lines);
  return result;
}

}  // namespace zelko
