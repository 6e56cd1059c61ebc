// Each scene driven frame by frame on the virtual clock, its drawing seen by the recording GL.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/clock.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"
#include "scenes/scene6.h"
#include "scenes/scene7.h"
#include "scenes/scene8.h"
#include "scenes/scene9.h"
#include "tests/scenes/scene_fixture.h"
#include "tests/support/gl_recorder.h"

namespace tav {
namespace {

using test::Overlay;
constexpr std::uint32_t kStart = 100000;

class SceneTest : public ::testing::Test {
 protected:
  void SetUp() override { test::gl::reset(); }
  void TearDown() override { platform::clock::useRealTime(); }

  // One frame of `scene` at kStart + ms, returning the calls it made.
  std::vector<std::string> frameAt(Scene& scene, std::uint32_t ms, std::int32_t event = -1) {
    platform::clock::setVirtualMs(kStart + ms);
    test::gl::reset();
    scene.frame(h.engine, event);
    return test::gl::take();
  }
  Vector3 position(int model, int object) {
    return h.engine.models[static_cast<std::size_t>(model)]
        .meshes[static_cast<std::size_t>(object)]
        .position;
  }
  RenderSettings& settings() { return h.engine.renderSettings[0]; }

  test::SceneHarness h;
};

// Untextured overlays are the white flashes; their alphas in order.
std::vector<float> flashes(const std::vector<std::string>& calls) {
  std::vector<float> alphas;
  for (const Overlay& o : test::overlays(calls)) {
    if (o.texture == -1) alphas.push_back(o.alpha);
  }
  return alphas;
}

TEST_F(SceneTest, Scene1PulsesItsSpritesBlinksItsTitlesAndStepsItsCameras) {
  scenes::Scene1 scene(h.context);
  auto calls = frameAt(scene, 0);
  EXPECT_EQ(settings().spriteSize, 40.0f);
  EXPECT_EQ(settings().spriteAlpha, 1.0f);
  EXPECT_EQ(position(3, 0), Vector3{});
  EXPECT_EQ(h.engine.models[3].meshes[3].scale, (Vector3{1, 1, 1}));   // "Text06"
  EXPECT_EQ(test::views(calls), std::vector<std::string>{"3, -100"});  // model 3, camera 0
  EXPECT_EQ(h.engine.renderSettings[0].clearColour[3], 1.0f);

  frameAt(scene, 5050);  // 3.05 s after the camera timer (2 s ahead of the start)
  EXPECT_FLOAT_EQ(h.engine.models[3].meshes[0].scale.y, 0.25f);
  frameAt(scene, 5100);
  EXPECT_EQ(h.engine.models[3].meshes[1].scale.y, 0.0f);
  EXPECT_EQ(h.engine.models[3].meshes[2].scale.y, 1.0f);  // not a title
  frameAt(scene, 7200);  // exactly 5.2 s after the camera timer: the next camera
  EXPECT_EQ(scene.cameraIndex, 1);
  EXPECT_EQ(test::views(frameAt(scene, 7300)), std::vector<std::string>{"3, -200"});
  frameAt(scene, 12402);
  frameAt(scene, 17603);                 // past model 3's cameras: the last one stays
  calls = frameAt(scene, 15999 + 1500);  // three events 50 would postpone phase B to 17.5 s
  EXPECT_EQ(scene.cameraIndex, 3);
}

TEST_F(SceneTest, Scene1TurnsToItsTitleModelAfter16SecondsOrLaterOnEvent50) {
  scenes::Scene1 scene(h.context);
  frameAt(scene, 0, 50);
  frameAt(scene, 100, 50);
  frameAt(scene, 200, 50);
  auto calls = frameAt(scene, 17400);
  EXPECT_EQ(test::views(calls).size(), 1u);  // model 3 still: phase A
  EXPECT_EQ(position(11, 0), Vector3{});
  calls = frameAt(scene, 17600);
  EXPECT_EQ(test::views(calls).back(), "11, -100");
  EXPECT_FLOAT_EQ(position(11, 0).x, 720.0f - 0.08f * 100.0f);
  EXPECT_EQ(position(11, 1), position(11, 0));
  EXPECT_EQ(settings().flags & render_flags::kSpriteFade, 0);
  EXPECT_EQ(settings().fadeCentreX, 200.0f);

  h.engine.cameraPathParameter = 7.0;
  h.state.sceneSelector = 1;
  frameAt(scene, 17700, 39);
  EXPECT_EQ(h.state.sceneSelector, 2);
  EXPECT_EQ(h.engine.cameraPathParameter, 1.0);
  frameAt(scene, 17800, 37);
  EXPECT_EQ(h.state.sceneSelector, 1);
}

TEST_F(SceneTest, Scene2FlashesFlickersSpiralsAndSetsFar900OnLeaving) {
  scenes::Scene2 scene(h.context);
  auto calls = frameAt(scene, 0);
  auto quads = test::overlays(calls);
  ASSERT_EQ(quads.size(), 62u);  // backdrop, 60 discs, the flash
  EXPECT_EQ(quads[0].texture, 21);
  EXPECT_EQ(quads[0].z, -5.0f);
  for (int n = 0; n < 20; ++n) {
    const Overlay& disc = quads[static_cast<std::size_t>(1 + n)];
    EXPECT_EQ(disc.texture, 22);
    EXPECT_EQ(disc.x, -30.0f);
    EXPECT_EQ(disc.z, 60.0f);
    EXPECT_EQ(disc.rotationZ, 10.0f * n);
  }
  EXPECT_NEAR(quads[21 + 5].x, 10.0f * std::sin(10.0f), 1e-4);  // second column, n = 5
  EXPECT_EQ(flashes(calls), std::vector<float>{1.0f});

  calls = frameAt(scene, 1600);
  EXPECT_TRUE(flashes(calls).empty());
  EXPECT_FLOAT_EQ(test::overlays(calls)[0].alpha, 0.6f);  // the flicker is over
  frameAt(scene, 10000);
  EXPECT_FLOAT_EQ(position(2, 3).x, 20.0f - 145.0f);
  frameAt(scene, 30000, 40);
  float lowest = 1, highest = 0;
  for (std::uint32_t ms = 30001; ms < 30200; ms += 7) {
    auto q = test::overlays(frameAt(scene, ms));
    lowest = std::min(lowest, q[1].alpha);
    highest = std::max(highest, q[0].alpha);
    EXPECT_GE(q[0].alpha, 0.6f);
    EXPECT_LE(q[0].alpha, 0.7f + 1e-6f);
    EXPECT_GE(q[1].alpha, 0.2f);
    EXPECT_LE(q[1].alpha, 0.4f + 1e-6f);
  }
  EXPECT_GT(highest, 0.6f);  // it did flicker
  calls = frameAt(scene, 31000, 39);
  EXPECT_EQ(test::projections(calls),
            std::vector<std::string>{"gluPerspective(71, 1.3333333333333333, 1, 900)"});
  EXPECT_EQ(h.state.sceneSelector, 1);
}

TEST_F(SceneTest, Scene3DropsSpheresResetsThemEvery9SecondsAndBringsInItsText) {
  ParticleSystem particles(h.state.random, 10, 5);
  for (std::size_t i = 0; i < 10; ++i) {
    ParticleSystem::bindMeshObject(particles.particles[i], h.engine.models[0].meshes[5 + i], {});
    particles.particles[i].homePosition = particles.particles[i].position =
        particles.particles[i].startPosition = {static_cast<float>(100 * i), 0, 500};
  }
  scenes::Scene3 scene(h.context, particles);
  h.engine.cameraPathParameter = 9.0;
  auto calls = frameAt(scene, 0, 37);  // a step back in the very first frame
  EXPECT_EQ(h.engine.cameraPathParameter, 1.0);
  EXPECT_EQ(h.state.sceneSelector, -1);
  auto quads = test::overlays(calls);
  ASSERT_EQ(quads.size(), 3u);
  EXPECT_EQ(quads[0].texture, 31);
  EXPECT_EQ(quads[1].texture, 32);
  EXPECT_FLOAT_EQ(quads[1].alpha, 0.4f);
  EXPECT_EQ(flashes(calls), std::vector<float>{1.0f});
  EXPECT_EQ(h.engine.currentModel, 0);
  EXPECT_EQ(h.engine.cameraPathTrack, 0);

  frameAt(scene, 2000);  // the spheres fall at half speed: 1000 simulation ms
  EXPECT_EQ(position(0, 7), particles.particles[2].position);
  EXPECT_LT(position(0, 7).z, 500.0f);
  frameAt(scene, 9000);
  EXPECT_EQ(scene.resetBase, kStart);  // exactly 9000: no reset yet
  calls = frameAt(scene, 9010);
  EXPECT_EQ(scene.resetBase, kStart + 9010);
  EXPECT_EQ(position(0, 7).z, 500.0f);  // back home
  EXPECT_TRUE(flashes(calls).empty());  // this frame still uses its large T
  EXPECT_EQ(flashes(frameAt(scene, 9020)).size(), 1u);

  calls = frameAt(scene, 14000);
  EXPECT_EQ(test::views(calls).size(), 1u);  // no text yet
  calls = frameAt(scene, 15000);
  EXPECT_EQ(test::views(calls).size(), 2u);
  EXPECT_FLOAT_EQ(position(12, 1).x, 582.0f - 45.0f);
  EXPECT_EQ(settings().spriteSize, 10.0f);
  EXPECT_EQ(settings().fadeRate, 0.02f);

  frameAt(scene, 15008);
  const double parameter = h.engine.cameraPathParameter;
  frameAt(scene, 15016, 8);  // moves by the 8 ms frame before, then jumps a key
  EXPECT_NEAR(h.engine.cameraPathParameter - parameter, 1.0, 0.05);
  calls = frameAt(scene, 15032, 39);
  EXPECT_EQ(test::projections(calls),
            std::vector<std::string>{"gluPerspective(71, 1.3333333333333333, 1, 5000)"});
  EXPECT_EQ(h.state.sceneSelector, 0);  // -1 + 1
  // Re-entry: the frame count goes on, no restart on the first frame back.
  h.engine.cameraPathParameter = 4.0;
  frameAt(scene, 20000);
  EXPECT_GT(h.engine.cameraPathParameter, 4.0);
}

TEST_F(SceneTest, Scene4AtOneSecond) {
  scenes::Scene4 scene(h.context);
  h.engine.cameraPathParameter = 3.0;
  auto calls = frameAt(scene, 0);
  EXPECT_EQ(h.engine.cameraPathParameter, 1.0);
  EXPECT_EQ(flashes(calls), std::vector<float>{1.0f});
  EXPECT_EQ(position(7, 0).x, 144.0f);
  calls = frameAt(scene, 1000);
  EXPECT_NEAR(flashes(calls).at(0), 1.0f - std::sin(1.0f), 1e-5);
  EXPECT_FLOAT_EQ(position(7, 1).x, 129.0f);
  EXPECT_FLOAT_EQ(h.engine.models[5].meshes[2].rotation.z, 50.0f);  // "wanted"
  auto quads = test::overlays(calls);
  EXPECT_EQ(quads[0].texture, 51);
  EXPECT_EQ(quads[0].alpha, 2.0f);
  EXPECT_NEAR(quads[1].alpha, 0.216f, 1e-3);
  EXPECT_EQ(h.engine.models[5].cameras[0].position, (Vector3{130, 140, 60}));
  EXPECT_EQ(h.engine.models[5].materials[0].distortParameters[1], 100.0f);
  EXPECT_EQ(settings().fadeCentreX, -130.0f);
  EXPECT_TRUE(flashes(frameAt(scene, 1571)).empty());

  h.state.sceneSelector = 4;
  calls = frameAt(scene, 2000, 37);
  EXPECT_TRUE(test::projections(calls).empty());
  EXPECT_EQ(h.state.sceneSelector, 3);
  calls = frameAt(scene, 2100, 39);
  EXPECT_EQ(test::projections(calls),
            std::vector<std::string>{"gluPerspective(71, 1.3333333333333333, 1, 1900)"});
}

TEST_F(SceneTest, Scene5CirclesItsCameraAndSlidesItsText) {
  scenes::Scene5 scene(h.context);
  h.engine.selectModel(4);
  auto calls = frameAt(scene, 0);
  EXPECT_EQ(test::overlays(calls)[0].texture, 41);
  EXPECT_EQ(flashes(calls), std::vector<float>{1.0f});
  EXPECT_EQ(position(6, 0), (Vector3{490, 0, 201}));
  EXPECT_EQ(h.engine.models[4].cameras[0].position, (Vector3{0, 300, 0}));
  EXPECT_EQ(position(4, 1).x, 0.0f);
  EXPECT_EQ(settings().spriteSize, 10.0f);
  EXPECT_FALSE(flashes(frameAt(scene, 1570)).empty());
  EXPECT_TRUE(flashes(frameAt(scene, 1571)).empty());
  frameAt(scene, 3000, 40);
  EXPECT_NE(h.engine.models[4].cameras[0].position, (Vector3{0, 300, 0}));
  frameAt(scene, 3016);
  EXPECT_NEAR(h.engine.models[4].cameras[0].position.y, 300.0f * std::cos(0.016f), 1e-3);
  h.state.sceneSelector = 5;
  frameAt(scene, 3100, 39);
  EXPECT_EQ(h.state.sceneSelector, 6);

  // The slide and the orbit come from one clock reading, even when the clock moves between two.
  platform::clock::setVirtualMs(kStart + 5000, 1);
  scene.frame(h.engine, -1);
  const double e = std::round((490.0 - position(6, 0).x) / 0.06);
  EXPECT_FLOAT_EQ(h.engine.models[4].cameras[0].position.x,
                  static_cast<float>(300.0 * std::sin(0.001 * (e - 3000))));
}

TEST_F(SceneTest, Scene6RunsItsCameraOnAnEllipseOverTheWhitePicture) {
  scenes::Scene6 scene(h.context);
  h.engine.selectModel(8);
  auto calls = frameAt(scene, 0);
  EXPECT_EQ(test::overlays(calls)[0].texture, 81);
  EXPECT_EQ(position(9, 3).x, 246.0f);
  EXPECT_EQ(h.engine.models[8].cameras[0].position, (Vector3{0, 200, 0}));
  EXPECT_EQ(h.engine.models[8].lights[0].diffuse.r, 0.1f);
  EXPECT_EQ(h.engine.models[8].materials[0].distortParameters[1], 10.0f);
  EXPECT_EQ(settings().spriteSize, 10.0f);
  frameAt(scene, 7854);
  const Vector3 eye = h.engine.models[8].cameras[0].position;
  EXPECT_NEAR(eye.x, 200.0f, 1e-2);
  EXPECT_NEAR(eye.y, 0.0f, 0.1);
  EXPECT_NEAR(eye.z, 100.0f, 1e-2);
  h.state.sceneSelector = 6;
  frameAt(scene, 8000, 40);
  EXPECT_EQ(h.state.sceneSelector, 6);
  frameAt(scene, 8100, 37);
  EXPECT_EQ(h.state.sceneSelector, 5);
}

TEST_F(SceneTest, Scene7DrawsItsRowsShakesThemAndSetsThreeProjections) {
  scenes::Scene7 scene(h.context);
  auto calls = frameAt(scene, 0);
  auto quads = test::overlays(calls);
  ASSERT_EQ(quads.size(), 2u + 210u + 1u);
  EXPECT_EQ(quads[1].rotationZ, 180.0f);
  EXPECT_EQ(quads[2].texture, 12);
  EXPECT_EQ(h.engine.models[1].lights[0].ambient.g, 0.5f);
  // A shake starts with the scene: E = 10 at its start, 5 after 100 ms, nothing after 200 ms.
  auto farRowX = [&](std::uint32_t ms) { return test::overlays(frameAt(scene, ms))[2].x; };
  const double s100 = 100 * 0.0001;
  EXPECT_NEAR(farRowX(100), 25 * s100 + 0.1 * 5.0 * std::sin((kStart + 100) % 100), 1e-4);
  EXPECT_NEAR(farRowX(250), 25 * 250 * 0.0001, 1e-4);
  frameAt(scene, 1000, 50);
  EXPECT_NEAR(farRowX(1000 + 33),
              25 * 1033 * 0.0001 + 0.1 * (10 - 33 * 0.05) * std::sin((kStart + 1033) % 100), 1e-4);
  frameAt(scene, 25000);
  EXPECT_NEAR(position(10, 0).x, 0.0f, 1e-3);
  EXPECT_EQ(position(10, 1).z, 50.0f);

  EXPECT_EQ(test::projections(frameAt(scene, 250100, 49)),
            std::vector<std::string>{"gluPerspective(71, 1.3333333333333333, 1, 1000)"});
  h.state.sceneSelector = 7;
  EXPECT_EQ(test::projections(frameAt(scene, 250200, 37)),
            std::vector<std::string>{
                "gluPerspective(71, 1.3333333333333333, 0.10000000149011612, 1000)"});
  EXPECT_EQ(test::projections(frameAt(scene, 250300, 39)),
            std::vector<std::string>{"gluPerspective(71, 1.3333333333333333, 1, 1100)"});
  EXPECT_EQ(h.state.sceneSelector, 7);
}

class Scene8Test : public SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    Model& model = h.engine.models[13];
    for (std::size_t i = 0; i < 27; ++i) {
      model.meshes[1 + i].position = {static_cast<float>(10 * i), 0, 400};
      ParticleSystem::bindMeshObject(particles.particles[i], model.meshes[1 + i],
                                     i == 26 ? Vector3{0, -120, 0} : Vector3{});
    }
  }
  ParticleSystem particles{h.state.random, 27, 0, true, 347.8};
};

