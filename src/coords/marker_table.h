// Text operations of the marker table: the nearest marker, the clipboard block of a paste and
// the copy of a selected rectangle.
#pragma once

#include <string>
#include <vector>

#include "document/records.h"

namespace zelko {

// Index of the marker nearest to (x, y) among the first count markers; ties go to the lower
// index. -1 when count is 0.
int NearestMarker(const std::vector<TMarker>& markers, int count, double x, double y);

// A clipboard text as a block of cells: TAB ends a cell, CR LF ends a row; a final CR LF of a
// text at least 3 characters long is dropped. Rows are padded to the longest row.
std::vector<std::vector<std::string>> ParseCellBlock(const std::string& text);

// Rows of cells joined by TAB, every row ended by CR LF.
std::string CellBlockText(const std::vector<std::vector<std::string>>& rows);

// Where the Enter key moves in the marker table from (col, row): from the physical Y cell to the
// next row's physical X cell (while a next marker row exists), from X to Y; elsewhere it stays.
void EnterWalk(int& col, int& row, int numMarkers);

}  // namespace zelko
