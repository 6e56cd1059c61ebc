#pragma once
// Image files made at test time: JPEG with libjpeg-turbo, PNG, BMP and TGA with stb_image_write.
#include <cstdint>
#include <string>
#include <vector>

namespace tav::test {

enum class ImageFormat { Jpeg, Png, Bmp, Tga };

// `rgb`: width × height pixels, 3 bytes each, rows packed, top row first.
std::vector<std::uint8_t> encodeImage(ImageFormat format, int width, int height,
                                      const std::vector<std::uint8_t>& rgb);

}  // namespace tav::test
