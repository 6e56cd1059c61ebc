#include "platform/clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace tav::platform {
namespace {

TEST(Clock, VirtualSourceHoldsExactlyTheTimeSetAndRealTimeAdvances) {
  clock::setVirtualMs(123456);
  EXPECT_TRUE(clock::isVirtual());
  EXPECT_EQ(clock::nowMs(), 123456u);
  EXPECT_EQ(clock::nowMs(), 123456u);
  clock::setVirtualMs(0xFFFFFFFFu);
  EXPECT_EQ(clock::nowMs(), 0xFFFFFFFFu);

  clock::useRealTime();
  EXPECT_FALSE(clock::isVirtual());
  std::uint32_t before = clock::nowMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  std::uint32_t elapsed = clock::nowMs() - before;
  EXPECT_GE(elapsed, 29u);
  EXPECT_LT(elapsed, 1000u);
}

}  // namespace
}  // namespace tav::platform
