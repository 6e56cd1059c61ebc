#include "platform/image.h"

#include <stb_image.h>

#include <cstring>
#include <memory>

#include "platform/files.h"
#include "platform/image_decoders.h"

namespace tav::platform {
namespace {

bool isJpeg(std::span<const std::uint8_t> b) {
  return b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF;
}

}  // namespace

bool sizeAllowed(int width, int height, std::string& error) {
  if (width <= 0 || height <= 0) {
    error = "the image has no pixels";
    return false;
  }
  if (width > kMaxImageSide || height > kMaxImageSide ||
      static_cast<std::int64_t>(width) * height > kMaxImagePixels) {
    error = "the image is too large (" + std::to_string(width) + "x" + std::to_string(height) + ")";
    return false;
  }
  return true;
}

void prepare(RgbImage& image, int width, int height, int rowAlignment) {
  int alignment = rowAlignment == 1 || rowAlignment == 2 || rowAlignment == 8 ? rowAlignment : 4;
  image.width = width;
  image.height = height;
  image.stride = (width * 3 + alignment - 1) / alignment * alignment;
  image.pixels.assign(static_cast<std::size_t>(image.stride) * static_cast<std::size_t>(height), 0);
}

bool decodeWithStb(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                   std::string& error) {
  if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
    error = "the file is too large";
    return false;
  }
  auto length = static_cast<int>(bytes.size());
  int width = 0, height = 0, components = 0;
  if (!stbi_info_from_memory(bytes.data(), length, &width, &height, &components)) {
    error = std::string("not an image this program reads (JPEG, PNG, BMP, TGA): ") +
            stbi_failure_reason();
    return false;
  }
  if (!sizeAllowed(width, height, error)) return false;
  std::unique_ptr<stbi_uc, void (*)(void*)> rgb(
      stbi_load_from_memory(bytes.data(), length, &width, &height, &components, 3),
      &stbi_image_free);
  if (!rgb) {
    error = std::string("image data damaged: ") + stbi_failure_reason();
    return false;
  }
  prepare(image, width, height, rowAlignment);
  const std::size_t row = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y) {
    std::memcpy(&image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.stride)],
                rgb.get() + static_cast<std::size_t>(y) * row, row);
  }
  return true;
}

bool decodeImage(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                 std::string& error) {
  image = RgbImage{};
  if (bytes.empty()) {
    error = "the file is empty";
    return false;
  }
  return isJpeg(bytes) ? decodeJpeg(bytes, rowAlignment, image, error)
                       : decodeWithStb(bytes, rowAlignment, image, error);
}

bool decodeImageFile(const std::string& path, int rowAlignment, RgbImage& image,
                     std::string& error) {
  std::vector<std::uint8_t> bytes;
  if (!readWholeFile(path, bytes, error)) return false;
  return decodeImage(bytes, rowAlignment, image, error);
}

}  // namespace tav::platform
