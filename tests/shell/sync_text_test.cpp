#include "shell/sync_text.h"

#include <gtest/gtest.h>

#include <climits>

namespace tav {
namespace {

// A sync.dat as the loader reads it, written field by field.
std::vector<std::uint8_t> datFile(const std::vector<SyncEvent>& events) {
  std::vector<std::uint8_t> bytes;
  auto put = [&bytes](std::int32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
      bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> shift));
  };
  put(static_cast<std::int32_t>(events.size()));
  for (const SyncEvent& e : events) {
    put(e.timeMs);
    put(e.value);
  }
  return bytes;
}

// The event lines of a text, without its header comment.
std::string eventLines(const std::string& text) {
  std::size_t start = 0;
  while (text.compare(start, 1, "#") == 0)
    start = text.find('\n', start) + 1;
  return text.substr(start);
}

TEST(SyncText, EveryWholeTableSurvivesBinaryToTextToBinaryByteForByte) {
  std::vector<SyncEvent> spread;
  std::uint32_t x = 12345;
  for (int i = 0; i < SyncTrack::kCapacity; ++i) {
    x = x * 1664525u + 1013904223u;
    auto time = static_cast<std::int32_t>(x);
    x = x * 1664525u + 1013904223u;
    spread.push_back({i % 3 == 0 ? time : time % 3600000, static_cast<std::int32_t>(x)});
  }
  const std::vector<std::vector<SyncEvent>> tables = {
      {},
      {{28000, 39}, {1000, 40}, {1000, 40}, {-1, -7}, {59999, 8}, {60000, 37}, {-60000, 0}},
      {{INT32_MIN, INT32_MAX}, {INT32_MAX, INT32_MIN}, {0, -1}},
      spread,
  };
  for (const std::vector<SyncEvent>& table : tables) {
    std::vector<std::uint8_t> original = datFile(table);
    SyncTrack track;
    ASSERT_EQ(track.parse(original), "");
    std::vector<SyncEvent> loaded;
    for (std::int32_t i = 0; i < track.count(); ++i)
      loaded.push_back(track.event(i));
    SyncTextRead read = readSyncText(writeSyncText(loaded));
    ASSERT_EQ(read.problem, "") << table.size();
    EXPECT_EQ(syncDatBytes(read.events), original) << table.size();
  }
}

TEST(SyncText, TimesReadInAnyAcceptedShapeAndWriteCanonically) {
  EXPECT_EQ(syncTimeText(0), "00:00.000");
  EXPECT_EQ(syncTimeText(-1), "-00:00.001");
  EXPECT_EQ(syncTimeText(61005), "01:01.005");
  EXPECT_EQ(syncTimeText(INT32_MAX), "35791:23.647");
  EXPECT_EQ(syncTimeText(INT32_MIN), "-35791:23.648");

  // A byte order mark, CRLF, tabs, short minutes, a negative zero, comments, blank lines.
  SyncTextRead read = readSyncText(
      "\xEF\xBB\xBF# made by hand\r\n\t0:28.000\t39 # on the beat\r\n\r\n"
      "  -0:00.000  -0042#\n000120:00.250 50\n-35791:23.648 2147483647");
  ASSERT_EQ(read.problem, "");
  const std::vector<SyncEvent> expected = {
      {28000, 39}, {0, -42}, {7200250, 50}, {INT32_MIN, INT32_MAX}};
  EXPECT_EQ(read.events, expected);

  SyncTrack track;
  ASSERT_EQ(track.parse(syncDatBytes(read.events)), "");
  std::vector<SyncEvent> loaded;
  for (std::int32_t i = 0; i < track.count(); ++i)
    loaded.push_back(track.event(i));
  EXPECT_EQ(eventLines(writeSyncText(loaded)),
            "00:28.000 39  # next scene (to scene 2)\n"
            "00:00.000 -42\n"
            "120:00.250 50\n"
            "-35791:23.648 2147483647\n");
}

