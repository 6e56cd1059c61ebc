#include "engine/render/projection.h"

#include "engine/gl_state.h"

namespace tav {

void setShowProjection(GlState& gl, double zNear, double zFar) {
  gl.matrixMode(GL_PROJECTION);
  gl.loadIdentity();
  gl.perspective(71.0, 1.3333333333333333, zNear, zFar);
  gl.matrixMode(GL_MODELVIEW);
  gl.loadIdentity();
}

}  // namespace tav