TEST_F(Scene8Test, HoldsTheSpheresHomeUntilReleasedThenResetsThemEvery4Seconds) {
  scenes::Scene8 scene(h.context, particles);
  auto calls = frameAt(scene, 0);
  EXPECT_EQ(flashes(calls), std::vector<float>{1.0f});  // the fade from white, no glow yet
  frameAt(scene, 3000);
  EXPECT_EQ(position(13, 27), (Vector3{260, 0, 400}));  // held
  EXPECT_EQ(settings().spriteSize, 0.2f);
  EXPECT_EQ(h.engine.models[13].lights[0].diffuse.g, 0.3f);
  frameAt(scene, 3020, 40);
  EXPECT_TRUE(scene.released);
  EXPECT_EQ(h.engine.cameraPathParameter, 15.0);
  frameAt(scene, 3520);
  EXPECT_LT(position(13, 27).y, 0.0f);   // the striking sphere moves along -y
  EXPECT_LT(position(13, 5).z, 400.0f);  // and everything falls
  frameAt(scene, 7020);
  EXPECT_EQ(scene.resetBase, kStart + 3020);  // 4000 exactly: no reset
  frameAt(scene, 7021);
  EXPECT_EQ(scene.resetBase, kStart + 7021);
  calls = frameAt(scene, 9000, 40);
  auto glow = flashes(calls);
  ASSERT_EQ(glow.size(), 1u);  // past the fade-in (7.85 s): the glow alone
  EXPECT_NEAR(glow[0], 0.2 + 0.1 * std::sin(0.006 * 9000), 1e-5);
  EXPECT_EQ(h.engine.cameraPathParameter, 15.0);  // a second 40 only moves the camera back
}

