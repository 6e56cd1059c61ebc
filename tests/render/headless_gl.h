#pragma once
// A 320 x 240 headless window with a current OpenGL context for pixel tests, the ARB entry
// points fetched, and its frames read back top row first.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "engine/render/multitexture.h"
#include "platform/gl.h"
#include "platform/window.h"

namespace tav::test {

using Rgb = std::array<int, 3>;
inline constexpr int kWidth = 320, kHeight = 240;

class HeadlessGL : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.startVideo());
    ASSERT_TRUE(window.createWindow("test", kWidth, kHeight, false));
    ASSERT_TRUE(window.createContext());
    ASSERT_TRUE(window.makeCurrent());
    multitexture = {
        reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(window.procAddress("glActiveTextureARB")),
        reinterpret_cast<PFNGLMULTITEXCOORD2FARBPROC>(window.procAddress("glMultiTexCoord2fARB"))};
    ASSERT_TRUE(multitexture.available());
    glViewport(0, 0, kWidth, kHeight);
  }

  // Presents the frame and keeps its pixels for at().
  void present() {
    window.swapBuffers();
    platform::Size size;
    pixels = window.readPixelsRgb(size);
  }

  Rgb at(int x, int y) const {  // y from the top
    const std::uint8_t* p = &pixels[(static_cast<std::size_t>(y) * kWidth + x) * 3];
    return {p[0], p[1], p[2]};
  }

  platform::Window window{platform::VideoBackend::Headless};
  Multitexture multitexture;
  std::vector<std::uint8_t> pixels;
};

}  // namespace tav::test
