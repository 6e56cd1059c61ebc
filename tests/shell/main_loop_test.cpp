#include "shell/main_loop.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "engine/engine.h"
#include "platform/clock.h"
#include "shell/music_stream.h"
#include "shell/sync_track.h"
#include "tests/shell/headless_window.h"

namespace tav {
namespace {

// Records what it was given; steps the selector on 39 and 37 and ends the show after `quitAfter`
// frames, as real scenes do.
class RecordingScene : public Scene {
 public:
  RecordingScene(ShowState& state, int quitAfter = -1) : state_(state), quitAfter_(quitAfter) {}
  void frame(Engine&, std::int32_t event) override {
    events.push_back(event);
    if (event == 39) ++state_.sceneSelector;
    if (event == 37) --state_.sceneSelector;
    if (static_cast<int>(events.size()) == quitAfter_) state_.quit = true;
  }
  std::vector<std::int32_t> events;

 private:
  ShowState& state_;
  int quitAfter_;
};

class MainLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(w.created);
    std::vector<std::uint8_t> bytes = {3, 0, 0, 0};
    for (std::int32_t v : {0, 39, 0, 51, 1000, 37}) {
      for (int s = 0; s < 32; s += 8)
        bytes.push_back(static_cast<std::uint8_t>(v >> s));
    }
    ASSERT_EQ(sync.parse(bytes), "");
    music.open("/nonexistent/forest.mp3");  // silent: the position is the virtual clock's
    platform::clock::setVirtualMs(0);
    music.play();
  }
  void TearDown() override { platform::clock::useRealTime(); }

  test::HeadlessWindow w;
  std::ostringstream console, diagnostics;
  platform::SoundOutput sound{platform::SoundMode::Silent};
  MusicStream music{sound, console, diagnostics};
  SyncTrack sync;
  Engine engine;
  SceneTable scenes{};
  LoopParts parts{w.state, w.window, music, sync, engine, scenes};
};

TEST_F(MainLoopTest, TheSelectedSceneGetsOneDueEventAFrame) {
  RecordingScene one(w.state), two(w.state);
  scenes[0] = &one;
  scenes[1] = &two;
  w.state.sceneSelector = 1;
  EXPECT_FALSE(runFrame(parts));  // 39 at 0 ms: scene 1 steps forward
  EXPECT_FALSE(runFrame(parts));  // 51, also due at 0 ms, comes a frame later, to scene 2
  EXPECT_FALSE(runFrame(parts));
  platform::clock::setVirtualMs(1000);
  EXPECT_FALSE(runFrame(parts));  // 37: back to scene 1
  EXPECT_FALSE(runFrame(parts));
  EXPECT_EQ(one.events, (std::vector<std::int32_t>{39, -1}));
  EXPECT_EQ(two.events, (std::vector<std::int32_t>{51, -1, 37}));
}

TEST_F(MainLoopTest, ASelectorOutsideOneToNineTakesNoEventButAnEmptySceneDoes) {
  for (std::int8_t selector : {0, 10, -1, 127, -128}) {
    w.state.sceneSelector = selector;
    runFrame(parts);
    EXPECT_EQ(sync.cursor(), 0) << int{selector};
  }
  w.state.sceneSelector = 4;  // in range, no scene there
  runFrame(parts);
  EXPECT_EQ(sync.cursor(), 1);
}

TEST_F(MainLoopTest, RunsUntilTheQuitFlagAndPresentsTheFrameThatSetIt) {
  RecordingScene one(w.state, 5);
  scenes[0] = &one;
  w.state.sceneSelector = 1;
  sync = SyncTrack{};  // no events: scene 1 all along
  runMainLoop(parts);
  EXPECT_EQ(one.events.size(), 5u);
  EXPECT_TRUE(w.state.quit);
}

TEST_F(MainLoopTest, EscapePressedDuringAFrameLeavesTheLoop) {
  RecordingScene one(w.state);
  scenes[0] = &one;
  w.state.sceneSelector = 1;
  SDL_Event escape{};
  escape.type = SDL_KEYDOWN;
  escape.key.keysym.sym = SDLK_ESCAPE;
  ASSERT_EQ(SDL_PushEvent(&escape), 1);
  runMainLoop(parts);
  EXPECT_EQ(one.events.size(), 1u);
  EXPECT_FALSE(w.state.quit);
}

TEST_F(MainLoopTest, ACloseRequestEndsTheLoopAtTheTopOfTheNextPass) {
  RecordingScene one(w.state);
  scenes[0] = &one;
  w.state.sceneSelector = 1;
  platform::WindowMessage close;
  close.kind = platform::WindowMessage::Kind::Close;
  w.platform.postMessage(close);
  runMainLoop(parts);
  EXPECT_TRUE(w.state.quit);
  EXPECT_EQ(one.events.size(), 1u);
}

}  // namespace
}  // namespace tav
