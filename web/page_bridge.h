#pragma once
// What the show's program and its page say to each other: the lines the viewer enters on the
// first screen, the state the page (and its tests) read every frame, and the stills it hands out.
#include <array>
#include <cstdint>
#include <istream>
#include <streambuf>
#include <vector>

#include "web/frame_report.h"

namespace tav::web {

// Reads as the console's standard input did: each line the viewer enters on the first screen
// (typed and taken with Enter, or a menu line's number when it is clicked or its key pressed),
// waited for whenever the reader wants more. It never ends.
class ConsoleInput : public std::streambuf {
 protected:
  int_type underflow() override;

 private:
  std::array<char, 128> line_{};
};

// window.tavrinel: state ("menu", "loading", "playing", "ended", "stills"), the scene selector,
// the music position the sync track was given, the frames shown.
void publish(const char* state, int scene, std::int32_t showMs, std::int64_t frames);

// One still, top row first, 3 bytes a pixel: kept by the page as a PNG data URL.
void addStill(const std::vector<std::uint8_t>& rgb, int width, int height);

// One scene's frame times in ms: the page keeps them in window.tavrinel.report.
void addSceneTime(const SceneTimes& times);

// Every frame of the report, field by field (window.tavrinel.frameLog: one array per field of
// FrameRecord and of the GL layer's work, indexed alike).
void addFrames(const std::vector<FrameRecord>& frames);

// How many shader programs the GL layer made while drawing (window.tavrinel.programsMadeLate).
void notePrograms(int madeWhileDrawing);

// Returns once the browser's GPU process has drawn everything asked of it so far.
void waitForGpu();

// The page's words for what went wrong, on its first screen.
void say(const char* text);

}  // namespace tav::web
