#include "scenes/scene9.h"

#include <cmath>

#include "platform/clock.h"

namespace tav::scenes {
namespace {

// One object swinging 10 units to either side, dipping 5 as it passes the middle, turning with
// the swing, and sinking 6.5 units a second from height h.
void swing(Engine& engine, MissingItems& missing, std::int32_t index, double u, double t,
           double h) {
  engine.selectObject(index);
  if (!missing.object(engine, index)) return;
  const double su = std::sin(u), cu = std::cos(u);
  engine.setObjectPosition(
      static_cast<float>(10.0 * su), static_cast<float>(2.0 * cu),
      static_cast<float>(5.0 * std::sin(-1.570795 * (su + 1.0)) - 0.0065 * t + h));
  engine.setObjectRotation(0.0f, static_cast<float>(180.0 - 70.0 * su),
                           static_cast<float>(10.0 * cu));
  engine.setObjectScale(1.0f, 1.0f, 1.0f);
}

}  // namespace

void Scene9::frame(Engine& engine, std::int32_t event) {
  start.begin(engine);
  const double t = start.elapsed();

  viewModel(engine, missing_, 14);
  if (missing_.light(engine, engine.currentLight)) engine.setLightDiffuse(0.3f, 0.3f, 0.3f);
  engine.renderSettings[0].clear(engine.gl);
  swing(engine, missing_, 0, 0.003 * t, t, 30.0);
  swing(engine, missing_, 1, 0.002 * t, t, 60.0);
  swing(engine, missing_, 2, 0.003 * t + 3.14, t, 90.0);
  swing(engine, missing_, 3, 0.003 * t, t, 120.0);
  engine.render();

  // The show ends about 21.47 s after the scene's start; this last frame is still presented.
  const double f = 1.570795 - 0.00015 * (t - 11000.0);
  if (f < 0.0) context_.state.quit = true;
  fadeFromWhite(engine, 0.0002 * t);
  if (f < 1.570795) whiteFlash(engine, static_cast<float>(1.0 - std::sin(f)));

  switch (event) {
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      stepScene(context_.state, engine, +1);
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
