// The sequences against the system's own OpenGL 1.1 and GLU: the fixed-function reference.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <numbers>

#include "tests/gl_layer/sequences.h"

namespace tav::gl_layer {
namespace fixed_function {
#include "tests/gl_layer/sequences.inc"
}  // namespace fixed_function

std::span<const Sequence> fixedFunctionSequences() {
  return fixed_function::kSequences;
}

}  // namespace tav::gl_layer
