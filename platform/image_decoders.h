#pragma once
// The decoders behind decodeImage. JPEG has one per backend (libjpeg-turbo on the desktop,
// stb_image in the browser); everything else goes through stb_image.
#include <cstdint>
#include <span>
#include <string>

#include "platform/image.h"

namespace tav::platform {

bool decodeJpeg(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                std::string& error);
bool decodeWithStb(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                   std::string& error);

// False, with the reason, for sizes the decoders refuse before allocating.
bool sizeAllowed(int width, int height, std::string& error);
// Sizes `image` for width × height with rows on `rowAlignment` bytes, all zero.
void prepare(RgbImage& image, int width, int height, int rowAlignment);

}  // namespace tav::platform
