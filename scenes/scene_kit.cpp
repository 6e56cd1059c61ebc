#include "scenes/scene_kit.h"

#include <cmath>
#include <ostream>

#include "platform/clock.h"

namespace tav::scenes {

bool SceneStart::begin(Engine& engine) {
  if (frames == 0) engine.restartPaths();
  ++frames;
  if (started) return false;
  at = platform::clock::nowMs();
  started = true;
  return true;
}

std::int32_t SceneStart::elapsed() const {
  return static_cast<std::int32_t>(platform::clock::nowMs() - at);
}

void stepScene(ShowState& state, Engine& engine, int delta) {
  state.sceneSelector = static_cast<std::int8_t>(state.sceneSelector + delta);
  engine.restartPaths();
}

void whiteFlash(Engine& engine, float alpha) {
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, 1, 1}, alpha, "none");
}

bool fadeFromWhite(Engine& engine, double seconds) {
  if (!(seconds < 1.570795)) return false;
  whiteFlash(engine, static_cast<float>(1.0 - std::sin(seconds)));
  return true;
}

bool MissingItems::check(Engine& engine, const char* kind, std::int32_t index, std::int32_t count) {
  if (index >= 0 && index < count) return true;
  if (reported_.emplace(engine.currentModel, kind, index).second) {
    out_ << scene_ << ": model " << engine.currentModel << " has no " << kind << " " << index
         << "; skipped" << std::endl;
  }
  return false;
}

bool MissingItems::object(Engine& engine, std::int32_t index) {
  const Model* model = engine.findModel();
  return check(engine, "mesh object", index, model ? model->meshCount() : 0);
}

bool MissingItems::camera(Engine& engine, std::int32_t index) {
  const Model* model = engine.findModel();
  return check(engine, "camera", index, model ? model->cameraCount() : 0);
}

bool MissingItems::light(Engine& engine, std::int32_t index) {
  const Model* model = engine.findModel();
  return check(engine, "light", index, model ? model->lightCount() : 0);
}

void placeObject(Engine& engine, MissingItems& missing, std::int32_t index, float x, float y,
                 float z) {
  engine.selectObject(index);
  if (missing.object(engine, index)) engine.setObjectPosition(x, y, z);
}

void viewModel(Engine& engine, MissingItems& missing, std::int32_t model) {
  engine.selectModel(model);
  engine.setCameraPathTrack(-1);
  engine.setTargetPathTrack(-1);
  engine.selectCamera(0);
  missing.camera(engine, 0);
}

void drawSlidingText(Engine& engine, MissingItems& missing, const SlidingText& text, float x) {
  viewModel(engine, missing, text.model);
  for (std::int32_t i = 0; i < text.objects; ++i)
    placeObject(engine, missing, i, x, 0.0f, text.z);
  RenderSettings& settings = engine.renderSettings[0];
  settings.spriteSize = text.spriteSize;
  settings.fadeCentreX = text.fadeCentreX;
  settings.fadeRate = text.fadeRate;
  settings.flags |= render_flags::kSpriteFade;
  engine.render();
  settings.flags &= ~render_flags::kSpriteFade;
}

}  // namespace tav::scenes
