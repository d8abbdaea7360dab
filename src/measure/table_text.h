// Plain-text forms of a table: the clipboard copy, CSV and JSON.
#pragma once

#include <string>

#include "measure/tables.h"

namespace zelko {

// The clipboard copy of a whole table: cells joined by TAB, every row (the last too) ended by
// CR LF. Rows shorter than the widest row get empty cells. UTF-8; cells are not escaped.
std::string TableToTsv(const TableCells& cells);

// One row of the files' forms, `width` cells wide, ended by CR LF. Tab-separated: a cell holding
// a tab, a double quote, CR or LF is quoted as in CSV (quotes doubled), which spreadsheets and
// CSV readers set to tabs read back; other cells as they are.
std::string TableRowToTsv(const std::vector<std::string>& row, std::size_t width);
std::string TableRowToCsv(const std::vector<std::string>& row, std::size_t width);

// RFC 4180: a cell holding a comma, a double quote, CR or LF is quoted, quotes doubled; rows
// end with CR LF. A text cell beginning with =, +, -, @, TAB or CR (one a spreadsheet would
// evaluate as a formula) is written quoted after an apostrophe; numbers stay as they are.
std::string TableToCsv(const TableCells& cells);

// Every CSV file and output starts with it, so that spreadsheets read the UTF-8 text as such.
inline constexpr char kCsvByteOrderMark[] = "\xEF\xBB\xBF";

// {"header": [...], "rows": [{"type": "group", "group": 1, "category": 1, "cells": [...],
//  "length": 12.5, "area": -3.25}, {"type": "total", "category": 1, ...}]}, group and category
// 1-based, cells as shown, length and area unrounded. Invalid UTF-8 in a cell becomes U+FFFD.
std::string ResultTableToJson(const ResultTable& table);

// {"header": [...], "rows": [{"group": 1, "point": 1, "cells": [...]}]}, both 1-based.
std::string PointTableToJson(const PointTable& table);

// PointTableToJson in pieces, for writing a table a row at a time: the start with the header,
// each row (`first` for the first row under the header), and the end (`empty` when there were no
// rows).
std::string PointJsonStart(const std::vector<std::string>& header);
std::string PointJsonRow(bool first, PointRowInfo info, const std::vector<std::string>& cells);
std::string PointJsonEnd(bool empty);

// A JSON string literal, quotes included; invalid UTF-8 becomes U+FFFD.
std::string JsonString(const std::string& text);

}  // namespace zelko
