// What a viewer sees: real frames from Mesa's software rasteriser on the headless backend.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/render/draw_styles.h"
#include "platform/gl.h"
#include "platform/window.h"
#include "tests/render/headless_gl.h"
#include "tests/render/model_fixtures.h"
#include "tests/support/image_fixture.h"
#include "tests/support/temp_dir.h"

namespace tav {
namespace {

using test::kHeight;
using test::kWidth;
using test::Rgb;

class RenderPixels : public test::HeadlessGL {
 protected:
  void SetUp() override {
    test::HeadlessGL::SetUp();
    if (HasFatalFailure()) return;
    engine.gl.multitexture = multitexture;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(71.0, 4.0 / 3.0, 1.0, 800.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    engine.addModel();
    setClear(0, 0, 0);
  }

  void setClear(float r, float g, float b) {
    float* c = engine.settings().clearColour;
    c[0] = r;
    c[1] = g;
    c[2] = b;
    c[3] = 1.0f;
  }

  // Two triangles making a square of half-size h at depth y (the camera looks along +y).
  static MeshObject square(float h, float y, std::int32_t material) {
    MeshObject o;
    o.vertices = {{-h, y, -h}, {h, y, -h}, {h, y, h}, {-h, y, h}};
    o.vertexCount = 4;
    o.vertexNormals = o.baseNormals = std::vector<Vector3>(4, Vector3{0, -1, 0});
    o.faces = {{0, 1, 2, material}, {0, 2, 3, material}};
    o.faceCount = 2;
    o.faceNormals = {{0, -1, 0}, {0, -1, 0}};
    return o;
  }

  static Material flat(const char* name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    Material m;
    m.name = name;
    m.flags = material_flags::kSmooth;
    m.colour[0] = r;
    m.colour[1] = g;
    m.colour[2] = b;
    return m;
  }

  Engine engine;
};

TEST_F(RenderPixels, AnOverlayOfSizeOneFillsThe4By3ViewEdgeToEdge) {
  engine.settings().clear(engine.gl);
  engine.drawOverlay({}, {}, {1, 1, 1}, 1.0f, "none");
  present();
  for (int x = 0; x < kWidth; ++x) {
    ASSERT_EQ(at(x, 0), (Rgb{255, 255, 255})) << "top row, x " << x;
    ASSERT_EQ(at(x, kHeight - 1), (Rgb{255, 255, 255})) << "bottom row, x " << x;
  }
  for (int y = 0; y < kHeight; ++y) {
    ASSERT_EQ(at(0, y), (Rgb{255, 255, 255})) << "left column, y " << y;
    ASSERT_EQ(at(kWidth - 1, y), (Rgb{255, 255, 255})) << "right column, y " << y;
  }
  // A smaller one leaves a black border.
  engine.settings().clear(engine.gl);
  engine.drawOverlay({}, {}, {0.5f, 0.5f, 1}, 1.0f, "none");
  present();
  EXPECT_EQ(at(10, 10), (Rgb{0, 0, 0}));
  EXPECT_EQ(at(kWidth / 2, kHeight / 2), (Rgb{255, 255, 255}));
}

TEST_F(RenderPixels, ANegativeHeightMirrorsThePicture) {
  test::TempDir dir;
  // Top row red, bottom row blue.
  test::writeFile(dir.file("two.png"),
                  test::encodeImage(test::ImageFormat::Png, 2, 2,
                                    {255, 0, 0, 255, 0, 0, 0, 0, 255, 0, 0, 255}));
  engine.setTexturePath(dir.path().string() + "/");
  engine.addTexture("two.png", "two");
  engine.settings().clear(engine.gl);
  engine.drawOverlay({}, {}, {1, 1, 1}, 1.0f, "two");
  present();
  Rgb top = at(kWidth / 2, 5), bottom = at(kWidth / 2, kHeight - 6);
  engine.settings().clear(engine.gl);
  engine.drawOverlay({}, {}, {1, -1, 1}, 1.0f, "two");
  present();
  EXPECT_EQ(at(kWidth / 2, 5), bottom);
  EXPECT_EQ(at(kWidth / 2, kHeight - 6), top);
  EXPECT_NE(top, bottom);
}

TEST_F(RenderPixels, BelowFullAlphaOverlaysAddTheirWeightedColour) {
  setClear(50.0f / 255, 50.0f / 255, 50.0f / 255);
  engine.settings().clear(engine.gl);
  engine.drawOverlay({}, {}, {1, 1, 1}, 0.0f, "none");
  present();
  EXPECT_EQ(at(160, 120), (Rgb{50, 50, 50}));  // alpha 0 adds nothing

  setClear(0, 0, 0);
  engine.settings().clear(engine.gl);
  engine.drawOverlay({}, {}, {1, 1, 1}, 0.25f, "none");
  engine.drawOverlay({}, {}, {1, 1, 1}, 0.25f, "none");
  present();
  Rgb twice = at(160, 120);
  EXPECT_NEAR(twice[0], 128, 2);  // 0.25 + 0.25 of white
}

TEST_F(RenderPixels, ClearingDepthBetweenTwoRendersDrawsTheSecondModelOverTheFirst) {
  Model& near = engine.model();
  near.materials = {flat("red", 255, 0, 0)};
  near.meshes = {square(10, 0, 0)};
  near.cameras = {{{0, -50, 0}, {0, 0, 0}, 0, 35}};
  engine.addModel();
  Model& far = engine.model();
  far.materials = {flat("green", 0, 255, 0)};
  far.meshes = {square(5, 30, 0)};
  far.cameras = engine.models[0].cameras;

  for (bool clearDepth : {false, true}) {
    engine.settings().clear(engine.gl);
    engine.selectModel(0);
    engine.render();
    if (clearDepth) engine.settings().clearDepth(engine.gl);
    engine.selectModel(1);
    engine.render();
    present();
    EXPECT_EQ(at(160, 120), clearDepth ? (Rgb{0, 255, 0}) : (Rgb{255, 0, 0}));
  }
}

TEST_F(RenderPixels, SpritesFadeFromFullAtTheCentreToNothingOneOverTheRateAway) {
  Model& model = engine.model();
  Material dot = flat("dot_sprite", 255, 255, 255);
  dot.flags |= material_flags::kSprite;
  dot.opacity = 0.5f;
  model.materials = {dot};
  MeshObject dots = square(0, 0, 0);  // faces carry the material; vertices are the sprites
  dots.vertices = {{-40, 0, 0}, {40, 0, 0}};
  dots.vertexCount = 2;
  dots.faces = {{0, 1, 0, 0}};
  dots.faceCount = 1;
  model.meshes = {dots};
  model.cameras = {{{0, -100, 0}, {0, 0, 0}, 0, 35}};
  RenderSettings& settings = engine.settings();
  settings.spriteSize = 5.0f;
  settings.flags |= render_flags::kSpriteFade;
  settings.fadeCentreX = -45.0f;     // the left sprite's first corner: x - size
  settings.fadeRate = 1.0f / 80.0f;  // the right one's corner is 80 away
  settings.clear(engine.gl);
  engine.render();
  present();
  // The camera sees x from about -95 to 95 across 320 pixels: the sprites sit near x 93 and 227.
  EXPECT_EQ(at(93, 120), (Rgb{255, 255, 255}));
  EXPECT_EQ(at(227, 120), (Rgb{0, 0, 0}));
  settings.flags &= ~render_flags::kSpriteFade;
  settings.clear(engine.gl);
  engine.render();
  present();
  EXPECT_NEAR(at(227, 120)[0], 230, 2);  // spriteAlpha 0.9 without the fade
}

TEST_F(RenderPixels, VertexArraysGiveTheSamePixelsAsImmediateMode) {
  test::TempDir dir;
  std::vector<std::uint8_t> rgb(8 * 8 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<std::uint8_t>(i * 37);
  test::writeFile(dir.file("t.png"), test::encodeImage(test::ImageFormat::Png, 8, 8, rgb));
  engine.setTexturePath(dir.path().string() + "/");
  engine.addTexture("t.png", "t");
  Model& model = engine.model();
  Material lit = model.materials[0];
  lit.texture0File = "t.png";
  lit.colour[0] = lit.colour[1] = lit.colour[2] = 255;
  model.materials = {lit};
  MeshObject object = square(20, 0, 0);
  object.vertices.push_back({0, -5, 0});  // a raised centre, so the lighting varies
  object.vertexCount = 5;
  object.faces = {{0, 1, 4, 0}, {1, 2, 4, 0}, {2, 3, 4, 0}, {3, 0, 4, 0}};
  object.faceCount = 4;
  object.texCoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0.5f, 0.5f}};
  object.texCoordCount = 5;
  object.faceNormals.assign(4, {});
  object.vertexNormals.assign(5, {});
  object.baseNormals.assign(5, {});
  model.meshes = {object};
  model.lights.resize(1);
  model.lights[0].position = {30, -60, 40};
  model.cameras = {{{10, -60, 15}, {0, 0, 0}, 0, 35}};
  engine.computeNormals();

