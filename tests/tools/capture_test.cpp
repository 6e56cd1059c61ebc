#include "tools/capture/capture.h"

#include <gtest/gtest.h>
#include <stb_image.h>
#include <stdlib.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/capture/frame_output.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

struct CaptureRun {
  int status = 0;
  std::string err;
};

CaptureRun capture(std::vector<std::string> args) {
  args.insert(args.begin(), "tavrinel-capture");
  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  std::ostringstream err;
  int status = capture::run(static_cast<int>(argv.size()), argv.data(), err);
  return {status, err.str()};
}

void writeSync(const fs::path& file, const std::vector<std::pair<int, int>>& events) {
  std::vector<std::uint8_t> bytes;
  auto put = [&bytes](std::int32_t v) {
    for (int s = 0; s < 32; s += 8)
      bytes.push_back(static_cast<std::uint8_t>(v >> s));
  };
  put(static_cast<std::int32_t>(events.size()));
  for (auto [time, code] : events) {
    put(time);
    put(code);
  }
  test::writeFile(file.string(), bytes);
}

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  std::array<int, 3> at(int x, int y) const {
    const std::uint8_t* p = &rgb[static_cast<std::size_t>((y * width + x) * 3)];
    return {p[0], p[1], p[2]};
  }
};

Picture readPng(const fs::path& file) {
  Picture picture;
  int channels = 0;
  stbi_uc* data = stbi_load(file.c_str(), &picture.width, &picture.height, &channels, 3);
  if (data) {
    picture.rgb.assign(data, data + picture.width * picture.height * 3);
    stbi_image_free(data);
  }
  return picture;
}

class Capture : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(data.path());
    // Scenes step on at 100 and 200 ms.
    writeSync(data.path() / "sync.dat", {{100, 39}, {200, 39}});
  }
  test::TempDir data, out;
};

