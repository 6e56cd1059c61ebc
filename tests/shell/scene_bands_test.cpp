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

}  // namespace
}  // namespace tav
