#include "tests/support/image_fixture.h"

#include <stb_image_write.h>

#include <stdexcept>

namespace tav::test {
namespace {

void append(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(context);
  auto* bytes = static_cast<std::uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

std::vector<std::uint8_t> encodeImage(ImageFormat format, int width, int height,
                                      const std::vector<std::uint8_t>& rgb) {
  std::vector<std::uint8_t> out;
  int ok = 0;
  switch (format) {
    case ImageFormat::Png:
      ok = stbi_write_png_to_func(append, &out, width, height, 3, rgb.data(), width * 3);
      break;
    case ImageFormat::Bmp:
      ok = stbi_write_bmp_to_func(append, &out, width, height, 3, rgb.data());
      break;
    case ImageFormat::Tga:
      ok = stbi_write_tga_to_func(append, &out, width, height, 3, rgb.data());
      break;
    case ImageFormat::Jpeg:
      ok = encodeJpeg(width, height, rgb, out);
      break;
  }
  if (!ok) throw std::runtime_error("cannot encode the test image");
  return out;
}

}  // namespace tav::test
