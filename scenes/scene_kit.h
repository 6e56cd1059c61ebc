#pragma once
// What every scene shares: the show state it steps, where it reports missing data, the white
// flash, and the look-ups that never read an object, camera or light a model lacks.
#include <cstdint>
#include <iosfwd>
#include <set>
#include <string>
#include <tuple>

#include "engine/engine.h"
#include "scenes/scene.h"
#include "scenes/show_state.h"

namespace tav::scenes {

// What most scenes keep from their first frame: its clock time, and an unsigned 16-bit frame
// count whose zero (the first frame, and again after each wrap) restarts the camera paths.
struct SceneStart {
  bool started = false;
  std::uint32_t at = 0;
  std::uint16_t frames = 0;

  // Counts this frame; true on the scene's very first one.
  bool begin(Engine& engine);
  // Milliseconds since the first frame, as a signed 32-bit count.
  std::int32_t elapsed() const;
};

struct SceneContext {
  ShowState& state;
  std::ostream& diagnostics;
};

// Scene selector + delta, wrapping as a signed byte, and the camera paths restart.
void stepScene(ShowState& state, Engine& engine, int delta);

// The untextured white quad over the whole screen ("none" names no material).
void whiteFlash(Engine& engine, float alpha);

// The first 1.570795 s of a fade from white: alpha 1 - sin(seconds) while seconds < 1.570795.
bool fadeFromWhite(Engine& engine, double seconds);

// Says once, per model and item, that a scene wanted an object, camera or light that its model
// does not have; the operation on it is skipped.
class MissingItems {
 public:
  MissingItems(std::ostream& out, const char* scene) : out_(out), scene_(scene) {}

  // Whether the current model has mesh object `index` (camera, light), reporting it once if not.
  bool object(Engine& engine, std::int32_t index);
  bool camera(Engine& engine, std::int32_t index);
  bool light(Engine& engine, std::int32_t index);

 private:
  bool check(Engine& engine, const char* kind, std::int32_t index, std::int32_t count);

  std::ostream& out_;
  const char* scene_;
  std::set<std::tuple<std::int32_t, std::string, std::int32_t>> reported_;
};

// Selects object `index` of the current model and moves it there, or reports it missing.
void placeObject(Engine& engine, MissingItems& missing, std::int32_t index, float x, float y,
                 float z);

// Selects `model` as seen from its camera 0, as loaded: no camera path, no target path.
void viewModel(Engine& engine, MissingItems& missing, std::int32_t model);

// A text model whose first `objects` mesh objects slide along x together, drawn as sprites that
// fade with their distance from `fadeCentreX`.
struct SlidingText {
  std::int32_t model;
  std::int32_t objects;
  float z;  // the objects' height
  float spriteSize;
  float fadeCentreX;
  float fadeRate;
};
// The text model from its camera 0 with its objects at x; the fade is switched on for this
// render only, the sizes stay in the first render settings entry.
void drawSlidingText(Engine& engine, MissingItems& missing, const SlidingText& text, float x);

}  // namespace tav::scenes
