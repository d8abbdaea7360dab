#include "coords/marker_table.h"

#include <algorithm>

namespace zelko {

int NearestMarker(const std::vector<TMarker>& markers, int count, double x, double y) {
  int best = -1;
  long double bestD = 0;
  const int n = std::min(count, static_cast<int>(std::min<std::size_t>(
                                    markers.size(), std::numeric_limits<int>::max())));
  for (int i = 0; i < n; ++i) {
    const long double dx = static_cast<long double>(markers[i].x) - x;
    const long double dy = static_cast<long double>(markers[i].y) - y;
    const long double d = dx * dx + dy * dy;
    if (best < 0 || d < bestD) {
      best = i;
      bestD = d;
    }
  }
  return best;
}

namespace {

// Length of the line end at i ("\r\n" 2, "\n" 1), 0 when there is none.
std::size_t LineEndAt(const std::string& text, std::size_t i) {
  if (text[i] == '\n') return 1;
  if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return 2;
  return 0;
}

}  // namespace

std::vector<std::vector<std::string>> ParseCellBlock(const std::string& input, std::size_t maxRows,
                                                     std::size_t maxCols) {
  std::size_t end = input.size();
  if (end >= 2 && input.compare(end - 2, 2, "\r\n") == 0) {
    if (end >= 3) end -= 2;
  } else if (end >= 2 && input[end - 1] == '\n') {
    end -= 1;
  }

  // First the shape, without storing anything: the widest row sets the padding of every row.
  std::size_t width = 0, cells = 1;
  for (std::size_t i = 0; i < end; ++i) {
    if (input[i] == '\t') {
      ++cells;
    } else if (const std::size_t le = LineEndAt(input, i)) {
      width = std::max(width, cells);
      cells = 1;
      i += le - 1;
    }
  }
  width = std::min(std::max(width, cells), maxCols);

  std::vector<std::vector<std::string>> rows;
  if (maxRows == 0 || width == 0) return rows;
  rows.emplace_back();
  std::string cell;
  bool stopped = false;
  auto endCell = [&] {
    if (rows.back().size() < width) rows.back().push_back(cell);
    cell.clear();
  };
  for (std::size_t i = 0; i < end && !stopped; ++i) {
    if (input[i] == '\t') {
      endCell();
    } else if (const std::size_t le = LineEndAt(input, i)) {
      endCell();
      i += le - 1;
      if (rows.size() == maxRows)
        stopped = true;
      else
        rows.emplace_back();
    } else if (rows.back().size() < width) {
      cell += input[i];
    }
  }
  if (!stopped) endCell();
  for (auto& r : rows) r.resize(width);
  return rows;
}

std::string CellBlockText(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (const auto& r : rows) {
    for (std::size_t c = 0; c < r.size(); ++c) {
      out += r[c];
      out += c + 1 < r.size() ? "\t" : "\r\n";
    }
  }
  return out;
}

void EnterWalk(int& col, int& row, int numMarkers) {
  if (col == 4 && row < numMarkers) {
    col = 3;
    ++row;
  } else if (col == 3) {
    col = 4;
  }
}

}  // namespace zelko
