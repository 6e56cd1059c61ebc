// Fuzzes image decoding: the first byte picks the row alignment, the rest is the file.
#include <cstddef>
#include <cstdint>

#include "platform/image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  tav::platform::RgbImage image;
  std::string error;
  tav::platform::decodeImage({data + 1, size - 1}, 1 << (data[0] % 4), image, error);
  return 0;
}
