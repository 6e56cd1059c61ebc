// The browser's GL layer against the system's fixed-function OpenGL, pixel by pixel. Both run on
// Mesa's software device through EGL, with no display: the layer over an OpenGL ES 3 context (as
// WebGL 2 is), the reference over a desktop compatibility context, each drawing into a pbuffer of
// its own with 8-bit RGBA and a 16-bit depth buffer. libglvnd sends every gl call to whichever
// context is current, so the layer's OpenGL ES calls and the reference's OpenGL ones share one
// process.
#define EGL_NO_X11
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <gtest/gtest.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/web/gl11_context.h"
#include "tests/gl_layer/sequences.h"

namespace tav::gl_layer {
namespace {

using Frame = std::vector<std::uint8_t>;  // RGBA, bottom row first

struct Device {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
  std::string missing;  // why there is no display, when there is none
};

// Mesa's software device, whatever GPU the machine has: both sides rasterise with llvmpipe.
Device openDevice() {
  Device d;
  const char* client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  auto queryDevices =
      reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
  auto queryDeviceString = reinterpret_cast<PFNEGLQUERYDEVICESTRINGEXTPROC>(
      eglGetProcAddress("eglQueryDeviceStringEXT"));
  auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!client || !std::strstr(client, "EGL_EXT_platform_device") || !queryDevices ||
      !queryDeviceString || !platformDisplay) {
    d.missing = "EGL has no device platform";
    return d;
  }
  EGLDeviceEXT devices[16];
  EGLint count = 0;
  queryDevices(16, devices, &count);
  for (EGLint i = 0; i < count && d.display == EGL_NO_DISPLAY; ++i) {
    const char* extensions = queryDeviceString(devices[i], EGL_EXTENSIONS);
    if (extensions && std::strstr(extensions, "EGL_MESA_device_software")) {
      d.display = platformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
    }
  }
  if (d.display == EGL_NO_DISPLAY || !eglInitialize(d.display, nullptr, nullptr)) {
    d.display = EGL_NO_DISPLAY;
    d.missing = "EGL has no software device";
    return d;
  }
  // Exactly 8-bit RGBA and 16-bit depth, which eglChooseConfig would only take as minimums.
  const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE,
                           EGL_OPENGL_BIT | EGL_OPENGL_ES3_BIT, EGL_NONE};
  EGLConfig configs[256];
  eglChooseConfig(d.display, wanted, configs, 256, &count);
  for (EGLint i = 0; i < count && !d.config; ++i) {
    EGLint r, g, b, a, depth, samples;
    eglGetConfigAttrib(d.display, configs[i], EGL_RED_SIZE, &r);
    eglGetConfigAttrib(d.display, configs[i], EGL_GREEN_SIZE, &g);
    eglGetConfigAttrib(d.display, configs[i], EGL_BLUE_SIZE, &b);
    eglGetConfigAttrib(d.display, configs[i], EGL_ALPHA_SIZE, &a);
    eglGetConfigAttrib(d.display, configs[i], EGL_DEPTH_SIZE, &depth);
    eglGetConfigAttrib(d.display, configs[i], EGL_SAMPLES, &samples);
    if (r == 8 && g == 8 && b == 8 && a == 8 && depth == 16 && samples == 0) {
      d.config = configs[i];
    }
  }
  if (!d.config) d.missing = "EGL has no RGBA8 config with 16-bit depth for OpenGL and OpenGL ES 3";
  return d;
}

void* desktopProcAddress(const char* name) {
  return reinterpret_cast<void*>(eglGetProcAddress(name));
}

