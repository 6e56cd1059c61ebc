// The show's own data set: made the same every time, complete by the inspector's check, and
// reported piece by piece when broken.
#include <gtest/gtest.h>
#include <stb_image.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "platform/clock.h"
#include "platform/mp3_decoder.h"
#include "platform/sound.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "shell/main_loop.h"
#include "shell/scene_bands.h"
#include "shell/show.h"
#include "shell/sync_text.h"
#include "shell/timeline.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/capture/capture.h"
#include "tools/examine/show_check.h"
#include "tools/showkit/models.h"
#include "tools/showkit/music.h"
#include "tools/showkit/showkit.h"
#include "tools/showkit/textures.h"
#include "tools/showkit/timeline.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

// The data set the build made.
const fs::path kShow = TAVRINEL_SHOW_DIR;

bool mentions(const std::vector<std::string>& problems, const std::string& text) {
  return std::any_of(problems.begin(), problems.end(),
                     [&text](const std::string& p) { return p.find(text) != std::string::npos; });
}

TEST(ShowData, TheGeneratedFolderHasEverythingTheShowNeeds) {
  std::vector<std::string> problems = inspect::checkShow(kShow);
  for (const std::string& p : problems)
    ADD_FAILURE() << p;
}

TEST(ShowData, BrokenCopiesAreReportedNamingTheFileAndTheProblem) {
  test::TempDir dir;
  fs::copy(kShow, dir.path(), fs::copy_options::recursive);
  writer3ds::Scene3ds end = showkit::model(13);
  for (auto& mesh : end.meshes) {
    if (mesh.name.starts_with("csphere")) mesh.name = "ball" + mesh.name.substr(7);
  }
  test::writeFile(dir.file("data/3d/in_demo/end_scene.3ds"), writer3ds::write3ds(end));
  fs::remove(dir.path() / "data/textures/glow_green.jpg");
  std::vector<std::uint8_t> sync = test::readFile(dir.file("sync.dat"));
  std::swap_ranges(sync.begin() + 4, sync.begin() + 12, sync.begin() + 12);  // events 0 and 1
  test::writeFile(dir.file("sync.dat"), sync);
  fs::remove(dir.path() / "data/3d/in_demo/cube.3ds");

  std::vector<std::string> problems = inspect::checkShow(dir.path());
  EXPECT_TRUE(
      mentions(problems, "data/3d/in_demo/end_scene.3ds: has no mesh object named \"csphere...\""));
  EXPECT_TRUE(mentions(problems,
                       "data/textures/glow_green.jpg: No such file or directory (wanted by "
                       "data/3d/in_demo/wanting_text.3ds material \"wanting_sprite\")"));
  EXPECT_TRUE(mentions(problems, "sync.dat: event 1 at"));
  EXPECT_TRUE(mentions(problems, "data/3d/in_demo/cube.3ds: No such file or directory"));
  EXPECT_EQ(problems.size(), 4u) << "more than was broken: " << problems.back();
}

TEST(ShowData, TheTimelineStepsThroughNineScenesAndGivesTheLastItsTime) {
  std::vector<showkit::SyncEvent> events = showkit::syncEvents();
  EXPECT_LE(events.size(), 1000u);
  EXPECT_TRUE(std::is_sorted(events.begin(), events.end(),
                             [](auto& a, auto& b) { return a.timeMs < b.timeMs; }));
  std::vector<std::int32_t> changes;
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].code == 39) changes.push_back(events[i].timeMs);
    if (i > 0) {
      EXPECT_NE(events[i].timeMs, events[i - 1].timeMs) << "two events at one time";
    }
  }
  ASSERT_EQ(changes.size(), 8u);
  for (int scene = 2; scene <= 9; ++scene) {
    EXPECT_EQ(changes[static_cast<std::size_t>(scene - 2)],
              std::lround(showkit::sceneStart(scene) * 1000));
  }
  EXPECT_GE(showkit::sceneStart(2), 28.0);  // scene 1's title crosses the view
  EXPECT_GE(showkit::sceneStart(4) - showkit::sceneStart(3), 27.0);
  EXPECT_GT(showkit::musicSeconds() - showkit::sceneStart(9), 21.5);
}

