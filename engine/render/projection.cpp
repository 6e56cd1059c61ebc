#include "engine/render/projection.h"

#include "platform/gl.h"

namespace tav {

void setShowProjection(double zNear, double zFar) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(71.0, 1.3333333333333333, zNear, zFar);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace tav
