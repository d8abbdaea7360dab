#include "document/ini_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <limits>

#include "document/cp932.h"
#include "document/file_io.h"
#include "document/numbers.h"

namespace zelko {
namespace {

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::optional<long long> ParseHexDigits(std::string_view digits) {
  if (digits.empty() || digits.size() > 8) return std::nullopt;
  long long value = 0;
  for (char c : digits) {
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return std::nullopt;
    value = value * 16 + d;
  }
  // Eight hex digits are a 32-bit pattern, as for negative numbers written in hex.
  return static_cast<long long>(static_cast<std::int32_t>(static_cast<std::uint32_t>(value)));
}

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

std::string IndexKey(std::string_view section, std::string_view key) {
  return Folded(section) + '\0' + Folded(key);
}

}  // namespace

IniFile IniFile::Parse(std::string_view cp932) {
  IniFile ini;
  size_t start = 0;
  while (start < cp932.size()) {
    size_t end = cp932.find('\n', start);
    if (end == std::string_view::npos) end = cp932.size();
    // A CP932 second byte is never "\n", so splitting before converting is safe.
    std::string line = Cp932ToUtf8(cp932.substr(start, end - start));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;

    const std::string_view t = Trim(line);
    if (!t.empty() && t.front() == '[') {
      const auto close = t.find(']');
      const std::string_view name =
          close == std::string_view::npos ? t.substr(1) : t.substr(1, close - 1);
      ini.sections_.push_back(Section{std::string(Trim(name)), line, {}});
      continue;
    }
    Line entry;
    entry.raw = line;
    const auto eq = t.find('=');
    if (eq != std::string_view::npos && t.front() != ';') {
      entry.key = std::string(Trim(t.substr(0, eq)));
      entry.value = std::string(Trim(t.substr(eq + 1)));
    }
    if (ini.sections_.empty())
      ini.preamble_.push_back(line);
    else
      ini.sections_.back().lines.push_back(std::move(entry));
  }
  return ini;
}

bool IniFile::Load(const std::string& path, IniFile* out, Failure* failure) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    *out = IniFile();
    return true;
  }
  std::string bytes;
  if (!ReadFileBytes(path, &bytes, failure)) return false;
  *out = Parse(bytes);
  return true;
}

std::string IniFile::Serialize() const {
  std::string text;
  for (const auto& line : preamble_) text += line + "\r\n";
  for (const auto& section : sections_) {
    text += section.raw.empty() ? "[" + section.name + "]" : section.raw;
    text += "\r\n";
    for (const auto& line : section.lines)
      text += (line.written ? line.key + "=" + line.value : line.raw) + "\r\n";
  }
  return Utf8ToCp932(text);
}

bool IniFile::Save(const std::string& path, Failure* failure) const {
  return WriteFileAtomically(path, Serialize(), failure);
}

const IniFile::Section* IniFile::Find(std::string_view section) const {
  for (const auto& s : sections_)
    if (SameName(s.name, section)) return &s;
  return nullptr;
}

const IniFile::Line* IniFile::FindKey(std::string_view section, std::string_view key) const {
  if (!indexed_) {
    index_.clear();
    for (size_t si = 0; si < sections_.size(); ++si) {
      const Section& s = sections_[si];
      for (size_t li = 0; li < s.lines.size(); ++li)
        if (!s.lines[li].key.empty())
          index_.emplace(IndexKey(s.name, s.lines[li].key), std::make_pair(si, li));
    }
    indexed_ = true;
  }
  const auto it = index_.find(IndexKey(section, key));
  if (it == index_.end()) return nullptr;
  return &sections_[it->second.first].lines[it->second.second];
}

bool IniFile::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
  if (const Line* line = FindKey(section, key)) return line->value;
  return std::nullopt;
}

std::vector<std::string> IniFile::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  for (const auto& s : sections_) {
    if (!SameName(s.name, section)) continue;
    for (const auto& line : s.lines)
      if (!line.key.empty()) keys.push_back(line.key);
  }
  return keys;
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                const std::string& fallback) const {
  return Value(section, key).value_or(fallback);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
  return TryReadInteger(section, key).value_or(fallback);
}

std::optional<int> IniFile::TryReadInteger(std::string_view section, std::string_view key) const {
  const auto text = Value(section, key);
  if (!text) return std::nullopt;
  std::optional<long long> value;
  std::string_view digits = *text;
  const bool negative = !digits.empty() && digits[0] == '-';
  if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) digits.remove_prefix(1);
  if (!digits.empty() && digits[0] == '$')
    value = ParseHexDigits(digits.substr(1));
  else if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    value = ParseHexDigits(digits.substr(2));
  if (value && negative) value = -*value;
  if (!value) value = TryParseInteger(*text);
  if (!value || *value < std::numeric_limits<int>::min() ||
      *value > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(*value);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

double IniFile::ReadFloat(std::string_view section, std::string_view key, double fallback) const {
  return TryReadFloat(section, key).value_or(fallback);
}

std::optional<double> IniFile::TryReadFloat(std::string_view section, std::string_view key) const {
  const auto text = Value(section, key);
  if (!text) return std::nullopt;
  return TryParseNumber(*text);
}

void IniFile::WriteString(std::string_view section, std::string_view key,
                          const std::string& value) {
  indexed_ = false;
  std::string clean = value;
  for (char& c : clean)
    if (c == '\r' || c == '\n') c = ' ';
  for (auto& s : sections_) {
    if (!SameName(s.name, section)) continue;
    for (auto& line : s.lines) {
      if (!line.key.empty() && SameName(line.key, key)) {
        line.value = clean;
        line.written = true;
        return;
      }
    }
  }
  Section* target = nullptr;
  for (auto& s : sections_)
    if (SameName(s.name, section)) {
      target = &s;
      break;
    }
  if (!target) {
    sections_.push_back(Section{std::string(section), {}, {}});
    target = &sections_.back();
  }
  // New keys go after the section's last key, before any blank lines that end it.
  auto pos = target->lines.end();
  while (pos != target->lines.begin() && (pos - 1)->key.empty() && Trim((pos - 1)->raw).empty())
    --pos;
  target->lines.insert(pos, Line{std::string(key), clean, {}, true});
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, long long value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace zelko