TEST_F(Scene8Test, WithoutACsphereObjectNothingIsCopiedAndItIsSaidOnce) {
  h.engine.models[13].meshes[1].name = "sphere";
  scenes::Scene8 scene(h.context, particles);
  frameAt(scene, 0);
  frameAt(scene, 100);
  EXPECT_EQ(position(13, 1), (Vector3{0, 0, 400}));
  const std::string said = h.diagnostics.str();
  EXPECT_NE(said.find("no mesh object named \"csphere...\""), std::string::npos);
  EXPECT_EQ(said.find("csphere"), said.rfind("csphere"));
}

TEST_F(SceneTest, Scene9EndsTheShowAbout21Point47SecondsAfterItsStart) {
  scenes::Scene9 scene(h.context);
  frameAt(scene, 0);
  EXPECT_EQ(position(14, 0), (Vector3{0, 2, 5.0f * std::sin(-1.570795f) + 30.0f}));
  EXPECT_FLOAT_EQ(h.engine.models[14].meshes[2].rotation.y, 180.0f - 70.0f * std::sin(3.14f));
  EXPECT_TRUE(flashes(frameAt(scene, 11000)).empty());  // f is exactly 1.570795
  auto fadeOut = flashes(frameAt(scene, 11001));
  ASSERT_EQ(fadeOut.size(), 1u);
  EXPECT_NEAR(fadeOut[0], 0.0f, 1e-5);
  fadeOut = flashes(frameAt(scene, 11000 + 5236));
  ASSERT_EQ(fadeOut.size(), 1u);
  EXPECT_NEAR(fadeOut[0], 1.0f - std::sin(1.570795f / 2), 1e-3);
  frameAt(scene, 21471);  // f < 0 once t - 11000 passes 1.570795 / 0.00015 = 10471.97 ms
  EXPECT_FALSE(h.state.quit);
  fadeOut = flashes(frameAt(scene, 21472));
  EXPECT_TRUE(h.state.quit);
  ASSERT_EQ(fadeOut.size(), 1u);
  EXPECT_GT(fadeOut[0], 1.0f);  // drawn opaque in the last frame
}