// Runs `body` in a fresh context of `api` drawing into a kWidth × kHeight pbuffer; false when EGL
// gives no such context.
bool inContext(const Device& d, EGLenum api, const std::function<void()>& body) {
  eglBindAPI(api);
  const EGLint es3[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_NONE};
  const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                  EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext context = eglCreateContext(d.display, d.config, EGL_NO_CONTEXT,
                                        api == EGL_OPENGL_ES_API ? es3 : compatibility);
  const EGLint size[] = {EGL_WIDTH, kWidth, EGL_HEIGHT, kHeight, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(d.display, d.config, size);
  const bool made = context != EGL_NO_CONTEXT && surface != EGL_NO_SURFACE &&
                    eglMakeCurrent(d.display, surface, surface, context);
  if (made) {
    body();
    eglMakeCurrent(d.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  if (surface != EGL_NO_SURFACE) eglDestroySurface(d.display, surface);
  if (context != EGL_NO_CONTEXT) eglDestroyContext(d.display, context);
  return made;
}

// Draws `sequence` in a fresh context of `api`, through the layer when `layer`, and reads the
// frame back; empty when EGL gives no such context.
Frame draw(const Device& d, EGLenum api, const Sequence& sequence, bool layer) {
  Frame frame;
  inContext(d, api, [&] {
    if (layer) {
      gl11::Context gl(kWidth, kHeight);
      gl11::makeCurrent(&gl);
      sequence.draw(gl11::procAddress);
      gl11::makeCurrent(nullptr);
    } else {
      sequence.draw(desktopProcAddress);
    }
    frame.resize(std::size_t{kWidth} * kHeight * 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
  });
  return frame;
}

struct Difference {
  int pixels = 0;   // pixels with a channel further apart than the tolerance
  int largest = 0;  // the largest channel difference anywhere
  int firstX = 0, firstY = 0;
};

Difference compare(const Frame& a, const Frame& b, int tolerance) {
  Difference d;
  for (int y = kHeight - 1; y >= 0; --y) {  // the first difference from the top
    for (int x = 0; x < kWidth; ++x) {
      int worst = 0;
      for (int c = 0; c < 4; ++c) {
        const std::size_t i = (static_cast<std::size_t>(y) * kWidth + x) * 4 + c;
        worst = std::max(worst, std::abs(a[i] - b[i]));
      }
      d.largest = std::max(d.largest, worst);
      if (worst > tolerance && d.pixels++ == 0) {
        d.firstX = x;
        d.firstY = kHeight - 1 - y;
      }
    }
  }
  return d;
}

std::string pixel(const Frame& f, int x, int yFromTop) {
  const std::size_t i = (static_cast<std::size_t>(kHeight - 1 - yFromTop) * kWidth + x) * 4;
  return std::to_string(f[i]) + "," + std::to_string(f[i + 1]) + "," + std::to_string(f[i + 2]) +
         "," + std::to_string(f[i + 3]);
}

// Both frames as PNG files, to look at when they differ.
std::string keep(const char* name, const Frame& layer, const Frame& reference) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tavrinel-gl-layer";
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  stbi_flip_vertically_on_write(1);
  const std::string base = (dir / name).string();
  stbi_write_png((base + "-layer.png").c_str(), kWidth, kHeight, 4, layer.data(), kWidth * 4);
  stbi_write_png((base + "-fixed-function.png").c_str(), kWidth, kHeight, 4, reference.data(),
                 kWidth * 4);
  return base + "-{layer,fixed-function}.png";
}

class GlLayerMatchesFixedFunction : public ::testing::TestWithParam<std::size_t> {
 protected:
  static void SetUpTestSuite() { device_ = openDevice(); }
  static void TearDownTestSuite() {
    if (device_.display != EGL_NO_DISPLAY) eglTerminate(device_.display);
    device_ = {};
  }
  void SetUp() override {
    if (!device_.missing.empty()) GTEST_SKIP() << device_.missing;
  }
  static Device device_;
};

Device GlLayerMatchesFixedFunction::device_;

TEST_P(GlLayerMatchesFixedFunction, PixelForPixel) {
  const Sequence& sequence = layerSequences()[GetParam()];
  ASSERT_STREQ(sequence.name, fixedFunctionSequences()[GetParam()].name);
  const Frame layer = draw(device_, EGL_OPENGL_ES_API, sequence, true);
  if (layer.empty()) GTEST_SKIP() << "EGL gives no OpenGL ES 3 context";
  const Frame reference =
      draw(device_, EGL_OPENGL_API, fixedFunctionSequences()[GetParam()], false);
  if (reference.empty()) GTEST_SKIP() << "EGL gives no OpenGL compatibility context";
  // Both sides are llvmpipe with the same rasteriser and samplers; only the per-vertex arithmetic
  // differs (the layer's shaders against Mesa's fixed-function ones, in another order), which
  // rounds a colour at most one step apart.
  constexpr int kTolerance = 1;
  const Difference d = compare(layer, reference, kTolerance);
  if (d.pixels == 0) return;
  ADD_FAILURE() << sequence.name << ": " << d.pixels << " of " << kWidth * kHeight
                << " pixels differ by more than " << kTolerance << " (largest " << d.largest
                << "); first at (" << d.firstX << ", " << d.firstY << ") from the top left: layer "
                << pixel(layer, d.firstX, d.firstY) << ", fixed function "
                << pixel(reference, d.firstX, d.firstY) << "; frames in "
                << keep(sequence.name, layer, reference);
}

// The counts the page's frame report takes per frame: a frame drawn again in the same states makes
// no storage and draws with no texture or state for the first time; it only sends its vertices.
TEST(GlLayerWork, CountsWhatAFrameMakesOnlyTheFirstTime) {
  const Device device = openDevice();
  if (!device.missing.empty()) GTEST_SKIP() << device.missing;
  const bool made = inContext(device, EGL_OPENGL_ES_API, [&] {
    gl11::Context gl(kWidth, kHeight);
    gl11::makeCurrent(&gl);
    const gl11::Work start = gl11::work();
    GLuint texture = 0;
    gl11::genTextures(1, &texture);
    gl11::bindTexture(GL_TEXTURE_2D, texture);
    gl11::texParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    const std::vector<std::uint8_t> rgb(4 * 4 * 3, 200);
    gl11::texImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    const gl11::Work image = gl11::work() - start;
    EXPECT_EQ(image.storageBytes, rgb.size());
    EXPECT_EQ(image.sentBytes, rgb.size());

    auto quad = [](float x) {
      constexpr GLenum kQuads = 0x0007;
      gl11::begin(kQuads);
      gl11::texCoord2f(0, 0);
      gl11::vertex3f(x, -0.5f, -2.0f);
      gl11::texCoord2f(1, 0);
      gl11::vertex3f(x + 0.5f, -0.5f, -2.0f);
      gl11::texCoord2f(1, 1);
      gl11::vertex3f(x + 0.5f, 0.5f, -2.0f);
      gl11::texCoord2f(0, 1);
      gl11::vertex3f(x, 0.5f, -2.0f);
      gl11::end();
    };
    auto frame = [&](GLenum depth) {
      const gl11::Work before = gl11::work();
      gl11::clear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      gl11::enable(GL_DEPTH_TEST);
      gl11::depthFunc(depth);
      gl11::enable(GL_TEXTURE_2D);
      quad(-0.6f);
      gl11::enable(GL_BLEND);
      gl11::blendFunc(GL_SRC_ALPHA, GL_ONE);
      quad(0.1f);
      gl11::disable(GL_BLEND);
      gl11::disable(GL_TEXTURE_2D);
      gl.frameEnded();
      return gl11::work() - before;
    };
    const gl11::Work first = frame(GL_LESS), again = frame(GL_LESS);
    const gl11::Work otherDepth = frame(GL_LEQUAL);
    EXPECT_EQ(first.draws, 2u);
    EXPECT_EQ(first.texturesFirstDrawn, 1u);
    EXPECT_EQ(first.statesFirstDrawn, 2u);  // blended and not
    EXPECT_EQ(first.batchBuffersMade, 2u);
    EXPECT_GT(first.storageBytes, 0u);
    EXPECT_EQ(again.draws, 2u);
    EXPECT_EQ(again.texturesFirstDrawn + again.statesFirstDrawn + again.batchBuffersMade, 0u);
    EXPECT_EQ(again.storageBytes, 0u);
    EXPECT_EQ(again.sentBytes, first.sentBytes);
    EXPECT_EQ(otherDepth.statesFirstDrawn, 2u);
    gl11::makeCurrent(nullptr);
  });
  eglTerminate(device.display);
  if (!made) GTEST_SKIP() << "EGL gives no OpenGL ES 3 context";
}

INSTANTIATE_TEST_SUITE_P(Sequences, GlLayerMatchesFixedFunction,
                         ::testing::Range<std::size_t>(0, layerSequences().size()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           return std::string(layerSequences()[info.param].name);
                         });

}  // namespace
}  // namespace tav::gl_layer
