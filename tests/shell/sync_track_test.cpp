#include "shell/sync_track.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

namespace tav {
namespace {

void putInt32(std::vector<std::uint8_t>& bytes, std::int32_t value) {
  auto u = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(u >> shift));
}

std::vector<std::uint8_t> syncFile(std::int32_t count, const std::vector<SyncEvent>& events) {
  std::vector<std::uint8_t> bytes;
  putInt32(bytes, count);
  for (const SyncEvent& e : events) {
    putInt32(bytes, e.timeMs);
    putInt32(bytes, e.value);
  }
  return bytes;
}

SyncTrack trackOf(const std::vector<SyncEvent>& events) {
  SyncTrack track;
  EXPECT_EQ(track.parse(syncFile(static_cast<std::int32_t>(events.size()), events)), "");
  return track;
}

TEST(SyncTrack, DeliversOneDueEventPerCallInFileOrder) {
  SyncTrack track = trackOf({{1000, 39}, {1000, 40}, {2500, 8}, {2000, 37}});
  EXPECT_EQ(track.next(999), -1);
  EXPECT_EQ(track.next(1500), 39);  // both are due; the first comes first
  EXPECT_EQ(track.next(1000), 40);  // at exactly its time
  EXPECT_EQ(track.next(2400), -1);
  // 37 is due already, but waits behind the later-timed 8.
  EXPECT_EQ(track.next(2500), 8);
  EXPECT_EQ(track.next(2500), 37);
  EXPECT_EQ(track.next(100000), -1);
  EXPECT_EQ(track.next(INT32_MAX), -1);
  EXPECT_EQ(track.cursor(), 4);
}

TEST(SyncTrack, ATimeGoingBackNeverUndeliversAndRewindStartsOver) {
  SyncTrack track = trackOf({{100, 1}, {200, 2}});
  EXPECT_EQ(track.next(150), 1);
  EXPECT_EQ(track.next(0), -1);
  EXPECT_EQ(track.cursor(), 1);
  track.rewind();
  EXPECT_EQ(track.next(300), 1);
  EXPECT_EQ(track.next(300), 2);
}

TEST(SyncTrack, NegativeTimesAndCodesAreSigned) {
  SyncTrack track = trackOf({{-50, -7}});
  EXPECT_EQ(track.next(-100), -1);
  EXPECT_EQ(track.next(-50), -7);
}

TEST(SyncTrack, EmptyOrNegativeCountsGiveNoEvents) {
  SyncTrack empty;
  EXPECT_EQ(empty.parse(syncFile(0, {})), "");
  EXPECT_EQ(empty.next(0), -1);

  SyncTrack negative;
  EXPECT_NE(negative.parse(syncFile(-3, {{0, 39}})), "");
  EXPECT_EQ(negative.count(), 0);
  EXPECT_EQ(negative.next(1000), -1);

  SyncTrack tooShort;
  EXPECT_NE(tooShort.parse(std::vector<std::uint8_t>{1, 0}), "");
  EXPECT_EQ(tooShort.count(), 0);
}

TEST(SyncTrack, ACountPastTheCapacityKeepsTheFirstThousand) {
  std::vector<SyncEvent> events;
  for (int i = 0; i < 1200; ++i)
    events.push_back({i, i + 1});
  SyncTrack track;
  EXPECT_NE(track.parse(syncFile(1200, events)), "");
  EXPECT_EQ(track.count(), SyncTrack::kCapacity);
  EXPECT_EQ(track.event(999).value, 1000);
  for (int i = 0; i < 1000; ++i)
    track.next(INT32_MAX);
  EXPECT_EQ(track.next(INT32_MAX), -1);
}

TEST(SyncTrack, AFileEndingEarlyKeepsItsCompleteEventsOnly) {
  std::vector<std::uint8_t> bytes = syncFile(5, {{10, 1}, {20, 2}, {30, 3}});
  bytes.push_back(40);  // half of a fourth event
  bytes.push_back(0);
  SyncTrack track;
  EXPECT_NE(track.parse(bytes), "");
  EXPECT_EQ(track.count(), 3);
  EXPECT_EQ(track.next(100), 1);
  EXPECT_EQ(track.next(100), 2);
  EXPECT_EQ(track.next(100), 3);
  EXPECT_EQ(track.next(100), -1);
}

TEST(SyncTrack, LoadsAFileAndTreatsAMissingOneAsEmpty) {
  test::TempDir dir;
  test::writeFile(dir.file("sync.dat"), syncFile(2, {{5, 39}, {6, 50}}));
  SyncTrack track;
  EXPECT_EQ(track.load(dir.file("sync.dat").c_str()), "");
  EXPECT_EQ(track.count(), 2);
  EXPECT_EQ(track.next(5), 39);

  SyncTrack missing;
  std::string problem = missing.load(dir.file("nothing.dat").c_str());
  EXPECT_NE(problem.find("cannot open"), std::string::npos) << problem;
  EXPECT_EQ(missing.count(), 0);
  EXPECT_EQ(missing.next(0), -1);
}

}  // namespace
}  // namespace tav
