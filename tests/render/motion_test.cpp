#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/model_loader.h"
#include "platform/clock.h"

namespace tav {
namespace {

// A closed loop's path object: a square at z 0 with keys 1..4 on the loop (vertex 0 repeats the
// last loop key, vertex 5 the first, vertex 6 is dropped).
Track squareTrack() {
  std::vector<Vector3> v = {{0, 100, 0}, {0, 0, 0}, {100, 0, 0}, {100, 100, 0},
                            {0, 100, 0}, {0, 0, 0}, {9, 9, 9}};
  Track track;
  buildTrack(track, v, static_cast<std::int32_t>(v.size()));
  return track;
}

void expectNear(const Vector3& a, const Vector3& b, float tolerance = 1e-4f) {
  EXPECT_NEAR(a.x, b.x, tolerance);
  EXPECT_NEAR(a.y, b.y, tolerance);
  EXPECT_NEAR(a.z, b.z, tolerance);
}

TEST(Track, PassesThroughItsKeysAndLoopsWithPeriodKeyCountMinusTwo) {
  Track track = squareTrack();
  ASSERT_EQ(track.keyCount, 6);
  EXPECT_EQ(track.evaluate(1.0f), track.points[1]);
  EXPECT_EQ(track.evaluate(2.0f), track.points[2]);
  EXPECT_EQ(track.evaluate(3.0f), track.points[3]);
  EXPECT_EQ(track.evaluate(4.0f), track.points[4]);
  EXPECT_EQ(track.evaluate(5.0f), track.points[1]);  // keyCount - 2 + 1: key 1 again
  for (float t : {1.25f, 2.5f, 3.75f})
    EXPECT_EQ(track.evaluate(t), track.evaluate(t + 4.0f));
  // On [0, 1) the curve comes from key 0 with its first handle at the origin.
  EXPECT_EQ(track.evaluate(0.0f), track.points[0]);
}

TEST(Track, FollowsTheWrittenBezierSumWithTheMirroredHandle) {
  Track track = squareTrack();
  const float t = 2.3f;
  const float s = t - 2.0f;
  const Vector3& a = track.points[2];
  const Vector3& b = track.handles[2];
  const Vector3& d = track.points[3];
  const Vector3 c = d - (track.handles[3] - d);
  auto sum = [s](float A, float B, float C, float D) {
    return A + s * (s * (3 * A - s * A) - 3 * A) + s * (s * (3 * s - 6) * B + 3 * B) +
           s * s * (3 * C - 3 * s * C) + s * s * s * D;
  };
  Vector3 expected{sum(a.x, b.x, c.x, d.x), sum(a.y, b.y, c.y, d.y), sum(a.z, b.z, c.z, d.z)};
  EXPECT_EQ(track.evaluate(t), expected);
}

TEST(Track, ShortTracksAreNeverDividedByAndBadParametersStayInRange) {
  Track single;
  buildTrack(single, {{5, 5, 5}, {6, 6, 6}}, 2);  // one key
  EXPECT_EQ(single.evaluate(3.7f), (Vector3{5, 5, 5}));
  Track none;
  EXPECT_EQ(none.evaluate(1.0f), Vector3{});
  Track track = squareTrack();
  EXPECT_EQ(track.evaluate(-3.0f), track.evaluate(0.0f));
  track.evaluate(std::numeric_limits<float>::infinity());
  track.evaluate(std::numeric_limits<float>::quiet_NaN());
}

class PathFollower : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.addModel();
    engine.model().tracks = {squareTrack(), squareTrack()};
    engine.model().cameras.resize(1);
    engine.restartPaths();
  }
  void TearDown() override { platform::clock::useRealTime(); }

  // One frame at clock time `ms`.
  void frameAt(std::uint32_t ms, double speed = 150.0) {
    platform::clock::setVirtualMs(ms);
    engine.followCameraPaths(speed, 0.001);
  }
  Camera& camera() { return engine.model().cameras[0]; }

  Engine engine;
};

TEST_F(PathFollower, MovesAtItsSpeedOneFrameLateWithTheTargetLeadingOnTheSameTrack) {
  engine.targetPathTrack = 0;
  frameAt(1000);  // the first call: budget 0.00001 × speed
  const double afterFirst = engine.cameraPathParameter;
  EXPECT_GT(afterFirst, 1.0);
  EXPECT_LT(afterFirst, 1.0 + 0.0015);
  frameAt(1100);  // its budget is the first frame's time: 0 ms (both readings at 1000)
  EXPECT_EQ(engine.cameraPathParameter, afterFirst);
  frameAt(1200);  // the previous frame took 100 ms: 15 units along the curve
  Vector3 before = engine.evaluateTrack(static_cast<float>(afterFirst));
  (void)before;
  const double moved = engine.cameraPathParameter - afterFirst;
  // Along the straight first side, 15 units is about 0.15 parameter units (100 units a key).
  EXPECT_NEAR(moved, 0.15, 0.03);
  expectNear(camera().position,
             engine.model().tracks[0].evaluate(static_cast<float>(engine.cameraPathParameter)));
  expectNear(camera().target, engine.model().tracks[0].evaluate(static_cast<float>(
                                  engine.targetLead + engine.cameraPathParameter)));
  EXPECT_EQ(engine.currentTrack, 0);
}

