#include "platform/mp3_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

#include "platform/mp3_decoder.h"
#include "tests/support/mp3_fixture.h"

namespace tav::platform::mp3 {
namespace {

struct Encoding {
  const char* name;
  test::Tone tone;
  test::Mp3Options options;
};

class Mp3Frames : public ::testing::TestWithParam<Encoding> {
 protected:
  void SetUp() override {
    mp3_ = test::encodeTone(GetParam().tone, GetParam().options);
    std::string error;
    ASSERT_TRUE(scanStream(mp3_, stream_, error)) << error;
  }

  std::vector<std::uint8_t> mp3_;
  Stream stream_;
};

TEST_P(Mp3Frames, FindsEveryFrameAndTheEncodersDelayAndPadding) {
  const test::Tone& tone = GetParam().tone;
  EXPECT_EQ(stream_.format.sampleRate, tone.rate);
  EXPECT_EQ(stream_.format.channels, GetParam().options.channels);
  ASSERT_TRUE(stream_.tag);
  EXPECT_EQ(stream_.tag->frames, static_cast<std::int64_t>(stream_.frames.size()));
  // The frames follow the tag frame back to back, to the end of the data.
  std::size_t at = parseHeader(mp3_)->frameBytes;
  for (const Frame& frame : stream_.frames) {
    EXPECT_EQ(frame.offset, at);
    at += frame.bytes;
  }
  EXPECT_EQ(at, mp3_.size());
  // Every sample the encoder was given lies between its delay and its padding.
  auto samples = static_cast<std::int64_t>(tone.seconds * tone.rate);
  EXPECT_EQ(static_cast<std::int64_t>(stream_.frames.size()) * stream_.format.samplesPerFrame,
            stream_.tag->delay + samples + stream_.tag->padding);
}

TEST_P(Mp3Frames, GaplessLengthsAreLibmpg123sAtEveryRateWholeOrCut) {
  for (std::size_t size : {mp3_.size(), mp3_.size() / 2 + 123}) {
    std::vector<std::uint8_t> data(mp3_.begin(), mp3_.begin() + static_cast<std::ptrdiff_t>(size));
    Stream stream;
    std::string error;
    ASSERT_TRUE(scanStream(data, stream, error)) << error;
    for (int rate : {44100, 48000, 32000, 22050, 11025}) {
      Mp3Decoder decoder;
      ASSERT_TRUE(decoder.open(data, rate)) << decoder.error();
      std::optional<RateMap> map = RateMap::make(stream.format.sampleRate, rate);
      ASSERT_TRUE(map);
      EXPECT_EQ(gaplessWindow(stream, *map).length(), decoder.lengthFrames())
          << rate << " Hz from " << size << " bytes";
    }
  }
}

TEST_P(Mp3Frames, ReadsDelayAndPaddingWhereLibmpg123Does) {
  // Other counts written into the LAME tag's two 12-bit fields (21 bytes after its name).
  auto name = std::search(mp3_.begin(), mp3_.end(), std::begin("LAME"), std::end("LAME") - 1);
  ASSERT_NE(name, mp3_.end());
  int delay = stream_.tag->delay + 333, padding = stream_.tag->padding - 333;
  name[21] = static_cast<std::uint8_t>(delay >> 4);
  name[22] = static_cast<std::uint8_t>((delay & 15) << 4 | padding >> 8);
  name[23] = static_cast<std::uint8_t>(padding & 255);
  Stream stream;
  std::string error;
  ASSERT_TRUE(scanStream(mp3_, stream, error)) << error;
  EXPECT_EQ(stream.tag->delay, delay);
  EXPECT_EQ(stream.tag->padding, padding);
  Mp3Decoder decoder;
  ASSERT_TRUE(decoder.open(mp3_, 44100)) << decoder.error();
  EXPECT_EQ(gaplessWindow(stream, *RateMap::make(stream.format.sampleRate, 44100)).length(),
            decoder.lengthFrames());
}

INSTANTIATE_TEST_SUITE_P(
    Lame, Mp3Frames,
    ::testing::Values(Encoding{"cbr", {.seconds = 0.7}, {}},
                      Encoding{"vbr", {.seconds = 0.9, .endFrequency = 5000}, {.vbr = true}},
                      Encoding{"mono22", {.seconds = 0.6, .rate = 22050}, {.channels = 1}},
                      Encoding{"stereo48", {.seconds = 0.5, .rate = 48000}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Exact-size copies, so that a read past the end is caught by the address sanitizer.
void expectFramesWithin(const std::vector<std::uint8_t>& data) {
  Stream stream;
  std::string error;
  if (!scanStream(data, stream, error)) return;
  for (const Frame& frame : stream.frames)
    EXPECT_LE(frame.offset + frame.bytes, data.size());
}

TEST(Mp3FramesDamage, CutOrDamagedDataIsReadOnlyWithinItsBounds) {
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 0.3}, {.vbr = true});
  for (std::size_t cut = 0; cut < mp3.size(); cut += 29)
    expectFramesWithin({mp3.begin(), mp3.begin() + static_cast<std::ptrdiff_t>(cut)});
  // The tag frame cut anywhere is no tag.
  FrameHeader header = *parseHeader(mp3);
  for (std::size_t cut = 0; cut < header.frameBytes; ++cut) {
    std::vector<std::uint8_t> head(mp3.begin(), mp3.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_FALSE(parseInfoTag(head, header)) << cut;
  }
  std::uint32_t random = 12345;
  for (int trial = 0; trial < 300; ++trial) {
    std::vector<std::uint8_t> damaged = mp3;
    for (int i = 0; i < 1 + trial % 8; ++i) {
      random = random * 1664525u + 1013904223u;
      damaged[(random >> 8) % (trial % 3 == 0 ? 200 : damaged.size())] ^= 1 + (random & 0x7f);
    }
    expectFramesWithin(damaged);
  }
}

// Past damage the stream goes on at the frame libmpg123 goes on with, and ends where it gives up.
TEST(Mp3FramesDamage, ResumesAfterDamageWhereLibmpg123Does) {
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 1.0, .endFrequency = 3000});
  const std::pair<test::Damage, std::size_t> damages[] = {{test::Damage::FlippedHeader, 0},
                                                          {test::Damage::DroppedFrame, 0},
                                                          {test::Damage::Junk, 1023},
                                                          {test::Damage::Junk, 1024}};
  for (auto [damage, junk] : damages) {
    std::vector<std::uint8_t> data = test::damaged(mp3, damage, 12, junk);
    Stream stream;
    std::string error;
    ASSERT_TRUE(scanStream(data, stream, error)) << error;
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.open(data, 44100)) << decoder.error();
    EXPECT_EQ(gaplessWindow(stream, *RateMap::make(44100, 44100)).length(), decoder.lengthFrames())
        << "damage " << static_cast<int>(damage) << ", " << junk << " bytes of junk";
  }
}

TEST(Mp3FramesDamage, SkipsLeadingTagsAndJunkAndRefusesDataWithoutFrames) {
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 0.3});
  Stream plain;
  std::string error;
  ASSERT_TRUE(scanStream(mp3, plain, error));

  // An ID3v2 tag of 2000 bytes (synchsafe 15 * 128 + 80) holding what looks like frames, as an
  // embedded file may; then junk, then the stream.
  std::vector<std::uint8_t> tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 15, 80};
  tagged.insert(tagged.end(), mp3.begin(), mp3.begin() + 2000);
  tagged.resize(tagged.size() + 77, 0x11);
  tagged.insert(tagged.end(), mp3.begin(), mp3.end());
  Stream stream;
  ASSERT_TRUE(scanStream(tagged, stream, error)) << error;
  EXPECT_EQ(stream.frames.size(), plain.frames.size());
  EXPECT_EQ(stream.frames.front().offset, plain.frames.front().offset + 2087);
  EXPECT_TRUE(stream.tag);

  std::vector<std::uint8_t> text(5000, 'x');
  EXPECT_FALSE(scanStream(text, stream, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(scanStream({}, stream, error));
  auto tagFrameBytes = static_cast<std::ptrdiff_t>(parseHeader(mp3)->frameBytes);
  std::vector<std::uint8_t> tagFrameOnly(mp3.begin(), mp3.begin() + tagFrameBytes);
  EXPECT_FALSE(scanStream(tagFrameOnly, stream, error));
  EXPECT_FALSE(RateMap::make(44100, 44000)) << "libmpg123 offers only the standard rates";
}

}  // namespace
}  // namespace tav::platform::mp3
