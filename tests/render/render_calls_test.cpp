// The order of OpenGL calls of the render code, recorded by the GL stand-in.
#include <gtest/gtest.h>

#include "engine/engine.h"
#include "engine/render/draw_styles.h"
#include "platform/clock.h"
#include "tests/render/model_fixtures.h"
#include "tests/support/gl_recorder.h"

namespace tav {
namespace {

using namespace material_flags;
using Calls = std::vector<std::string>;

class RenderCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    test::gl::reset();
    engine.gl.multitexture = test::gl::multitexture();
    engine.addModel();
  }
  void TearDown() override { platform::clock::useRealTime(); }

  Model& model() { return engine.model(); }
  Calls materialCalls(const MeshObject& object) {
    test::gl::reset();
    render::applyMaterial(engine.gl, model(), object);
    return test::gl::take();
  }

  Engine engine;
};

TEST_F(RenderCalls, TwoTextureMaterialSphereMapsItsSecondUnitAddingOrModulating) {
  Material dual = test::material("dual", kDualTextured | kSmooth | kAdditive);
  dual.texture0File = "a.jpg";
  dual.texture1File = "b.jpg";
  model().materials = {dual};
  const Calls expected = {
      "glShadeModel(GL_SMOOTH)",
      "glDisable(GL_CULL_FACE)",
      "glActiveTextureARB(GL_TEXTURE0_ARB)",
      "glBindTexture(GL_TEXTURE_2D, 7)",
      "glDisable(GL_TEXTURE_GEN_S)",
      "glDisable(GL_TEXTURE_GEN_T)",
      "glEnable(GL_TEXTURE_2D)",
      "glActiveTextureARB(GL_TEXTURE1_ARB)",
      "glBindTexture(GL_TEXTURE_2D, 8)",
      "glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP)",
      "glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP)",
      "glEnable(GL_TEXTURE_GEN_S)",
      "glEnable(GL_TEXTURE_GEN_T)",
      "glEnable(GL_TEXTURE_2D)",
      "glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD)",
      "glColor4f(1, 0.2, 0, 1)",
  };
  EXPECT_EQ(materialCalls(test::triangleObject(0)), expected);

  model().materials[0].flags &= ~kAdditive;
  Calls modulated = materialCalls(test::triangleObject(0));
  EXPECT_EQ(modulated[14], "glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE)");

  // Without ARB_multitexture: the first texture only, and no entry point is called.
  engine.gl.multitexture = {};
  EXPECT_EQ(
      materialCalls(test::triangleObject(0)),
      (Calls{"glShadeModel(GL_SMOOTH)", "glDisable(GL_CULL_FACE)",
             "glBindTexture(GL_TEXTURE_2D, 7)", "glDisable(GL_TEXTURE_GEN_S)",
             "glDisable(GL_TEXTURE_GEN_T)", "glEnable(GL_TEXTURE_2D)", "glColor4f(1, 0.2, 0, 1)"}));
}

TEST_F(RenderCalls, ReflectiveSingleTextureIsSphereMappedOnUnitZero) {
  Material shiny = test::material("shiny", kTextured | kSmooth | kReflective | kCullBack, 0.5f);
  shiny.texture0File = "env.jpg";
  model().materials = {shiny};
  const Calls expected = {
      "glShadeModel(GL_SMOOTH)",
      "glEnable(GL_CULL_FACE)",
      "glActiveTextureARB(GL_TEXTURE1_ARB)",
      "glBindTexture(GL_TEXTURE_2D, 0)",
      "glDisable(GL_TEXTURE_2D)",
      "glActiveTextureARB(GL_TEXTURE0_ARB)",
      "glDisable(GL_TEXTURE_2D)",
      "glDisable(GL_TEXTURE_GEN_S)",
      "glDisable(GL_TEXTURE_GEN_T)",
      "glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP)",
      "glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP)",
      "glEnable(GL_TEXTURE_GEN_S)",
      "glEnable(GL_TEXTURE_GEN_T)",
      "glBindTexture(GL_TEXTURE_2D, 7)",
      "glEnable(GL_TEXTURE_2D)",
      "glColor4f(1, 0.2, 0, 0.5)",
  };
  EXPECT_EQ(materialCalls(test::triangleObject(0)), expected);
}

