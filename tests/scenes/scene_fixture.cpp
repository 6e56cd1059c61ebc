#include "tests/scenes/scene_fixture.h"

#include <cstdio>
#include <cstdlib>

#include "engine/model_loader.h"

namespace tav::test {
namespace {

MeshObject object(const std::string& name, std::int32_t material = -1) {
  MeshObject o;
  o.name = name;
  o.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  o.vertexCount = 3;
  o.vertexNormals = o.baseNormals = std::vector<Vector3>(3, Vector3{0, 0, 1});
  o.faces = {{0, 1, 2, material}};
  o.faceCount = 1;
  o.faceNormals = {{0, 0, 1}};
  return o;
}

Material named(const std::string& name, std::int32_t texture) {
  Material m;
  m.name = name;
  m.texture0 = texture;
  m.flags = material_flags::kTextured | material_flags::kSmooth;
  return m;
}

Track loop() {
  Track track;
  buildTrack(
      track,
      {{0, 100, 0}, {0, 0, 0}, {100, 0, 0}, {100, 100, 0}, {0, 100, 0}, {0, 0, 0}, {9, 9, 9}}, 7);
  return track;
}

}  // namespace

Engine showEngine() {
  Engine engine;
  for (int m = 0; m < 15; ++m) {
    engine.addModel();
    Model& model = engine.model();
    model.lights.resize(1);
    model.cameras = {{{static_cast<float>(m), -100, 10}, {0, 0, 0}, 0, 35}};
    for (int i = 0; i < 4; ++i)
      model.meshes.push_back(object("object" + std::to_string(i)));
  }
  Model* models = engine.models.data();
  for (int i = 4; i < 15; ++i)
    models[0].meshes.push_back(object("sphere" + std::to_string(i)));
  models[0].materials = {named("bron", 31), named("bronover", 32)};
  models[0].tracks = {loop()};
  models[1].materials = {named("history", 11), named("ssmall", 12)};
  models[2].materials = {named("hissen", 21), named("disc", 22)};
  models[3].cameras = {{{3, -100, 10}, {0, 0, 0}, 0, 35},
                       {{3, -200, 10}, {0, 0, 0}, 0, 35},
                       {{3, -300, 10}, {0, 0, 0}, 0, 35}};
  models[3].meshes = {object("Text02"), object("Text03"), object("Title"), object("Text06")};
  models[4].materials = {named("mast", 41)};
  models[5].materials = {named("distort_1", -1), named("e22", 51), named("e22over", 52)};
  models[5].meshes[2].name = "wanted";
  models[8].materials = {named("distort1", -1), named("white", 81)};
  models[13].meshes = {object("floor")};
  for (int i = 0; i < 27; ++i)
    models[13].meshes.push_back(object(i == 0 ? "csphere" : "ball"));
  models[13].tracks = {loop()};
  engine.selectModel(0);
  return engine;
}

std::vector<Overlay> overlays(const std::vector<std::string>& calls) {
  std::vector<Overlay> found;
  for (std::size_t i = 0; i + 1 < calls.size(); ++i) {
    if (calls[i + 1] != "gluLookAt(0, 0, 0, 0, 0, -1, 0, 1, 0)") continue;
    Overlay o;
    for (std::size_t j = i + 2; j < calls.size() && calls[j] != "glEnd()"; ++j) {
      const std::string& c = calls[j];
      float a, b, d;
      int id;
      if (c.starts_with("glBindTexture(GL_TEXTURE_2D, ") &&
          std::sscanf(c.c_str(), "glBindTexture(GL_TEXTURE_2D, %d)", &id) == 1) {
        o.texture = id;
      }
      if (std::sscanf(c.c_str(), "glTranslatef(%f, %f, %f)", &a, &b, &d) == 3) {
        o.x = a;
        o.y = b;
        o.z = -24.0f - d;
      }
      if (std::sscanf(c.c_str(), "glRotatef(%f, 0, 0, 1)", &a) == 1) o.rotationZ = a;
      if (std::sscanf(c.c_str(), "glColor4f(1, 1, 1, %f)", &a) == 1) o.alpha = a;
    }
    found.push_back(o);
  }
  return found;
}

std::vector<std::string> views(const std::vector<std::string>& calls) {
  std::vector<std::string> eyes;
  for (const std::string& c : calls) {
    if (!c.starts_with("gluLookAt(") || c == "gluLookAt(0, 0, 0, 0, 0, -1, 0, 1, 0)") continue;
    std::size_t third = c.find(", ", c.find(", ", 10) + 2);
    eyes.push_back(c.substr(10, third - 10));
  }
  return eyes;
}

std::vector<std::string> projections(const std::vector<std::string>& calls) {
  std::vector<std::string> found;
  for (const std::string& c : calls) {
    if (c.starts_with("gluPerspective(")) found.push_back(c);
  }
  return found;
}

}  // namespace tav::test
