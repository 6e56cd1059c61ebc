// Frame times of the draw paths on the headless backend at 1024 × 768 (Mesa's software
// rasteriser, all cores): (a) a lit textured model of about 50,000 triangles, (b) a sprite model
// of 5,000 vertices with spriteFade, (c) a distorted two-texture model of 20,000 triangles,
// (d) 60 textured overlays. Each frame is cleared, drawn and finished (glFinish); the median of
// FRAMES frames (default 40) after 5 warm-up frames is printed. Each case runs twice: as seen, and
// with a projection that clips everything (near plane 900), which leaves the submission and vertex
// work and takes away the pixel fill.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "engine/engine.h"
#include "platform/gl.h"
#include "platform/window.h"

using namespace tav;

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// A rippled grid of (n + 1)² vertices and 2n² triangles around the origin, in the x-z plane
// facing a camera on -y, with texture coordinates.
MeshObject grid(int n, float extent, std::int32_t material) {
  MeshObject o;
  for (int i = 0; i <= n; ++i) {
    for (int j = 0; j <= n; ++j) {
      float x = extent * (static_cast<float>(j) / n - 0.5f);
      float z = extent * (static_cast<float>(i) / n - 0.5f);
      o.vertices.push_back({x, 3.0f * std::sin(x * 0.2f) * std::cos(z * 0.2f), z});
      o.texCoords.push_back({static_cast<float>(j) / n, static_cast<float>(i) / n});
    }
  }
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      std::int32_t v = i * (n + 1) + j;
      o.faces.push_back({v, v + 1, v + n + 2, material});
      o.faces.push_back({v, v + n + 2, v + n + 1, material});
    }
  }
  o.vertexCount = static_cast<std::int32_t>(o.vertices.size());
  o.texCoordCount = o.vertexCount;
  o.faceCount = static_cast<std::int32_t>(o.faces.size());
  o.vertexNormals.assign(o.vertices.size(), {});
  o.baseNormals.assign(o.vertices.size(), {});
  o.faceNormals.assign(o.faces.size(), {});
  return o;
}

std::int32_t makeTexture(int size, std::uint8_t tint) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(size * size * 3));
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      std::uint8_t* p = &rgb[static_cast<std::size_t>((y * size + x) * 3)];
      p[0] = static_cast<std::uint8_t>(x ^ y);
      p[1] = tint;
      p[2] = static_cast<std::uint8_t>(x * 2);
    }
  }
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, size, size, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  return static_cast<std::int32_t>(id);
}

Material material(const char* name, std::uint32_t flags, float opacity, std::int32_t t0,
                  std::int32_t t1 = -1) {
  Material m;
  m.name = name;
  m.flags = flags;
  m.opacity = opacity;
  m.colour[0] = m.colour[1] = m.colour[2] = 255;
  m.texture0 = t0;
  m.texture1 = t1;
  m.texture0File = "t0.jpg";
  if (t1 >= 0) m.texture1File = "t1.jpg";
  if (flags & material_flags::kDistort)
    m.distortParameters[0] = m.distortParameters[1] = m.distortParameters[2] = 1.0f;
  return m;
}

// A model with one light and one camera on -y looking at the origin, from `objects`.
std::int32_t addModel(Engine& engine, std::vector<Material> materials,
                      std::vector<MeshObject> objects) {
  std::int32_t index = engine.addModel();
  Model& m = engine.model();
  m.materials = std::move(materials);
  m.meshes = std::move(objects);
  m.lights.resize(1);
  m.lights[0].position = {0, -200, 100};
  m.cameras = {{{0, -130, 20}, {0, 0, 0}, 0.0f, 35.0f}};
  engine.computeNormals();
  return index;
}

void setProjection(double zNear, double zFar) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(71.0, 4.0 / 3.0, zNear, zFar);
  glMatrixMode(GL_MODELVIEW);
}

