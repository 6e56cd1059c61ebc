// The page's frame report: each scene's times, with the frames that carry a cost of their own (the
// scene's first, those right after the browser's turn) set apart.
#include <gtest/gtest.h>

#include <vector>

#include "web/frame_report.h"

namespace tav::web {
namespace {

FrameRecord frame(int scene, double ms, bool afterTurn = false) {
  FrameRecord f;
  f.scene = scene;
  f.ms = ms;
  f.afterTurn = afterTurn;
  return f;
}

TEST(FrameReport, SetsApartAScenesFirstFrameAndTheFramesAfterATurn) {
  const std::vector<FrameRecord> frames = {frame(0, 90.0),  // before the show starts: not a scene
                                           frame(1, 50.0),     frame(1, 4.0), frame(1, 30.0, true),
                                           frame(1, 6.0),      frame(1, 5.0), frame(2, 12.0),
                                           frame(2, 3.0, true)};
  const std::vector<SceneTimes> scenes = sceneTimes(frames);
  ASSERT_EQ(scenes.size(), 2u);
  EXPECT_EQ(scenes[0].scene, 1);
  EXPECT_EQ(scenes[0].frames, 5u);
  EXPECT_DOUBLE_EQ(scenes[0].medianMs, 6.0);
  EXPECT_DOUBLE_EQ(scenes[0].worstMs, 50.0);
  EXPECT_DOUBLE_EQ(scenes[0].worstAfterFirstMs, 30.0);
  EXPECT_DOUBLE_EQ(scenes[0].worstSteadyMs, 6.0);
  // A scene whose only later frame follows a turn has no steady frame to be slow.
  EXPECT_EQ(scenes[1].scene, 2);
  EXPECT_DOUBLE_EQ(scenes[1].worstAfterFirstMs, 3.0);
  EXPECT_DOUBLE_EQ(scenes[1].worstSteadyMs, 0.0);
}

}  // namespace
}  // namespace tav::web