TEST_F(RenderCalls, UntexturedAndMissingMaterialsSwitchTexturingOff) {
  model().materials = {test::material("plain", kSmooth)};
  const Calls untextured = {
      "glShadeModel(GL_SMOOTH)",
      "glDisable(GL_CULL_FACE)",
      "glActiveTextureARB(GL_TEXTURE1_ARB)",
      "glBindTexture(GL_TEXTURE_2D, 0)",
      "glDisable(GL_TEXTURE_2D)",
      "glActiveTextureARB(GL_TEXTURE0_ARB)",
      "glDisable(GL_TEXTURE_2D)",
      "glDisable(GL_TEXTURE_GEN_S)",
      "glDisable(GL_TEXTURE_GEN_T)",
      "glBindTexture(GL_TEXTURE_2D, 0)",
      "glDisable(GL_TEXTURE_2D)",
  };
  Calls withColour = untextured;
  withColour.push_back("glColor4f(1, 0.2, 0, 1)");
  EXPECT_EQ(materialCalls(test::triangleObject(0)), withColour);

  // No material: the same, in opaque white.
  Calls white = untextured;
  white.push_back("glColor4f(1, 1, 1, 1)");
  EXPECT_EQ(materialCalls(test::triangleObject(-1)), white);

  // A material index past the materials, or a negative material state: nothing at all.
  EXPECT_EQ(materialCalls(test::triangleObject(1)), Calls{});
  MeshObject frozen = test::triangleObject(0);
  frozen.materialState = -1;
  EXPECT_EQ(materialCalls(frozen), Calls{});
}

TEST_F(RenderCalls, ScreenQuadBlendsOnlyBelowFullAlphaAndLeavesItsStateBehind) {
  RenderSettings settings;
  test::gl::reset();
  settings.drawScreenQuad({1, 2, 3}, {10, 20, 30}, {1, -1, 5}, 0.5f, 4, engine.gl);
  const Calls expected = {
      "glLoadIdentity()",
      "gluLookAt(0, 0, 0, 0, 0, -1, 0, 1, 0)",
      "glDepthMask(GL_FALSE)",
      "glDisable(GL_DEPTH_TEST)",
      "glActiveTextureARB(GL_TEXTURE1_ARB)",
      "glDisable(GL_TEXTURE_2D)",
      "glActiveTextureARB(GL_TEXTURE0_ARB)",
      "glBindTexture(GL_TEXTURE_2D, 4)",
      "glDisable(GL_TEXTURE_GEN_S)",
      "glDisable(GL_TEXTURE_GEN_T)",
      "glEnable(GL_TEXTURE_2D)",
      "glEnable(GL_BLEND)",
      "glBlendFunc(GL_SRC_ALPHA, GL_ONE)",
      "glDisable(GL_LIGHTING)",
      "glPushMatrix()",
      "glTranslatef(1, 2, -27)",
      "glRotatef(10, 1, 0, 0)",
      "glRotatef(20, 0, 1, 0)",
      "glRotatef(30, 0, 0, 1)",
      "glColor4f(1, 1, 1, 0.5)",
      "glBegin(GL_QUADS)",
      "glTexCoord2f(0, 0)",
      "glVertex3f(-13.3, 10, 10)",
      "glTexCoord2f(1, 0)",
      "glVertex3f(13.3, 10, 10)",
      "glTexCoord2f(1, 1)",
      "glVertex3f(13.3, -10, 10)",
      "glTexCoord2f(0, 1)",
      "glVertex3f(-13.3, -10, 10)",
      "glEnd()",
      "glPopMatrix()",
      "glEnable(GL_DEPTH_TEST)",
      "glDisable(GL_BLEND)",
      "glDepthMask(GL_TRUE)",
  };
  EXPECT_EQ(test::gl::take(), expected);

  GlState noMultitexture;
  settings.drawScreenQuad({}, {}, {1, 1, 1}, 1.0f, -1, noMultitexture);
  Calls opaque = test::gl::stateOnly(test::gl::take());
  EXPECT_EQ(std::count(opaque.begin(), opaque.end(), "glEnable(GL_BLEND)"), 0);
  EXPECT_EQ(opaque[4], "glDisable(GL_TEXTURE_GEN_S)");
  EXPECT_EQ(opaque[6], "glDisable(GL_TEXTURE_2D)");
  EXPECT_EQ(opaque[7], "glBlendFunc(GL_SRC_ALPHA, GL_ONE)");
}

