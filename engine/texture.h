#pragma once
// Image files as OpenGL textures.
#include <cstdint>
#include <string>

#include "engine/texel_bounds.h"

namespace tav {

// Decodes the image at `path` (looked up without regard to case when the exact name is missing)
// and uploads it as an RGB texture with linear filters and no mipmaps, left bound to
// GL_TEXTURE_2D; no other OpenGL state changes. The texture id, or -1 with the reason in `reason`;
// `bounds`, when given, gets where the texture is not black.
std::int32_t loadTexture(const std::string& path, std::string& reason,
                         TexelBounds* bounds = nullptr);

}  // namespace tav
