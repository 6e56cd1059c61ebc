#pragma once
// Image files made at test time: PNG, BMP and TGA with stb_image_write, and JPEG.
#include <cstdint>
#include <string>
#include <vector>

namespace tav::test {

enum class ImageFormat { Jpeg, Png, Bmp, Tga };

// `rgb`: width × height pixels, 3 bytes each, rows packed, top row first.
std::vector<std::uint8_t> encodeImage(ImageFormat format, int width, int height,
                                      const std::vector<std::uint8_t>& rgb);

// Quality 100, no chroma subsampling: libjpeg-turbo on the desktop, stb_image_write in the
// browser's tests.
bool encodeJpeg(int width, int height, const std::vector<std::uint8_t>& rgb,
                std::vector<std::uint8_t>& out);

}  // namespace tav::test
