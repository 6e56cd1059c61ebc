// Which scene plays when, from the table alone: one event a frame, in file order, none delivered
// while no scene runs or past the music's end.
#include <gtest/gtest.h>

#include "shell/scene_bands.h"

namespace tav {
namespace {

TEST(SceneBands, EventsDueTogetherChangeScenesOnFramesInTurnAndNothingRunsPastTheRange) {
  // At 10 frames a second: both due at 1000 ms, delivered by frames 10 and 11.
  const SyncEvent together[] = {{1000, 39}, {1000, 40}, {1000, 39}};
  EXPECT_EQ(sceneBands(together, 10, -1), (std::vector<SceneBand>{{0, 1}, {1100, 2}, {1300, 3}}));
  // Back from scene 1: no scene runs and no later event is delivered.
  const SyncEvent back[] = {{500, 37}, {600, 39}};
  EXPECT_EQ(sceneBands(back, 10, -1), (std::vector<SceneBand>{{0, 1}, {600, 0}}));
  // Held back by the music's end, with every event after it.
  const SyncEvent late[] = {{500, 39}, {3000, 39}, {100, 39}};
  EXPECT_EQ(sceneBands(late, 10, 2000), (std::vector<SceneBand>{{0, 1}, {600, 2}}));
}

// Events before the first difference are delivered as before; the differing one no earlier than
// the first frame at its time, in either table.
TEST(SceneBands, AnEditChangesNoFrameBeforeTheFirstItsEventsCanBeDeliveredIn) {
  const SyncEvent table[] = {{1000, 39}, {2000, 40}, {3000, 39}};
  EXPECT_EQ(firstFrameChanged(table, table, 10), -1);
  const SyncEvent moved[] = {{1000, 39}, {2500, 40}, {3000, 39}};
  EXPECT_EQ(firstFrameChanged(table, moved, 10), 20);
  const SyncEvent earlier[] = {{1000, 39}, {1450, 40}, {3000, 39}};
  EXPECT_EQ(firstFrameChanged(table, earlier, 10), 15);
  const SyncEvent recoded[] = {{1000, 39}, {2000, 8}, {3000, 39}};
  EXPECT_EQ(firstFrameChanged(table, recoded, 10), 20);
  // The last removed, or one added after the rest.
  EXPECT_EQ(firstFrameChanged(table, std::span(table, 2), 10), 30);
  EXPECT_EQ(firstFrameChanged(std::span(table, 2), table, 10), 30);
}

}  // namespace
}  // namespace tav
