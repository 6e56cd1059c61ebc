#pragma once
// The show's pictures, painted by code and saved as JPEG.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tav::showkit {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top first, 3 bytes a pixel
};

// Every texture the models' materials name and the eight the set-up adds, in `dir`. Returns the
// file names written.
std::vector<std::string> writeTextures(const std::filesystem::path& dir);

bool writeJpeg(const std::filesystem::path& file, const Image& image, int quality);

}  // namespace tav::showkit
