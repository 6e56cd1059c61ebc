// The OpenGL state the engine keeps beside the context: drawing and keeping it alone end alike,
// and putting it back gives a scrambled context exactly the state drawing left.
#include <gtest/gtest.h>

#include <functional>

#include "engine/engine.h"
#include "engine/render/projection.h"
#include "platform/clock.h"
#include "tests/render/headless_gl.h"
#include "tests/render/model_fixtures.h"
#include "tests/support/gl_readback.h"

namespace tav {
namespace {

using namespace material_flags;

Light light(float x, float diffuse) {
  Light l;
  l.position = {x, -50, 20};
  l.ambient = {0.1f, 0.2f, 0.3f, 1};
  l.diffuse = {diffuse, diffuse, 0.5f, 1};
  return l;
}

// Every draw style, in an order that leaves state for the next object to find: sprites (which
// switch lighting back on), then an object whose material is past the list, which draws with
// the colour and coordinates left to it.
Model everyStyle(int lights) {
  Model m;
  m.cameras = {Camera{{30, -200, 40}, {0, 0, 10}, 0.0f, 0.0f}};
  for (int i = 0; i < lights; ++i)
    m.lights.push_back(light(10.0f * static_cast<float>(i), 0.8f));
  auto with = [](const char* name, std::uint32_t flags, float opacity) {
    Material mat = test::material(name, flags | kSmooth, opacity);
    mat.texture0File = "a.jpg";
    mat.texture1File = flags & kDualTextured ? "b.jpg" : "";
    return mat;
  };
  m.materials = {with("plain", kTextured, 1.0f), with("dual", kDualTextured | kAdditive, 1.0f),
                 with("distort", kDistort | kTextured, 1.0f),
                 with("distort dual", kDistort | kDualTextured, 1.0f),
                 with("sprite", kSprite | kTextured, 0.5f)};
  for (std::int32_t i = 0; i < 5; ++i) {
    MeshObject o = test::triangleObject(i);
    o.position = {static_cast<float>(i) * 7.0f, 3.0f, 1.0f};
    o.rotation = {10.0f * static_cast<float>(i), 20.0f, 5.0f};
    m.meshes.push_back(o);
  }
  // Coordinates for the first two vertices only: the last face has none, and the current
  // coordinates are left by the face before it.
  MeshObject partial = test::triangleObject(0);
  partial.vertices.insert(partial.vertices.end(), {{1, 1, 0}, {2, 1, 0}});
  partial.vertexNormals.insert(partial.vertexNormals.end(), {{0, 1, 0}, {1, 0, 0}});
  partial.baseNormals = partial.vertexNormals;
  partial.vertexCount = 5;
  partial.faces.push_back({2, 3, 4, 0});
  partial.faceNormals.push_back({0, 0, 1});
  partial.faceCount = 2;
  partial.texCoords.resize(2);
  partial.texCoordCount = 2;
  m.meshes.push_back(partial);
  m.meshes.push_back(test::triangleObject(17));  // past the materials: nothing set for it
  return m;
}

class GlStateKept : public test::HeadlessGL {
 protected:
  void SetUp() override {
    test::HeadlessGL::SetUp();
    platform::clock::setVirtualMs(123456);
  }
  void TearDown() override { platform::clock::useRealTime(); }

  static std::vector<std::uint8_t> backBuffer() {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(test::kWidth * test::kHeight * 4));
    glReadPixels(0, 0, test::kWidth, test::kHeight, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
  }

  // One model per object, so that each draw style's leavings can be told apart, then two whole
  // models with different lights, and an overlay picture.
  void prepare(Engine& engine) {
    engine.gl.multitexture = multitexture;
    const Model whole = everyStyle(2);
    for (std::size_t i = 0; i < whole.meshes.size(); ++i) {
      Model one = everyStyle(static_cast<int>(i % 2) + 1);
      one.meshes = {whole.meshes[i]};
      engine.models.push_back(one);
    }
    engine.models.push_back(whole);
    engine.models.push_back(everyStyle(1));
    engine.models.back().materials.push_back(test::material("picture", kTextured));
  }

  using Step = std::function<void(Engine&)>;

  // A frame's worth of the engine's drawing, step by step: projections, every style alone, two
  // models with different lights, faded sprites and overlays.
  static std::vector<Step> steps() {
    std::vector<Step> all = {[](Engine& engine) {
      setShowProjection(engine.gl, 1.0, 900.0);
      RenderSettings& settings = engine.settings();
      settings.clear(engine.gl);
      settings.flags |= render_flags::kSpriteFade;
      settings.fadeCentreX = 20.0f;
      settings.fadeRate = 0.05f;
    }};
    for (std::int32_t i = 0; i < 9; ++i) {
      all.push_back([i](Engine& engine) {
        engine.selectModel(i);
        engine.render();
      });
    }
    all.push_back([](Engine& engine) {
      engine.selectModel(7);
      engine.render();
      engine.selectModel(8);
      engine.drawOverlay({1, 2, 0}, {0, 0, 30}, {1, -1, 1}, 0.4f, "picture");
      engine.drawOverlay({0, 0, 0}, {0, 0, 0}, {1, 1, 1}, 0.7f, "picture");
    });
    all.push_back([](Engine& engine) {
      engine.settings().flags |= render_flags::kWireframe;
      engine.render();
      engine.settings().flags &= ~render_flags::kWireframe;
      setShowProjection(engine.gl, 0.1, 1000.0);
    });
    all.push_back([](Engine& engine) {
      engine.selectModel(7);
      engine.render();  // lights placed by the matrix the last camera left in force
    });
    return all;
  }

  static void play(Engine& engine) {
    for (const Step& step : steps())
      step(engine);
  }
};

TEST_F(GlStateKept, PuttingItBackGivesAScrambledContextTheStateDrawingLeft) {
  Engine engine;
  prepare(engine);
  play(engine);
  const test::GlReadback drawn = test::readGlState(multitexture);
  test::scrambleGlState(multitexture);
  ASSERT_NE(drawn, test::readGlState(multitexture));
  engine.gl.apply();
  const test::GlReadback restored = test::readGlState(multitexture);
  EXPECT_EQ(drawn, restored) << test::differences(drawn, restored);
}

TEST_F(GlStateKept, KeptWithoutDrawingItEndsAsDrawingEndsAndNothingIsDrawn) {
  Engine drawing, keeping;
  prepare(drawing);
  prepare(keeping);
  keeping.gl.live = false;
  std::vector<std::uint8_t> before;
  std::size_t n = 0;
  for (const Step& step : steps()) {
    step(drawing);
    const test::GlReadback drawn = test::readGlState(multitexture);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    before = backBuffer();
    step(keeping);
    EXPECT_EQ(backBuffer(), before) << "step " << n;
    EXPECT_TRUE(keeping.gl == drawing.gl) << "step " << n;
    test::scrambleGlState(multitexture);
    keeping.gl.apply();
    const test::GlReadback restored = test::readGlState(multitexture);
    EXPECT_EQ(drawn, restored) << "step " << n << ": " << test::differences(drawn, restored);
    ++n;
  }
}

}  // namespace
}  // namespace tav
