#include "platform/play_position.h"

#include <gtest/gtest.h>

namespace tav::platform {
namespace {

// A counter of 1000 ticks a second makes ticks milliseconds; at 1000 Hz frames are too.
constexpr int kRate = 1000;
constexpr std::uint64_t kHz = 1000;

TEST(PlayPosition, NothingIsHeardBeforeTheDeviceBufferHasPlayed) {
  PlayPosition position(kRate, 200, kHz);
  EXPECT_EQ(position.ms(5000), 0);
  position.handed(200, 200, 1000);
  // Only the first chunk has been handed; it sits in the buffer.
  EXPECT_EQ(position.ms(1000), 0);
  EXPECT_EQ(position.ms(1150), 0);
  EXPECT_EQ(position.ms(1400), 0);
}

TEST(PlayPosition, FollowsTheCounterBetweenCallbacksButNeverPassesWhatWasHanded) {
  PlayPosition position(kRate, 200, kHz);
  position.handed(200, 200, 1000);
  position.handed(200, 200, 1200);  // 200 frames handed before this callback: just heard
  EXPECT_EQ(position.ms(1200), 0);
  EXPECT_EQ(position.ms(1300), 100);
  EXPECT_EQ(position.ms(1399), 199);
  // A late callback: the estimate stops at what the device had been given.
  EXPECT_EQ(position.ms(1700), 200);
  position.handed(200, 200, 1710);
  EXPECT_EQ(position.ms(1710), 200);  // 400 - 200 = 200: no jump back, no jump ahead
  EXPECT_EQ(position.ms(1760), 250);
}

TEST(PlayPosition, NeverDecreasesEvenWhenTheCounterSeemsToGoBack) {
  PlayPosition position(kRate, 100, kHz);
  position.handed(100, 100, 0);
  position.handed(100, 100, 100);
  position.handed(100, 100, 200);
  EXPECT_EQ(position.ms(290), 190);
  EXPECT_EQ(position.ms(250), 190);
  position.handed(100, 100, 260);  // early callback: 300 - 100 = 200 at 260
  EXPECT_EQ(position.ms(260), 200);
}

TEST(PlayPosition, StopsAtTheStreamsEndWhileSilenceFollows) {
  PlayPosition position(kRate, 100, kHz);
  position.handed(100, 100, 0);
  position.handed(100, 30, 100);  // the stream ends 30 frames into this chunk
  position.handed(100, 0, 200);
  position.handed(100, 0, 300);
  EXPECT_EQ(position.ms(350), 130);
  position.reset();
  EXPECT_EQ(position.ms(400), 0);
}

TEST(PlayPosition, TakesOverARunningPositionWithoutAHoldAndStartsTheStreamALatencyOn) {
  PlayPosition position(kRate, 200, kHz);
  EXPECT_EQ(position.takeOver(5000, -1), 5200);  // its first frames are heard 200 frames on
  EXPECT_EQ(position.ms(900), 5000);
  position.handed(200, 200, 1000);
  EXPECT_EQ(position.ms(1150), 5150);
  EXPECT_EQ(position.ms(1300), 5200);  // not beyond what it held before this callback
  position.handed(200, 200, 1200);
  EXPECT_EQ(position.ms(1250), 5250);
  // Near the stream's end nothing of it is left to hand: the position stops at the end.
  EXPECT_EQ(position.takeOver(5000, 5100), 5100);
  position.handed(200, 0, 2000);
  EXPECT_EQ(position.ms(2300), 5100);
}

TEST(PlayPosition, ASeekAnswersAtOnceAndHoldsUntilWhatTheDeviceHeldIsHeardGoingBackToo) {
  PlayPosition position(kRate, 100, kHz);
  position.handed(100, 100, 0);
  position.handed(100, 100, 100);
  EXPECT_EQ(position.ms(150), 50);
  position.seek(3000);  // 200 frames handed, 50 heard: the other 150 play first
  EXPECT_EQ(position.ms(150), 3000);
  position.handed(100, 100, 200);  // the stream from 3000, heard from device frame 200 on
  EXPECT_EQ(position.ms(299), 3000);
  position.handed(100, 100, 300);
  EXPECT_EQ(position.ms(340), 3040);
  position.seek(10);
  EXPECT_EQ(position.ms(340), 10);
  position.handed(100, 30, 400);  // the stream ends 30 frames after 10
  EXPECT_EQ(position.ms(450), 10);
  position.handed(100, 0, 500);
  EXPECT_EQ(position.ms(580), 40);
}

TEST(PlayPosition, ConvertsFramesToMillisecondsAtTheDeviceRate) {
  PlayPosition position(44100, 4410, 1'000'000);
  position.handed(4410, 4410, 0);
  position.handed(4410, 4410, 100'000);
  EXPECT_EQ(position.ms(150'000), 50);
}

}  // namespace
}  // namespace tav::platform
