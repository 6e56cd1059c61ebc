#pragma once
// The page's frame report (?report=1): every frame of the show timed on the virtual clock, with
// what the GL layer sent in it, summed up per scene. Plain values, so that the sums can be
// checked away from the browser.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/web/gl11_api.h"

namespace tav::web {

struct FrameRecord {
  std::int64_t frame = 0;
  std::int64_t showMs = 0;
  int scene = 0;
  double ms = 0.0;      // drawing and the GPU process's work, the two below
  double drawMs = 0.0;  // the show's code and its calls into the GL layer
  double gpuMs = 0.0;   // then waiting for the GPU process to finish the frame
  // The first frame after the page gave the browser a turn: it can carry work the browser
  // started in the turn (compositing the canvas) on the threads the frame's drawing needs.
  bool afterTurn = false;
  gl11::Work work;  // what the GL layer sent in the frame
};

struct SceneTimes {
  int scene = 0;
  double medianMs = 0.0;
  double worstMs = 0.0;
  double worstAfterFirstMs = 0.0;  // the worst but for the scene's first frame
  // The worst but for the scene's first frame and the frames right after the page's turns.
  double worstSteadyMs = 0.0;
  std::size_t frames = 0;
};

// Each scene's times, in the order of the scene numbers; scene 0 (before the show starts) is
// left out. A scene's first frame is the first of its frames in `frames`.
std::vector<SceneTimes> sceneTimes(const std::vector<FrameRecord>& frames);

}  // namespace tav::web