TEST(SyncText, CommentsNameEachCodeInTheSceneThatReceivesIt) {
  const std::vector<SyncEvent> table = {
      {500, 50},  // scene 1: its one code of its own
      {900, 40},  // scene 1 ignores it
      {1000, 39}, {1500, 40}, {2000, 8},
      {3000, 37}, {4000, 37}, {5000, 39},  // the selector is 0: never delivered
      {6000, 50},
  };
  EXPECT_EQ(syncDeliveryScenes(table), (std::vector<int>{1, 1, 1, 2, 2, 2, 1, 0, 0}));
  EXPECT_EQ(eventLines(writeSyncText(table)),
            "00:00.500 50  # intro text half a second later\n"
            "00:00.900 40\n"
            "00:01.000 39  # next scene (to scene 2)\n"
            "00:01.500 40  # backdrop flicker\n"
            "00:02.000 8\n"
            "00:03.000 37  # previous scene (to scene 1)\n"
            "00:04.000 37  # previous scene (to 0: no scene runs)\n"
            "00:05.000 39  # never delivered, nor any event after it: no scene runs\n"
            "00:06.000 50\n");

  std::vector<SyncEvent> toTheEnd(9, {0, 39});
  toTheEnd.push_back({0, 37});
  EXPECT_EQ(syncDeliveryScenes(toTheEnd), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_NE(writeSyncText(toTheEnd).find("39  # next scene (to 10: no scene runs)"),
            std::string::npos);

  EXPECT_STREQ(syncCodeMeaning(8, 40), "spheres released, camera to path point 15");
  EXPECT_STREQ(syncCodeMeaning(7, 51), "rows shake");
  EXPECT_EQ(syncCodeMeaning(9, 8), nullptr);
  EXPECT_EQ(syncCodeMeaning(0, 39), nullptr);
  EXPECT_EQ(syncCodeMeaning(10, 39), nullptr);
}

TEST(SyncText, ABadLineIsNamedByNumberAndKeepsNoEvents) {
  const std::pair<const char*, const char*> cases[] = {
      {"00:01.000 39\n\n1:2.3 39", "line 3: bad time \"1:2.3\" (wanted mm:ss.mmm)"},
      {"00:60.000 39", "line 1: bad time \"00:60.000\": seconds must be below 60"},
      {"35791:23.648 1", "line 1: time \"35791:23.648\" is outside the signed 32-bit milliseconds"},
      {"# x\n-35791:23.649 1", "line 2: time \"-35791:23.649\" is outside the signed 32-bit"},
      {"99999999999999999999:00.000 1", "line 1: time \"99999999999999999999:00....\" is outside"},
      {"00:01.000 2147483648", "line 1: code \"2147483648\" is outside the signed 32-bit range"},
      {"00:01.000 -2147483649", "line 1: code \"-2147483649\" is outside"},
      {"00:01.000 3x", "line 1: bad code \"3x\" (wanted a whole number)"},
      {"00:01.000 -", "line 1: bad code \"-\""},
      {"00:01.000   # no code", "line 1: no code after the time"},
      {"00:01.000 39 40", "line 1: unexpected \"40\" after the code"},
      {"00:01.000\x1B[2J 39", "line 1: bad time \"00:01.000\\x1B[2J\""},
  };
  for (const auto& [text, problem] : cases) {
    SyncTextRead read = readSyncText(text);
    EXPECT_EQ(read.problem.substr(0, std::string(problem).size()), problem) << read.problem;
    EXPECT_TRUE(read.events.empty()) << text;
  }

  std::string full = "# a full table\n";
  for (int i = 0; i < SyncTrack::kCapacity; ++i)
    full += "00:00.001 0\n";
  EXPECT_EQ(readSyncText(full).events.size(), 1000u);
  EXPECT_EQ(readSyncText(full + "\n00:00.001 0\n").problem,
            "line 1003: more than 1000 events; the show reads only the first 1000");
}

}  // namespace
}  // namespace tav
