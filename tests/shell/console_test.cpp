#include "shell/console.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tav {
namespace {

const char* const kMenu =
    "Welcome to this years contribution from tavrinel!\n"
    "Please choose your desired resolution:\n"
    " -----------------------------------\n"
    "   1. 320*200\n"
    "   2. 640*480\n"
    "   3. 800*600\n"
    "   4. 1024*768\n";
const char* const kDefaultLine = "Not a valid option, using default...\n";

struct Answer {
  std::string printed;
  Resolution resolution;
};

Answer ask(const std::string& typed) {
  std::istringstream in(typed);
  std::ostringstream out;
  Resolution resolution = askResolution(in, out);
  return {out.str(), resolution};
}

TEST(Console, EachMenuChoiceGivesItsResolutionAfterTheMenu) {
  const int expected[4][2] = {{320, 200}, {640, 480}, {800, 600}, {1024, 768}};
  for (int choice = 1; choice <= 4; ++choice) {
    Answer answer = ask(std::to_string(choice) + "\n");
    EXPECT_EQ(answer.printed, kMenu);
    EXPECT_EQ(answer.resolution.width, expected[choice - 1][0]);
    EXPECT_EQ(answer.resolution.height, expected[choice - 1][1]);
  }
  // Leading blanks and no final newline still read the number.
  EXPECT_EQ(ask("  3").resolution.width, 800);
}

TEST(Console, AnythingElseSaysSoAndUses640By480) {
  for (const char* typed : {"7\n", "0\n", "-2\n", "word\n", "", "\n", "99999999999999\n"}) {
    Answer answer = ask(typed);
    EXPECT_EQ(answer.printed, std::string(kMenu) + kDefaultLine) << "typed: " << typed;
    EXPECT_EQ(answer.resolution.width, 640);
    EXPECT_EQ(answer.resolution.height, 480);
  }
}

}  // namespace
}  // namespace tav
