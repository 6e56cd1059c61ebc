// JPEG fixtures through stb_image_write where libjpeg-turbo is not at hand (the browser's and
// Windows' tests). The browser build has no compiled stb library: its implementation is here.
#ifdef __EMSCRIPTEN__
#define STB_IMAGE_WRITE_IMPLEMENTATION
#endif
#include <stb_image_write.h>

#include "tests/support/image_fixture.h"

namespace tav::test {

bool encodeJpeg(int width, int height, const std::vector<std::uint8_t>& rgb,
                std::vector<std::uint8_t>& out) {
  auto append = [](void* context, void* data, int size) {
    auto* bytes = static_cast<std::uint8_t*>(data);
    static_cast<std::vector<std::uint8_t>*>(context)->insert(
        static_cast<std::vector<std::uint8_t>*>(context)->end(), bytes, bytes + size);
  };
  return stbi_write_jpg_to_func(append, &out, width, height, 3, rgb.data(), 100) != 0;
}

}  // namespace tav::test