TEST_F(RenderCalls, OverlayTakesTheLastExactNameAndParametersTheFirstPrefix) {
  Material first = test::material("white", kTextured);
  first.texture0 = 11;
  Material second = test::material("white", kTextured);
  second.texture0 = 12;
  model().materials = {test::material("whitened", kTextured), first, second};
  engine.drawOverlay({}, {}, {1, 1, 1}, 1.0f, "white");
  EXPECT_EQ(test::gl::only(test::gl::take(), {"glBindTexture"}),
            Calls{"glBindTexture(GL_TEXTURE_2D, 12)"});
  engine.drawOverlay({}, {}, {1, 1, 1}, 1.0f, "whit");
  EXPECT_EQ(test::gl::only(test::gl::take(), {"glBindTexture"}), Calls{});

  engine.setMaterialParameters("white", 4, 5, 6);
  EXPECT_EQ(model().materials[0].distortParameters[2], 6.0f);
  EXPECT_EQ(model().materials[1].distortParameters[2], 0.0f);
  engine.setMaterialParameters("", 7, 8, 9);
  EXPECT_EQ(model().materials[0].distortParameters[0], 7.0f);
  engine.setMaterialParameters("nothing", 1, 1, 1);
  EXPECT_EQ(model().materials[2].distortParameters[0], 0.0f);
}

TEST_F(RenderCalls, RenderPassSetsUpEightOfTenLightsCameraAndRasterStateInOrder) {
  model().lights.resize(10);
  model().lights[0].position = {1, 2, 3};
  model().cameras = {{{5, 6, 7}, {8, 9, 10}, 1.5f, 35}, {{1, 1, 1}, {0, 0, 0}, 0, 35}};
  engine.selectCamera(9);  // past the cameras: the last one
  engine.settings().flags = render_flags::kWireframe;
  engine.render();
  Calls calls = test::gl::take();
  Calls lights = test::gl::only(calls, {"glLightfv"});
  ASSERT_EQ(lights.size(), 32u);
  EXPECT_EQ(lights[0], "glLightfv(GL_LIGHT0, GL_AMBIENT, {0.1, 0.1, 0.1, 1})");
  EXPECT_EQ(lights[1], "glLightfv(GL_LIGHT0, GL_DIFFUSE, {0.7, 0.7, 0.7, 1})");
  EXPECT_EQ(lights[3], "glLightfv(GL_LIGHT0, GL_POSITION, {1, 2, 3, 1})");
  EXPECT_EQ(lights[31], "glLightfv(GL_LIGHT7, GL_POSITION, {0, 0, 0, 1})");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "glEnable(GL_LIGHTING)"), 10);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "glEnable(GL_COLOR_MATERIAL)"), 10);
  auto light7 = std::find(calls.begin(), calls.end(), "glEnable(GL_LIGHT7)");
  ASSERT_NE(light7, calls.end());
  // Light 7's position, then the last two lights switch lighting on but take no slot.
  const Calls tail(light7 + 2, calls.end());
  const Calls expectedTail = {
      "glEnable(GL_COLOR_MATERIAL)",
      "glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE)",
      "glEnable(GL_LIGHTING)",
      "glEnable(GL_COLOR_MATERIAL)",
      "glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE)",
      "glEnable(GL_LIGHTING)",
      "glEnable(GL_COLOR_MATERIAL)",
      "glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE)",
      "glLoadIdentity()",
      "gluLookAt(1, 1, 1, 0, 0, 0, 0, 0, 0.5)",
      "glPolygonMode(GL_FRONT_AND_BACK, GL_LINE)",
      "glDisable(GL_DEPTH_TEST)",
      "glDepthFunc(GL_LEQUAL)",
      "glDepthMask(GL_FALSE)",
      "glEnable(GL_BLEND)",
      "glBlendFunc(GL_SRC_ALPHA, GL_ONE)",
      "glDepthMask(GL_TRUE)",
      "glDisable(GL_BLEND)",
  };
  EXPECT_EQ(tail, expectedTail);

  engine.selectCamera(0);
  engine.settings().flags = render_flags::kDepthTest;
  model().lights.clear();
  engine.render();
  calls = test::gl::take();
  EXPECT_EQ(calls[0], "glLoadIdentity()");  // no lights: no lighting state touched at all
  EXPECT_EQ(calls[1], "gluLookAt(5, 6, 7, 8, 9, 10, 0, 0, 2)");
  EXPECT_EQ(calls[2], "glPolygonMode(GL_FRONT_AND_BACK, GL_FILL)");
  EXPECT_EQ(calls[3], "glEnable(GL_DEPTH_TEST)");

  model().cameras.clear();
  engine.render();
  EXPECT_EQ(test::gl::only(test::gl::take(), {"gluLookAt"}), Calls{});  // the identity view
}

