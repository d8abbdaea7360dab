// libFuzzer target: the open path's own dispatch on arbitrary bytes, as the window and
// zelko-cli open a file: the format judged from the content (foreign formats named), then its
// decoder, with the program's checks of the size against the memory before decoding.
#include "decoder_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return zelko::FuzzDecoder(
      [](const std::uint8_t* d, std::size_t n, const zelko::DecodeLimits& limits) {
        return zelko::DecodeImageBytes(d, n, "input", limits);
      },
      data, size, true);
}
