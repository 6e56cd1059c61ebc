#include "platform/c_random.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace tav::platform {
namespace {

constexpr CLibrary kLibraries[] = {CLibrary::Glibc, CLibrary::Msvcrt, CLibrary::Musl};

std::vector<int> draw(CRandom& random, int count) {
  std::vector<int> values;
  for (int i = 0; i < count; ++i)
    values.push_back(random.next());
  return values;
}

// Derived from each library's algorithm and checked against glibc natively, msvcrt.dll under Wine
// and Emscripten's musl under node.
TEST(CRandom, EachLibraryGivesItsOwnFirstAndHundredThousandthValues) {
  struct Known {
    CLibrary library;
    std::vector<int> first;
    int hundredThousandth;
  };
  const Known known[] = {
      {CLibrary::Glibc, {1804289383, 846930886, 1681692777, 1714636915, 1957747793}, 660658275},
      {CLibrary::Msvcrt, {41, 18467, 6334, 26500, 19169}, 1629},
      {CLibrary::Musl, {0, 740882966, 1616430695, 1708849955, 1669437588}, 600162232},
  };
  for (const Known& k : known) {
    CRandom random(k.library);
    EXPECT_EQ(draw(random, 5), k.first);
    EXPECT_EQ(draw(random, 100000 - 5).back(), k.hundredThousandth);
  }
}

TEST(CRandom, TheDefaultFollowsThisPlatformsOwnRand) {
  std::srand(1);  // the unseeded sequence, in all three libraries
  CRandom own;
  EXPECT_EQ(own.library(), kOwnCLibrary);
  for (int i = 0; i < 20000; ++i)
    ASSERT_EQ(own.next(), std::rand()) << "draw " << i;
}

TEST(CRandom, ARestoredCopyDrawsTheSameValuesAgain) {
  for (CLibrary library : kLibraries) {
    CRandom random(library);
    draw(random, 100);  // past glibc's ring of 31 words
    const CRandom snapshot = random;
    const std::vector<int> ahead = draw(random, 1000);
    EXPECT_NE(random, snapshot);
    random = snapshot;
    EXPECT_EQ(random, snapshot);
    EXPECT_EQ(draw(random, 1000), ahead);
  }
  EXPECT_NE(CRandom(CLibrary::Msvcrt), CRandom(CLibrary::Musl));
}

}  // namespace
}  // namespace tav::platform
