// Keyed-text files: "[Section]" lines followed by "key=value" lines, CP932 on disk, UTF-8 in
// memory. Section and key names compare without regard to ASCII letter case; the first
// occurrence wins. Writing keeps every other section, key, comment and blank line as it was.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "document/failure.h"

namespace zelko {

class IniFile {
 public:
  // Any bytes give a file: lines that are neither sections nor keys are kept but mean nothing.
  static IniFile Parse(std::string_view cp932);
  // A file that does not exist gives an empty IniFile; false with a reason when it cannot be read.
  static bool Load(const std::string& path, IniFile* out, Failure* failure);

  std::string Serialize() const;  // CP932, CR LF line ends
  // Written atomically: a failed save leaves the previous file as it was.
  bool Save(const std::string& path, Failure* failure) const;

  bool SectionExists(std::string_view section) const;
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  // The key names of a section in file order.
  std::vector<std::string> Keys(std::string_view section) const;

  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& fallback) const;
  // Decimal, or hex after "$" or "0x"; a value that is no 32-bit integer reads as the fallback.
  int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
  // The same without a fallback: nullopt when the key is missing or its value does not parse.
  std::optional<int> TryReadInteger(std::string_view section, std::string_view key) const;
  std::optional<double> TryReadFloat(std::string_view section, std::string_view key) const;
  // An integer: 0 is false, any other value true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;
  // "." as decimal separator; a value that is no number reads as the fallback.
  double ReadFloat(std::string_view section, std::string_view key, double fallback) const;

  // Line breaks in a value become spaces, since a value is one line.
  void WriteString(std::string_view section, std::string_view key, const std::string& value);
  void WriteInteger(std::string_view section, std::string_view key, long long value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

 private:
  struct Line {
    std::string key;  // empty for a comment or other line
    std::string value;
    std::string raw;       // the line as read
    bool written = false;  // serialised from key and value instead of raw
  };
  struct Section {
    std::string name;
    std::string raw;  // the header line as read; empty for a section added by a write
    std::vector<Line> lines;
  };

  const Section* Find(std::string_view section) const;
  const Line* FindKey(std::string_view section, std::string_view key) const;

  std::vector<std::string> preamble_;  // lines before the first section
  std::vector<Section> sections_;
  // Folded "section\0key" to (section, line) of its first occurrence; built when first needed
  // and dropped by every write, so that looking up many keys stays fast.
  mutable std::unordered_map<std::string, std::pair<size_t, size_t>> index_;
  mutable bool indexed_ = false;
};

}  // namespace zelko
