#include "shell/gl_window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/shell/headless_window.h"

namespace tav {
namespace {

using platform::Size;
using platform::SystemCommand;
using platform::WindowMessage;
using Kind = WindowMessage::Kind;

Viewport currentViewport() {
  GLint v[4];
  glGetIntegerv(GL_VIEWPORT, v);
  return {v[0], v[1], v[2], v[3]};
}

void expectPerspective(double fovDegrees, double aspect, double zNear, double zFar) {
  GLdouble m[16];
  glGetDoublev(GL_PROJECTION_MATRIX, m);
  double f = 1.0 / std::tan(fovDegrees * std::numbers::pi / 360.0);
  const double expected[16] = {f / aspect,
                               0,
                               0,
                               0,
                               0,
                               f,
                               0,
                               0,
                               0,
                               0,
                               (zFar + zNear) / (zNear - zFar),
                               -1,
                               0,
                               0,
                               2 * zFar * zNear / (zNear - zFar),
                               0};
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(m[i], expected[i], 1e-4 * std::abs(expected[i]) + 1e-6) << i;
}

bool modelviewIsIdentity() {
  GLdouble m[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, m);
  for (int i = 0; i < 16; ++i) {
    if (m[i] != (i % 5 == 0 ? 1.0 : 0.0)) return false;
  }
  return true;
}

WindowMessage message(Kind kind) {
  WindowMessage m;
  m.kind = kind;
  return m;
}

WindowMessage key(Kind kind, int code) {
  WindowMessage m = message(kind);
  m.key = code;
  return m;
}

WindowMessage command(SystemCommand which) {
  WindowMessage m = message(Kind::SystemCommand);
  m.command = which;
  return m;
}

TEST(PictureViewport, UsesTheWholeDrawableOfTheAskedSizeAndLetterboxesAnyOther) {
  EXPECT_EQ(pictureViewport({320, 200}, {320, 200}, 320, 200), (Viewport{0, 0, 320, 200}));
  // A full screen kept at the desktop's 16:9 size: pillars left and right.
  EXPECT_EQ(pictureViewport({640, 480}, {1920, 1080}, 640, 480), (Viewport{240, 0, 1440, 1080}));
  // High-DPI: twice the pixels, same shape.
  EXPECT_EQ(pictureViewport({640, 480}, {1280, 960}, 640, 480), (Viewport{0, 0, 1280, 960}));
  // Taller than 4:3: bars above and below.
  EXPECT_EQ(pictureViewport({800, 600}, {1000, 1000}, 800, 600), (Viewport{0, 125, 1000, 750}));
}

TEST(Multitexture, FoundByPlainSubstringSearch) {
  EXPECT_TRUE(hasMultitexture("GL_ARB_depth_texture GL_ARB_multitexture GL_EXT_bgra"));
  EXPECT_TRUE(hasMultitexture("GL_XYZ_ARB_multitexture_extended"));
  EXPECT_FALSE(hasMultitexture("GL_ARB_texture_env_add GL_EXT_multi_draw_arrays"));
  EXPECT_FALSE(hasMultitexture(""));
  EXPECT_FALSE(hasMultitexture(nullptr));
}

TEST(GLWindowHeadless, LoadsTheEntryPointsOnlyWhenTheExtensionIsListed) {
  test::HeadlessWindow w;
  ASSERT_TRUE(w.created);
  w.window.loadMultitextureFrom("GL_EXT_bgra GL_SGIS_multitexture");
  EXPECT_EQ(w.window.activeTextureARB, nullptr);
  EXPECT_EQ(w.window.multiTexCoord2fARB, nullptr);
  w.window.loadMultitextureFrom("GL_EXT_bgra GL_VENDOR_ARB_multitexture_longer_name");
  EXPECT_NE(w.window.activeTextureARB, nullptr);
  EXPECT_NE(w.window.multiTexCoord2fARB, nullptr);
}

TEST(GLWindowHeadless, CreateSetsTheViewportAndTheFar5000Projection) {
  test::HeadlessWindow w(800, 600);
  ASSERT_TRUE(w.created);
  EXPECT_TRUE(w.window.fullScreen());
  EXPECT_EQ(currentViewport(), (Viewport{0, 0, 800, 600}));
  expectPerspective(71.0, 800.0 / 600.0, 1.0, 5000.0);
  EXPECT_TRUE(modelviewIsIdentity());
  w.window.loadMultitexture();  // Mesa lists ARB_multitexture
  EXPECT_NE(w.window.activeTextureARB, nullptr);
}

TEST(GLWindowHeadless, ALetterboxedPictureKeepsThe4By3Aspect) {
  test::HeadlessWindow w(640, 480, {1920, 1080});
  ASSERT_TRUE(w.created);
  w.window.resize(1920, 1080);  // the size message of a desktop-sized full screen
  EXPECT_EQ(currentViewport(), (Viewport{240, 0, 1440, 1080}));
  expectPerspective(71.0, 4.0 / 3.0, 1.0, 5000.0);
}

TEST(GLWindowHeadless, ResizeTakesHeightZeroAsOne) {
  test::HeadlessWindow w;
  ASSERT_TRUE(w.created);
  glMatrixMode(GL_MODELVIEW);
  glTranslatef(1.0f, 2.0f, 3.0f);
  w.window.resize(320, 0);
  EXPECT_EQ(currentViewport(), (Viewport{0, 0, 320, 1}));
  expectPerspective(71.0, 320.0, 1.0, 5000.0);
  EXPECT_TRUE(modelviewIsIdentity());
  GLint mode = 0;
  glGetIntegerv(GL_MATRIX_MODE, &mode);
  EXPECT_EQ(mode, GL_MODELVIEW);
}

TEST(GLWindowHeadless, HandlesTheMessageTable) {
  test::HeadlessWindow w;
  ASSERT_TRUE(w.created);
  GLWindow& window = w.window;

  WindowMessage minimised = message(Kind::Activate);
  minimised.minimised = true;
  EXPECT_EQ(window.handleMessage(minimised), 0);
  EXPECT_FALSE(window.active());
  EXPECT_EQ(window.handleMessage(message(Kind::Activate)), 0);
  EXPECT_TRUE(window.active());

  EXPECT_EQ(window.handleMessage(key(Kind::KeyDown, 'Q')), 0);
  EXPECT_TRUE(window.keyDown('Q'));
  EXPECT_EQ(window.handleMessage(key(Kind::KeyUp, 'Q')), 0);
  EXPECT_FALSE(window.keyDown('Q'));

  // Screen saver and monitor power-down are swallowed; nothing follows them.
  EXPECT_EQ(window.handleMessage(command(SystemCommand::ScreenSave)), 0);
  EXPECT_EQ(window.handleMessage(command(SystemCommand::MonitorPower)), 0);
  WindowMessage pending;
  EXPECT_FALSE(w.platform.nextMessage(pending));

  WindowMessage size = message(Kind::Size);
  size.size = {640, 300};
  EXPECT_EQ(window.handleMessage(size), 0);
  EXPECT_EQ(currentViewport(), (Viewport{0, 0, 640, 300}));
  expectPerspective(71.0, 640.0 / 300.0, 1.0, 5000.0);

  EXPECT_EQ(window.handleMessage(message(Kind::Close)), 0);
  EXPECT_TRUE(w.state.quit);
  EXPECT_TRUE(w.platform.hasWindow());  // a close request does not destroy the window
}

TEST(GLWindowHeadless, OtherSystemCommandsReachTheDefaultProcedure) {
  test::HeadlessWindow w;
  ASSERT_TRUE(w.created);
  w.window.handleMessage(command(SystemCommand::Close));
  EXPECT_FALSE(w.state.quit);
  EXPECT_TRUE(w.window.pumpMessage());  // the close request the default procedure made
  EXPECT_TRUE(w.state.quit);
}

TEST(GLWindowHeadless, PumpHandlesOneMessageAFrame) {
  test::HeadlessWindow w;
  ASSERT_TRUE(w.created);
  w.platform.postMessage(key(Kind::KeyDown, 'A'));
  w.platform.postMessage(key(Kind::KeyDown, 'B'));
  EXPECT_TRUE(w.window.pumpMessage());
  EXPECT_TRUE(w.window.keyDown('A'));
  EXPECT_FALSE(w.window.keyDown('B'));
  EXPECT_TRUE(w.window.pumpMessage());
  EXPECT_TRUE(w.window.keyDown('B'));
  EXPECT_TRUE(w.window.pumpMessage());  // nothing pending
}

TEST(GLWindowHeadless, PumpAnswersFalseOnQuitOrOnEscapeHeldWhileActive) {
  test::HeadlessWindow w;
  ASSERT_TRUE(w.created);
  w.platform.postMessage(message(Kind::Quit));
  EXPECT_FALSE(w.window.pumpMessage());
  EXPECT_FALSE(w.state.quit);  // a quit message is not a close request

  w.platform.postMessage(key(Kind::KeyDown, platform::kKeyEscape));
  EXPECT_FALSE(w.window.pumpMessage());
  WindowMessage minimised = message(Kind::Activate);
  minimised.minimised = true;
  w.platform.postMessage(minimised);
  EXPECT_TRUE(w.window.pumpMessage());  // minimised: Escape does not count
  w.platform.postMessage(message(Kind::Activate));
  EXPECT_FALSE(w.window.pumpMessage());
  w.platform.postMessage(key(Kind::KeyUp, platform::kKeyEscape));
  EXPECT_TRUE(w.window.pumpMessage());
}

}  // namespace
}  // namespace tav
