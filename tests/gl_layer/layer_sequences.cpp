// The sequences against the browser's OpenGL 1.1 subset, compiled natively over OpenGL ES 3.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numbers>

#include "platform/web/gl11.h"
#include "tests/gl_layer/sequences.h"

namespace tav::gl_layer {
namespace layer {
#include "tests/gl_layer/sequences.inc"
}  // namespace layer

std::span<const Sequence> layerSequences() {
  return layer::kSequences;
}

}  // namespace tav::gl_layer