TEST_F(RenderCalls, PassesSortObjectsByOpacityAndASpriteLeavesBlendingOff) {
  model().materials = {test::material("solid", kSmooth), test::material("glass", kSmooth, 0.5f),
                       test::material("dot_sprite", kSmooth | kTextured, 0.5f)};
  model().materials[2].texture0File = "dot.jpg";
  MeshObject solid = test::triangleObject(0), glass = test::triangleObject(1);
  MeshObject sprite = test::triangleObject(2), none = test::triangleObject(-1);
  MeshObject gated = test::triangleObject(0), path;
  model().materials[2].flags |= kSprite;
  solid.position = {1, 0, 0};
  glass.position = {2, 0, 0};
  sprite.position = {3, 0, 0};
  none.position = {4, 0, 0};
  gated.position = {5, 0, 0};
  gated.scale = {1, 0, 1};
  path.vertices = {{0, 0, 0}};
  path.vertexCount = 1;
  model().meshes = {solid, glass, sprite, none, gated, path};
  engine.render();
  Calls calls =
      test::gl::only(test::gl::take(), {"glTranslatef", "glPushMatrix", "glPopMatrix", "glEnable",
                                        "glDisable", "glBegin", "glDepthMask", "glDrawElements"});
  auto drawn = test::gl::only(calls, {"glTranslatef"});
  // Opaque: solid, no material, gated; blended: glass, sprite, no material again.
  EXPECT_EQ(drawn,
            (Calls{"glTranslatef(1, 0, 0)", "glTranslatef(4, 0, 0)", "glTranslatef(5, 0, 0)",
                   "glTranslatef(2, 0, 0)", "glTranslatef(3, 0, 0)", "glTranslatef(4, 0, 0)"}));
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "glPushMatrix()"), 6);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "glPopMatrix()"), 6);
  // Four plain draws (solid, glass, the material-less one twice) and the sprite's quads; the
  // gated object none.
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(),
                          [](const std::string& c) { return c.starts_with("glDrawElements"); }),
            4);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "glBegin(GL_QUADS)"), 3);
  // After the sprite, the object without material is drawn unblended with depth writes on.
  auto lastTranslate = std::find(calls.rbegin(), calls.rend(), "glTranslatef(4, 0, 0)");
  Calls beforeIt(calls.begin(), lastTranslate.base());
  Calls blendSwitches = test::gl::only(beforeIt, {"glEnable", "glDisable"});
  blendSwitches.erase(
      std::remove_if(blendSwitches.begin(), blendSwitches.end(),
                     [](const std::string& c) { return c.find("GL_BLEND") == std::string::npos; }),
      blendSwitches.end());
  EXPECT_EQ(blendSwitches.back(), "glDisable(GL_BLEND)");
}

