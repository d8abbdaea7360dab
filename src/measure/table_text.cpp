#include "measure/table_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <string_view>
#include <system_error>

namespace zelko {

namespace {

std::size_t Width(const TableCells& cells) {
  std::size_t width = 0;
  for (const auto& row : cells) width = std::max(width, row.size());
  return width;
}

void AppendRow(std::string& out, const std::vector<std::string>& row, std::size_t width,
               char separator, std::string (*cellText)(const std::string&)) {
  for (std::size_t c = 0; c < width; ++c) {
    if (c < row.size()) out += cellText(row[c]);
    if (c + 1 < width) out += separator;
  }
  out += "\r\n";
}

std::string Joined(const TableCells& cells, char separator,
                   std::string (*cellText)(const std::string&)) {
  const std::size_t width = Width(cells);
  std::string out;
  for (const auto& row : cells) AppendRow(out, row, width, separator, cellText);
  return out;
}

std::string Plain(const std::string& cell) { return cell; }

std::string Quoted(const std::string& cell) {
  std::string out = "\"";
  for (char c : cell) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// Whether the whole cell reads as a number, as the tables write them ("-12.5", "1e-07").
bool IsNumber(const std::string& cell) {
  if (cell.empty()) return false;
  double v = 0;
  const auto r = std::from_chars(cell.data(), cell.data() + cell.size(), v);
  return r.ec == std::errc() && r.ptr == cell.data() + cell.size();
}

// A spreadsheet takes a text beginning with one of these for a formula and evaluates it.
bool ReadsAsFormula(const std::string& cell) {
  return !cell.empty() && std::string_view("=+-@\t\r").find(cell[0]) != std::string_view::npos &&
         !IsNumber(cell);
}

std::string CsvQuoted(const std::string& cell) {
  // An apostrophe before such a text makes the spreadsheet show it as it is (a category named
  // "=1+2" stays that text); numbers such as "-12.5" stay numbers.
  if (ReadsAsFormula(cell)) return Quoted("'" + cell);
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  return Quoted(cell);
}

// The files' tab-separated form: a cell holding a tab, a quote or a line break is quoted as CSV
// quotes it, so that the rows stay rows.
std::string TsvQuoted(const std::string& cell) {
  if (cell.find_first_of("\t\"\r\n") == std::string::npos) return cell;
  return Quoted(cell);
}

// Length of a valid UTF-8 sequence at s[i], or 0.
std::size_t Utf8Length(const std::string& s, std::size_t i) {
  const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = b(i);
  std::size_t len;
  unsigned min;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    len = 2, min = 0x80;
  else if (lead >= 0xE0 && lead <= 0xEF)
    len = 3, min = 0x800;
  else if (lead >= 0xF0 && lead <= 0xF4)
    len = 4, min = 0x10000;
  else
    return 0;
  if (i + len > s.size()) return 0;
  unsigned cp = lead & (0x7F >> len);
  for (std::size_t k = 1; k < len; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}

void AppendJsonString(std::string& out, const std::string& s) {
  out += '"';
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20) {
      switch (c) {
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        case '\t':
          out += "\\t";
          break;
        default: {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        }
      }
      ++i;
    } else if (const std::size_t len = Utf8Length(s, i)) {
      out.append(s, i, len);
      i += len;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  out += '"';
}

void AppendJsonCells(std::string& out, const std::vector<std::string>& cells) {
  out += '[';
  for (std::size_t c = 0; c < cells.size(); ++c) {
    if (c) out += ", ";
    AppendJsonString(out, cells[c]);
  }
  out += ']';
}

// The shortest text that reads back as the same double; null for what JSON cannot hold.
std::string JsonNumber(double v) {
  if (!std::isfinite(v)) return "null";
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out;
  AppendJsonString(out, text);
  return out;
}

std::string TableToTsv(const TableCells& cells) { return Joined(cells, '\t', &Plain); }

std::string TableToCsv(const TableCells& cells) { return Joined(cells, ',', &CsvQuoted); }

std::string TableRowToTsv(const std::vector<std::string>& row, std::size_t width) {
  std::string out;
  AppendRow(out, row, width, '\t', &TsvQuoted);
  return out;
}

std::string TableRowToCsv(const std::vector<std::string>& row, std::size_t width) {
  std::string out;
  AppendRow(out, row, width, ',', &CsvQuoted);
  return out;
}

std::string ResultTableToJson(const ResultTable& table) {
  std::string out = "{\"header\": ";
  AppendJsonCells(out, table.cells.empty() ? std::vector<std::string>{} : table.cells[0]);
  out += ", \"rows\": [";
  bool first = true;
  for (std::size_t r = 1; r < table.cells.size() && r < table.rows.size(); ++r) {
    const ResultRowInfo& info = table.rows[r];
    out += first ? "\n  " : ",\n  ";
    first = false;
    if (info.kind == ResultRowKind::Group)
      out += "{\"type\": \"group\", \"group\": " + std::to_string(info.group + 1) + ", ";
    else
      out += "{\"type\": \"total\", ";
    out += "\"category\": " + std::to_string(info.sort + 1) + ", \"cells\": ";
    AppendJsonCells(out, table.cells[r]);
    // The cells are rounded as the window shows them; these keep every digit.
    out += ", \"length\": " + JsonNumber(info.length) + ", \"area\": " + JsonNumber(info.area);
    out += ", \"length_sd\": " + JsonNumber(info.lengthSd) +
           ", \"area_sd\": " + JsonNumber(info.areaSd);
    out += '}';
  }
  out += first ? "]}\n" : "\n]}\n";
  return out;
}

std::string PointTableToJson(const PointTable& table) {
  std::string out =
      PointJsonStart(table.cells.empty() ? std::vector<std::string>{} : table.cells[0]);
  bool first = true;
  for (std::size_t r = 1; r < table.cells.size() && r < table.rows.size(); ++r) {
    out += PointJsonRow(first, table.rows[r], table.cells[r]);
    first = false;
  }
  return out + PointJsonEnd(first);
}

std::string PointJsonStart(const std::vector<std::string>& header) {
  std::string out = "{\"header\": ";
  AppendJsonCells(out, header);
  return out + ", \"rows\": [";
}

std::string PointJsonRow(bool first, PointRowInfo info, const std::vector<std::string>& cells) {
  std::string out = first ? "\n  " : ",\n  ";
  out += "{\"group\": " + std::to_string(info.group + 1) +
         ", \"point\": " + std::to_string(info.point + 1) + ", \"cells\": ";
  AppendJsonCells(out, cells);
  out += '}';
  return out;
}

std::string PointJsonEnd(bool empty) { return empty ? "]}\n" : "\n]}\n"; }

}  // namespace zelko
