// Helpers for the document tests: files assembled byte by byte and scratch folders.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zelko::test {

// Little-endian bytes written out by hand; texts are given as their CP932 bytes.
class FileBytes {
 public:
  FileBytes& Raw(std::string_view bytes) {
    s_ += bytes;
    return *this;
  }
  // Bytes from hex digits, blanks ignored: "cdcc 4441".
  FileBytes& Hex(std::string_view hex) {
    int nibbles = 0;
    unsigned value = 0;
    for (char c : hex) {
      if (c == ' ') continue;
      value = value * 16 + static_cast<unsigned>(std::stoi(std::string(1, c), nullptr, 16));
      if (++nibbles == 2) {
        s_ += static_cast<char>(value);
        nibbles = 0;
        value = 0;
      }
    }
    return *this;
  }
  FileBytes& U8(unsigned v) {
    s_ += static_cast<char>(v & 0xFF);
    return *this;
  }
  FileBytes& U16(unsigned v) {
    s_ += static_cast<char>(v & 0xFF);
    s_ += static_cast<char>((v >> 8) & 0xFF);
    return *this;
  }
  FileBytes& Text(std::string_view cp932) {
    U16(static_cast<unsigned>(cp932.size()));
    return Raw(cp932);
  }
  const std::string& str() const { return s_; }
  size_t size() const { return s_.size(); }

 private:
  std::string s_;
};

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteWholeFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline bool FileExistsForTest(const std::string& path) { return std::filesystem::exists(path); }

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zelko-doc-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  // The folder with its final "/".
  std::string Folder() const { return path_ + "/"; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

}  // namespace zelko::test