TEST_F(RenderCalls, PlainStyleSendsOneArrayDrawWithoutFacesOutsideTheVertices) {
  MeshObject object = test::triangleObject(-1, false);
  object.faces.push_back({0, 1, 9, -1});  // a corner past the vertices
  object.faces.push_back({2, 1, 0, -1});
  object.faceCount = 3;
  test::gl::reset();
  render::drawPlain(engine.gl, object);
  EXPECT_EQ(test::gl::take(),
            (Calls{"glEnableClientState(GL_VERTEX_ARRAY)", "glEnableClientState(GL_NORMAL_ARRAY)",
                   "glVertexPointer(3, GL_FLOAT, 0)", "glNormalPointer(GL_FLOAT, 0)",
                   "glDrawElements(GL_TRIANGLES, 6, GL_UNSIGNED_INT, {0, 1, 2, 2, 1, 0})",
                   "glDisableClientState(GL_NORMAL_ARRAY)", "glDisableClientState(GL_VERTEX_ARRAY)",
                   "glNormal3f(0, 0, 1)"}));  // the last corner's, as immediate mode leaves it

  object.texCoords = {{0, 0}, {1, 1}, {0, 1}};
  object.texCoordCount = 3;
  render::drawPlain(engine.gl, object);
  Calls arrays = test::gl::only(test::gl::take(), {"glEnableClientState", "glTexCoordPointer"});
  EXPECT_EQ(arrays.back(), "glTexCoordPointer(2, GL_FLOAT, 0)");
}

TEST_F(RenderCalls, PlainStyleSendsCoordinatesOnlyWhereTheyExist) {
  MeshObject object = test::triangleObject(-1, false);
  object.texCoords = {{0.5f, 0.5f}};  // for vertex 0 only
  object.texCoordCount = 1;
  render::drawPlain(engine.gl, object);
  EXPECT_EQ(test::gl::take(),
            (Calls{"glBegin(GL_TRIANGLES)", "glNormal3f(0, 0, 1)", "glTexCoord2f(0.5, 0.5)",
                   "glVertex3f(0, 0, 0)", "glNormal3f(0, 0, 1)", "glVertex3f(1, 0, 0)",
                   "glNormal3f(0, 0, 1)", "glVertex3f(0, 1, 0)", "glEnd()"}));
}

TEST_F(RenderCalls, DualStyleSendsEachCoordinateToBothUnitsAndFaceNormalsWhenFlat) {
  Material dual = test::material("dual", kDualTextured | kFlat);
  model().materials = {dual};
  MeshObject object = test::triangleObject(0);
  object.texCoords[1] = {0.5f, 0.25f};
  test::gl::reset();
  render::drawDualTextured(engine.gl, model(), object);
  Calls calls = test::gl::take();
  EXPECT_EQ(calls[1], "glNormal3f(0, 0, 1)");
  EXPECT_EQ(calls[5], "glMultiTexCoord2fARB(GL_TEXTURE0_ARB, 0.5, 0.25)");
  EXPECT_EQ(calls[6], "glMultiTexCoord2fARB(GL_TEXTURE1_ARB, 0.5, 0.25)");
  EXPECT_EQ(test::gl::only(calls, {"glNormal3f"}).size(), 1u);  // flat, not smooth
}

