#include "scenes/scene1.h"

#include <algorithm>

#include "platform/clock.h"

namespace tav::scenes {

void Scene1::frame(Engine& engine, std::int32_t event) {
  const double now = platform::clock::nowMs();
  if (!started) {
    cameraTimer = now + 2000.0;
    phaseTimer = now;
    started = true;
  }
  const double a = now - cameraTimer;  // since the last camera change (2 s late at first)
  const double c = now - phaseTimer;   // since the scene began, less any event-50 delays

  engine.selectModel(3);
  engine.setCameraPathTrack(-1);
  engine.setTargetPathTrack(-1);
  RenderSettings& settings = engine.renderSettings[0];
  settings.clearColour[0] = settings.clearColour[1] = settings.clearColour[2] = 0.0f;
  settings.clearColour[3] = 1.0f;
  settings.clear(engine.gl);
  settings.spriteSize = static_cast<float>(20.0 - 0.01 * a);

  // The titles show for the first 1/15 s past three seconds after each camera change.
  const float m = static_cast<float>(0.001 * a - 3.0);
  settings.spriteAlpha = m > 0.0f ? 1.0f - m : 1.0f;
  const float titleHeight = m > 0.0f ? std::max(0.0f, 1.0f - 15.0f * m) : 1.0f;
  for (const char* title : {"Text02", "Text03", "Text06"}) {
    // A title the model lacks leaves the current object selected, and it takes the scale.
    engine.findObject(title);
    engine.setObjectScale(1.0f, titleHeight, 1.0f);
  }

  if (c - 16000.0 < 0.0) engine.render();
  // The float against the double 2.2: at exactly 5.2 s, m is 2.2f, just above it.
  if (m > 2.2) {
    // Past the model's last camera the render keeps showing the last one.
    ++cameraIndex;
    engine.selectCamera(cameraIndex);
    cameraTimer = now;
  }
  if (c - 16000.0 > 0.0) {
    drawSlidingText(engine, missing_, {11, 2, 0.0f, 20.0f, 200.0f, 0.01f},
                    static_cast<float>(720.0 - 0.08 * (c - 16000.0)));
  }

  switch (event) {
    case 37:
      stepScene(context_.state, engine, -1);
      break;
    case 39:
      stepScene(context_.state, engine, +1);
      break;
    case 50:
      phaseTimer += 500.0;
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
