// zelko-cli fit FILE [--method N] [--size WxH] [--json]: the least-squares fit of a project's
// marker table, with the residual of every marker row with and without it in the fit and the
// warnings, as the set button of the coordinate page would make them.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "command.h"
#include "coords/fit.h"
#include "coords/fit_quality.h"
#include "coords/fit_report.h"
#include "coords/transform.h"
#include "document/any_project.h"
#include "document/numbers.h"
#include "document/project_data.h"
#include "measure/formats.h"

namespace zelko::cli {
namespace {

constexpr const char* kUsage =
    "usage: zelko-cli fit FILE [--method N] [--size WxH] [--json]   (N: 2..6; WxH: the image "
    "in pixels, for the fold check)\n";

// "640x480": the image extent the fold check covers; without it the markers' rectangle.
std::optional<ImageExtent> ParseSize(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) return std::nullopt;
  const auto w = TryParseNumber(text.substr(0, x));
  const auto h = TryParseNumber(text.substr(x + 1));
  if (!w || !h || !(*w > 0) || !(*h > 0) || !std::isfinite(*w) || !std::isfinite(*h))
    return std::nullopt;
  return ImageExtent{*w, *h};
}

int BadArguments() {
  std::fputs(kUsage, stderr);
  return 2;
}

// The marker rows as the marker table shows them after the project is opened.
std::vector<MarkerRowText> MarkerRows(const AnyProjectResult& project) {
  std::vector<MarkerRowText> rows;
  if (project.Form == ProjectForm::Binary) {
    return MarkerRowsOf(project.Binary.Markers);
  }
  const KeyedTextProject& p = project.KeyedText;
  // Rows past the last stored cell are empty and take part in no fit; the count in the file is
  // not trusted beyond them.
  int lastRow = 0;
  for (const auto& [cell, text] : p.Cells) lastRow = std::max(lastRow, cell.second);
  const int count = std::min(p.NumMarkers, lastRow);
  auto cell = [&](int c, int r) {
    const auto it = p.Cells.find({c, r});
    return it == p.Cells.end() ? std::string() : it->second;
  };
  for (int r = 1; r <= count; ++r) rows.push_back({cell(1, r), cell(2, r), cell(3, r), cell(4, r)});
  return rows;
}

int Fit(const std::vector<std::string>& args) {
  std::string path;
  std::optional<int> method;
  std::optional<ImageExtent> size;
  bool json = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--json") {
      json = true;
    } else if (arg == "--method") {
      if (method || i + 1 >= args.size()) return BadArguments();
      const auto n = TryParseInteger(args[++i]);
      if (!n || *n < tmAffine || *n > tmProjective) return BadArguments();
      method = static_cast<int>(*n);
    } else if (arg == "--size") {
      if (size || i + 1 >= args.size()) return BadArguments();
      size = ParseSize(args[++i]);
      if (!size) return BadArguments();
    } else if (path.empty() && !arg.empty() && arg[0] != '-') {
      path = arg;
    } else {
      return BadArguments();
    }
  }
  if (path.empty()) return BadArguments();

  const AnyProjectResult project = ReadAnyProjectFile(path);
  if (!project.Ok) {
    std::fprintf(stderr, "zelko-cli fit: %s\n", project.Error.Text().c_str());
    return 1;
  }
  if (!method) {
    const int stored =
        project.Form == ProjectForm::Binary ? project.Binary.Method : project.KeyedText.Method;
    if (stored < tmAffine || stored > tmProjective) {
      std::fprintf(stderr,
                   "zelko-cli fit: the project's method %d is not fitted from markers; "
                   "choose one with --method 2..6\n",
                   stored);
      return 1;
    }
    method = stored;
  }

  const std::vector<MarkerRowText> rows = MarkerRows(project);
  // The window's messages, in the order it shows them.
  const std::string notNumeric = NonNumericMarkersMessage(NonNumericMarkerCells(rows));
  if (!notNumeric.empty()) std::fprintf(stderr, "%s\n", notNumeric.c_str());
  const int unit = project.Form == ProjectForm::Binary ? project.Binary.ScaleUnit
                                                       : project.KeyedText.ScaleUnit.value_or(0);
  const FitReport report = BuildFitReport(*method, rows, size, unit == kDegreeUnit);
  if (!report.ok) {
    std::fprintf(stderr, "%s\n", report.message.c_str());
    return 1;
  }
  if (!report.message.empty()) std::fprintf(stderr, "%s\n", report.message.c_str());
  if (!report.warning.empty()) std::fprintf(stderr, "%s\n", report.warning.c_str());
  if (!report.advice.empty()) std::fprintf(stderr, "%s\n", report.advice.c_str());
  const std::string out = json ? FormatFitReportJson(report) : FormatFitReportText(report);
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;  // the output is checked once the command is done
}

CommandRegistrar reg(
    "fit", &Fit,
    "fit FILE [--method N] [--size WxH] [--json]   least-squares fit of the marker "
    "table with residuals and warnings");

}  // namespace
}  // namespace zelko::cli