TEST_F(RenderCalls, DistortionPushesVerticesAlongBaseNormalsByTheWaveAtTheClock) {
  Material wavy = test::material("distort_1", kDistort | kSmooth);
  wavy.distortParameters[0] = 0.0f;     // rate 0: a wave that does not move
  wavy.distortParameters[1] = 1000.0f;  // k = 1 radian per vertex index
  wavy.distortParameters[2] = 2.0f;     // A = 10
  model().materials = {wavy};
  MeshObject object = test::triangleObject(0);
  object.baseNormals = {{1, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  auto vertices = [&](std::uint32_t ms) {
    platform::clock::setVirtualMs(ms);
    test::gl::reset();
    render::drawDistorted(engine.gl, model(), object);
    return test::gl::only(test::gl::take(), {"glVertex3f", "glNormal3f"});
  };
  Calls still = vertices(1000);
  EXPECT_EQ(still, vertices(987654));
  EXPECT_EQ(still[1], "glVertex3f(0, 0, 0)");  // sin(0) = 0
  char expected[64];
  std::snprintf(expected, sizeof expected, "glVertex3f(%g, 0, 0)", 1.0f + 10.0f * std::sin(1.0f));
  EXPECT_EQ(still[3], expected);
  std::snprintf(expected, sizeof expected, "glNormal3f(0, 0, %g)", 1.0f * std::sin(1.0f));
  EXPECT_EQ(still[2], expected);               // the vertex normal times baseNormal.x × s
  EXPECT_EQ(still[4], "glNormal3f(0, 0, 0)");  // base normal without x: no normal left

  model().materials[0].distortParameters[0] = 1.0f;  // one radian a second
  model().materials[0].distortParameters[2] = 0.0f;  // amplitude 0: undisplaced
  Calls moving = vertices(500);
  EXPECT_EQ(moving[3], "glVertex3f(1, 0, 0)");
  std::snprintf(expected, sizeof expected, "glNormal3f(0, 0, %g)", std::sin(1.0f + 0.5f));
  EXPECT_EQ(moving[2], expected);
}

TEST_F(RenderCalls, SpritesFaceTheCameraAndFadeWithDistanceAlongX) {
  const float turned[16] = {0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1};
  test::gl::setModelview(turned);  // R = (0, 1, 0), U = (0, 0, 1)
  RenderSettings settings;
  settings.spriteSize = 2.0f;
  settings.flags |= render_flags::kSpriteFade;
  settings.fadeCentreX = 10.0f;
  settings.fadeRate = 0.25f;
  MeshObject dots;
  dots.vertices = {{0, 0, 0}, {4, 0, 0}, {-10, 0, 0}};
  dots.vertexCount = 3;
  dots.position = {10, 0, 0};
  test::gl::reset();
  render::drawSprites(engine.gl, settings, dots);
  Calls calls = test::gl::take();
  const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  test::gl::setModelview(identity);
  EXPECT_EQ(Calls(calls.begin(), calls.begin() + 6),
            (Calls{"glDepthMask(GL_FALSE)", "glDisable(GL_LIGHTING)", "glEnable(GL_BLEND)",
                   "glBlendFunc(GL_SRC_ALPHA, GL_ONE)", "glGetFloatv(GL_MODELVIEW_MATRIX)",
                   "glColor4f(1, 1, 1, 0.9)"}));
  // Per quad: C0 = P - R·S - U·S; alpha 1 - |C0.x + 10 - 10| × 0.25, at most 1 lost.
  EXPECT_EQ(test::gl::only(calls, {"glColor4f"}),
            (Calls{"glColor4f(1, 1, 1, 0.9)", "glColor4f(1, 1, 1, 1)", "glColor4f(1, 1, 1, 0)",
                   "glColor4f(1, 1, 1, 0)"}));
  Calls firstQuad = test::gl::only(calls, {"glVertex3f"});
  EXPECT_EQ(Calls(firstQuad.begin(), firstQuad.begin() + 4),
            (Calls{"glVertex3f(0, -2, -2)", "glVertex3f(0, 2, -2)", "glVertex3f(0, 2, 2)",
                   "glVertex3f(0, -2, 2)"}));
  // The two of alpha 0 add nothing and are not drawn; the coordinate is left as a quad leaves it.
  EXPECT_EQ(test::gl::only(calls, {"glBegin"}).size(), 1u);
  EXPECT_EQ(Calls(calls.end() - 4, calls.end()),
            (Calls{"glTexCoord2f(0, 1)", "glDisable(GL_BLEND)", "glDepthMask(GL_TRUE)",
                   "glEnable(GL_LIGHTING)"}));
}

TEST_F(RenderCalls, ClearsUseTheClearColourAndBothBuffers) {
  RenderSettings settings;
  settings.clearColour[1] = 0.5f;
  test::gl::reset();
  settings.clear(engine.gl);
  settings.clearDepth(engine.gl);
  EXPECT_EQ(test::gl::take(),
            (Calls{"glClearColor(1, 0.5, 1, 1)", "glClear(GL_COLOR_BUFFER_BIT|GL_DEPTH_BUFFER_BIT)",
                   "glClear(GL_DEPTH_BUFFER_BIT)"}));
}

}  // namespace
}  // namespace tav