TEST(ShowData, ShowkitMakesTheSameBytesEveryTime) {
  test::TempDir dir;
  fs::create_directories(dir.path() / "models");
  fs::create_directories(dir.path() / "textures");
  std::vector<std::string> models = showkit::writeModels(dir.path() / "models");
  std::vector<std::string> textures = showkit::writeTextures(dir.path() / "textures");
  ASSERT_TRUE(showkit::writeSyncTable(dir.path() / "sync.dat"));
  for (const std::string& m : models) {
    EXPECT_EQ(test::readFile((dir.path() / "models" / m).string()),
              test::readFile((kShow / "data/3d/in_demo" / m).string()))
        << m;
  }
  for (const std::string& t : textures) {
    EXPECT_EQ(test::readFile((dir.path() / "textures" / t).string()),
              test::readFile((kShow / "data/textures" / t).string()))
        << t;
  }
  EXPECT_EQ(test::readFile(dir.file("sync.dat")), test::readFile((kShow / "sync.dat").string()));
}

TEST(ShowData, TheSoundtrackIsTheTimelinesLengthGaplessAndBelowMinusOneDecibel) {
  std::vector<std::uint8_t> mp3 = test::readFile((kShow / "forest.mp3").string());
  platform::Mp3Decoder decoder;
  ASSERT_TRUE(decoder.open(mp3, 44100)) << decoder.error();
  EXPECT_EQ(decoder.lengthFrames(), std::llround(showkit::musicSeconds() * 44100));
  std::vector<std::int16_t> chunk(2 * 4096);
  int peak = 0;
  double energy = 0;
  std::int64_t frames = 0;
  for (std::size_t got; (got = decoder.read(chunk.data(), 4096)) > 0;) {
    for (std::size_t i = 0; i < got * 2; ++i) {
      peak = std::max(peak, std::abs(static_cast<int>(chunk[i])));
      energy += static_cast<double>(chunk[i]) * chunk[i];
    }
    frames += static_cast<std::int64_t>(got);
  }
  EXPECT_EQ(frames, decoder.lengthFrames());
  EXPECT_LE(peak, static_cast<int>(32767 * std::pow(10.0, -1.0 / 20.0)));  // -1 dBFS
  EXPECT_GT(std::sqrt(energy / static_cast<double>(frames * 2)), 1000.0);  // and not silence

  // The encoding is the same on every run too.
  test::TempDir dir;
  std::string error;
  ASSERT_TRUE(showkit::writeMp3(dir.file("again.mp3"), showkit::composeSoundtrack(), error))
      << error;
  EXPECT_EQ(test::readFile(dir.file("again.mp3")), mp3);
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// The whole show headless at 320 x 240 and 10 frames a second: every 25th frame read back.
std::vector<std::vector<std::uint8_t>> framesOfTheShow(bool fillOnlyWhatAdds) {
  test::WorkingDirectory inShow(kShow);
  ShowState state;
  platform::Window headless(platform::VideoBackend::Headless);
  GLWindow window(state, headless);
  EXPECT_TRUE(window.create("tavrinel", 320, 240, 32, true));
  platform::clock::setVirtualMs(1000);
  platform::SoundOutput sound(platform::SoundMode::Silent);
  std::ostringstream quiet;
  Show show(state, sound, quiet, quiet);
  show.engine.fillOnlyWhatAdds = fillOnlyWhatAdds;
  setUpShow(show, window, quiet);
  LoopParts parts{state, window, show.music, show.sync, show.engine, show.scenes};
  std::vector<std::vector<std::uint8_t>> frames;
  for (int k = 1; !state.quit && k < 3000; ++k) {
    platform::clock::setVirtualMs(1000 + static_cast<std::uint32_t>(k * 100));
    runFrame(parts);
    if (k % 25 == 0) {
      platform::Size size;
      frames.push_back(headless.readPixelsRgb(size));
    }
  }
  platform::clock::useRealTime();
  return frames;
}

TEST(ShowData, FillingOnlyWhatAddsLeavesEveryFrameAsItWas) {
  const auto restricted = framesOfTheShow(true);
  const auto whole = framesOfTheShow(false);
  ASSERT_EQ(restricted.size(), whole.size());
  EXPECT_GT(restricted.size(), 70u);  // the whole show, every scene
  for (std::size_t i = 0; i < whole.size(); ++i)
    ASSERT_TRUE(restricted[i] == whole[i]) << "frame " << (i + 1) * 25 << " differs";
}

TEST(ShowData, TheWholeShowPlaysHeadlessSceneBySceneToItsEnd) {
  test::TempDir out;
  // A still in the middle of each scene (and the very first frame).
  std::string at = "0";
  for (int scene = 1; scene <= 9; ++scene) {
    double middle = (showkit::sceneStart(scene) +
                     std::min(showkit::sceneStart(scene + 1), showkit::sceneStart(scene) + 21.0)) /
                    2;
    at += "," + std::to_string(std::lround(middle * 1000));
  }
  const fs::path report = out.path() / "report.json";
  std::vector<std::string> args = {"tavrinel-capture",
                                   "--data",
                                   kShow.string(),
                                   "--size",
                                   "320x240",
                                   "--fps",
                                   "30",
                                   "--report",
                                   report.string(),
                                   "--at",
                                   at,
                                   "--png",
                                   out.path().string()};
  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  std::ostringstream err;
  ASSERT_EQ(capture::run(static_cast<int>(argv.size()), argv.data(), err), 0) << err.str();
  EXPECT_NE(err.str().find("ended by the show's end"), std::string::npos) << err.str();

  std::ifstream file(report);
  auto json = nlohmann::json::parse(file);
  // The first frame of each scene: within a frame of the timeline's scene change.
  const double frameMs = 1000.0 / 30;
  int scene = 0;
  for (const auto& frame : json["frames"]) {
    int now = frame["scene"];
    if (now == scene) continue;
    ASSERT_EQ(now, scene + 1) << "at " << frame["timeMs"] << " ms";
    scene = now;
    double planned = showkit::sceneStart(scene) * 1000;
    EXPECT_NEAR(double(frame["timeMs"]), planned + frameMs / 2, frameMs) << "scene " << scene;
  }
  EXPECT_EQ(scene, 9);
  double end = json["frames"].back()["timeMs"];
  EXPECT_NEAR(end, showkit::sceneStart(9) * 1000 + 21470, 2 * frameMs);

  int stills = 0;
  for (const auto& entry : fs::directory_iterator(out.path())) {
    if (entry.path().extension() != ".png") continue;
    ++stills;
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load(entry.path().c_str(), &width, &height, &channels, 3);
    ASSERT_NE(rgb, nullptr);
    std::vector<std::uint8_t> pixels(rgb, rgb + width * height * 3);
    stbi_image_free(rgb);
    bool flat =
        std::all_of(pixels.begin(), pixels.end(), [&](std::uint8_t v) { return v == pixels[0]; });
    if (entry.path().filename() == "still_0000000.png") {
      EXPECT_TRUE(flat && pixels[0] == 0) << "the first frame is black";
    } else {
      EXPECT_FALSE(flat) << entry.path().filename() << " is a single flat colour";
    }
  }
  EXPECT_EQ(stills, 10);
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// Stills of `times` from a capture that plays every frame (a report asks for them all).
std::map<std::int64_t, std::vector<std::uint8_t>> playedStills(
    const std::vector<std::int64_t>& times, const fs::path& out) {
  std::string at;
  for (std::int64_t t : times)
    at += (at.empty() ? "" : ",") + std::to_string(t);
  const std::string report = (out / "report.json").string(), dir = out.string(),
                    show = kShow.string();
  const char* argv[] = {
      "tavrinel-capture", "--data", show.c_str(), "--size", "160x120",   "--fps",  "30", "--report",
      report.c_str(),     "--at",   at.c_str(),   "--png",  dir.c_str(), "--quiet"};
  std::ostringstream err;
  EXPECT_EQ(capture::run(static_cast<int>(std::size(argv)), argv, err), 0) << err.str();
  std::map<std::int64_t, std::vector<std::uint8_t>> stills;
  for (std::int64_t t : times) {
    char name[32];
    std::snprintf(name, sizeof name, "still_%07lld.png", static_cast<long long>(t));
    int width = 0, height = 0, channels = 0;
    stbi_uc* rgb = stbi_load((out / name).c_str(), &width, &height, &channels, 3);
    if (!rgb) continue;  // past the show's end
    stills[t].assign(rgb, rgb + width * height * 3);
    stbi_image_free(rgb);
  }
  return stills;
}

// Every event's time, a moment inside every scene, the particle scenes at several points and the
// show's last second.
std::vector<std::int64_t> timesWorthSeeking() {
  std::vector<std::int64_t> times;
  for (const showkit::SyncEvent& e : showkit::syncEvents())
    times.push_back(e.timeMs);
  for (int scene = 1; scene <= 9; ++scene) {
    times.push_back(std::lround(showkit::sceneStart(scene) * 1000) + 1234);
    times.push_back(std::lround(showkit::sceneStart(scene) * 1000) + 7777);
  }
  for (double s : {3.5, 9.2, 15.0, 24.5})
    times.push_back(std::lround((showkit::sceneStart(3) + s) * 1000));
  for (double s : {4.1, 10.3, 17.9})
    times.push_back(std::lround((showkit::sceneStart(8) + s) * 1000));
  const std::int64_t end = std::lround(showkit::sceneStart(9) * 1000) + 21470;
  for (std::int64_t back : {900, 500, 34, 0})
    times.push_back(end - back);
  std::sort(times.begin(), times.end());
  times.erase(std::unique(times.begin(), times.end()), times.end());
  return times;
}

// The show set up headless (160 x 120 unless told) as tavrinel-capture sets it up, on a
// timeline of 30 frames a second.
struct HeadlessShow {
  explicit HeadlessShow(platform::Size size = {160, 120}) : inShow(kShow) {
    headless.setHeadlessSize(size);
    EXPECT_TRUE(window.create("tavrinel", size.width, size.height, 32, true));
    platform::clock::setVirtualMs(kShowClockBase);
    setUpShow(show, window, quiet);
    timeline.emplace(parts, show, Timeline::Settings{.fps = 30});
  }
  ~HeadlessShow() { platform::clock::useRealTime(); }

  // The frame at `t` after a seek.
  std::vector<std::uint8_t> seek(std::int64_t t) {
    timeline->seek(t);
    EXPECT_TRUE(timeline->step(true));
    window.swapBuffers();
    platform::Size size;
    return headless.readPixelsRgb(size);
  }

  test::WorkingDirectory inShow;
  ShowState state;
  platform::Window headless{platform::VideoBackend::Headless};
  GLWindow window{state, headless};
  platform::SoundOutput sound{platform::SoundMode::Silent};
  std::ostringstream quiet;
  Show show{state, sound, quiet, quiet};
  LoopParts parts{state, window, show.music, show.sync, show.engine, show.scenes};
  std::optional<Timeline> timeline;
};

TEST(ShowData, ASeekDrawsExactlyTheFramePlayingFromTheStartDraws) {
  test::TempDir out;
  const std::vector<std::int64_t> times = timesWorthSeeking();
  const auto played = playedStills(times, out.path());
  ASSERT_GT(played.size(), 60u);

  HeadlessShow headless;
  // Back and forth: every time in a shuffled order, then the first few again.
  std::vector<std::int64_t> order(times.begin(), times.end());
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  order.insert(order.end(), order.begin(), order.begin() + 8);
  for (std::int64_t t : order) {
    if (t == 0) continue;  // the set-up's black frame, drawn before the timeline starts
    const std::vector<std::uint8_t> seen = headless.seek(t);
    auto expected = played.find(t);
    if (expected == played.end()) continue;
    EXPECT_TRUE(seen == expected->second) << "the frame at " << t << " ms differs";
  }
}

// What the studio does when a model or texture is saved: the show put back to how it is built
// and its data loaded again, the music left alone. Every frame is then the one before.
TEST(ShowData, DataLoadedAgainWhileTheShowRunsGivesEverySeekTheSameFrame) {
  HeadlessShow headless;
  const std::int64_t times[] = {12345, 52000, 164300, 190000};
  std::vector<std::vector<std::uint8_t>> before;
  for (std::int64_t t : times)
    before.push_back(headless.seek(t));

  resetShow(headless.show);
  EXPECT_TRUE(headless.show.engine.textureBounds.empty());
  platform::clock::setVirtualMs(kShowClockBase);
  loadShowData(headless.show, headless.quiet);
  readSyncTable(headless.show, headless.quiet);
  startShow(headless.show, nullptr);
  headless.timeline.emplace(headless.parts, headless.show, Timeline::Settings{.fps = 30});
  for (std::size_t i = 0; i < std::size(times); ++i)
    EXPECT_TRUE(headless.seek(times[i]) == before[i]) << "the frame at " << times[i] << " ms";
}

// What the studio does with an edited table: the snapshots up to the first frame the edit can
// change are kept, the rest dropped. Seeks then give the frames of a show set up with that table.
TEST(ShowData, AnEditedTablePlaysOnFromTheSnapshotsBeforeItAsFromTheStart) {
  const std::int64_t times[] = {59000, 60100, 63000, 120000, 30000};
  std::vector<SyncEvent> after;
  std::vector<std::vector<std::uint8_t>> seen;
  {
    HeadlessShow edited;
    std::vector<SyncEvent> before;
    for (std::int32_t i = 0; i < edited.show.sync.count(); ++i)
      before.push_back(edited.show.sync.event(i));
    edited.seek(150000);  // snapshots all along the way
    after = before;
    const auto later = std::find_if(after.begin(), after.end(),
                                    [](const SyncEvent& e) { return e.timeMs > 60000; });
    after.insert(later, {60000, 8});  // a camera jump in scene 3
    after.back().value = 40;
    edited.show.sync.parse(syncDatBytes(after));
    edited.timeline->forgetFrom(firstFrameChanged(before, after, 30));
    for (std::int64_t t : times)
      seen.push_back(edited.seek(t));
  }
  HeadlessShow fresh;
  fresh.show.sync.parse(syncDatBytes(after));
  for (std::size_t i = 0; i < std::size(times); ++i)
    EXPECT_TRUE(fresh.seek(times[i]) == seen[i]) << "the frame at " << times[i] << " ms";
}

// Scene 5 never clears its picture: its backdrop falls short of the edges by half a pixel at
// 1024 pixels wide, where the frames before it show through. A seek has not drawn those, so they
// start black, whichever way the seek came.
TEST(ShowData, EveryWayToAFrameGivesItTheSamePictureWhereItDoesNotDrawEveryPixel) {
  HeadlessShow headless({1024, 768});
  const std::vector<std::uint8_t> direct = headless.seek(110000);
  headless.seek(90000);
  EXPECT_TRUE(headless.seek(110000) == direct);
  headless.seek(100000);
  headless.seek(105000);
  EXPECT_TRUE(headless.seek(110000) == direct);
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// The scene bands the page's timeline draws, from the table alone, against the frames themselves.
TEST(ShowData, SceneBandsFromTheTableAreTheScenesTheFramesPlay) {
  HeadlessShow headless;
  std::vector<SyncEvent> events;
  for (std::int32_t i = 0; i < headless.show.sync.count(); ++i)
    events.push_back(headless.show.sync.event(i));
  const std::vector<SceneBand> bands = sceneBands(events, 30, headless.show.music.lengthMs());
  ASSERT_EQ(bands.size(), 9u);
  for (std::size_t i = 1; i < bands.size(); ++i) {
    EXPECT_EQ(bands[i].scene, static_cast<int>(i) + 1);
    FrameInfo info;
    headless.timeline->seek(bands[i].fromMs);
    ASSERT_TRUE(headless.timeline->step(true, &info));
    EXPECT_EQ(info.scene, bands[i].scene) << "at " << bands[i].fromMs << " ms";
    const std::int64_t before = headless.timeline->frameAt(bands[i].fromMs) - 1;
    headless.timeline->seek(headless.timeline->timeOf(before));
    ASSERT_TRUE(headless.timeline->step(true, &info));
    EXPECT_EQ(info.scene, bands[i - 1].scene) << "the frame before " << bands[i].fromMs << " ms";
  }
}

}  // namespace
}  // namespace tav
