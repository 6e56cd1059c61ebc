#include "scenes/scene5.h"

#include <cmath>

#include "platform/clock.h"

namespace tav::scenes {

void Scene5::frame(Engine& engine, std::int32_t event) {
  if (start.begin(engine)) orbitStart = start.at;
  // One reading for both, so that the slide and the orbit share the frame's moment.
  const std::uint32_t now = platform::clock::nowMs();
  const auto e = static_cast<std::int32_t>(now - start.at);
  const auto o = static_cast<std::int32_t>(now - orbitStart);
  RenderSettings& settings = engine.renderSettings[0];

  // Looked up in the model current as the frame starts: model 4 from the second frame on.
  engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, -1, 1}, 1.0f, "mast");
  settings.clearDepth(engine.gl);

  drawSlidingText(engine, missing_, {6, 2, 201.0f, 10.0f, 170.0f, 0.05f},
                  static_cast<float>(490.0 - 0.06 * e));
  settings.clearDepth(engine.gl);

  viewModel(engine, missing_, 4);
  settings.spriteAlpha = 1.0f;
  settings.spriteSize =
      static_cast<float>((std::sin(0.0003 * e) * std::sin(0.003 * e) + 1.0) * 10.0);
  // The camera circles the origin at radius 300, a radian a second, from (0, 300, 0).
  const double a = 0.001 * o;
  engine.setCameraPosition(static_cast<float>(300.0 * std::sin(a)),
                           static_cast<float>(300.0 * std::cos(a)), 0.0f);
  const auto swing = static_cast<float>(100.0 * std::sin(0.0005 * e) * std::sin(0.001 * e));
  placeObject(engine, missing_, 0, swing, 0.0f, 0.0f);
  placeObject(engine, missing_, 1, swing, 0.0f, 0.0f);
  engine.render();
  fadeFromWhite(engine, 0.001 * e);

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
      orbitStart = platform::clock::nowMs();
      break;
    case 51:
      engine.setCameraPathTrack(2);
      break;
    default:
      break;
  }
}

}  // namespace tav::scenes
