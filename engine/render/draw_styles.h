#pragma once
// The material set-up and the five ways a mesh object is sent to OpenGL. All geometry goes in
// immediate mode in the object's own coordinates: the camera and the object transform are already
// on the modelview matrix. While `gl` is not live nothing is drawn, and each style leaves exactly
// the state drawing would have left.
#include <cstdint>

#include "engine/gl_state.h"
#include "engine/records.h"

namespace tav::render {

// The material index of the object's first face, as stored: -1 for none, possibly past the
// model's materials. An object without faces has none.
std::int32_t rawMaterialIndex(const MeshObject& object);
// The object's material, or null when the index is negative or past the model's materials.
const Material* materialOf(const Model& model, const MeshObject& object);

void applyMaterial(GlState& gl, const Model& model, const MeshObject& object);
// All faces, one call for the whole object (GL 1.1 vertex arrays); immediate mode when only some
// vertices have texture coordinates. Both send the same data and give the same pixels.
void drawPlain(GlState& gl, const MeshObject& object);
void drawPlainImmediate(GlState& gl, const MeshObject& object);
void drawDualTextured(GlState& gl, const Model& model, const MeshObject& object);
void drawDistorted(GlState& gl, const Model& model, const MeshObject& object);
void drawDistortedDual(GlState& gl, const Model& model, const MeshObject& object);
void drawSprites(GlState& gl, const RenderSettings& settings, const MeshObject& object);

}  // namespace tav::render
