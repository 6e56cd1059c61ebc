#include "tools/showkit/models.h"

#include <cmath>
#include <fstream>
#include <numbers>
#include <stdexcept>

#include "tools/showkit/font.h"
#include "tools/showkit/meshes.h"

namespace tav::showkit {
namespace {

using writer3ds::Camera3ds;
using writer3ds::Light3ds;
using writer3ds::Material3ds;
using writer3ds::Scene3ds;

constexpr float kPi = std::numbers::pi_v<float>;
constexpr const char* kFiles[15] = {"inside.3ds",          "cube.3ds",         "sprite_box.3ds",
                                    "intro.3ds",           "surrounded.3ds",   "wanting.3ds",
                                    "surrounded_text.3ds", "wanting_text.3ds", "uncertain.3ds",
                                    "uncertain_text.3ds",  "cloud_text.3ds",   "intro_text.3ds",
                                    "inside_text.3ds",     "end_scene.3ds",    "polarid.3ds"};

Material3ds textured(const std::string& name, const std::string& map, int shininess = 10,
                     const std::string& reflection = "") {
  // The ambient colour is the one the engine draws with: near white, so textures keep their light.
  return {.name = name,
          .ambient = {235, 235, 235},
          .diffuse = {230, 230, 230},
          .shininessPercent = shininess,
          .textureMap = map,
          .reflectionMap = reflection};
}

// A sprite material: the name says "sprite" and the transparency makes it drawn as billboards.
Material3ds sprite(const std::string& name, const std::string& map, int transparency = 20) {
  return {.name = name,
          .ambient = {255, 255, 255},
          .transparencyPercent = transparency,
          .textureMap = map};
}

Camera3ds looking(const std::string& name, Vector3 from, Vector3 at) {
  return {.name = name, .position = from, .target = at};
}

Light3ds lamp(Vector3 at) {
  return {.name = "light", .position = at};
}

// A word of sprite dots for a sliding text: its left edge `left` along x, its top row at `top`.
writer3ds::Mesh3ds slidingWord(const std::string& name, const std::string& text, float left,
                               float top, float spacing, const std::string& material) {
  return dots(name, {}, wordPoints(text, left, top, spacing), material);
}

// Scene 1, phase A: titles in blocks, pillars and a pulsing sprite cloud, seen by four cameras.
Scene3ds intro() {
  Scene3ds s;
  s.materials = {textured("tile", "tile.jpg"), textured("title", "metal.jpg", 50, "env.jpg"),
                 textured("pillar", "stone.jpg"), sprite("intro_sprite", "glow_warm.jpg", 30)};
  std::vector<writer3ds::Mesh3ds> pillars;
  for (int i = 0; i < 6; ++i) {
    float a = 2.0f * kPi * static_cast<float>(i) / 6.0f + 0.3f;
    pillars.push_back(
        cylinder("pillar", {160 * std::cos(a), 160 * std::sin(a), -20}, 10, 170, 16, "pillar"));
  }
  s.meshes = {plate("floor", {0, 0, -20}, 300, 10, "tile"),
              blockWord("Text02", {0, 0, 85}, "TAVRINEL", 4.0f, "title"),
              blockWord("Text03", {0, 0, 45}, "PRESENTS", 3.0f, "title"),
              blockWord("Text06", {0, 0, 12}, "NINE SCENES", 2.5f, "title"),
              merge("pillars", pillars),
              dots("glow_sprite", {0, 0, 50}, spherePoints({}, 230, 260), "intro_sprite")};
  s.lights = {lamp({150, -250, 250})};
  s.cameras = {
      looking("front", {0, -260, 70}, {0, 0, 45}), looking("left", {-200, -190, 120}, {0, 0, 40}),
      looking("right", {220, -170, 30}, {0, 0, 55}), looking("high", {30, -150, 200}, {0, 0, 30})};
  return s;
}

// Scene 1, phase B: two lines of glowing dots sliding through the band around x = 200.
Scene3ds introText() {
  Scene3ds s;
  s.materials = {sprite("intro_text_sprite", "glow_cool.jpg")};
  s.meshes = {slidingWord("line1", "WELCOME TO", -410, 70, 14, "intro_text_sprite"),
              slidingWord("line2", "TAVRINEL", -330, -30, 14, "intro_text_sprite")};
  s.lights = {lamp({200, -300, 200})};
  s.cameras = {looking("text", {200, -330, 0}, {200, 0, 0})};
  return s;
}

// Scene 2: four dot shapes; a thin slab around x = -180 reveals them slice by slice.
Scene3ds spriteBox() {
  Scene3ds s;
  s.materials = {sprite("box_sprite", "glow_cool.jpg", 25),
                 sprite("box_sprite_warm", "glow_warm.jpg", 25)};
  std::vector<Vector3> torusDots, cubeDots, helixDots;
  for (int i = 0; i < 60; ++i) {
    for (int j = 0; j < 30; ++j) {
      float a = 2 * kPi * i / 60.0f, b = 2 * kPi * j / 30.0f;
      float r = 22 + 8 * std::cos(b);
      torusDots.push_back({-85 + 8 * std::sin(b), r * std::cos(a), r * std::sin(a)});
    }
  }
  for (int f = 0; f < 6; ++f) {
    for (int i = 0; i < 15; ++i) {
      for (int j = 0; j < 15; ++j) {
        float u = -24 + 48 * i / 14.0f, v = -24 + 48 * j / 14.0f, w = f % 2 ? 24.0f : -24.0f;
        Vector3 p = f < 2 ? Vector3{w, u, v} : f < 4 ? Vector3{u, w, v} : Vector3{u, v, w};
        cubeDots.push_back(p + Vector3{-10, 0, 0});
      }
    }
  }
  for (int i = 0; i < 1000; ++i) {
    float t = static_cast<float>(i) / 1000.0f, a = t * 6 * kPi;
    for (float side : {0.0f, kPi}) {
      helixDots.push_back({65 + (t - 0.5f) * 70, 20 * std::cos(a + side), 20 * std::sin(a + side)});
    }
  }
  s.meshes = {dots("shell", {}, spherePoints({-160, 0, 0}, 28, 2500), "box_sprite"),
              dots("ring", {}, torusDots, "box_sprite_warm"),
              dots("cube", {}, cubeDots, "box_sprite"),
              dots("helix", {}, helixDots, "box_sprite_warm")};
  s.lights = {lamp({-200, -100, 100})};
  for (const char* name : {"scan", "scan1", "scan2", "scan3"}) {
    s.cameras.push_back(looking(name, {-265, -25, 18}, {-180, 0, 0}));
  }
  return s;
}

// Scene 3: five fixed spheres, ten that fall onto them, a camera loop around them.
Scene3ds inside() {
  Scene3ds s;
  s.materials = {textured("obstacle", "stone.jpg"),
                 textured("falling", "metal.jpg", 60, "env.jpg")};
  const Vector3 obstacles[5] = {
      {0, 0, 0}, {45, 30, -30}, {-45, 30, -30}, {45, -30, -30}, {-45, -30, -30}};
  for (int i = 0; i < 5; ++i) {
    s.meshes.push_back(
        sphere("obstacle" + std::to_string(i), obstacles[i], 22, 12, 20, "obstacle"));
  }
  for (int i = 0; i < 10; ++i) {
    Vector3 at{-36.0f + 24.0f * static_cast<float>(i % 4),
               -20.0f + 20.0f * static_cast<float>(i % 3), 70.0f + 12.0f * static_cast<float>(i)};
    s.meshes.push_back(sphere("ball" + std::to_string(i), at, 7, 8, 12, "falling"));
  }
  std::vector<Vector3> keys = circleKeys({0, 0, 10}, 230, 8);
  for (std::size_t i = 0; i < keys.size(); ++i)
    keys[i].z += i % 2 ? 40.0f : -20.0f;
  s.meshes.push_back(loopPath("flight", keys));
  s.lights = {lamp({100, -100, 300})};
  s.cameras = {looking("flyer", keys[0], {0, 0, -10})};
  return s;
}

// Scene 3's text, sliding through the band around x = 300.
Scene3ds insideText() {
  Scene3ds s;
  s.materials = {sprite("inside_sprite", "glow.jpg")};
  s.meshes = {slidingWord("line1", "INSIDE", -150, 40, 9, "inside_sprite"),
              slidingWord("line2", "THE FALL", -200, -35, 9, "inside_sprite")};
  s.lights = {lamp({300, -200, 100})};
  s.cameras = {looking("text", {300, -150, 5}, {300, 0, 0})};
  return s;
}

// Scene 4: a turning sign, two rippling spheres on a stone slab.
Scene3ds wanting() {
  Scene3ds s;
  // The rippling material adds a sphere-mapped reflection: the distortion leaves little of the
  // lighting, and an added reflection shows whatever the light.
  s.materials = {textured("distort_1", "ripple.jpg", 40, "env.jpg"),
                 textured("sign", "metal.jpg", 50, "env.jpg"), textured("slab", "stone.jpg")};
  // Pivots at the spheres' bases: the ripple runs in rings of distance from the pivot.
  writer3ds::Mesh3ds wave = sphere("wave", {-60, 10, 15}, 30, 24, 32, "distort_1");
  wave.position = {-60, 10, -15};
  writer3ds::Mesh3ds wave2 = sphere("wave2", {50, -10, 5}, 20, 16, 24, "distort_1");
  wave2.position = {50, -10, -15};
  s.meshes = {plate("slab", {0, 50, -25}, 130, 12, "slab"),
              blockWord("wanted", {0, 50, 30}, "WANTED", 3.0f, "sign"), wave, wave2};
  s.lights = {lamp({200, 200, 200})};
  s.cameras = {looking("fixed", {130, 140, 60}, {0, 50, 20})};
  return s;
}

// Scene 4's text: revealed a slice at a time by the band around x = -130.
Scene3ds wantingText() {
  Scene3ds s;
  s.materials = {sprite("wanting_sprite", "glow_green.jpg")};
  s.meshes = {slidingWord("line1", "WANTING", -262, 14, 4, "wanting_sprite"),
              slidingWord("line2", "MORE", -80, 14, 4, "wanting_sprite")};
  s.lights = {lamp({-130, -100, 100})};
  s.cameras = {looking("text", {-130, -75, 2}, {-130, 0, 0})};
  return s;
}

// Scene 5: a ring of standing stones in a halo of dots; the camera circles them.
Scene3ds surrounded() {
  Scene3ds s;
  s.materials = {textured("monolith", "stone.jpg"), sprite("ring_sprite", "glow_ink.jpg", 30)};
  std::vector<writer3ds::Mesh3ds> stones;
  for (int i = 0; i < 8; ++i) {
    float a = 2.0f * kPi * static_cast<float>(i) / 8.0f;
    stones.push_back(box("stone", {70 * std::cos(a), 70 * std::sin(a), 0}, {8, 8, 40}, "monolith"));
  }
  writer3ds::Mesh3ds ring = merge("stones", stones);
  ring.position = {};
  s.meshes = {ring, dots("halo", {}, spherePoints({}, 110, 500), "ring_sprite")};
  s.lights = {lamp({0, 0, 300})};
  s.cameras = {looking("orbit", {0, 300, 0}, {0, 0, 0})};
  return s;
}

// Scene 5's text, at height 201, through the band around x = 170.
Scene3ds surroundedText() {
  Scene3ds s;
  s.materials = {sprite("surround_sprite", "glow_warm.jpg")};
  s.meshes = {slidingWord("line1", "SURROUNDED", -300, 30, 10, "surround_sprite"),
              slidingWord("line2", "BY LIGHT", 320, 30, 10, "surround_sprite")};
  s.lights = {lamp({170, -200, 300})};
  s.cameras = {looking("text", {170, -130, 205}, {170, 0, 201})};
  return s;
}

// Scene 6: a tall rippling column (rings by distance from its pivot) in a ring of motes.
Scene3ds uncertain() {
  Scene3ds s;
  s.materials = {textured("distort1", "ripple.jpg", 40, "env.jpg"),
                 sprite("mote_sprite", "glow_ink.jpg", 30)};
  writer3ds::Mesh3ds column = cylinder("column", {0, 0, -70}, 55, 140, 48, "distort1");
  column.position = {};
  std::vector<Vector3> motes;
  for (int i = 0; i < 90; ++i) {
    float a = 2.0f * kPi * static_cast<float>(i) / 90.0f;
    motes.push_back({150 * std::cos(a), 150 * std::sin(a), 30 * std::sin(a * 5)});
  }
  s.meshes = {column, dots("motes", {}, motes, "mote_sprite")};
  s.lights = {lamp({100, 150, 200})};
  s.cameras = {looking("ellipse", {0, 200, 0}, {0, 0, 0})};
  return s;
}

// Scene 6's four words, revealed one after another by the band around x = -100.
Scene3ds uncertainText() {
  Scene3ds s;
  s.materials = {sprite("question_sprite", "glow.jpg")};
  s.meshes = {slidingWord("word1", "WHERE", -330, 14, 4, "question_sprite"),
              slidingWord("word2", "DOES", -120, 14, 4, "question_sprite"),
              slidingWord("word3", "IT", 100, 14, 4, "question_sprite"),
              slidingWord("word4", "GO?", 300, 14, 4, "question_sprite")};
  s.lights = {lamp({-100, -100, 100})};
  // Looking below the words puts them high on the screen, above scene 6's column.
  s.cameras = {looking("text", {-100, -70, -36}, {-100, 0, -38})};
  return s;
}

// Scene 7: never drawn itself; it holds the pictures its overlays use.
Scene3ds cube() {
  Scene3ds s;
  s.materials = {textured("history", "history.jpg"), textured("ssmall", "ssmall.jpg"),
                 textured("cube", "metal.jpg")};
  s.meshes = {box("cube", {}, {20, 20, 20}, "cube")};
  s.lights = {lamp({0, -100, 100})};
  s.cameras = {looking("front", {0, -100, 10}, {0, 0, 0})};
  return s;
}

// Scene 7's text between the halo rows, through the band around x = 0 at height 50.
Scene3ds cloudText() {
  Scene3ds s;
  s.materials = {sprite("cloud_sprite", "glow_cool.jpg")};
  s.meshes = {slidingWord("line1", "CLOUDS", -170, 12, 3, "cloud_sprite"),
              slidingWord("line2", "DRIFT", -120, -12, 3, "cloud_sprite")};
  s.lights = {lamp({0, -100, 100})};
  s.cameras = {looking("text", {0, -85, 52}, {0, 0, 48})};
  return s;
}

// Scene 8: 27 balls resting on the floor at z 347.8 in a rack; the 27th strikes along -y.
Scene3ds endScene() {
  constexpr float kFloor = 347.8f, kRadius = 6.0f, kSpacing = 13.0f;
  const float restZ = kFloor + kRadius + 0.5f;
  Scene3ds s;
  s.materials = {textured("floor8", "floor.jpg"), textured("ball", "ball.jpg", 40)};
  s.meshes.push_back(plate("floor", {0, 0, kFloor}, 260, 12, "floor8"));
  std::vector<Vector3> rack;
  for (int row = 0; rack.size() < 26; ++row) {
    for (int j = 0; j <= row && rack.size() < 26; ++j) {
      rack.push_back({(static_cast<float>(j) - row / 2.0f) * kSpacing,
                      -static_cast<float>(row) * kSpacing * 0.87f, restZ});
    }
  }
  for (std::size_t i = 0; i < rack.size(); ++i) {
    std::string name =
        i == 0 ? "csphere" : "csphere" + std::string(i < 10 ? "0" : "") + std::to_string(i);
    s.meshes.push_back(sphere(name, rack[i], kRadius, 10, 16, "ball"));
  }
  s.meshes.push_back(sphere("csphere26", {0, 110, restZ}, kRadius, 10, 16, "ball"));
  std::vector<Vector3> keys = circleKeys({0, -30, 410}, 150, 8, 0.4f);
  s.meshes.push_back(loopPath("flight", keys));
  s.lights = {lamp({60, -40, 700})};
  s.cameras = {looking("flyer", keys[0], {0, -30, 356})};
  return s;
}

// Scene 9: four picture cards (the photographs carry their white border: an object is drawn
// with one material), turned half round in the file because the scene turns them back.
Scene3ds polaroids() {
  Scene3ds s;
  for (int i = 0; i < 4; ++i) {
    std::string photo = "photo" + std::to_string(i + 1);
    s.materials.push_back(textured(photo, photo + ".jpg"));
    writer3ds::Mesh3ds picture =
        card("polaroid" + std::to_string(i), {0, 0, 0}, 52, 62, true, photo);
    picture.position = {};
    s.meshes.push_back(picture);
  }
  s.lights = {lamp({0, -200, 200})};
  s.cameras = {looking("front", {0, -230, 5}, {0, 0, 5})};
  return s;
}

}  // namespace

writer3ds::Scene3ds model(int index) {
  switch (index) {
    case 0:
      return inside();
    case 1:
      return cube();
    case 2:
      return spriteBox();
    case 3:
      return intro();
    case 4:
      return surrounded();
    case 5:
      return wanting();
    case 6:
      return surroundedText();
    case 7:
      return wantingText();
    case 8:
      return uncertain();
    case 9:
      return uncertainText();
    case 10:
      return cloudText();
    case 11:
      return introText();
    case 12:
      return insideText();
    case 13:
      return endScene();
    case 14:
      return polaroids();
    default:
      throw std::out_of_range("no model " + std::to_string(index));
  }
}

std::vector<std::string> writeModels(const std::filesystem::path& dir) {
  std::vector<std::string> written;
  for (int i = 0; i < 15; ++i) {
    std::vector<std::uint8_t> bytes = writer3ds::write3ds(model(i));
    std::ofstream out(dir / kFiles[i], std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + (dir / kFiles[i]).string());
    written.push_back(kFiles[i]);
  }
  return written;
}

}  // namespace tav::showkit
