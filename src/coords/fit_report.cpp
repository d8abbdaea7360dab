#include "coords/fit_report.h"

#include <charconv>
#include <cmath>
#include <cstddef>

#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {

namespace {

// Residual of one row for one axis, with the same parsing the fit used.
double Residual(int method, const std::vector<double>& c, const MarkerRowText& row,
                bool physicalY) {
  const double x = *TryParseNumber(row.imageX);
  const double y = *TryParseNumber(row.imageY);
  const double typed = *TryParseNumber(physicalY ? row.physicalY : row.physicalX);
  return EvaluateTransform(method, c, x, y) - typed;
}

double Rms(const std::vector<FitResidual>& residuals, bool yAxis) {
  long double sum = 0;
  int count = 0;
  for (const auto& r : residuals) {
    const auto& v = yAxis ? r.dy : r.dx;
    if (!v) continue;
    sum += static_cast<long double>(*v) * *v;
    ++count;
  }
  return count ? static_cast<double>(std::sqrt(sum / count)) : 0.0;
}

std::string Number(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

std::string Optional(const std::optional<double>& v, const char* none) {
  return v ? Number(*v) : none;
}

std::string JoinJson(const std::vector<double>& values) {
  std::string out = "[";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) out += ", ";
    out += Number(values[i]);
  }
  return out + "]";
}

std::string JoinText(const std::vector<double>& values) {
  std::string out;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) out += ' ';
    out += Number(values[i]);
  }
  return out;
}

}  // namespace

FitReport BuildFitReport(int method, const std::vector<MarkerRowText>& rows) {
  FitReport report;
  report.method = method;
  const FitResult fit = FitTransform(method, rows, {}, {});
  report.ok = fit.ok;
  report.message = fit.message;
  report.cx = fit.Cx;
  report.cy = fit.Cy;
  if (!fit.ok) return report;

  report.residuals.resize(rows.size());
  for (std::size_t r = 0; r < rows.size(); ++r) report.residuals[r].row = static_cast<int>(r) + 1;
  for (int r : fit.rowsX) report.residuals[r].dx = Residual(method, fit.Cx, rows[r], false);
  for (int r : fit.rowsY) report.residuals[r].dy = Residual(method, fit.Cy, rows[r], true);
  report.rmsX = Rms(report.residuals, false);
  report.rmsY = Rms(report.residuals, true);
  return report;
}

std::string FormatFitReportText(const FitReport& report) {
  std::string out = "method: " + std::to_string(report.method) + "\n";
  out += "cx: " + JoinText(report.cx) + "\n";
  out += "cy: " + JoinText(report.cy) + "\n";
  for (const auto& r : report.residuals)
    out += std::to_string(r.row) + " " + Optional(r.dx, "-") + " " + Optional(r.dy, "-") + "\n";
  out += "rms_x: " + Number(report.rmsX) + "\n";
  out += "rms_y: " + Number(report.rmsY) + "\n";
  return out;
}

std::string FormatFitReportJson(const FitReport& report) {
  std::string out = "{\"method\": " + std::to_string(report.method);
  out += ", \"cx\": " + JoinJson(report.cx);
  out += ", \"cy\": " + JoinJson(report.cy);
  out += ", \"residuals\": [";
  for (std::size_t i = 0; i < report.residuals.size(); ++i) {
    const auto& r = report.residuals[i];
    if (i) out += ", ";
    out += "{\"row\": " + std::to_string(r.row) + ", \"dx\": " + Optional(r.dx, "null") +
           ", \"dy\": " + Optional(r.dy, "null") + "}";
  }
  out += "], \"rms_x\": " + Number(report.rmsX) + ", \"rms_y\": " + Number(report.rmsY) + "}\n";
  return out;
}

}  // namespace zelko
