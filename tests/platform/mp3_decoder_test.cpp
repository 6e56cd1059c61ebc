#include "platform/mp3_decoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/mp3_fixture.h"

namespace tav::platform {
namespace {

std::vector<std::int16_t> decodeAll(Mp3Decoder& decoder) {
  std::vector<std::int16_t> all;
  std::vector<std::int16_t> chunk(2 * 1000);
  for (;;) {
    std::size_t got = decoder.read(chunk.data(), 1000);
    all.insert(all.end(), chunk.begin(), chunk.begin() + static_cast<long>(got) * 2);
    if (got < 1000) break;
  }
  return all;
}

TEST(Mp3Decoder, DecodesAToneGaplesslyToItsExactLengthAndShape) {
  test::Tone tone{.seconds = 1.0, .frequency = 441.0, .amplitude = 0.5};
  std::vector<std::uint8_t> mp3 = test::encodeTone(tone);
  Mp3Decoder decoder;
  ASSERT_TRUE(decoder.open(mp3, 44100)) << decoder.error();
  EXPECT_EQ(decoder.lengthFrames(), 44100);

  std::vector<std::int16_t> pcm = decodeAll(decoder);
  ASSERT_EQ(pcm.size(), 2u * 44100);
  // Gapless: the decoded tone lines up with the encoded one sample for sample, within the
  // codec's error, on both channels.
  double worst = 0;
  for (std::size_t i = 1000; i < 43000; ++i) {
    double expected = test::toneSample(tone, static_cast<std::int64_t>(i)) * 32767.0;
    worst = std::max(worst, std::abs(pcm[2 * i] - expected));
    worst = std::max(worst, std::abs(pcm[2 * i + 1] - expected));
  }
  EXPECT_LT(worst, 0.02 * 32767);
}

TEST(Mp3Decoder, RewindStartsOverFromTheFirstFrame) {
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 0.5});
  Mp3Decoder decoder;
  ASSERT_TRUE(decoder.open(mp3, 44100));
  std::vector<std::int16_t> first = decodeAll(decoder);
  EXPECT_EQ(decoder.read(first.data(), 10), 0u);
  ASSERT_TRUE(decoder.rewind());
  EXPECT_EQ(decodeAll(decoder), first);
}

TEST(Mp3Decoder, RefusesDataThatIsNotMp3WithAReason) {
  Mp3Decoder decoder;
  std::vector<std::uint8_t> text(4000, 'x');
  EXPECT_FALSE(decoder.open(text, 44100));
  EXPECT_FALSE(decoder.error().empty());
  EXPECT_FALSE(decoder.isOpen());
  EXPECT_FALSE(decoder.open({}, 44100));
  std::int16_t out[8];
  EXPECT_EQ(decoder.read(out, 4), 0u);
}

TEST(Mp3Decoder, ATruncatedFileDecodesWhatItHolds) {
  std::vector<std::uint8_t> mp3 = test::encodeTone({.seconds = 1.0});
  mp3.resize(mp3.size() / 2 + 123);  // cut in the middle of a frame
  Mp3Decoder decoder;
  ASSERT_TRUE(decoder.open(mp3, 44100)) << decoder.error();
  std::vector<std::int16_t> pcm = decodeAll(decoder);
  EXPECT_GT(pcm.size(), 2u * 15000);
  EXPECT_LT(pcm.size(), 2u * 30000);
}

}  // namespace
}  // namespace tav::platform
