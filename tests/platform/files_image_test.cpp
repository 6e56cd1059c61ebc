#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/image.h"
#include "tests/support/image_fixture.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

namespace tav::platform {
namespace {

TEST(FindIgnoringCase, KeepsExactNamesAndMatchesEachMissingPartInAnyCase) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.path() / "Data" / "Textures");
  test::writeFile((dir.path() / "Data" / "Textures" / "Max_Bron.JPG").string(), {1});
  std::string exact = (dir.path() / "Data" / "Textures" / "Max_Bron.JPG").string();
  EXPECT_EQ(findIgnoringCase(exact), exact);
  const std::string found = findIgnoringCase(dir.file("data/textures/max_bron.jpg"));
#ifdef _WIN32
  // Windows' own names match in any case: the name as given already opens the file.
  EXPECT_TRUE(std::filesystem::equivalent(found, exact));
#else
  EXPECT_EQ(found, exact);
#endif
  std::string absent = dir.file("data/textures/other.jpg");
  EXPECT_EQ(findIgnoringCase(absent), absent);
  EXPECT_EQ(findIgnoringCase(""), "");
}

TEST(ReadWholeFile, TellsAMissingFileFromOneThatCannotBeRead) {
  test::TempDir dir;
  std::vector<std::uint8_t> bytes;
  std::string error;
  bool missing = false;
  EXPECT_FALSE(readWholeFile(dir.file("none"), bytes, error, &missing));
  EXPECT_TRUE(missing);
  EXPECT_FALSE(readWholeFile(dir.path().string(), bytes, error, &missing));  // a folder
  EXPECT_FALSE(missing);
  test::writeFile(dir.file("f"), {1, 2, 3});
  EXPECT_TRUE(readWholeFile(dir.file("f"), bytes, error, &missing));
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(ReadWholeFile, TakesNamesAsUtf8Everywhere) {
  // Windows' narrow calls would read these bytes in the local code page and find no such file.
  test::TempDir dir;
  const std::filesystem::path file = dir.path() / u8"W\u00fcrfel \u30ad\u30e5\u30fc\u30d6.3ds";
  std::ofstream(file, std::ios::binary) << "3ds";
  const std::u8string name = file.u8string();
  const std::string utf8(name.begin(), name.end());
  std::vector<std::uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(readWholeFile(utf8, bytes, error)) << error;
  EXPECT_EQ(bytes.size(), 3u);
  EXPECT_EQ(findIgnoringCase(utf8), utf8);
}

TEST(DecodeImage, PadsRowsToTheAlignmentAskedFor) {
  std::vector<std::uint8_t> rgb(5 * 2 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<std::uint8_t>(i * 7);
  std::vector<std::uint8_t> png = test::encodeImage(test::ImageFormat::Png, 5, 2, rgb);
  for (int alignment : {1, 2, 4, 8}) {
    RgbImage image;
    std::string error;
    ASSERT_TRUE(decodeImage(png, alignment, image, error)) << error;
    EXPECT_EQ(image.stride % alignment, 0);
    EXPECT_GE(image.stride, 15);
    EXPECT_LT(image.stride, 15 + alignment);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 15; ++x) {
        EXPECT_EQ(image.pixels[static_cast<std::size_t>(y * image.stride + x)],
                  rgb[static_cast<std::size_t>(y * 15 + x)]);
      }
    }
  }
}

TEST(DecodeImage, RefusesEmptyJunkAndHugeImagesBeforeAllocating) {
  RgbImage image;
  std::string error;
  EXPECT_FALSE(decodeImage({}, 4, image, error));
  std::vector<std::uint8_t> junk(64, 0x42);
  EXPECT_FALSE(decodeImage(junk, 4, image, error));
  // A PNG whose header claims 100000 × 100000 pixels.
  std::vector<std::uint8_t> png = test::encodeImage(test::ImageFormat::Png, 1, 1, {1, 2, 3});
  for (int offset : {16, 20}) {
    png[static_cast<std::size_t>(offset)] = 0;
    png[static_cast<std::size_t>(offset) + 1] = 0x01;
    png[static_cast<std::size_t>(offset) + 2] = 0x86;
    png[static_cast<std::size_t>(offset) + 3] = 0xA0;
  }
  EXPECT_FALSE(decodeImage(png, 4, image, error));
  EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
}  // namespace tav::platform
