#include "scenes/scene8.h"

#include <cmath>
#include <ostream>

#include "platform/clock.h"

namespace tav::scenes {

void Scene8::frame(Engine& engine, std::int32_t event) {
  if (start.begin(engine)) resetBase = start.at;
  const std::int32_t t = start.elapsed();
  const auto resetTime = static_cast<std::int32_t>(platform::clock::nowMs() - resetBase);

  engine.selectModel(13);
  engine.setCameraPathTrack(0);
  engine.setTargetPathTrack(-1);
  if (missing_.light(engine, engine.currentLight)) engine.setLightDiffuse(0.3f, 0.3f, 0.3f);
  engine.selectCamera(0);
  RenderSettings& settings = engine.renderSettings[0];
  settings.clear(engine.gl);

  // One unit of simulation time is 20 ms of real time.
  particles_.update(static_cast<std::int32_t>(resetTime * 0.05), 25.0);
  if (resetTime > 4000) {
    particles_.resetToHome();
    resetBase = platform::clock::nowMs();
  }
  // Held at home, with a fresh random speed for the striking sphere, until the release.
  if (!released) {
    particles_.resetToHome();
    resetBase = platform::clock::nowMs();
  }

  const std::int32_t first = engine.findObject("csphere");
  if (first < 0) {
    if (!reportedNoSpheres_) {
      context_.diagnostics << "scene 8: model 13 has no mesh object named \"csphere...\"; the "
                              "spheres are not moved"
                           << std::endl;
      reportedNoSpheres_ = true;
    }
  } else if (Model* model = engine.findModel()) {
    for (std::int32_t i = 0; i < 27; ++i) {
      if (missing_.object(engine, first + i)) {
        model->meshes[static_cast<std::size_t>(first + i)].position =
            particles_.particles[static_cast<std::size_t>(i)].position;
      }
    }
  }
  engine.followCameraPaths(35.0, 0.001);
  settings.spriteSize = 0.2f;
  engine.render();

  fadeFromWhite(engine, 0.0002 * t);
  if (released) whiteFlash(engine, static_cast<float>(0.2 + 0.1 * std::sin(0.006 * t)));

  switch (event) {
    case 8:
      engine.advancePathParameter(1.0);
      break;
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      stepScene(context_.state, engine, +1);
      break;
    case 40:
      released = true;
      engine.setPathParameter(15.0);
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
