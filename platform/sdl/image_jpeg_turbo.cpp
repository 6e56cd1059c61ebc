// JPEG with libjpeg-turbo: faster than stb_image here, and what the desktop show decodes with.
#include <turbojpeg.h>

#include <memory>

#include "platform/image_decoders.h"

namespace tav::platform {

bool decodeJpeg(std::span<const std::uint8_t> bytes, int rowAlignment, RgbImage& image,
                std::string& error) {
  std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitDecompress(), &tjDestroy);
  if (!tj) {
    error = "cannot start the JPEG decoder";
    return false;
  }
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (tjDecompressHeader3(tj.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                          &height, &subsampling, &colourspace) != 0) {
    error = std::string("not a readable JPEG: ") + tjGetErrorStr2(tj.get());
    return false;
  }
  if (!sizeAllowed(width, height, error)) return false;
  prepare(image, width, height, rowAlignment);
  if (tjDecompress2(tj.get(), bytes.data(), static_cast<unsigned long>(bytes.size()),
                    image.pixels.data(), width, image.stride, height, TJPF_RGB, 0) != 0 &&
      tjGetErrorCode(tj.get()) == TJERR_FATAL) {
    error = std::string("JPEG data damaged: ") + tjGetErrorStr2(tj.get());
    return false;
  }
  return true;
}

}  // namespace tav::platform
