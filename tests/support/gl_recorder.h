#pragma once
// A stand-in for the OpenGL and GLU functions the render code calls. A test executable that
// links gl_recorder.cpp gets these definitions instead of the driver's, so the render code's calls
// are recorded in order as readable lines ("glEnable(GL_LIGHTING)") and nothing is drawn.
#include <string>
#include <vector>

#include "engine/render/multitexture.h"

namespace tav::test::gl {

void reset();
// The calls since the last reset or take, and clears them.
std::vector<std::string> take();
// Only the calls whose name is one of `names`.
std::vector<std::string> only(const std::vector<std::string>& calls,
                              const std::vector<std::string>& names);
// Everything but the geometry: glBegin/glEnd and per-vertex calls dropped.
std::vector<std::string> stateOnly(const std::vector<std::string>& calls);
// What glGetFloatv(GL_MODELVIEW_MATRIX) answers (identity until set).
void setModelview(const float matrix[16]);
// Entry points that record as glActiveTextureARB and glMultiTexCoord2fARB.
Multitexture multitexture();

}  // namespace tav::test::gl
