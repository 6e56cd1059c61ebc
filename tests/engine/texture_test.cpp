#include "engine/texture.h"

#include <gtest/gtest.h>

#include "engine/engine.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "tests/engine/loader_fixtures.h"
#include "tests/support/image_fixture.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

namespace tav {
namespace {

using namespace material_flags;

// A 3 × 3 picture: rows of 9 bytes, which OpenGL's default alignment of 4 would misread if the
// rows were packed.
const std::vector<std::uint8_t> kPixels = {
    255, 0,   0,   0,  255, 0,  0,   0,   255,  //
    10,  20,  30,  40, 50,  60, 70,  80,  90,   //
    200, 201, 202, 1,  2,   3,  128, 128, 128,
};

class TextureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.startVideo());
    ASSERT_TRUE(window.createWindow("test", 16, 16, false));
    ASSERT_TRUE(window.createContext());
    ASSERT_TRUE(window.makeCurrent());
    engine.setTexturePath(dir.path().string() + "/");
    engine.onTextureFailure = [this](const std::string& path, const std::string&) {
      failures.push_back(path);
    };
  }

  void writeImage(const std::string& name, test::ImageFormat format = test::ImageFormat::Png) {
    test::writeFile(dir.file(name), test::encodeImage(format, 3, 3, kPixels));
  }

  // The texture's pixels read back packed.
  static std::vector<std::uint8_t> readBack(std::int32_t id) {
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(id));
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(w * h * 3));
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    return pixels;
  }

  // Loads a model with these materials on one triangle each.
  const Model& loadMaterials(const std::vector<writer3ds::Material3ds>& materials) {
    writer3ds::Scene3ds scene;
    scene.materials = materials;
    scene.meshes = {test::triangle("t")};
    test::writeFile(dir.file("m.3ds"), writer3ds::write3ds(scene));
    engine.loadModel(dir.file("m.3ds"));
    return engine.model();
  }

  test::TempDir dir;
  platform::Window window{platform::VideoBackend::Headless};
  Engine engine;
  std::vector<std::string> failures;
};

TEST_F(TextureTest, UploadsExactPixelsAsRgbWithLinearFiltersAndChangesNothingElse) {
  writeImage("three.png");
  std::string reason;
  std::int32_t id = loadTexture(dir.file("three.png"), reason);
  ASSERT_NE(id, -1) << reason;
  GLint bound = 0, minFilter = 0, magFilter = 0, format = 0, unpack = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, id);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
  EXPECT_EQ(minFilter, GL_LINEAR);
  EXPECT_EQ(magFilter, GL_LINEAR);
  EXPECT_EQ(format, 3);  // as given: three components
  EXPECT_EQ(unpack, 4);
  EXPECT_EQ(readBack(id), kPixels);

  // Under another unpack alignment the rows are laid out for it, and it stays.
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
  std::int32_t again = loadTexture(dir.file("three.png"), reason);
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
  EXPECT_EQ(unpack, 8);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  EXPECT_EQ(readBack(again), kPixels);
}

TEST_F(TextureTest, DecodesEveryFormatByContentAndFindsNamesInAnotherCase) {
  writeImage("b.bmp", test::ImageFormat::Bmp);
  writeImage("t.tga", test::ImageFormat::Tga);
  writeImage("Mixed.Case.PNG");
  std::string reason;
  EXPECT_EQ(readBack(loadTexture(dir.file("b.bmp"), reason)), kPixels);
  EXPECT_EQ(readBack(loadTexture(dir.file("t.tga"), reason)), kPixels);
  EXPECT_EQ(readBack(loadTexture(dir.file("MIXED.case.png"), reason)), kPixels);

  // JPEG is lossy: a flat colour comes back within a step or two.
  std::vector<std::uint8_t> flat(16 * 16 * 3);
  for (std::size_t i = 0; i < flat.size(); ++i)
    flat[i] = i % 3 == 0 ? 200 : i % 3 == 1 ? 100 : 50;
  test::writeFile(dir.file("wrongly_named.png"),
                  test::encodeImage(test::ImageFormat::Jpeg, 16, 16, flat));
  std::vector<std::uint8_t> jpeg = readBack(loadTexture(dir.file("wrongly_named.png"), reason));
  ASSERT_EQ(jpeg.size(), flat.size());
  for (std::size_t i = 0; i < flat.size(); ++i)
    EXPECT_NEAR(jpeg[i], flat[i], 2) << i;

  test::writeFile(dir.file("junk.jpg"), std::vector<std::uint8_t>(100, 7));
  EXPECT_EQ(loadTexture(dir.file("junk.jpg"), reason), -1);
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(loadTexture(dir.file("absent.jpg"), reason), -1);
}

