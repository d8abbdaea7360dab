// libFuzzer target: the PNG decoder on arbitrary bytes.
#include "decoder_target.h"
#include "imaging/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return zelko::FuzzDecoder(zelko::DecodePng, data, size);
}
