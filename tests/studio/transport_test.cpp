// The studio's transport as values: keys to commands, where each command takes the show's time,
// the loop region, and the clock the show plays by.
#include <gtest/gtest.h>

#include "studio/overlay_view.h"
#include "studio/show_clock.h"
#include "studio/show_files.h"
#include "studio/transport.h"

namespace tav::studio {
namespace {

TEST(StudioKeys, ShiftTakesTheArrowsTenSecondsAndOtherKeysAreLeftAlone) {
  EXPECT_EQ(commandFor(keys::kLeft, false), Command::Back);
  EXPECT_EQ(commandFor(keys::kLeft, true), Command::BackFar);
  EXPECT_EQ(commandFor(keys::kRight, true), Command::ForwardFar);
  EXPECT_EQ(commandFor(keys::kSpace, true), Command::TogglePlay);
  EXPECT_EQ(commandFor(keys::kBackslash, false), Command::LoopClear);
  EXPECT_EQ(commandFor(0x1B, false), std::nullopt);  // Escape stays the show's
  EXPECT_EQ(commandFor('A', false), std::nullopt);
}

TEST(StudioTransport, SeeksStopAtTheStartAndFramesStepOnlyWhilePaused) {
  Transport transport;
  const Position paused{.timeMs = 500, .frame = 30, .fps = 60, .playing = false};
  EXPECT_EQ(transport.apply(Command::Back, paused).seekMs, 0);
  EXPECT_EQ(transport.apply(Command::ForwardFar, paused).seekMs, 10500);
  EXPECT_EQ(transport.apply(Command::Start, paused).seekMs, 0);
  EXPECT_EQ(transport.apply(Command::FrameBack, paused).seekMs, 29 * 1000 / 60);
  EXPECT_EQ(transport.apply(Command::FrameForward, paused).seekMs, 31 * 1000 / 60);
  Position playing = paused;
  playing.playing = true;
  EXPECT_EQ(transport.apply(Command::FrameForward, playing).seekMs, std::nullopt);
  EXPECT_EQ(transport.apply(Command::TogglePlay, playing).play, false);
  EXPECT_EQ(transport.apply(Command::FrameBack, {.frame = 1, .fps = 60}).seekMs, std::nullopt);
}

TEST(StudioTransport, EventJumpsGoByTheFramesTheEventsFallOn) {
  Transport transport;
  const std::int32_t events[] = {3000, 1000, 2005, 1000, 2000};
  transport.setEvents(events);
  // Standing on the frame of 2000 ms (frame 120 at 60 frames a second): 2005 falls on the next.
  const Position at{.frame = 120, .fps = 60};
  EXPECT_EQ(transport.apply(Command::PreviousEvent, at).seekMs, 1000);
  EXPECT_EQ(transport.apply(Command::NextEvent, at).seekMs, 2005);
  EXPECT_EQ(transport.apply(Command::NextEvent, {.frame = 180, .fps = 60}).seekMs, std::nullopt);
  EXPECT_EQ(transport.apply(Command::PreviousEvent, {.frame = 60, .fps = 60}).seekMs, std::nullopt);
}

TEST(StudioTransport, ALoopPlaysRoundOnlyWithItsEndAfterItsStartUntilCleared) {
  Transport transport;
  transport.apply(Command::LoopStart, {.timeMs = 2000, .frame = 120, .fps = 60});
  EXPECT_FALSE(transport.loop().active());
  transport.apply(Command::LoopEnd, {.timeMs = 1000, .frame = 60, .fps = 60});  // too soon
  EXPECT_FALSE(transport.loop().active());
  EXPECT_EQ(transport.loopBack(5000), std::nullopt);
  transport.apply(Command::LoopEnd, {.timeMs = 5000, .frame = 300, .fps = 60});
  EXPECT_TRUE(transport.loop().active());
  EXPECT_EQ(transport.loopBack(4999), std::nullopt);
  EXPECT_EQ(transport.loopBack(5000), 2000);
  transport.apply(Command::LoopClear, {});
  EXPECT_EQ(transport.loopBack(5000), std::nullopt);
  EXPECT_NE(overlayLines({.loop = {.startMs = 2000}})[2].find("needs an end after its start"),
            std::string::npos);
}

TEST(StudioClock, TheMusicLeadsWhileHeardAndASteadyClockCarriesOnWithoutAJump) {
  std::optional<std::int64_t> heard;
  auto steady = ShowClock::Steady::time_point{};
  ShowClock clock([&] { return heard; }, [&] { return steady; });
  clock.play(1000);
  steady += std::chrono::milliseconds(250);
  EXPECT_EQ(clock.nowMs(), 1250);  // no music heard: the steady clock
  heard = 1200;  // a device behind what was shown holds the show still rather than going back
  steady += std::chrono::milliseconds(10);
  EXPECT_EQ(clock.nowMs(), 1250);
  heard = 1400;
  EXPECT_EQ(clock.nowMs(), 1400);
  heard.reset();  // the music ended: the steady clock goes on from there
  steady += std::chrono::milliseconds(100);
  EXPECT_EQ(clock.nowMs(), 1500);
  clock.hold(1500);
  steady += std::chrono::milliseconds(100);
  EXPECT_EQ(clock.nowMs(), 1500);
}

TEST(StudioFiles, ChangedPathsAreKnownByWhatTheyAreToTheShow) {
  EXPECT_EQ(showFile("sync.txt").kind, ShowFile::Kind::SyncText);
  EXPECT_EQ(showFile("sync.dat").kind, ShowFile::Kind::SyncTable);
  EXPECT_EQ(showFile("forest.mp3").kind, ShowFile::Kind::Music);
  const ShowFile model = showFile("data/3d/in_demo/end_scene.3ds");
  EXPECT_EQ(model.kind, ShowFile::Kind::Model);
  EXPECT_EQ(model.model, 13);
  EXPECT_EQ(showFile("data/3d/in_demo/extra.3ds").kind, ShowFile::Kind::Other);
  EXPECT_EQ(showFile("Data/Textures/Max_Bron.JPG").kind, ShowFile::Kind::Texture);
  EXPECT_EQ(showFile("data/textures/old/a.jpg").kind, ShowFile::Kind::Other);
  Engine engine;
  engine.addModel();
  Material material;
  material.texture0File = "STONE.JPG";
  engine.model().materials.push_back(material);
  const std::set<std::string> used = texturesInUse(engine);
  EXPECT_TRUE(inUse(used, "data/textures/stone.jpg"));
  EXPECT_TRUE(inUse(used, "data/textures/MAX_BRON.jpg"));  // one the set-up adds
  EXPECT_FALSE(inUse(used, "data/textures/.stone.jpg.swp"));
}

}  // namespace
}  // namespace tav::studio