TEST_F(Capture, MakesTheSameFramesEveryRunStartingBlackAndStepsScenesWithTheSyncTable) {
  for (const char* run : {"a", "b"}) {
    CaptureRun r = capture({"--data", data.path().string(), "--size", "64x48", "--fps", "30",
                            "--to", "400", "--png", (out.path() / run).string(), "--report",
                            (out.path() / (std::string(run) + ".json")).string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("; 13 frames written; reached --to"), std::string::npos) << r.err;
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(out.path() / "a")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  // Frame 0 at 0 ms, then every 1000/30 ms up to 400: 13 frames in all.
  ASSERT_EQ(names.size(), 13u);
  EXPECT_EQ(names.front(), "frame_000000.png");
  EXPECT_EQ(names.back(), "frame_000012.png");
  for (const std::string& name : names) {
    EXPECT_EQ(test::readFile((out.path() / "a" / name).string()),
              test::readFile((out.path() / "b" / name).string()))
        << name;
  }
  Picture first = readPng(out.path() / "a" / "frame_000000.png");
  ASSERT_EQ(first.width, 64);
  for (std::uint8_t v : first.rgb)
    ASSERT_EQ(v, 0);

  std::ifstream file(out.path() / "a.json");
  auto report = nlohmann::json::parse(file);
  std::vector<std::tuple<int, int, int>> seen;  // time, scene, event
  for (const auto& f : report["frames"]) {
    seen.emplace_back(f["timeMs"], f["scene"], f["event"].is_null() ? -2 : int(f["event"]));
  }
  ASSERT_EQ(seen.size(), 12u);
  EXPECT_EQ(seen[0], std::make_tuple(33, 1, -1));
  EXPECT_EQ(seen[2], std::make_tuple(100, 1, 39));  // the step comes at 100 ms ...
  EXPECT_EQ(seen[3], std::make_tuple(133, 2, -1));  // ... and scene 2 draws from the next frame
  EXPECT_EQ(seen[5], std::make_tuple(200, 2, 39));
  EXPECT_EQ(seen[6], std::make_tuple(233, 3, -1));
  EXPECT_EQ(report["scenes"].size(), 3u);
  EXPECT_EQ(report["scenes"][1]["frames"], 3);
  EXPECT_EQ(report["endedBy"], "reached --to");
}

TEST_F(Capture, StillsAreNamedByTimeAndAWidePictureKeepsItsShapeBetweenBlackBars) {
  writeSync(data.path() / "sync.dat", {{0, 39}});  // scene 2 opens with a white flash
  CaptureRun r = capture({"--data", data.path().string(), "--size", "96x48", "--fps", "60", "--at",
                          "20,0", "--png", out.path().string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("all stills written"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(out.path() / "still_0000000.png"));
  Picture flash = readPng(out.path() / "still_0000020.png");
  ASSERT_EQ(flash.width, 96);
  EXPECT_EQ(flash.at(48, 24), (std::array<int, 3>{255, 255, 255}));  // the 64 x 48 picture
  EXPECT_EQ(flash.at(2, 24), (std::array<int, 3>{0, 0, 0}));         // and a bar either side
  EXPECT_EQ(flash.at(93, 24), (std::array<int, 3>{0, 0, 0}));
}

TEST_F(Capture, AShowThatNeverEndsIsAnErrorAndBadOptionsAreExplained) {
  writeSync(data.path() / "sync.dat", {});
  CaptureRun r =
      capture({"--data", data.path().string(), "--size", "32x24", "--fps", "10", "--limit", "300"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("did not end within 300 ms"), std::string::npos) << r.err;

  r = capture({"--size", "big"});
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("--size wants WxH"), std::string::npos) << r.err;
  r = capture({"--at", "5,x"});
  EXPECT_NE(r.err.find("--at wants show times"), std::string::npos) << r.err;
  r = capture({"--data", (data.path() / "nowhere").string()});
  EXPECT_NE(r.err.find("cannot read the show folder"), std::string::npos) << r.err;
  r = capture({"--help"});
  EXPECT_EQ(r.status, 0);

  const char* path = std::getenv("PATH");
  std::string saved = path ? path : "";
  setenv("PATH", out.path().c_str(), 1);
  r = capture({"--video", "show.mp4"});
  setenv("PATH", saved.c_str(), 1);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("needs the ffmpeg program"), std::string::npos) << r.err;
}

TEST_F(Capture, AFullDiskStopsTheCaptureNamingTheFileAndCountsOnlyTheFramesWritten) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  // The third frame's file is a disk that is always full.
  fs::create_symlink("/dev/full", out.path() / "frame_000002.png");
  CaptureRun r = capture({"--data", data.path().string(), "--size", "64x48", "--fps", "30", "--to",
                          "400", "--png", out.path().string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot write " + (out.path() / "frame_000002.png").string() +
                       ": No space left on device"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("; 2 frames written;"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::exists(out.path() / "frame_000001.png"));
  EXPECT_FALSE(fs::exists(out.path() / "frame_000003.png"));
}

// An "ffmpeg" first on the PATH that runs `script` in the shell.
class StandInEncoder {
 public:
  StandInEncoder(const fs::path& dir, const std::string& script) {
    const fs::path program = dir / "ffmpeg";
    std::ofstream(program) << "#!/bin/sh\n" << script << "\n";
    fs::permissions(program, fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    saved_ = path ? path : "";
    setenv("PATH", (dir.string() + ":" + saved_).c_str(), 1);
  }
  ~StandInEncoder() { setenv("PATH", saved_.c_str(), 1); }

 private:
  std::string saved_;
};

TEST_F(Capture, AnEncoderThatStopsTakingFramesFailsTheCaptureNamingTheVideoAndWhy) {
  // 26 frames of 57,600 bytes: far more than a pipe holds, so the capture meets the stop. The
  // encoder's time limit is short only where the encoder is meant to hang.
  struct Encoder {
    std::string script, timeout;
    std::vector<std::string> reasons;
  };
  const std::string oneFrame = "head -c 57600 >/dev/null; ";
  const std::vector<Encoder> encoders = {
      {oneFrame + "exit 0", "60", {"ffmpeg stopped taking frames (Broken pipe)"}},
      {oneFrame + "exit 1",
       "60",
       {"ffmpeg stopped taking frames (Broken pipe)", "ffmpeg failed (exit status 1)"}},
      {oneFrame + "exec sleep 600", "0.5", {"ffmpeg took no frame for 0.5 s, so it was stopped"}},
      {"cat >/dev/null; exec sleep 600",
       "0.5",
       {"ffmpeg did not end within 0.5 s of its last frame, so it was stopped"}},
  };
  for (const auto& [script, timeout, reasons] : encoders) {
    test::TempDir bin;
    StandInEncoder encoder(bin.path(), script);
    const fs::path video = out.path() / "show.mp4";
    CaptureRun r =
        capture({"--data", data.path().string(), "--size", "160x120", "--fps", "25", "--to", "1000",
                 "--video", video.string(), "--encoder-timeout", timeout});
    EXPECT_EQ(r.status, 1) << script;
    EXPECT_NE(r.err.find("cannot make the video " + video.string() + ": "), std::string::npos)
        << r.err;
    for (const std::string& reason : reasons)
      EXPECT_NE(r.err.find(reason), std::string::npos) << r.err;
  }
}

// Frames that all fit in the pipe: the capture is done with its input before a lazy encoder
// wakes, so only what the encoder leaves can tell that it made no video.
TEST_F(Capture, AnEncoderThatLeavesNoVideoOrEndsBeforeItsInputIsAFailure) {
  const std::vector<std::pair<std::string, std::string>> encoders = {
      {"sleep 2; exit 0", "ffmpeg said it succeeded but made no video file"},
      {"for last; do :; done; cat >/dev/null; : >\"$last\"",
       "ffmpeg said it succeeded but left the video file empty"},
  };
  for (const auto& [script, reason] : encoders) {
    test::TempDir bin;
    StandInEncoder encoder(bin.path(), script);
    const fs::path video = out.path() / "show.mp4";
    test::writeFile(video.string(), std::vector<std::uint8_t>(100, 1));  // an older run's
    CaptureRun r = capture({"--data", data.path().string(), "--size", "64x48", "--fps", "10",
                            "--to", "400", "--video", video.string()});
    EXPECT_EQ(r.status, 1) << script;
    EXPECT_NE(r.err.find("cannot make the video " + video.string() + ": " + reason),
              std::string::npos)
        << r.err;
  }
  // One that has ended when its input is closed, whatever its status, made part of it at best.
  test::TempDir bin;
  StandInEncoder encoder(bin.path(), "exit 0");
  capture::VideoPipe pipe;
  std::string error;
  ASSERT_TRUE(
      pipe.open(capture::findProgram("ffmpeg"), out.path() / "v.mp4", 64, 48, 10, "", 0, error))
      << error;
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_FALSE(pipe.close(error));
  EXPECT_EQ(error, "ffmpeg ended before its input did");
}

// What ffprobe says of one stream of a file ("" when it cannot tell).
std::string probe(const fs::path& file, const char* stream, const char* entry) {
  std::string command = std::string("ffprobe -v error -count_frames -select_streams ") + stream +
                        " -show_entries stream=" + entry + " -of csv=p=0 '" + file.string() + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), &pclose);
  std::string answer;
  char buffer[128];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
    answer += buffer;
  while (!answer.empty() && (answer.back() == '\n' || answer.back() == ','))
    answer.pop_back();
  return answer;
}

TEST_F(Capture, AVideoCarriesTheFramesAndTheSoundtrack) {
  if (std::system("command -v ffmpeg >/dev/null 2>&1 && command -v ffprobe >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "ffmpeg is not installed";
  }
  test::writeFile((data.path() / "forest.mp3").string(), test::encodeTone({.seconds = 2.0}));
  fs::path video = out.path() / "show.mp4";
  CaptureRun r = capture({"--data", data.path().string(), "--size", "64x48", "--fps", "25", "--to",
                          "1000", "--video", video.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(probe(video, "v:0", "nb_read_frames"), "26");  // 0, 40, ..., 1000 ms
  EXPECT_EQ(probe(video, "v:0", "codec_name"), "h264");
  EXPECT_EQ(probe(video, "a:0", "codec_name"), "aac");
}

}  // namespace
}  // namespace tav
