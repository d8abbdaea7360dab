// Text operations of the marker table: the nearest marker, the clipboard block of a paste, the
// copy of a selected rectangle and the Enter walk through the physical cells.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <vector>

#include "document/records.h"

namespace zelko {

// Index of the marker nearest to (x, y) among the first count markers, by squared distance in
// image coordinates; ties go to the lower index. -1 when there is none.
int NearestMarker(const std::vector<TMarker>& markers, int count, double x, double y);

// A clipboard text as a block of cells: TAB ends a cell; CR LF (or a lone LF, as texts copied
// on this platform end their lines) ends a row. A final line end is dropped when the text holds
// more than that line end. Every row is padded with empty cells to the longest row. Rows from
// maxRows on and cells from maxCols on are left out, so a paste into a small table never builds
// a block larger than the table.
std::vector<std::vector<std::string>> ParseCellBlock(
    const std::string& text, std::size_t maxRows = std::numeric_limits<std::size_t>::max(),
    std::size_t maxCols = std::numeric_limits<std::size_t>::max());

// Rows of cells joined by TAB, every row ended by CR LF.
std::string CellBlockText(const std::vector<std::vector<std::string>>& rows);

// Where the Enter key moves in the marker table from (col, row): from the physical Y cell to the
// next row's physical X cell (while a next marker row exists), from X to Y; elsewhere it stays.
void EnterWalk(int& col, int& row, int numMarkers);

}  // namespace zelko
