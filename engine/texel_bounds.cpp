#include "engine/texel_bounds.h"

#include <algorithm>

namespace tav {

TexelBounds texelBounds(const platform::RgbImage& image) {
  TexelBounds b;
  b.width = image.width;
  b.height = image.height;
  b.left = image.width;
  b.top = image.height;
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row =
        &image.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.stride)];
    int first = -1, last = -1;
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = row + 3 * x;
      if ((p[0] | p[1] | p[2]) != 0) {
        if (first < 0) first = x;
        last = x;
      }
    }
    if (first < 0) continue;
    b.left = std::min(b.left, first);
    b.right = std::max(b.right, last);
    b.top = std::min(b.top, y);
    b.bottom = y;
  }
  return b;
}

bool reachOf(const TexelBounds& bounds, TexRange& range) {
  if (bounds.empty()) return false;
  range = TexRange{};
  if (bounds.left > 0 && bounds.right < bounds.width - 1) {
    range.s0 = static_cast<float>(bounds.left - 1) / static_cast<float>(bounds.width);
    range.s1 = static_cast<float>(bounds.right + 2) / static_cast<float>(bounds.width);
  }
  if (bounds.top > 0 && bounds.bottom < bounds.height - 1) {
    range.t0 = static_cast<float>(bounds.top - 1) / static_cast<float>(bounds.height);
    range.t1 = static_cast<float>(bounds.bottom + 2) / static_cast<float>(bounds.height);
  }
  return true;
}

}  // namespace tav