TEST_F(TextureTest, MaterialPassLoadsMapsAndSetsTheDrawFlags) {
  writeImage("one.png");
  writeImage("two.png");
  const Model& model = loadMaterials({
      {.name = "single", .textureMap = "one.png"},
      {.name = "dual", .shininessPercent = 50, .textureMap = "one.png", .reflectionMap = "TWO.png"},
      {.name = "my_sprite_dot", .transparencyPercent = 50},
      {.name = "mySprite"},
      {.name = "distort_1"},
      {.name = "plain"},
  });
  EXPECT_TRUE(failures.empty());
  ASSERT_EQ(model.materialCount(), 6);
  EXPECT_EQ(model.materials[0].flags, kTextured | kSmooth);
  EXPECT_NE(model.materials[0].texture0, -1);
  EXPECT_EQ(model.materials[0].texture1, -1);
  EXPECT_EQ(model.materials[1].flags, kDualTextured | kSmooth | kAdditive | kReflective);
  EXPECT_EQ(readBack(model.materials[1].texture1), kPixels);
  EXPECT_EQ(model.materials[2].flags, kSprite | kSmooth);
  EXPECT_EQ(model.materials[3].flags, kSmooth);  // sprite is looked for in lower case only
  EXPECT_EQ(model.materials[4].flags, kDistort | kSmooth);
  EXPECT_EQ(model.materials[4].distortParameters[1], 1.0f);
  EXPECT_EQ(model.materials[5].distortParameters[0], 0.0f);
}

TEST_F(TextureTest, EachMissingMapIsReportedWithItsComposedPathAndStillFlagsItsMaterial) {
  const Model& model =
      loadMaterials({{.name = "gone", .textureMap = "nope.jpg", .reflectionMap = "nor.jpg"}});
  EXPECT_EQ(failures, (std::vector<std::string>{engine.texturePath + "nope.jpg",
                                                engine.texturePath + "nor.jpg"}));
  EXPECT_EQ(model.materials[0].texture0, -1);
  EXPECT_EQ(model.materials[0].texture1, -1);
  EXPECT_EQ(model.materials[0].flags, kDualTextured | kSmooth | kReflective);
}

TEST_F(TextureTest, WithoutUploadsTheFlagsAreSetAndNothingIsReported) {
  engine.textureMode = TextureMode::None;
  const Model& model = loadMaterials({{.name = "sprite", .textureMap = "nope.jpg"}});
  EXPECT_TRUE(failures.empty());
  EXPECT_EQ(model.materials[0].texture0, -1);
  EXPECT_EQ(model.materials[0].flags, kTextured | kSmooth | kSprite);
}

TEST_F(TextureTest, AddTextureAppendsOneNamedMaterialOnlyForALoadableFile) {
  writeImage("disc.png");
  engine.addModel();
  engine.addTexture("missing.png", "ghost");
  engine.addTexture("", "empty");
  engine.addTexture("disc.png", "");
  EXPECT_EQ(engine.model().materialCount(), 0);
  engine.addTexture("disc.png", "disc");
  ASSERT_EQ(engine.model().materialCount(), 1);
  const Material& m = engine.model().materials[0];
  EXPECT_EQ(m.name, "disc");
  EXPECT_EQ(m.texture0File, "");
  EXPECT_EQ(m.flags, kTextured | kSmooth);
  EXPECT_EQ(readBack(m.texture0), kPixels);
  EXPECT_TRUE(failures.empty());

  // The prefix and the name are joined as they stand.
  engine.setTexturePath(dir.file("di"));
  engine.addTexture("sc.png", "joined");
  EXPECT_EQ(engine.model().materialCount(), 2);
}

TEST(TexelBounds, TheRectangleOfNonBlackTexelsAndHowFarFilteringReaches) {
  auto image = [](int width, int height, std::vector<std::pair<int, int>> lit) {
    platform::RgbImage im;
    im.width = width;
    im.height = height;
    im.stride = (width * 3 + 3) / 4 * 4;
    im.pixels.assign(static_cast<std::size_t>(im.stride * height), 0);
    for (auto [x, y] : lit)
      im.pixels[static_cast<std::size_t>(y * im.stride + 3 * x + 2)] = 1;
    return im;
  };
  // Two lit texels inside an 8 x 4 texture: their rectangle, grown by a texel.
  TexelBounds inside = texelBounds(image(8, 4, {{2, 1}, {5, 2}}));
  EXPECT_EQ((std::vector<int>{inside.left, inside.right, inside.top, inside.bottom}),
            (std::vector<int>{2, 5, 1, 2}));
  TexRange range;
  ASSERT_TRUE(reachOf(inside, range));
  EXPECT_EQ((std::vector<float>{range.s0, range.s1, range.t0, range.t1}),
            (std::vector<float>{1 / 8.0f, 7 / 8.0f, 0 / 4.0f, 4 / 4.0f}));
  // Lit at an edge: the texture repeats, so the whole axis may take light; the other is grown.
  TexelBounds edge = texelBounds(image(8, 8, {{0, 3}, {1, 4}}));
  ASSERT_TRUE(reachOf(edge, range));
  EXPECT_EQ((std::vector<float>{range.s0, range.s1, range.t0, range.t1}),
            (std::vector<float>{0.0f, 1.0f, 2 / 8.0f, 6 / 8.0f}));
  // No black texel at all: everything; all black: nothing to draw.
  std::vector<std::pair<int, int>> all;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      all.emplace_back(x, y);
  TexelBounds full = texelBounds(image(5, 3, all));
  EXPECT_EQ((std::vector<int>{full.left, full.right, full.top, full.bottom}),
            (std::vector<int>{0, 4, 0, 2}));
  EXPECT_TRUE(texelBounds(image(4, 4, {})).empty());
  EXPECT_FALSE(reachOf(texelBounds(image(4, 4, {})), range));
}

}  // namespace
}  // namespace tav
