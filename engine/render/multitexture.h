#pragma once
// The ARB_multitexture entry points, fetched by the window at start-up. Both or neither: without
// them the two-texture styles draw with the first texture only and never call an empty pointer.
#include "platform/gl.h"

namespace tav {

struct Multitexture {
  PFNGLACTIVETEXTUREARBPROC activeTexture = nullptr;
  PFNGLMULTITEXCOORD2FARBPROC multiTexCoord2f = nullptr;

  bool available() const { return activeTexture != nullptr && multiTexCoord2f != nullptr; }
};

}  // namespace tav
