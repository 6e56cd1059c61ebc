#include "scenes/scene3.h"

#include <cmath>

#include "engine/render/projection.h"
#include "platform/clock.h"

namespace tav::scenes {

void Scene3::frame(Engine& engine, std::int32_t event) {
  if (start.begin(engine)) resetBase = start.at;
  const auto resetTime = static_cast<std::int32_t>(platform::clock::nowMs() - resetBase);
  const std::int32_t sceneTime = start.elapsed();

  // The simulation runs at half the speed of real time.
  particles_.update(static_cast<std::int32_t>(resetTime * 0.5), 5.0);
  if (resetTime > 9000) {
    particles_.resetToHome();
    resetBase = platform::clock::nowMs();
  }

  engine.selectModel(0);
  if (Model* model = engine.findModel()) {
    for (std::int32_t i = 0; i < 10; ++i) {
      if (missing_.object(engine, 5 + i)) {
        model->meshes[static_cast<std::size_t>(5 + i)].position =
            particles_.particles[static_cast<std::size_t>(i)].position;
      }
    }
  }
  engine.setCameraPathTrack(0);
  engine.setTargetPathTrack(-1);
  engine.selectCamera(0);
  RenderSettings& settings = engine.renderSettings[0];
  settings.clear(engine.gl);
  engine.followCameraPaths(150.0, 0.001);
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, 1.0f, "bron");
  const double shimmer = 0.4 * (1.0 + std::sin(0.005 * resetTime) * std::sin(0.0005 * resetTime));
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, static_cast<float>(shimmer), "bronover");
  engine.render();

  if (sceneTime > 14000) {
    drawSlidingText(engine, missing_, {12, 2, 0.0f, 10.0f, 300.0f, 0.02f},
                    static_cast<float>(582.0 - 0.045 * (sceneTime - 14000)));
  }
  fadeFromWhite(engine, 0.001 * resetTime);

  switch (event) {
    case 8:
      engine.advancePathParameter(1.0);
      break;
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      setShowProjection(engine.gl, 1.0, 5000.0);
      stepScene(context_.state, engine, +1);
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
