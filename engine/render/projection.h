#pragma once
// The perspective projections the show sets: 71 degrees vertically, 4:3 whatever the window.

namespace tav {

class GlState;

// Projection = perspective(71°, 4:3, zNear, zFar); the model-view matrix is made identity and
// left current.
void setShowProjection(GlState& gl, double zNear, double zFar);

}  // namespace tav
