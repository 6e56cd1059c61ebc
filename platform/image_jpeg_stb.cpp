// JPEG where libjpeg-turbo is not at hand (the browser, Windows): stb_image, which decodes baseline
// and progressive JPEG. The browser build has no compiled stb library: its implementation is here.
#ifdef __EMSCRIPTEN__
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#endif
#include <stb_image.h>

#include "platform/image_decoders.h"

namespace tav::platform {

bool decodeJpeg(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                std::string& error) {
  return decodeWithStb(bytes, rowAlignment, image, error);
}

}  // namespace tav::platform
