#include "measure/editing.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <string_view>

#include "measure/calculation.h"

namespace zelko {

void RenumberPointLabels(TLine& line) {
  for (std::size_t j = 0; j < line.Points.size(); ++j) line.Points[j].nm = PointLabel::Number(static_cast<std::uint32_t>(j + 1));
}

int StartGroupInput(std::vector<TLine>& lines, int sort, int lineType) {
  TLine line;
  line.Sort = static_cast<std::uint16_t>(std::clamp(sort, 0, 0xFFFF));
  line.LineType = static_cast<std::uint8_t>(std::clamp(lineType, 0, 2));
  lines.push_back(std::move(line));
  return static_cast<int>(lines.size()) - 1;
}

int AppendInputPoint(TLine& line, double x, double y) {
  line.Points.resize(UsedPointCount(line));
  line.Points.push_back({std::to_string(line.Points.size() + 1), x, y});
  line.NumPoints = static_cast<std::int32_t>(line.Points.size());
  return line.NumPoints;
}

bool TakeBackPoint(TLine& line) {
  const std::size_t n = UsedPointCount(line);
  if (n == 0) return false;
  line.Points.resize(n - 1);
  line.NumPoints = static_cast<std::int32_t>(n - 1);
  return true;
}

InputEndResult EndGroupInput(std::vector<TLine>& lines) {
  InputEndResult result;
  if (lines.empty()) return result;
  const TLine& line = lines.back();
  const std::size_t n = UsedPointCount(line);
  if (n == 0) {
    result.outcome = InputEnd::RemovedEmpty;
  } else if (n == 1 && line.LineType != ltPoints) {
    result = {InputEnd::RemovedOnePoint, kMsgOnePointInput, 1, -1};
  } else if (n == 2 && line.LineType == ltClosed) {
    result = {InputEnd::RemovedTwoPoints, kMsgTwoPointInput, 2, -1};
  }
  if (result.outcome != InputEnd::Kept) lines.pop_back();
  result.IDLine = static_cast<int>(lines.size()) - 1;
  return result;
}

namespace {

// A whole number in half-width digits, blanks around it allowed; saturates at the largest int.
std::optional<int> ParseListNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = std::min<long long>(value * 10 + (c - '0'), std::numeric_limits<int>::max());
  }
  return static_cast<int>(value);
}

// Counts the deleted groups before an index, so that a number typed against the old numbering
// finds its group's present index.
class DeletedCounter {
 public:
  explicit DeletedCounter(int n) : tree_(static_cast<std::size_t>(n) + 1, 0) {}
  void Mark(int index) {
    for (std::size_t i = static_cast<std::size_t>(index) + 1; i < tree_.size(); i += i & (~i + 1))
      ++tree_[i];
  }
  int Before(int index) const {
    int sum = 0;
    for (std::size_t i = static_cast<std::size_t>(index); i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }

 private:
  std::vector<int> tree_;
};

}  // namespace

RangeItem ParseRangeItem(const std::string& text) {
  RangeItem item;
  if (text.empty()) return item;
  const std::size_t comma = text.find(',');
  const std::string_view part =
      std::string_view(text).substr(0, comma == std::string::npos ? text.size() : comma);
  const std::string rest = comma == std::string::npos ? std::string() : text.substr(comma + 1);
  std::optional<int> first, last;
  const std::size_t dash = part.find('-');
  if (dash != std::string_view::npos) {
    first = ParseListNumber(part.substr(0, dash));
    last = ParseListNumber(part.substr(dash + 1));
  } else {
    first = last = ParseListNumber(part);
  }
  if (!first || !last) return item;
  return {true, *first, *last, rest};
}

GroupDeletion PlanGroupDeletion(const std::string& text, int groupCount) {
  GroupDeletion plan;
  if (text == "0") {
    plan.cancelled = true;
    return plan;
  }
  const int n = std::max(groupCount, 0);
  std::string list = text;
  if (!list.empty() && list.back() == '-') list += std::to_string(n);
  std::vector<bool> deleted(static_cast<std::size_t>(n), false);
  DeletedCounter counter(n);
  while (!list.empty()) {
    RangeItem item = ParseRangeItem(list);
    if (!item.ok) break;
    for (int v = std::max(item.first, 1); v <= std::min(item.last, n); ++v) {
      const int g = v - 1;
      if (deleted[static_cast<std::size_t>(g)]) continue;
      plan.calls.push_back(g - counter.Before(g));
      plan.numbers.push_back(v);
      deleted[static_cast<std::size_t>(g)] = true;
      counter.Mark(g);
    }
    list = std::move(item.rest);
  }
  return plan;
}

