#include "coords/fit_report.h"

#include <charconv>
#include <cmath>
#include <cstddef>

#include "coords/transform.h"
#include "document/numbers.h"

namespace zelko {

namespace {

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

const char* LayoutName(FitLayout layout) {
  switch (layout) {
    case FitLayout::OneSpot:
      return "one_spot";
    case FitLayout::OneLine:
      return "one_line";
    case FitLayout::Deficient:
      return "deficient";
    case FitLayout::Determined:
      break;
  }
  return "determined";
}

}  // namespace

FitReport BuildFitReport(int method, const std::vector<MarkerRowText>& rows,
                         const std::optional<ImageExtent>& image, bool longitudeLatitude) {
  FitReport report;
  report.method = method;
  for (const auto& f : NonNumericMarkerCells(rows))
    if (report.notNumeric.empty() || report.notNumeric.back() != f.row + 1)
      report.notNumeric.push_back(f.row + 1);
  const FitResult fit = FitTransform(method, rows, {}, {}, longitudeLatitude);
  report.ok = fit.ok;
  report.message = fit.message;
  report.cx = fit.Cx;
  report.cy = fit.Cy;
  if (!fit.ok) return report;

  const FitQuality q = AssessFit(method, rows, fit, image);
  report.residuals = q.residuals;
  report.rmsX = q.rmsX;
  report.rmsY = q.rmsY;
  report.rms = q.rms;
  report.dof = q.dof;
  report.layout = q.layout;
  report.folds = q.folds;
  report.vanishingLine = q.vanishingLine;
  report.mirrored = q.mirrored;
  report.coverage = q.coverage;
  report.spreadRatio = q.spreadRatio;
  report.warning = FitWarningMessage(q);
  report.advice = FitAdviceMessage(q);
  return report;
}

std::string FormatFitReportText(const FitReport& report) {
  std::string out = "method: " + std::to_string(report.method) + "\n";
  out += "cx: " + JoinText(report.cx) + "\n";
  out += "cy: " + JoinText(report.cy) + "\n";
  for (const auto& r : report.residuals)
    out += std::to_string(r.row) + " " + Optional(r.dx, "-") + " " + Optional(r.dy, "-") + " " +
           Optional(r.looDx, "-") + " " + Optional(r.looDy, "-") + "\n";
  out += "rms_x: " + Number(report.rmsX) + "\n";
  out += "rms_y: " + Number(report.rmsY) + "\n";
  out += "rms: " + Number(report.rms) + "\n";
  out += "dof: " + std::to_string(report.dof) + "\n";
  out += std::string("layout: ") + LayoutName(report.layout) + "\n";
  out += std::string("folds: ") + (report.folds ? "yes" : "no") + "\n";
  out += std::string("vanishing_line: ") + (report.vanishingLine ? "yes" : "no") + "\n";
  out += std::string("mirrors: ") + (report.mirrored ? "yes" : "no") + "\n";
  out += "coverage: " + Optional(report.coverage, "-") + "\n";
  out += "spread: " + Number(report.spreadRatio) + "\n";
  out += "not_numeric:";
  for (int m : report.notNumeric) out += " " + std::to_string(m);
  return out + "\n";
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
           ", \"dy\": " + Optional(r.dy, "null") + ", \"loo_dx\": " + Optional(r.looDx, "null") +
           ", \"loo_dy\": " + Optional(r.looDy, "null") + "}";
  }
  out += "], \"rms_x\": " + Number(report.rmsX) + ", \"rms_y\": " + Number(report.rmsY);
  out += ", \"rms\": " + Number(report.rms) + ", \"dof\": " + std::to_string(report.dof);
  out += std::string(", \"layout\": \"") + LayoutName(report.layout) + "\"";
  out += std::string(", \"folds\": ") + (report.folds ? "true" : "false");
  out += std::string(", \"vanishing_line\": ") + (report.vanishingLine ? "true" : "false");
  out += std::string(", \"mirrors\": ") + (report.mirrored ? "true" : "false");
  out += ", \"coverage\": " + Optional(report.coverage, "null");
  out += ", \"spread\": " + Number(report.spreadRatio);
  out += ", \"not_numeric\": [";
  for (std::size_t i = 0; i < report.notNumeric.size(); ++i)
    out += (i ? ", " : "") + std::to_string(report.notNumeric[i]);
  return out + "]}\n";
}

}  // namespace zelko