double medianFrameMs(platform::Window& window, int frames, const std::function<void()>& draw) {
  std::vector<double> times;
  for (int i = 0; i < frames + 5; ++i) {
    auto start = std::chrono::steady_clock::now();
    draw();
    glFinish();
    window.swapBuffers();
    double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (i >= 5) times.push_back(ms);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) {
    std::puts(
        "usage: render_frames\nFRAMES in the environment sets the frames measured per case "
        "(default 40).");
    return std::strcmp(argv[1], "--help") == 0 ? 0 : 2;
  }
  int frames = std::getenv("FRAMES") ? std::max(5, std::atoi(std::getenv("FRAMES"))) : 40;
  platform::Window window(platform::VideoBackend::Headless);
  if (!window.startVideo() || !window.createWindow("bench", kWidth, kHeight, false) ||
      !window.createContext() || !window.makeCurrent()) {
    std::fprintf(stderr, "render_frames: no headless context: %s\n", window.lastError().c_str());
    return 1;
  }
  std::printf("%s, %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
              reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  glViewport(0, 0, kWidth, kHeight);

  Engine engine;
  engine.gl.multitexture = {
      reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(window.procAddress("glActiveTextureARB")),
      reinterpret_cast<PFNGLMULTITEXCOORD2FARBPROC>(window.procAddress("glMultiTexCoord2fARB"))};
  using namespace material_flags;
  const std::int32_t wood = makeTexture(256, 90), sky = makeTexture(256, 200);

  // (a) 50,000 lit textured triangles: two grids of 125 × 100 quads.
  MeshObject left = grid(125, 120, 0), right = grid(125, 120, 0);
  left.position = {-30, 0, 0};
  right.position = {30, 20, 0};
  const std::int32_t lit =
      addModel(engine, {material("wood", kTextured | kSmooth, 1.0f, wood)}, {left, right});
  // (b) 5,000 sprites with spriteFade.
  MeshObject dots = grid(70, 180, 0);
  dots.vertices.resize(5000);
  dots.vertexCount = 5000;
  const std::int32_t sprites =
      addModel(engine, {material("dot_sprite", kTextured | kSmooth | kSprite, 0.5f, sky)}, {dots});
  // (c) 20,000 distorted two-texture triangles.
  const std::int32_t wavy =
      addModel(engine, {material("distort_1", kDualTextured | kSmooth | kDistort, 1.0f, wood, sky)},
               {grid(100, 140, 0)});
  // (d) overlays, on a model of its own holding the picture.
  const std::int32_t pictures = engine.addModel();
  engine.model().materials = {material("bron", kTextured | kSmooth, 1.0f, wood)};

  RenderSettings& settings = engine.renderSettings[0];
  auto frameOf = [&](std::int32_t model) {
    return [&engine, &settings, model] {
      engine.selectModel(model);
      settings.clear(engine.gl);
      engine.render();
    };
  };
  struct Case {
    const char* what;
    std::function<void()> draw;
    std::function<void()> before = [] {};
    std::function<void()> after = [] {};
  };
  const Case cases[] = {
      {"(a) lit textured model, 50000 triangles", frameOf(lit)},
      {"(b) sprites with spriteFade, 5000 vertices, size 10", frameOf(sprites),
       [&] {
         settings.flags |= render_flags::kSpriteFade;
         settings.fadeCentreX = 0.0f;
         settings.fadeRate = 0.01f;
       },
       [&] { settings.flags &= ~render_flags::kSpriteFade; }},
      {"(b) the same at spriteSize 2", frameOf(sprites),
       [&] {
         settings.flags |= render_flags::kSpriteFade;
         settings.spriteSize = 2.0f;
       },
       [&] {
         settings.flags &= ~render_flags::kSpriteFade;
         settings.spriteSize = 10.0f;
       }},
      {"(c) distorted two-texture, 20000 triangles", frameOf(wavy)},
      {"(d) 60 textured overlays, full screen, alpha 0.5",
       [&] {
         engine.selectModel(pictures);
         settings.clear(engine.gl);
         for (int i = 0; i < 60; ++i)
           engine.drawOverlay({}, {}, {1, 1, 1}, 0.5f, "bron");
       }},
  };
  std::printf("median ms per frame at %dx%d over %d frames (goal: each under 8 ms):\n", kWidth,
              kHeight, frames);
  std::printf("  %-52s %9s %16s\n", "", "as seen", "without pixels");
  for (const Case& c : cases) {
    c.before();
    setProjection(1.0, 800.0);
    double seen = medianFrameMs(window, frames, c.draw);
    setProjection(900.0, 1000.0);
    double clipped = medianFrameMs(window, frames, c.draw);
    c.after();
    std::printf("  %-52s %7.2f ms %13.2f ms\n", c.what, seen, clipped);
  }
  return 0;
}
