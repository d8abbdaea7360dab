#include "coords/marker_table.h"

#include <algorithm>

namespace zelko {

int NearestMarker(const std::vector<TMarker>& markers, int count, double x, double y) {
  int best = -1;
  long double bestD = 0;
  for (int i = 0; i < count && i < static_cast<int>(markers.size()); ++i) {
    const long double dx = markers[i].x - x, dy = markers[i].y - y;
    const long double d = dx * dx + dy * dy;
    if (best < 0 || d < bestD) {
      best = i;
      bestD = d;
    }
  }
  return best;
}

std::vector<std::vector<std::string>> ParseCellBlock(const std::string& input) {
  std::string text = input;
  if (text.size() >= 3 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  std::vector<std::vector<std::string>> rows(1);
  std::string cell;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\t') {
      rows.back().push_back(cell);
      cell.clear();
    } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.back().push_back(cell);
      cell.clear();
      rows.emplace_back();
      ++i;
    } else {
      cell += text[i];
    }
  }
  rows.back().push_back(cell);
  size_t width = 0;
  for (const auto& r : rows) width = std::max(width, r.size());
  for (auto& r : rows) r.resize(width);
  return rows;
}

std::string CellBlockText(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (const auto& r : rows) {
    for (size_t c = 0; c < r.size(); ++c) {
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
