// The Windows MP3 decoder against libmpg123's gapless decode of the same files, made on Linux by
// make_mp3_fixtures into the folder TAVRINEL_MP3_FIXTURES names: the same length, the same
// samples within the two decoders' rounding, the same samples after a seek.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/mp3_decoder.h"

namespace tav::platform {
namespace {

// Both decoders run the same synthesis in floating point; their rounding differs by a few LSB.
constexpr int kTolerance = 4;

std::string fixtureFolder() {
  const char* folder = std::getenv("TAVRINEL_MP3_FIXTURES");
  if (!folder || !*folder) return {};
  std::string path = folder;
  // The build names a Linux path; Wine shows the Linux root as drive Z:.
  return path.front() == '/' ? "Z:" + path : path;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::int16_t> decodeAll(Mp3Decoder& decoder, std::size_t chunk) {
  std::vector<std::int16_t> all;
  std::vector<std::int16_t> buffer(2 * chunk);
  while (std::size_t got = decoder.read(buffer.data(), chunk))
    all.insert(all.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got * 2));
  return all;
}

// The largest difference between `got` and the reference from stereo frame `at` on.
int worstDifference(const std::vector<std::int16_t>& got, const std::vector<std::int16_t>& want,
                    std::size_t at = 0) {
  int worst = 0;
  for (std::size_t i = 0; i < got.size() && 2 * at + i < want.size(); ++i)
    worst = std::max(worst, std::abs(got[i] - want[2 * at + i]));
  return worst;
}

// Stereo frames from the start of both that agree within the tolerance.
template <typename Samples>
std::int64_t sameFrames(Samples got, Samples gotEnd, Samples want, Samples wantEnd) {
  std::int64_t samples = 0;
  for (; got != gotEnd && want != wantEnd && std::abs(*got - *want) <= kTolerance; ++got, ++want)
    ++samples;
  return samples / 2;
}

class Mp3DecoderAcm : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    std::string folder = fixtureFolder();
    if (folder.empty())
      GTEST_SKIP() << "TAVRINEL_MP3_FIXTURES is not set: no Linux-made MP3s to compare with";
    std::string base = folder + "/" + GetParam();
    mp3_ = readBytes(base + ".mp3");
    std::vector<std::uint8_t> bytes = readBytes(base + ".pcm");
    ASSERT_FALSE(mp3_.empty()) << base << ".mp3";
    ASSERT_FALSE(bytes.empty()) << base << ".pcm";
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      reference_.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8));
    ASSERT_TRUE(decoder_.open(mp3_, 44100)) << decoder_.error();
  }

  std::int64_t referenceFrames() const { return static_cast<std::int64_t>(reference_.size() / 2); }

  std::vector<std::uint8_t> mp3_;
  std::vector<std::int16_t> reference_;
  Mp3Decoder decoder_;
};

TEST_P(Mp3DecoderAcm, GivesLibmpg123sLengthAndSamples) {
  EXPECT_EQ(decoder_.lengthFrames(), referenceFrames());
  std::vector<std::int16_t> all = decodeAll(decoder_, 777);
  ASSERT_EQ(all.size(), reference_.size());
  EXPECT_LE(worstDifference(all, reference_), kTolerance);
  std::int16_t more[8];
  EXPECT_EQ(decoder_.read(more, 4), 0u);

  // Rewound after the end, it plays the same again.
  ASSERT_TRUE(decoder_.rewind());
  EXPECT_EQ(decodeAll(decoder_, 4096), all);
}

TEST_P(Mp3DecoderAcm, SeeksLandOnTheSameSamplesAsLibmpg123) {
  std::int64_t length = referenceFrames();
  // Inside the first frame, on frame edges of either rate, mid-stream, near the end; back and on.
  for (std::int64_t at : {std::int64_t{1}, std::int64_t{500}, std::int64_t{1152}, length / 3 + 17,
                          length / 2, std::int64_t{2000}, length - 300}) {
    ASSERT_TRUE(decoder_.seek(at)) << at;
    std::vector<std::int16_t> got(2 * 1000);
    std::size_t read = decoder_.read(got.data(), 1000);
    EXPECT_EQ(static_cast<std::int64_t>(read), std::min<std::int64_t>(1000, length - at)) << at;
    got.resize(2 * read);
    EXPECT_LE(worstDifference(got, reference_, static_cast<std::size_t>(at)), kTolerance) << at;
  }
  ASSERT_TRUE(decoder_.seek(length + 5000));
  std::int16_t more[8];
  EXPECT_EQ(decoder_.read(more, 4), 0u);
}

INSTANTIATE_TEST_SUITE_P(LinuxMade, Mp3DecoderAcm,
                         ::testing::Values("cbr", "vbr", "mono22", "cut"));

// Files damaged at their 26th frame: libmpg123 plays on past a damaged header, and so does this
// decoder, to the same length within a frame and with the same samples before and after.
class Mp3DecoderAcmDamaged : public Mp3DecoderAcm {};

TEST_P(Mp3DecoderAcmDamaged, PlaysOnPastTheDamageAsLibmpg123Does) {
  constexpr std::int64_t kFrame = 1152;
  EXPECT_LT(std::abs(decoder_.lengthFrames() - referenceFrames()), kFrame);
  std::vector<std::int16_t> all = decodeAll(decoder_, 4096);
  const auto frames = static_cast<std::int64_t>(all.size() / 2);
  EXPECT_LT(std::abs(frames - referenceFrames()), kFrame);
  // Read from either end, the two decodes part only around the damage.
  const std::int64_t head =
      sameFrames(all.begin(), all.end(), reference_.begin(), reference_.end());
  const std::int64_t tail =
      sameFrames(all.rbegin(), all.rend(), reference_.rbegin(), reference_.rend());
  EXPECT_GE(head, 20 * kFrame);
  EXPECT_LE(frames - head - tail, 3 * kFrame)
      << head << " frames alike from the start, " << tail << " from the end, of " << frames;
}

INSTANTIATE_TEST_SUITE_P(LinuxMade, Mp3DecoderAcmDamaged,
                         ::testing::Values("flipped", "dropped", "junk", "longjunk"));

TEST(Mp3DecoderAcmRefusal, RefusesWhatIsNotMp3AndRatesLibmpg123DoesNotOffer) {
  Mp3Decoder decoder;
  std::vector<std::uint8_t> text(4000, 'x');
  EXPECT_FALSE(decoder.open(text, 44100));
  EXPECT_FALSE(decoder.error().empty());
  EXPECT_FALSE(decoder.isOpen());
  EXPECT_FALSE(decoder.open({}, 44100));
  std::int16_t out[8];
  EXPECT_EQ(decoder.read(out, 4), 0u);
  EXPECT_FALSE(decoder.seek(10));

  std::string folder = fixtureFolder();
  if (folder.empty()) return;
  std::vector<std::uint8_t> mp3 = readBytes(folder + "/cbr.mp3");
  EXPECT_FALSE(decoder.open(mp3, 44000));
  EXPECT_TRUE(decoder.open(mp3, 48000)) << decoder.error();
}

}  // namespace
}  // namespace tav::platform
