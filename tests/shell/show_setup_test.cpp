#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "platform/clock.h"
#include "shell/show.h"
#include "tests/shell/headless_window.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

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
  Show show(sound, console, diagnostics);
  setUpShow(show, w.window, w.state, diagnostics);

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
  platform::SoundOutput sound;
  std::ostringstream console, diagnostics;
  Show show(sound, console, diagnostics);
  platform::clock::setVirtualMs(0);
  setUpShow(show, w.window, w.state, diagnostics);
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
