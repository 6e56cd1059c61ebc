#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <sstream>

#include "platform/clock.h"
#include "shell/show.h"
#include "tests/shell/headless_window.h"
#include "tests/support/image_fixture.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/writer3ds/writer3ds.h"

namespace tav {
namespace {

TEST(ShowSetUp, StartsTheMusicReadsTheSyncTableAndPresentsABlackFirstFrame) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  test::TempDir dir;
  test::writeFile(dir.file("forest.mp3"), test::encodeTone({.seconds = 1.0}));
  test::writeFile(dir.file("sync.dat"), {1, 0, 0, 0, 0x10, 0x27, 0, 0, 39, 0, 0, 0});
  test::WorkingDirectory inDir(dir.path());

  test::HeadlessWindow w(320, 240);
  ASSERT_TRUE(w.created);
  glClearColor(1.0f, 1.0f, 1.0f, 1.0f);  // whatever was there before
  glClear(GL_COLOR_BUFFER_BIT);
  platform::SoundOutput sound;
  std::ostringstream console, diagnostics;
  Show show(w.state, sound, console, diagnostics);
  setUpShow(show, w.window, diagnostics);

  EXPECT_EQ(console.str(), "");
  EXPECT_EQ(w.state.sceneSelector, 1);
  EXPECT_EQ(show.sync.count(), 1);
  EXPECT_EQ(show.sync.event(0).timeMs, 10000);
  EXPECT_EQ(show.sync.cursor(), 0);
  EXPECT_NE(w.window.activeTextureARB, nullptr);
  EXPECT_TRUE(sound.spectrumActive());
  EXPECT_LT(show.music.positionMs(), 100);

  platform::Size size;
  std::vector<std::uint8_t> rgb = w.platform.readPixelsRgb(size);
  ASSERT_EQ(size, (platform::Size{320, 240}));
  for (std::uint8_t value : rgb)
    ASSERT_EQ(value, 0);

  // 71 degrees, 4:3 whatever the window, near 1, far 800.
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  double f = 1.0 / std::tan(71.0 * std::numbers::pi / 360.0);
  EXPECT_NEAR(m[0], f * 0.75, 1e-5);
  EXPECT_NEAR(m[5], f, 1e-5);
  EXPECT_NEAR(m[10], -801.0 / 799.0, 1e-5);
  EXPECT_NEAR(m[14], -1600.0 / 799.0, 1e-5);
  show.music.stop();
  show.music.close();
  unsetenv("SDL_AUDIODRIVER");
}

TEST(ShowSetUp, GoesOnWithoutAnyDataFiles) {
  test::TempDir dir;
  test::WorkingDirectory inDir(dir.path());
  test::HeadlessWindow w(160, 120);
  ASSERT_TRUE(w.created);
  platform::SoundOutput sound(platform::SoundMode::Silent);
  std::ostringstream console, diagnostics;
  Show show(w.state, sound, console, diagnostics);
  platform::clock::setVirtualMs(0);
  setUpShow(show, w.window, diagnostics);
  platform::clock::setVirtualMs(2500);
  EXPECT_EQ(console.str(), "Error!\nFile Not Found\n");
  EXPECT_NE(diagnostics.str().find("sync.dat: cannot open"), std::string::npos);
  EXPECT_EQ(show.sync.count(), 0);
  EXPECT_EQ(w.state.sceneSelector, 1);
  EXPECT_EQ(show.music.positionMs(), 2500);
  platform::clock::useRealTime();
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

TEST(ShowSetUp, AMissingTextureMapIsReportedInABoxNamingTheFile) {
  test::HeadlessWindow w(64, 48);
  ASSERT_TRUE(w.created);
  Engine engine;
  std::ostringstream diagnostics;
  reportTextureFailures(engine, w.window, diagnostics);
  engine.addModel();
  engine.model().materials.push_back({.texture0File = "gone.jpg"});
  engine.setTexturePath("data/textures/");
  ::testing::internal::CaptureStderr();  // a headless box is written there
  engine.prepareModel();
  std::string box = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(box, "Failed to load texture: data/textures/gone.jpg\n");
  EXPECT_NE(diagnostics.str().find("data/textures/gone.jpg: "), std::string::npos);
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// A mesh of one triangle whose farthest vertex lies `radius` from its pivot at `at`.
writer3ds::Mesh3ds ball(const std::string& name, Vector3 at, float radius) {
  writer3ds::Mesh3ds mesh;
  mesh.name = name;
  mesh.position = at;
  mesh.vertices = {at + Vector3{radius, 0, 0}, at + Vector3{0, radius * 0.5f, 0},
                   at + Vector3{0, 0, radius * 0.5f}};
  mesh.faces = {{0, 1, 2}};
  return mesh;
}

class ShowData : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.path() / "data/3d/in_demo");
    std::filesystem::create_directories(dir.path() / "data/textures");
  }
  void writeModel(std::int32_t index, const writer3ds::Scene3ds& scene) {
    test::writeFile(dir.file(kModelFiles[static_cast<std::size_t>(index)]),
                    writer3ds::write3ds(scene));
  }
  void writeTexture(const std::string& name) {
    test::writeFile(
        dir.file("data/textures/" + name),
        test::encodeImage(test::ImageFormat::Jpeg, 4, 4, std::vector<std::uint8_t>(48, 200)));
  }
  void setUp() {
    test::WorkingDirectory inDir(dir.path());
    ASSERT_TRUE(w.created);
    setUpShow(show, w.window, diagnostics);
  }