TEST_F(PathFollower, AFrameOfZeroMillisecondsMovesNothingAndAPauseIsMadeUpAtOnce) {
  frameAt(1000);
  frameAt(1016);
  frameAt(1016);  // budget: 16 ms
  frameAt(1016);  // budget: the 0 ms frame before
  const double parameter = engine.cameraPathParameter;
  frameAt(1032);
  EXPECT_EQ(engine.cameraPathParameter, parameter);
  frameAt(6032);  // the budget is still the 16 ms frame before the pause
  const double afterPause = engine.cameraPathParameter;
  frameAt(6048);  // now the whole pause: 5 s × 150 = 750 units, between one and two laps
  EXPECT_GT(engine.cameraPathParameter - afterPause, 4.0);
  EXPECT_LT(engine.cameraPathParameter - afterPause, 8.0);
}

TEST_F(PathFollower, NothingMovesWithoutTracksOrBudgetButTheClockStillAdvances) {
  engine.cameraPathTrack = -1;
  engine.targetPathTrack = -1;
  frameAt(1000);
  frameAt(2000);
  EXPECT_EQ(engine.cameraPathParameter, 1.0);
  EXPECT_DOUBLE_EQ(engine.pathClock.frameSeconds, 1.0);
  engine.cameraPathTrack = 0;
  frameAt(3000, 0.0);
  frameAt(4000, -50.0);
  EXPECT_EQ(engine.cameraPathParameter, 1.0);
}

TEST_F(PathFollower, ATargetOnItsOwnTrackStopsForGoodNearItsEnd) {
  engine.targetPathTrack = 1;
  frameAt(1000);
  frameAt(2000);
  frameAt(3000);  // 150 units a frame
  EXPECT_EQ(engine.currentTrack, 1);
  EXPECT_GT(engine.targetPathParameter, 1.0);
  engine.targetPathParameter = 3.0;  // keyCount - 3: it stays
  const Vector3 target = camera().target;
  frameAt(4000);
  EXPECT_EQ(engine.targetPathParameter, 3.0);
  EXPECT_EQ(camera().target, target);
}

TEST_F(PathFollower, ADegenerateTrackEndsItsSteppingLoop) {
  Track point;
  buildTrack(point, {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, 5);
  Track single;
  buildTrack(single, {{2, 2, 2}, {3, 3, 3}}, 2);
  engine.model().tracks = {point, single};
  for (std::int32_t track : {0, 1}) {
    engine.cameraPathTrack = track;
    engine.restartPaths();
    frameAt(1000);
    frameAt(2000);
    frameAt(3000);  // must return: it stops after a loop of the track that covers next to nothing
    // A few loops at most (the first call's budget of 0.0015 units is met by rounding noise),
    // far from the hard limit of 20,000 parameter units.
    EXPECT_LE(engine.cameraPathParameter, 50.0);
  }
  EXPECT_EQ(camera().position, (Vector3{2, 2, 2}));
}

TEST_F(PathFollower, ATrackWithNoKeysIsFollowedAsNoPath) {
  engine.model().tracks = {Track{}};  // a path object its file lost
  engine.targetPathTrack = 0;
  camera().position = {3, 3, 3};
  camera().target = {4, 4, 4};
  frameAt(1000);
  frameAt(2000);
  frameAt(3000);
  EXPECT_EQ(engine.cameraPathParameter, 1.0);
  EXPECT_EQ(camera().position, (Vector3{3, 3, 3}));
  EXPECT_EQ(camera().target, (Vector3{4, 4, 4}));
}

TEST(MotionSetters, WriteTheCurrentSelectionAndIgnoreOneThatPointsAtNothing) {
  Engine engine;
  engine.setObjectPosition(1, 2, 3);  // no model at all
  engine.addModel();
  engine.model().meshes.resize(1);
  engine.model().cameras.resize(1);
  engine.model().lights.resize(1);
  engine.setObjectPosition(1, 2, 3);
  engine.setObjectRotation(4, 5, 6);
  engine.setObjectScale(1, 0, 1);
  engine.setCameraPosition(7, 8, 9);
  engine.setCameraTarget(1, 1, 1);
  engine.setLightAmbient(0.5f, 0.5f, 0.5f);
  engine.setLightDiffuse(0.2f, 0.3f, 0.4f);
  EXPECT_EQ(engine.model().meshes[0].position, (Vector3{1, 2, 3}));
  EXPECT_EQ(engine.model().meshes[0].rotation, (Vector3{4, 5, 6}));
  EXPECT_EQ(engine.model().meshes[0].scale, (Vector3{1, 0, 1}));
  EXPECT_EQ(engine.model().cameras[0].position, (Vector3{7, 8, 9}));
  EXPECT_EQ(engine.model().lights[0].diffuse.b, 0.4f);
  EXPECT_EQ(engine.model().lights[0].diffuse.a, 1.0f);
  engine.selectObject(5);
  engine.selectCamera(-2);
  engine.setObjectPosition(9, 9, 9);
  engine.setCameraPosition(9, 9, 9);
  EXPECT_EQ(engine.model().meshes[0].position, (Vector3{1, 2, 3}));
  engine.setPathParameter(2.5);
  engine.advancePathParameter(1.0);
  EXPECT_EQ(engine.cameraPathParameter, 3.5);
}

}  // namespace
}  // namespace tav
