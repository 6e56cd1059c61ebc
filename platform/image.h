#pragma once
// Decoding image files to 8-bit RGB: JPEG with libjpeg-turbo; PNG, BMP and TGA with stb_image.
// The format is told by the content, not the name.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tav::platform {

struct RgbImage {
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes from one row to the next: width × 3 rounded up to the row alignment
  std::vector<std::uint8_t> pixels;  // top row first
};

// Larger images are refused before anything is allocated for them.
inline constexpr int kMaxImageSide = 16384;
inline constexpr std::int64_t kMaxImagePixels = 64ll * 1024 * 1024;

// Rows start on multiples of `rowAlignment` bytes (1, 2, 4 or 8), as OpenGL's unpack alignment
// reads them. False, with the reason in `error`, when the data is not an image this can decode.
bool decodeImage(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                 std::string& error);
bool decodeImageFile(const std::string& path, int rowAlignment, RgbImage& image,
                     std::string& error);

}  // namespace tav::platform
