#include "engine/texture.h"

#include <cstdio>
#include <vector>

#include "engine/engine.h"
#include "platform/files.h"
#include "platform/gl.h"
#include "platform/image.h"

namespace tav {

std::int32_t loadTexture(const std::string& path, std::string& reason, TexelBounds* bounds) {
  // Rows are laid out for the unpack alignment in force, which stays as it is.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  platform::RgbImage image;
  if (!platform::decodeImageFile(platform::findIgnoringCase(path), alignment, image, reason)) {
    return -1;
  }
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
               image.pixels.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  if (bounds) *bounds = texelBounds(image);
  return static_cast<std::int32_t>(id);
}

std::int32_t Engine::loadTextureFile(const std::string& path, std::string& reason) {
  if (textureMode != TextureMode::Upload) return -1;
  TexelBounds bounds;
  const std::int32_t id = loadTexture(path, reason, &bounds);
  if (id >= 0) {
    textureBounds[id] = bounds;
    gl.bindTexture(static_cast<GLuint>(id));  // kept as the upload left it
  }
  return id;
}

void Engine::loadMaterialTextures() {
  using namespace material_flags;
  // A map that fails still marks its material as textured: the draw styles then bind id -1.
  auto loadMap = [this](const std::string& file) {
    std::string path = texturePath + file;
    std::string reason;
    std::int32_t id = loadTextureFile(path, reason);
    if (id == -1 && textureMode == TextureMode::Upload) {
      if (onTextureFailure) {
        onTextureFailure(path, reason);
      } else {
        std::fprintf(stderr, "Failed to load texture: %s (%s)\n", path.c_str(), reason.c_str());
      }
    }
    return id;
  };
  for (Material& material : model().materials) {
    if (!material.texture0File.empty()) {
      material.texture0 = loadMap(material.texture0File);
      material.flags |= kTextured;
    }
    if (!material.texture1File.empty()) {
      material.texture1 = loadMap(material.texture1File);
      material.flags |= kDualTextured;
      material.flags ^= kTextured;
    }
    material.flags |= kSmooth;
    if (material.name.find("sprite") != std::string::npos) material.flags |= kSprite;
    if (material.name.find("distort") != std::string::npos) {
      material.flags |= kDistort;
      material.distortParameters[0] = material.distortParameters[1] =
          material.distortParameters[2] = 1.0f;
    }
  }
}

void Engine::addTexture(const std::string& file, const std::string& name) {
  if (file.empty() || name.empty()) return;
  std::string reason;
  std::int32_t id = loadTextureFile(texturePath + file, reason);
  if (id == -1) return;
  Material& material = model().materials.emplace_back();
  material.texture0 = id;
  material.flags |= material_flags::kTextured;
  material.flags |= material_flags::kSmooth;
  material.name = name.substr(0, 254);
}

void Engine::releaseTextures() {
  std::vector<GLuint> ids;
  for (const auto& [id, bounds] : textureBounds)
    ids.push_back(static_cast<GLuint>(id));
  if (textureMode == TextureMode::Upload && !ids.empty()) {
    glDeleteTextures(static_cast<GLsizei>(ids.size()), ids.data());
  }
  textureBounds.clear();
}

}  // namespace tav
