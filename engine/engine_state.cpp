#include "engine/engine_state.h"

namespace tav {
namespace {

template <typename T>
std::size_t bytesOf(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

}  // namespace

std::size_t EngineState::heapBytes() const {
  std::size_t n = gl.heapBytes() + bytesOf(renderSettings) + bytesOf(models);
  for (const ModelState& m : models) {
    n += bytesOf(m.objects) + bytesOf(m.cameras) + bytesOf(m.lights) + bytesOf(m.waves);
  }
  return n;
}

EngineState saveState(const Engine& engine) {
  EngineState s;
  s.selections = engine;
  s.renderSettings = engine.renderSettings;
  s.gl = engine.gl;
  s.models.reserve(engine.models.size());
  for (const Model& model : engine.models) {
    EngineState::ModelState& m = s.models.emplace_back();
    m.objects.reserve(model.meshes.size());
    for (const MeshObject& o : model.meshes)
      m.objects.push_back({o.position, o.rotation, o.scale});
    m.cameras = model.cameras;
    m.lights = model.lights;
    m.waves.reserve(model.materials.size());
    for (const Material& material : model.materials) {
      const float* p = material.distortParameters;
      m.waves.push_back({p[0], p[1], p[2]});
    }
  }
  return s;
}

void restoreState(Engine& engine, const EngineState& s) {
  static_cast<EngineSelections&>(engine) = s.selections;
  engine.renderSettings = s.renderSettings;
  const bool live = engine.gl.live;
  const Multitexture multitexture = engine.gl.multitexture;
  engine.gl = s.gl;
  engine.gl.live = live;
  engine.gl.multitexture = multitexture;
  const std::size_t count = std::min(engine.models.size(), s.models.size());
  for (std::size_t i = 0; i < count; ++i) {
    Model& model = engine.models[i];
    const EngineState::ModelState& m = s.models[i];
    if (m.objects.size() != model.meshes.size() || m.cameras.size() != model.cameras.size() ||
        m.lights.size() != model.lights.size() || m.waves.size() != model.materials.size()) {
      continue;
    }
    for (std::size_t o = 0; o < m.objects.size(); ++o) {
      MeshObject& object = model.meshes[o];
      object.position = m.objects[o].position;
      object.rotation = m.objects[o].rotation;
      object.scale = m.objects[o].scale;
    }
    model.cameras = m.cameras;
    model.lights = m.lights;
    for (std::size_t w = 0; w < m.waves.size(); ++w)
      std::copy(m.waves[w].begin(), m.waves[w].end(), model.materials[w].distortParameters);
  }
}

}  // namespace tav
