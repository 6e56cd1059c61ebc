// JPEG in the browser's build: stb_image, which decodes baseline and progressive JPEG; its
// implementation is compiled here, once, for this build.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include <stb_image.h>

#include "platform/image_decoders.h"

namespace tav::platform {

bool decodeJpeg(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                std::string& error) {
  return decodeWithStb(bytes, rowAlignment, image, error);
}

}  // namespace tav::platform