TEST_F(SceneTest, Scene9LeftByEvent39NeverEndsTheShow) {
  scenes::Scene9 scene(h.context);
  h.state.sceneSelector = 9;
  frameAt(scene, 5000, 39);
  EXPECT_EQ(h.state.sceneSelector, 10);
  EXPECT_FALSE(h.state.quit);
}

TEST_F(SceneTest, FrameCountersRestartThePathsOnTheFirstFrameAndAfterWrappingOnly) {
  scenes::Scene4 scene(h.context);
  frameAt(scene, 0);
  h.engine.cameraPathParameter = 6.0;
  frameAt(scene, 16);
  EXPECT_EQ(h.engine.cameraPathParameter, 6.0);
  scene.start.frames = 65535;
  frameAt(scene, 32);  // this frame's count wraps to 0
  EXPECT_EQ(h.engine.cameraPathParameter, 6.0);
  frameAt(scene, 48);
  EXPECT_EQ(h.engine.cameraPathParameter, 1.0);
}

TEST_F(SceneTest, ReEnteringASceneContinuesItsOldTimeBase) {
  scenes::Scene5 scene(h.context);
  frameAt(scene, 0);
  frameAt(scene, 1000, 37);            // away to scene 4 ...
  auto calls = frameAt(scene, 60000);  // ... and back a minute later: no new flash
  EXPECT_TRUE(flashes(calls).empty());
  EXPECT_FLOAT_EQ(position(6, 0).x, 490.0f - 0.06f * 60000.0f);
}

TEST_F(SceneTest, MissingObjectsCamerasAndLightsAreSkippedAndReportedOnce) {
  h.engine.models[6].meshes.clear();
  h.engine.models[4].cameras.clear();
  scenes::Scene5 scene(h.context);
  frameAt(scene, 0);
  frameAt(scene, 100);
  const std::string said = h.diagnostics.str();
  EXPECT_NE(said.find("scene 5: model 6 has no mesh object 0; skipped"), std::string::npos) << said;
  EXPECT_NE(said.find("scene 5: model 4 has no camera 0; skipped"), std::string::npos) << said;
  EXPECT_EQ(said.find("mesh object 0"), said.rfind("mesh object 0"));
}

}  // namespace
}  // namespace tav
