#pragma once
// Image files as OpenGL textures.
#include <cstdint>
#include <string>

namespace tav {

// Decodes the image at `path` (looked up without regard to case when the exact name is missing)
// and uploads it as an RGB texture with linear filters and no mipmaps, left bound to
// GL_TEXTURE_2D; no other OpenGL state changes. The texture id, or -1 with the reason in `reason`.
std::int32_t loadTexture(const std::string& path, std::string& reason);

}  // namespace tav
