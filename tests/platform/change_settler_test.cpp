#include "platform/change_settler.h"

#include <gtest/gtest.h>

namespace tav::platform {
namespace {

using Files = std::vector<std::string>;

TEST(ChangeSettler, ASaveRenamedOverTheFileIsOneChangeOnceQuiet) {
  ChangeSettler settler;
  settler.note("sync.dat.tmp", FileEvent::Appeared, 0);
  settler.note("sync.dat.tmp", FileEvent::Writing, 1);
  settler.note("sync.dat.tmp", FileEvent::Written, 2);
  settler.note("sync.dat.tmp", FileEvent::Removed, 3);
  settler.note("sync.dat", FileEvent::Appeared, 3);
  EXPECT_EQ(settler.takeSettled(42), Files{});
  // The temporary came and went within the save: only the file it became is told.
  EXPECT_EQ(settler.takeSettled(43), Files{"sync.dat"});
  EXPECT_EQ(settler.takeSettled(2000), Files{});
  EXPECT_TRUE(settler.idle());
}

TEST(ChangeSettler, EachEventRestartsTheQuietTimeAndAnOpenWriterIsWaitedFor) {
  ChangeSettler settler;
  settler.note("a.3ds", FileEvent::Written, 0);
  settler.note("a.3ds", FileEvent::Written, 30);
  settler.note("b.jpg", FileEvent::Writing, 30);
  EXPECT_EQ(settler.takeSettled(60), Files{});
  EXPECT_EQ(settler.takeSettled(70), Files{"a.3ds"});
  // b.jpg's writer paused without closing: more may come.
  EXPECT_EQ(settler.takeSettled(300), Files{});
  settler.note("b.jpg", FileEvent::Written, 300);
  EXPECT_EQ(settler.takeSettled(340), Files{"b.jpg"});
  // A writer that never closes is taken at its word after the longer wait.
  settler.note("c.txt", FileEvent::Writing, 1000);
  EXPECT_EQ(settler.takeSettled(1499), Files{});
  EXPECT_EQ(settler.takeSettled(1500), Files{"c.txt"});
}

TEST(ChangeSettler, AFileBrieflyMissingIsOneChangeAndOneThatStaysMissingIsToldAfterTheGrace) {
  ChangeSettler settler;
  settler.note("forest.mp3", FileEvent::Removed, 0);
  settler.note("sync.txt", FileEvent::Removed, 0);
  EXPECT_EQ(settler.takeSettled(100), Files{});
  settler.note("forest.mp3", FileEvent::Appeared, 150);
  settler.note("forest.mp3", FileEvent::Writing, 150);
  settler.note("forest.mp3", FileEvent::Written, 200);
  EXPECT_EQ(settler.takeSettled(240), Files{"forest.mp3"});
  EXPECT_EQ(settler.takeSettled(299), Files{});
  EXPECT_EQ(settler.takeSettled(300), Files{"sync.txt"});
  // A file that was there before its removal is told gone even if it came and went again.
  settler.note("x.jpg", FileEvent::Removed, 400);
  settler.note("x.jpg", FileEvent::Appeared, 410);
  settler.note("x.jpg", FileEvent::Removed, 420);
  EXPECT_EQ(settler.takeSettled(720), Files{"x.jpg"});
}

TEST(ChangeSettler, ReportsAreSortedAndTheClockMayWrap) {
  ChangeSettler settler;
  settler.note("data/textures/b.jpg", FileEvent::Written, 0xFFFFFFF0u);
  settler.note("data/3d/in_demo/a.3ds", FileEvent::Written, 0xFFFFFFF8u);
  EXPECT_EQ(settler.takeSettled(0x10u), Files{});
  EXPECT_EQ(settler.takeSettled(0x20u), (Files{"data/3d/in_demo/a.3ds", "data/textures/b.jpg"}));
}

TEST(ChangeSettler, LostEventsAreToldOnceAndClearForgetsEverything) {
  ChangeSettler settler;
  EXPECT_TRUE(settler.idle());
  settler.noteLost();
  EXPECT_FALSE(settler.idle());
  EXPECT_TRUE(settler.takeLost());
  EXPECT_FALSE(settler.takeLost());
  settler.note("sync.dat", FileEvent::Written, 0);
  settler.noteLost();
  settler.clear();
  EXPECT_TRUE(settler.idle());
  EXPECT_EQ(settler.takeSettled(1000), Files{});
}

}  // namespace
}  // namespace tav::platform
