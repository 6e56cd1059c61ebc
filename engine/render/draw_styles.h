#pragma once
// The material set-up and the five ways a mesh object is sent to OpenGL. All geometry goes in
// immediate mode in the object's own coordinates: the camera and the object transform are already
// on the modelview matrix.
#include <cstdint>

#include "engine/records.h"
#include "engine/render/multitexture.h"

namespace tav::render {

// The material index of the object's first face, as stored: -1 for none, possibly past the
// model's materials. An object without faces has none.
std::int32_t rawMaterialIndex(const MeshObject& object);
// The object's material, or null when the index is negative or past the model's materials.
const Material* materialOf(const Model& model, const MeshObject& object);

void applyMaterial(const Model& model, const MeshObject& object, const Multitexture& multitexture);
// All faces, one call for the whole object (GL 1.1 vertex arrays); immediate mode when only some
// vertices have texture coordinates. Both send the same data and give the same pixels.
void drawPlain(const MeshObject& object);
void drawPlainImmediate(const MeshObject& object);
void drawDualTextured(const Model& model, const MeshObject& object,
                      const Multitexture& multitexture);
void drawDistorted(const Model& model, const MeshObject& object);
void drawDistortedDual(const Model& model, const MeshObject& object,
                       const Multitexture& multitexture);
void drawSprites(const RenderSettings& settings, const MeshObject& object);

}  // namespace tav::render
