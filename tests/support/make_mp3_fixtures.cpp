// Writes MP3s made by LAME and libmpg123's gapless decode of each, for the Windows decoder's test
// to compare against: cbr.mp3, vbr.mp3, mono22.mp3, cut.mp3 (a CBR file cut mid-frame), and CBR
// files damaged at frame 26: flipped.mp3 (a header), dropped.mp3 (a frame cut out), junk.mp3 (700
// bytes before the frame) and longjunk.mp3 (1024 bytes, where libmpg123 gives up), each with a
// .pcm beside it (16-bit little-endian stereo at 44.1 kHz). Usage: make_mp3_fixtures FOLDER
#include <bit>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/mp3_decoder.h"
#include "tests/support/mp3_fixture.h"

namespace {

struct Fixture {
  const char* name;
  tav::test::Tone tone;
  tav::test::Mp3Options options;
  std::size_t cutTo = 0;  // bytes kept, when set
  std::optional<tav::test::Damage> damage = {};
  std::size_t junkBytes = 700;
};

bool writeFixture(const std::filesystem::path& folder, const Fixture& fixture) {
  std::vector<std::uint8_t> mp3 = tav::test::encodeTone(fixture.tone, fixture.options);
  if (fixture.cutTo > 0 && fixture.cutTo < mp3.size()) mp3.resize(fixture.cutTo);
  if (fixture.damage) mp3 = tav::test::damaged(mp3, *fixture.damage, 26, fixture.junkBytes);
  tav::platform::Mp3Decoder decoder;
  if (!decoder.open(mp3, 44100)) {
    std::fprintf(stderr, "%s: %s\n", fixture.name, decoder.error().c_str());
    return false;
  }
  std::vector<std::int16_t> pcm;
  std::vector<std::int16_t> chunk(2 * 4096);
  while (std::size_t got = decoder.read(chunk.data(), 4096))
    pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got * 2));
  if (static_cast<std::int64_t>(pcm.size() / 2) != decoder.lengthFrames()) {
    std::fprintf(stderr, "%s: decoded %zu frames of %lld\n", fixture.name, pcm.size() / 2,
                 static_cast<long long>(decoder.lengthFrames()));
    return false;
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(pcm.size() * 2);
  for (std::int16_t sample : pcm) {
    auto value = static_cast<std::uint16_t>(sample);
    bytes.push_back(static_cast<std::uint8_t>(value & 0xff));
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  std::string base = (folder / fixture.name).string();
  tav::test::writeFile(base + ".mp3", mp3);
  tav::test::writeFile(base + ".pcm", bytes);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  std::filesystem::path folder = argv[1];
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  // Sweeps, so that no stretch of a decode matches another and a shifted one shows.
  const tav::test::Tone sweep{
      .seconds = 2.0, .frequency = 200, .rate = 44100, .endFrequency = 5000};
  using tav::test::Damage;
  const Fixture fixtures[] = {
      {"cbr", sweep, {}},
      {"vbr",
       {.seconds = 2.5, .frequency = 150, .rate = 44100, .endFrequency = 6000},
       {.vbr = true}},
      {"mono22",
       {.seconds = 1.5, .frequency = 200, .rate = 22050, .endFrequency = 4000},
       {.channels = 1}},
      {"cut", {.seconds = 1.0, .frequency = 300, .rate = 44100, .endFrequency = 3000}, {}, 12345},
      {"flipped", sweep, {}, 0, Damage::FlippedHeader},
      {"dropped", sweep, {}, 0, Damage::DroppedFrame},
      {"junk", sweep, {}, 0, Damage::Junk},
      {"longjunk", sweep, {}, 0, Damage::Junk, 1024},
  };
  for (const Fixture& fixture : fixtures)
    if (!writeFixture(folder, fixture)) return 1;
  return 0;
}
