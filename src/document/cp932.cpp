#include "document/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace zelko {
namespace {

// One converter per direction and thread; opening iconv for every text would be slow.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error(std::string("文字コード変換を開けません: ") + from + " -> " + to);
  }
  ~Converter() { iconv_close(cd_); }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts input; skip(pos) tells how many bytes of an unconvertible character to drop.
  template <typename Skip>
  std::string Run(std::string_view input, Skip skip) {
    std::string out;
    out.reserve(input.size() * 3 / 2 + 4);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    size_t pos = 0;
    while (pos < input.size()) {
      char* in = const_cast<char*>(input.data() + pos);
      size_t inLeft = input.size() - pos;
      char* outPtr = buffer;
      size_t outLeft = sizeof buffer;
      const size_t rc = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
      const int err = errno;
      out.append(buffer, static_cast<size_t>(outPtr - buffer));
      pos = static_cast<size_t>(in - input.data());
      if (rc != static_cast<size_t>(-1)) continue;
      if (err == E2BIG) continue;
      // EILSEQ or EINVAL: an unconvertible or incomplete character at pos.
      out += '?';
      pos += skip(input, pos);
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Length of the UTF-8 sequence at pos, 1 when it is not a valid one.
size_t Utf8SequenceLength(std::string_view s, size_t pos) {
  const auto c = static_cast<unsigned char>(s[pos]);
  size_t len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 1;
  if (c >= 0xF5) len = 1;
  if (pos + len > s.size()) return 1;
  for (size_t i = 1; i < len; ++i)
    if ((static_cast<unsigned char>(s[pos + i]) & 0xC0) != 0x80) return 1;
  return len;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter converter("CP932", "UTF-8");
  return converter.Run(utf8, Utf8SequenceLength);
}

bool FitsCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return utf8.find('\0') == std::string_view::npos;
  return Cp932ToUtf8(Utf8ToCp932(utf8)) == utf8;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (const auto zero = cp932.find('\0'); zero != std::string_view::npos)
    cp932 = cp932.substr(0, zero);
  if (IsAscii(cp932)) return std::string(cp932);
  thread_local Converter converter("UTF-8", "CP932");
  return converter.Run(cp932, [](std::string_view, size_t) -> size_t { return 1; });
}

}  // namespace zelko
