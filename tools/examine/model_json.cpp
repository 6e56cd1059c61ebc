#include "tools/examine/model_json.h"

#include <charconv>
#include <cstdlib>

#include "tools/examine/name_text.h"

namespace tav::inspect {
namespace {

using Json = nlohmann::ordered_json;

// Floats printed as their shortest decimal form (0.1, not 0.10000000149011612).
Json number(float value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text - 1, value);
  *result.ptr = '\0';
  return std::strtod(text, nullptr);
}

Json vec(const Vector3& v) {
  return Json::array({number(v.x), number(v.y), number(v.z)});
}
Json rgba(const Rgba& c) {
  return Json::array({number(c.r), number(c.g), number(c.b), number(c.a)});
}

template <typename T, typename F>
Json list(const std::vector<T>& items, F each) {
  Json out = Json::array();
  for (const T& item : items)
    out.push_back(each(item));
  return out;
}

Json mesh(const MeshObject& m, bool geometry) {
  Json j = {{"name", nameText(m.name)},    {"vertexCount", m.vertexCount},
            {"faceCount", m.faceCount},    {"texCoordCount", m.texCoordCount},
            {"position", vec(m.position)}, {"rotation", vec(m.rotation)},
            {"scale", vec(m.scale)}};
  if (geometry) {
    j["vertices"] = list(m.vertices, vec);
    j["faces"] = list(m.faces, [](const Face& f) {
      return Json::array({f.a, f.b, f.c, f.material});
    });
    j["texCoords"] = list(m.texCoords, [](const TexCoord& t) {
      return Json::array({number(t.u), number(t.v)});
    });
    j["vertexNormals"] = list(m.vertexNormals, vec);
  }
  return j;
}

}  // namespace

const char* statusName(LoadStatus status) {
  switch (status) {
    case LoadStatus::Ok:
      return "ok";
    case LoadStatus::Skipped:
      return "skipped";
    case LoadStatus::Unreadable:
      return "unreadable";
    case LoadStatus::NotA3ds:
      return "not a 3ds file";
    case LoadStatus::Damaged:
      return "damaged";
  }
  return "?";
}

Json flagNames(std::uint32_t flags) {
  static constexpr std::pair<std::uint32_t, const char*> kNames[] = {
      {material_flags::kFlat, "flat"},         {material_flags::kSmooth, "smooth"},
      {material_flags::kTextured, "textured"}, {material_flags::kReflective, "reflective"},
      {material_flags::kCullBack, "cullBack"}, {material_flags::kDualTextured, "dualTextured"},
      {material_flags::kAdditive, "additive"}, {material_flags::kSprite, "sprite"},
      {material_flags::kDistort, "distort"},
  };
  Json names = Json::array();
  for (const auto& [bit, name] : kNames) {
    if (flags & bit) names.push_back(name);
  }
  return names;
}

Json fileJson(const std::string& file, const LoadReport& report, const Model& model,
              bool geometry) {
  Json entry = {{"file", nameText(file)}, {"status", statusName(report.status)}};
  if (!report.problem.empty()) {
    entry["problem"] =
        nameText(describe(report, model, [](std::string_view n) { return nameText(n); }));
  }
  entry.update(modelJson(model, geometry));
  return entry;
}

Json modelJson(const Model& model, bool geometry) {
  Json j;
  j["meshes"] = list(model.meshes, [geometry](const MeshObject& m) { return mesh(m, geometry); });
  j["cameras"] = list(model.cameras, [](const Camera& c) {
    return Json{{"position", vec(c.position)},
                {"target", vec(c.target)},
                {"bank", number(c.bank)},
                {"lens", number(c.lens)}};
  });
  j["lights"] = list(model.lights, [](const Light& l) {
    return Json{{"position", vec(l.position)},
                {"ambient", rgba(l.ambient)},
                {"diffuse", rgba(l.diffuse)},
                {"specular", rgba(l.specular)}};
  });
  j["tracks"] = list(model.tracks, [](const Track& t) {
    return Json{{"keyCount", t.keyCount},
                {"tension", number(t.tension)},
                {"points", list(t.points, vec)},
                {"handles", list(t.handles, vec)}};
  });
  j["materials"] = list(model.materials, [](const Material& m) {
    return Json{{"name", nameText(m.name)},
                {"texture0File", nameText(m.texture0File)},
                {"texture1File", nameText(m.texture1File)},
                {"colour", Json::array({m.colour[0], m.colour[1], m.colour[2]})},
                {"opacity", number(m.opacity)},
                {"flags", m.flags},
                {"flagNames", flagNames(m.flags)},
                {"distortParameters",
                 Json::array({number(m.distortParameters[0]), number(m.distortParameters[1]),
                              number(m.distortParameters[2])})}};
  });
  return j;
}

}  // namespace tav::inspect