  test::TempDir dir;
  test::HeadlessWindow w{64, 48};
  platform::SoundOutput sound{platform::SoundMode::Silent};
  std::ostringstream console, diagnostics;
  Show show{w.state, sound, console, diagnostics};
};

TEST_F(ShowData, LoadsModelsInOrderBindsBothParticleSystemsAndAddsTheNamedTextures) {
  writer3ds::Scene3ds inside;
  for (int i = 0; i < 15; ++i) {
    inside.meshes.push_back(
        ball("s" + std::to_string(i), {static_cast<float>(10 * i), 0, 0}, 1.0f + i));
  }
  writeModel(0, inside);
  writer3ds::Scene3ds end;
  end.meshes.push_back(ball("floor", {0, 0, 0}, 100));
  end.meshes.push_back(ball("ground", {0, 0, 0}, 100));
  for (int i = 0; i < 27; ++i) {
    end.meshes.push_back(ball(i == 0 ? "csphere" : "c" + std::to_string(i), {0, 0, 400.0f + i}, 2));
  }
  writeModel(13, end);
  writeModel(2, {.cameras = {{.name = "c"}}});
  for (const char* name :
       {"max_bron.jpg", "hiss.jpg", "disc.jpg", "max_e22_over2.jpg", "white.jpg"}) {
    writeTexture(name);
  }
  setUp();

  Engine& engine = show.engine;
  ASSERT_EQ(engine.modelCount(), 15);
  EXPECT_EQ(engine.models[0].meshCount(), 15);
  EXPECT_EQ(engine.models[2].cameraCount(), 1);
  EXPECT_EQ(engine.models[13].meshCount(), 29);

  const ParticleSystem& inner = show.scene3Particles;
  EXPECT_EQ(inner.obstacles[4].homePosition, (Vector3{40, 0, 0}));
  EXPECT_EQ(inner.particles[0].homePosition, (Vector3{50, 0, 0}));
  EXPECT_EQ(inner.particles[9].radius, 15.0f);
  EXPECT_FALSE(inner.floorEnabled);

  ASSERT_TRUE(show.scene8Particles.has_value());
  const ParticleSystem& end8 = *show.scene8Particles;
  EXPECT_TRUE(end8.floorEnabled);
  EXPECT_DOUBLE_EQ(end8.floorHeight, 347.8);
  EXPECT_EQ(end8.particles[0].homePosition, (Vector3{0, 0, 400}));
  EXPECT_EQ(end8.particles[26].homeVelocity, (Vector3{0, -120, 0}));
  EXPECT_EQ(end8.particles[25].homeVelocity, Vector3{});
  // Both systems drew their masses from the show's one sequence: 15 for scene 3, 27 for scene 8.
  platform::CRandom expected;
  for (int i = 0; i < 15 + 27; ++i)
    expected.next();
  EXPECT_EQ(w.state.random, expected);
  // Rotations by index within the model: csphere is object 2.
  EXPECT_EQ(engine.models[13].meshes[2].rotation, (Vector3{40, 72, 140}));
  EXPECT_EQ(engine.models[13].meshes[27].rotation, (Vector3{540, 572, 640}));
  EXPECT_EQ(engine.models[13].meshes[28].rotation, Vector3{});

  auto names = [&](int model) {
    std::vector<std::string> out;
    for (const Material& m : engine.models[static_cast<std::size_t>(model)].materials)
      out.push_back(m.name);
    return out;
  };
  EXPECT_EQ(names(0), (std::vector<std::string>{"bron"}));
  EXPECT_EQ(names(2), (std::vector<std::string>{"hissen", "disc"}));
  EXPECT_EQ(names(4), std::vector<std::string>{});
  EXPECT_EQ(names(5), (std::vector<std::string>{"e22over"}));
  EXPECT_EQ(names(8), (std::vector<std::string>{"white"}));
  EXPECT_NE(engine.models[8].materials[0].texture0, -1);
  EXPECT_EQ(engine.cameraPathParameter, 1.0);
  EXPECT_EQ(engine.renderSettings[0].clearColour[0], 0.0f);
  EXPECT_NE(engine.gl.multitexture.activeTexture, nullptr);
  EXPECT_EQ(diagnostics.str().find("bindings skipped"), std::string::npos) << diagnostics.str();
}

TEST_F(ShowData, BindingsWithoutMeshObjectsAreSkippedAndReported) {
  writer3ds::Scene3ds inside;
  for (int i = 0; i < 12; ++i)
    inside.meshes.push_back(ball("s", {}, 1));
  writeModel(0, inside);
  writeModel(13, {.meshes = {ball("floor", {}, 1)}});
  setUp();
  std::string report = diagnostics.str();
  EXPECT_NE(report.find("inside.3ds: scene 3 needs 15 mesh objects, the model has 12; bindings "
                        "skipped for mesh objects 12 13 14"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("end_scene.3ds: no mesh object named \"csphere...\""), std::string::npos);
  EXPECT_NE(report.find("data/3d/in_demo/cube.3ds: No such file or directory"), std::string::npos);
  EXPECT_EQ(show.scene3Particles.particles[9].radius, 0.0f);  // never bound
  EXPECT_EQ(w.state.sceneSelector, 1);
}

}  // namespace
}  // namespace tav