GroupDeletion DeleteGroupsByList(std::vector<TLine>& lines, const std::string& text) {
  GroupDeletion plan = PlanGroupDeletion(text, static_cast<int>(lines.size()));
  if (plan.numbers.empty()) return plan;
  // One pass instead of one erase per call: the same groups go, the others keep their order.
  std::vector<bool> gone(lines.size(), false);
  for (int v : plan.numbers) gone[static_cast<std::size_t>(v - 1)] = true;
  std::size_t keep = 0;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (!gone[i]) {
      if (keep != i) lines[keep] = std::move(lines[i]);
      ++keep;
    }
  lines.resize(keep);
  return plan;
}

std::optional<int> DeleteGroup(std::vector<TLine>& lines, int g) {
  if (g < 0 || static_cast<std::size_t>(g) >= lines.size()) return std::nullopt;
  lines.erase(lines.begin() + g);
  return static_cast<int>(lines.size()) - 1;
}

std::string NewCategoryName(int row) { return "Sort " + std::to_string(row); }

bool CanDeleteCategory(const std::vector<TLine>& lines, int categoryCount, int row) {
  if (categoryCount < 2 || row < 1 || row > categoryCount) return false;
  return std::none_of(lines.begin(), lines.end(),
                      [row](const TLine& l) { return l.Sort + 1 == row; });
}

std::optional<int> DeleteCategory(std::vector<std::string>& categoryNames,
                                  std::vector<TLine>& lines, int row) {
  const int count = static_cast<int>(categoryNames.size());
  if (!CanDeleteCategory(lines, count, row)) return std::nullopt;
  int selected = row;
  if (row == count) {
    selected = row - 1;
  } else {
    for (TLine& line : lines)
      if (line.Sort > row - 1) --line.Sort;
  }
  categoryNames.erase(categoryNames.begin() + (row - 1));
  return selected;
}

void ReverseGroup(TLine& line) {
  const std::size_t n = UsedPointCount(line);
  std::reverse(line.Points.begin(), line.Points.begin() + static_cast<std::ptrdiff_t>(n));
  RenumberPointLabels(line);
}

namespace {

TLine* PointGroup(std::vector<TLine>& lines, const PointRef& at) {
  if (at.group < 0 || static_cast<std::size_t>(at.group) >= lines.size()) return nullptr;
  TLine& line = lines[static_cast<std::size_t>(at.group)];
  if (at.point < 0 || static_cast<std::size_t>(at.point) >= UsedPointCount(line)) return nullptr;
  return &line;
}

}  // namespace

bool MovePoint(std::vector<TLine>& lines, const PointRef& at, double x, double y) {
  TLine* line = PointGroup(lines, at);
  if (!line) return false;
  line->Points[static_cast<std::size_t>(at.point)].x = x;
  line->Points[static_cast<std::size_t>(at.point)].y = y;
  return true;
}

std::optional<int> InsertPointAfter(std::vector<TLine>& lines, const PointRef& at, double x,
                                    double y) {
  TLine* line = PointGroup(lines, at);
  if (!line) return std::nullopt;
  line->Points.resize(UsedPointCount(*line));
  line->Points.insert(line->Points.begin() + at.point + 1, TMarker{{}, x, y});
  line->NumPoints = static_cast<std::int32_t>(line->Points.size());
  RenumberPointLabels(*line);
  return at.point + 1;
}

std::optional<std::string> PointDeletionQuestion(const TLine& line) {
  const std::size_t n = UsedPointCount(line);
  if (line.LineType == ltCurve && n == 1) return std::string(kMsgDeleteLastCurvePoint);
  if (line.LineType == ltClosed && n == 2) return std::string(kMsgDeleteLastAreaPoint);
  return std::nullopt;
}

bool RemovePoint(std::vector<TLine>& lines, const PointRef& at) {
  TLine* line = PointGroup(lines, at);
  if (!line) return false;
  line->Points.resize(UsedPointCount(*line));
  line->Points.erase(line->Points.begin() + at.point);
  line->NumPoints = static_cast<std::int32_t>(line->Points.size());
  RenumberPointLabels(*line);
  return true;
}

std::optional<NearestPointResult> NearestPoint(const std::vector<TLine>& lines, double x,
                                               double y) {
  double best = 1e38;
  int row = 0;
  std::optional<NearestPointResult> found;
  for (std::size_t g = 0; g < lines.size(); ++g) {
    const std::size_t n = UsedPointCount(lines[g]);
    for (std::size_t j = 0; j < n; ++j) {
      ++row;
      const double dx = lines[g].Points[j].x - x, dy = lines[g].Points[j].y - y;
      const double d = dx * dx + dy * dy;
      if (d < best) {  // strictly less: a tie keeps the earlier point
        best = d;
        found = NearestPointResult{static_cast<int>(g), static_cast<int>(j), row};
      }
    }
  }
  return found;
}

}  // namespace zelko