  // Lights are placed by the modelview current when render() starts: the same for both.
  glLoadIdentity();
  engine.settings().clear(engine.gl);
  engine.render();
  present();
  std::vector<std::uint8_t> arrays = pixels;
  glLoadIdentity();
  engine.settings().clear(engine.gl);
  engine.render();  // sets up lights, camera and material as before, then draws again
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();
  render::drawPlainImmediate(engine.gl, model.meshes[0]);
  glPopMatrix();
  present();
  EXPECT_NE(at(160, 120), (Rgb{0, 0, 0}));
  EXPECT_EQ(pixels, arrays);
}

TEST_F(RenderPixels, AnObjectWithoutCoordinatesTakesTheLastCornerOfTheObjectBefore) {
  test::TempDir dir;
  const std::vector<std::uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0};
  test::writeFile(dir.file("t.png"), test::encodeImage(test::ImageFormat::Png, 2, 2, rgb));
  engine.setTexturePath(dir.path().string() + "/");
  engine.addTexture("t.png", "t");
  Model& model = engine.model();
  model.materials[0].texture0File = "t.png";
  model.materials[0].colour[0] = model.materials[0].colour[1] = model.materials[0].colour[2] = 255;
  MeshObject first = square(10, 0, 0);
  first.position = {-30, 0, 0};
  // The last corner drawn is vertex 3, on the green texel; the others are on the red one.
  first.texCoords = {{0.25f, 0.25f}, {0.25f, 0.25f}, {0.25f, 0.25f}, {0.75f, 0.25f}};
  first.texCoordCount = 4;
  MeshObject second = square(10, 0, 0);
  second.position = {30, 0, 0};
  model.meshes = {first, second};
  model.cameras = {{{0, -100, 0}, {0, 0, 0}, 0, 35}};
  engine.settings().clear(engine.gl);
  engine.render();
  present();
  EXPECT_EQ(at(110, 120), (Rgb{255, 0, 0}));
  EXPECT_EQ(at(210, 120), (Rgb{0, 255, 0}));
}

}  // namespace
}  // namespace tav
