#include "engine/model_loader.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/engine.h"
#include "tests/engine/loader_fixtures.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"

namespace tav {
namespace {

using namespace writer3ds;
using material_flags::kAdditive;
using material_flags::kReflective;

Model parse(const Scene3ds& scene, LoadReport* report = nullptr) {
  ModelLoader loader;
  return loader.parse(write3ds(scene), report);
}

Model parse(const std::vector<std::uint8_t>& bytes, LoadReport* report = nullptr) {
  ModelLoader loader;
  return loader.parse(bytes, report);
}

TEST(ModelLoader, ReadsEveryChunkOfAToolWrittenScene) {
  Scene3ds scene;
  Material3ds stone{.name = "stone",
                    .ambient = {10, 20, 30},
                    .shininessPercent = 50,
                    .transparencyPercent = 50,
                    .textureMap = "STONE.JPG",
                    .reflectionMap = "sky.jpg",
                    .bumpMap = "bump.jpg"};
  scene.materials = {stone, {.name = "plain"}};
  Mesh3ds box = test::triangle("box", {10, 0, 0});
  box.vertices.push_back({12, 5, 5});
  box.faces.push_back({1, 3, 2});
  box.materialGroups = {{"stone", {0}}, {"plain", {1}}};
  scene.meshes = {box, test::path("path", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}})};
  scene.lights = {{.name = "sun", .position = {1, 2, 3}, .colour = {0.2f, 0.3f, 0.4f}}};
  scene.cameras = {
      {.name = "cam", .position = {4, 5, 6}, .target = {7, 8, 9}, .bank = 2.5f, .lens = 28}};

  LoadReport report;
  Model model = parse(scene, &report);
  EXPECT_EQ(report.status, LoadStatus::Ok) << report.problem;

  ASSERT_EQ(model.meshCount(), 2);
  const MeshObject& mesh = model.meshes[0];
  EXPECT_EQ(mesh.name, "box");
  EXPECT_EQ(mesh.vertexCount, 4);
  EXPECT_EQ(mesh.faceCount, 2);
  EXPECT_EQ(mesh.texCoordCount, 3);
  EXPECT_EQ(mesh.vertices[3], (Vector3{12, 5, 5}));  // as read: re-centring comes later
  EXPECT_EQ(mesh.position, (Vector3{10, 0, 0}));     // from the mesh matrix, not the keyframer
  EXPECT_EQ(mesh.faces[1].b, 3);
  EXPECT_EQ(mesh.faces[0].material, 0);
  EXPECT_EQ(mesh.faces[1].material, 1);
  EXPECT_EQ(mesh.texCoords[1].u, 1.0f);
  EXPECT_EQ(mesh.vertexNormals.size(), 4u);
  EXPECT_EQ(mesh.faceNormals.size(), 2u);
  EXPECT_EQ(model.meshes[1].faceCount, 0);
  EXPECT_EQ(model.meshes[1].vertexCount, 3);

  ASSERT_EQ(model.materialCount(), 2);
  const Material& m = model.materials[0];
  EXPECT_EQ(m.name, "stone");
  EXPECT_EQ(m.texture0File, "STONE.JPG");
  EXPECT_EQ(m.texture1File, "sky.jpg");  // the bump map's name is never read
  EXPECT_EQ(m.flags, kAdditive | kReflective);
  EXPECT_EQ(m.opacity, 0.5f);
  EXPECT_EQ((std::vector<int>{m.colour[0], m.colour[1], m.colour[2]}),
            (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(model.materials[1].opacity, 1.0f);
  EXPECT_EQ(model.materials[1].flags, 0u);

  ASSERT_EQ(model.lightCount(), 1);
  EXPECT_EQ(model.lights[0].position, (Vector3{1, 2, 3}));
  EXPECT_EQ(model.lights[0].diffuse.r, 0.7f);  // its colour chunk is ignored
  EXPECT_EQ(model.lights[0].ambient.g, 0.1f);
  EXPECT_EQ(model.lights[0].specular.b, 1.0f);
  ASSERT_EQ(model.cameraCount(), 1);
  EXPECT_EQ(model.cameras[0].position, (Vector3{4, 5, 6}));
  EXPECT_EQ(model.cameras[0].target, (Vector3{7, 8, 9}));
  EXPECT_EQ(model.cameras[0].bank, 2.5f);
  EXPECT_EQ(model.cameras[0].lens, 28.0f);
  EXPECT_EQ(model.trackCount(), 0);  // tracks are built by the post-load pass
}

TEST(ModelLoader, MapCounterSendsTheFirstMapToTexture0AndResetsPerMaterial) {
  Scene3ds scene;
  scene.materials = {{.name = "texture only", .textureMap = "a.jpg"},
                     {.name = "reflection only", .reflectionMap = "r.jpg"},
                     {.name = "both", .textureMap = "t.jpg", .reflectionMap = "s.jpg"}};
  Model model = parse(scene);
  ASSERT_EQ(model.materialCount(), 3);
  EXPECT_EQ(model.materials[0].texture0File, "a.jpg");
  EXPECT_EQ(model.materials[0].texture1File, "");
  EXPECT_EQ(model.materials[0].flags & kReflective, 0u);
  EXPECT_EQ(model.materials[1].texture0File, "r.jpg");
  EXPECT_EQ(model.materials[1].texture1File, "");
  EXPECT_EQ(model.materials[1].flags & kReflective, kReflective);
  EXPECT_EQ(model.materials[2].texture0File, "t.jpg");
  EXPECT_EQ(model.materials[2].texture1File, "s.jpg");
}

TEST(ModelLoader, ShininessAboveOnePercentIsAdditiveAndTransparencySetsOpacity) {
  Scene3ds scene;
  for (int shininess : {0, 1, 2, 100, 200}) {
    scene.materials.push_back({.name = "s" + std::to_string(shininess),
                               .shininessPercent = shininess,
                               .transparencyPercent = shininess == 0 ? 0 : 50});
  }
  Model model = parse(scene);
  std::vector<bool> additive;
  for (const Material& m : model.materials)
    additive.push_back((m.flags & kAdditive) != 0);
  // 200 is -56 as the signed byte the comparison reads.
  EXPECT_EQ(additive, (std::vector<bool>{false, false, true, true, false}));
  EXPECT_EQ(model.materials[0].opacity, 1.0f);
  EXPECT_EQ(model.materials[1].opacity, 0.5f);
}

TEST(ModelLoader, MaterialGroupsNameTheLastMatchAndIgnoreFacesBeyondTheMesh) {
  Scene3ds scene;
  scene.materials = {{.name = "twin"}, {.name = "other"}, {.name = "twin"}};
  Mesh3ds mesh = test::triangle("tri");
  mesh.faces.push_back({0, 2, 1});
  mesh.materialGroups = {{"twin", {0, 5, 9}}, {"missing", {1}}};
  scene.meshes = {mesh};
  Model model = parse(scene);
  EXPECT_EQ(model.meshes[0].faces[0].material, 2);
  EXPECT_EQ(model.meshes[0].faces[1].material, -1);
}

TEST(ModelLoader, CutsLongNamesToFitTheirRecords) {
  std::string longName(40, 'n');
  std::string longFile(300, 'f');
  Scene3ds scene;
  scene.materials = {{.name = longName, .textureMap = longFile}};
  Mesh3ds mesh = test::triangle(longName);
  mesh.materialGroups = {{longName, {0}}};
  scene.meshes = {mesh};
  Model model = parse(scene);
  EXPECT_EQ(model.meshes[0].name, std::string(31, 'n'));
  EXPECT_EQ(model.materials[0].name, std::string(31, 'n'));
  EXPECT_EQ(model.materials[0].texture0File, std::string(254, 'f'));
  EXPECT_EQ(model.meshes[0].faces[0].material, 0);
}

TEST(ModelLoader, AFileThatIsNotA3dsOrOnlyAHeaderGivesAnEmptyModel) {
  ChunkWriter headerOnly;
  headerOnly.begin(chunk::kMain);
  headerOnly.end();
  ChunkWriter wrongId;
  wrongId.begin(0x4D4C);
  wrongId.raw(write3ds({.meshes = {test::triangle("t")}}));
  wrongId.end();
  for (const auto& bytes :
       {headerOnly.bytes(), wrongId.bytes(), std::vector<std::uint8_t>{0x4D, 0x4D}}) {
    LoadReport report;
    Model model = parse(bytes, &report);
    EXPECT_EQ(report.status, LoadStatus::NotA3ds);
    EXPECT_EQ(model.meshCount() + model.materialCount() + model.cameraCount(), 0);
  }
}

TEST(ModelLoader, NeverReadsPastTheMainChunksLength) {
  std::vector<std::uint8_t> bytes = write3ds({.meshes = {test::triangle("inside")}});
  std::size_t mainLength = bytes.size();
  // A whole second editor section after the main chunk's end, in the same file.
  std::vector<std::uint8_t> more = write3ds({.meshes = {test::triangle("outside")}});
  bytes.insert(bytes.end(), more.begin() + 6, more.end());
  LoadReport report;
  Model model = parse(bytes, &report);
  EXPECT_EQ(report.status, LoadStatus::Ok);
  ASSERT_EQ(model.meshCount(), 1);
  EXPECT_EQ(model.meshes[0].name, "inside");
  EXPECT_LT(mainLength, bytes.size());
}

void oneVertexMesh(ChunkWriter& w, const char* name) {
  w.begin(chunk::kNamedObject);
  w.text(name);
  w.begin(chunk::kTriangleMesh);
  w.begin(chunk::kVertexList);
  w.u16(1);
  w.vec3({1, 2, 3});
  w.end();
  w.end();
  w.end();
}

// An editor section whose second mesh holds `body`, between two good ones.
std::vector<std::uint8_t> damagedFile(const std::function<void(ChunkWriter&)>& body) {
  ChunkWriter w;
  w.begin(chunk::kMain);
  w.begin(chunk::kEditor);
  oneVertexMesh(w, "good");
  w.begin(chunk::kNamedObject);
  w.text("bad");
  w.begin(chunk::kTriangleMesh);
  w.begin(chunk::kVertexList);
  w.u16(1);
  w.vec3({4, 5, 6});
  w.end();
  body(w);
  w.end();
  w.end();
  oneVertexMesh(w, "after");
  w.end();
  w.end();
  return w.bytes();
}

TEST(ModelLoader, DamageInsideAMeshLeavesItEmptyAndTheWalkGoesOn) {
  struct Case {
    const char* what;
    bool endsTheWalk;
    std::function<void(ChunkWriter&)> body;
  };
  const std::vector<Case> cases = {
      {"zero-length chunk", true,
       [](ChunkWriter& w) {
         w.u16(0x1234);
         w.u32(0);
       }},
      {"length below its header", true,
       [](ChunkWriter& w) {
         w.u16(0x1234);
         w.u32(5);
       }},
      {"length past its parent", false,
       [](ChunkWriter& w) {
         w.u16(0x1234);
         w.u32(1000000);
       }},
      {"face count past its chunk", false,
       [](ChunkWriter& w) {
         w.begin(chunk::kFaceList);
         w.u16(30000);
         w.end();
       }},
      {"texture coordinates cut short", false,
       [](ChunkWriter& w) {
         w.begin(chunk::kTexCoords);
         w.u16(2);
         w.f32(0.5f);
         w.end();
       }},
      {"material group cut short", false,
       [](ChunkWriter& w) {
         w.begin(chunk::kFaceMaterial);
         w.text("m");
         w.u16(3);
         w.end();
       }},
      {"mesh matrix cut short", false,
       [](ChunkWriter& w) {
         w.begin(chunk::kMeshMatrix);
         w.f32(1);
         w.end();
       }},
      {"header cut by its parent", false, [](ChunkWriter& w) { w.u16(chunk::kVertexList); }},
  };
  for (const Case& c : cases) {
    LoadReport report;
    Model model = parse(damagedFile(c.body), &report);
    EXPECT_EQ(report.status, LoadStatus::Damaged) << c.what;
    const std::string text = describe(report, model);
    EXPECT_NE(text.find("left empty: mesh 1 \"bad\""), std::string::npos) << c.what << ": " << text;
    ASSERT_EQ(model.meshCount(), c.endsTheWalk ? 2 : 3) << c.what;
    EXPECT_EQ(model.meshes[0].vertices.at(0), (Vector3{1, 2, 3})) << c.what;
    // Usable or absent: no vertices left to make it a path object or a partial mesh.
    EXPECT_EQ(model.meshes[1].name, "bad");
    EXPECT_EQ(model.meshes[1].vertexCount + model.meshes[1].faceCount, 0) << c.what;
    EXPECT_TRUE(model.meshes[1].vertices.empty()) << c.what;
    if (!c.endsTheWalk) {
      EXPECT_EQ(model.meshes[2].vertexCount, 1) << c.what;
    }
  }
}

TEST(ModelLoader, AColourOrPercentageWithNothingInsideIsSkipped) {
  ChunkWriter w;
  w.begin(chunk::kMain);
  w.begin(chunk::kEditor);
  w.begin(chunk::kMaterial);
  w.begin(chunk::kMaterialName);
  w.text("bare");
  w.end();
  for (std::uint16_t id : {chunk::kAmbient, chunk::kShininess, chunk::kTransparency}) {
    w.begin(id);
    w.end();
  }
  w.end();
  oneVertexMesh(w, "after");
  w.end();
  w.end();
  LoadReport report;
  Model model = parse(w.bytes(), &report);
  EXPECT_EQ(report.status, LoadStatus::Ok) << report.problem;
  ASSERT_EQ(model.materialCount(), 1);
  EXPECT_EQ(model.materials[0].opacity, 1.0f);
  EXPECT_EQ(model.meshCount(), 1);
}

// Where each named object's chunk ends, in file order.
std::vector<std::size_t> objectEnds(const std::vector<std::uint8_t>& file) {
  auto id = [&](std::size_t at) { return file[at] | file[at + 1] << 8; };
  auto length = [&](std::size_t at) {
    return std::size_t{file[at + 2]} | std::size_t{file[at + 3]} << 8 |
           std::size_t{file[at + 4]} << 16 | std::size_t{file[at + 5]} << 24;
  };
  std::vector<std::size_t> ends;
  for (std::size_t at = 6; at + 6 <= file.size(); at += length(at)) {
    if (id(at) != chunk::kEditor) continue;
    for (std::size_t in = at + 6; in < at + length(at); in += length(in)) {
      if (id(in) == chunk::kNamedObject) ends.push_back(in + length(in));
    }
  }
  return ends;
}

TEST(ModelLoader, AFileCutAnywhereKeepsEveryWholeMeshAndNoPartOfTheCutOne) {
  // A name with no NUL before its chunk ends, and counts of -1.
  Model odd = parse(damagedFile([](ChunkWriter& w) {
    w.begin(chunk::kFaceList);
    w.u16(0x8000);
    w.end();
    w.begin(chunk::kTexCoords);
    w.u16(0xFFFF);
    w.end();
    w.begin(chunk::kFaceMaterial);
    w.u8('x');
    w.end();
  }));
  ASSERT_EQ(odd.meshCount(), 3);
  EXPECT_EQ(odd.meshes[1].faceCount, 0);

  Scene3ds scene{.materials = {{.name = "m", .textureMap = "t.jpg"}},
                 .meshes = {test::triangle("a"), test::triangle("b", {3, 0, 0}),
                            test::triangle("c", {6, 0, 0})},
                 .cameras = {{.name = "cam"}}};
  scene.meshes[1].materialGroups = {{"m", {0}}};
  std::vector<std::uint8_t> whole = write3ds(scene);
  Model full = parse(whole);
  std::vector<std::size_t> ends = objectEnds(whole);
  ASSERT_EQ(ends.size(), 4u);  // three meshes and the camera
  for (std::size_t n = 0; n < whole.size(); ++n) {
    std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(n));
    Model partial = parse(cut);
    ASSERT_LE(partial.meshCount(), 3);
    EXPECT_LE(partial.cameraCount(), 1);
    for (std::size_t k = 0; k < 3; ++k) {
      if (ends[k] > n) {
        if (k < partial.meshes.size()) {
          EXPECT_EQ(partial.meshes[k].vertexCount, 0) << n;
        }
        continue;
      }
      ASSERT_LT(k, partial.meshes.size()) << "cut at " << n;
      const MeshObject& got = partial.meshes[k];
      EXPECT_EQ(got.vertices, full.meshes[k].vertices) << n;
      EXPECT_EQ(got.texCoordCount, full.meshes[k].texCoordCount) << n;
      EXPECT_EQ(got.position, full.meshes[k].position) << n;
      ASSERT_EQ(got.faceCount, full.meshes[k].faceCount) << n;
      EXPECT_EQ(got.faces[0].material, full.meshes[k].faces[0].material) << n;
    }
  }
}

// A main chunk and editor section holding what `objects` writes.
std::vector<std::uint8_t> editorFile(const std::function<void(ChunkWriter&)>& objects) {
  ChunkWriter w;
  w.begin(chunk::kMain);
  w.begin(chunk::kEditor);
  objects(w);
  w.end();
  w.end();
  return w.bytes();
}

// A named object's mesh with a vertex list of `points`, then what `more` writes inside the mesh.
void namedMesh(ChunkWriter& w, const char* name, const std::vector<Vector3>& points,
               const std::function<void(ChunkWriter&)>& more = {}) {
  w.begin(chunk::kNamedObject);
  w.text(name);
  w.begin(chunk::kTriangleMesh);
  w.begin(chunk::kVertexList);
  w.u16(static_cast<std::uint16_t>(points.size()));
  for (const Vector3& p : points)
    w.vec3(p);
  w.end();
  if (more) more(w);
  w.end();
  w.end();
}

void cutMatrix(ChunkWriter& w) {
  w.begin(chunk::kMeshMatrix);
  w.f32(1);
  w.end();
}

// A light holding a vertex list, which belongs to no mesh.
void lampWithAList(ChunkWriter& w) {
  w.begin(chunk::kNamedObject);
  w.text("lamp");
  w.begin(chunk::kLight);
  w.vec3({0, 0, 9});
  w.begin(chunk::kVertexList);
  w.u16(1);
  w.vec3({7, 7, 7});
  w.end();
  w.end();
  w.end();
}

TEST(ModelLoader, DamagedStructureKeepsTrackNumbersAndTouchesNoOtherMesh) {
  const std::vector<Vector3> loop = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 0}};
  const std::vector<Vector3> third = {{5, 5, 5}, {6, 5, 5}, {6, 6, 5}, {5, 6, 5}};
  const std::vector<std::uint8_t> file = editorFile([&](ChunkWriter& w) {
    namedMesh(w, "first", loop);
    namedMesh(w, "lost path", loop, cutMatrix);
    namedMesh(w, "lost mesh", loop, [](ChunkWriter& m) {
      m.begin(chunk::kFaceList);
      for (std::uint16_t v : {1, 0, 0, 0, 0})  // one face
        m.u16(v);
      m.end();
      cutMatrix(m);
    });
    namedMesh(w, "third", third);
    lampWithAList(w);
    // Far deeper than any file nests: skipped, and the walk goes on after it.
    namedMesh(w, "deep", {}, [](ChunkWriter& m) {
      for (int d = 0; d < 100; ++d)
        m.begin(chunk::kEditor);
      for (int d = 0; d < 100; ++d)
        m.end();
    });
    namedMesh(w, "after", loop);
  });

  Engine engine;
  engine.textureMode = TextureMode::None;
  engine.addModel();
  LoadReport report;
  engine.models[0] = parse(file, &report);
  engine.prepareModel();
  const Model& model = engine.model();
  EXPECT_EQ(report.status, LoadStatus::Damaged);
  std::vector<std::int32_t> vertexCounts;
  for (const MeshObject& m : model.meshes)
    vertexCounts.push_back(m.vertexCount);
  EXPECT_EQ(vertexCounts, (std::vector<std::int32_t>{5, 0, 0, 4, 0, 5}));
  EXPECT_EQ(model.meshes.back().name, "after");
  EXPECT_EQ(model.lightCount(), 1);
  // The lost path keeps its number with no keys; the lost mesh with faces takes none.
  std::vector<std::int32_t> keys;
  for (const Track& track : model.tracks)
    keys.push_back(track.keyCount);
  EXPECT_EQ(keys, (std::vector<std::int32_t>{4, 0, 3, 4}));
  EXPECT_EQ(model.tracks.at(2).points, (std::vector<Vector3>{third.begin(), third.end() - 1}));

  // On its own, the light's list still makes the file damaged.
  Model single = parse(editorFile([&](ChunkWriter& w) {
                         namedMesh(w, "third", third);
                         lampWithAList(w);
                       }),
                       &report);
  EXPECT_EQ(report.status, LoadStatus::Damaged);
  EXPECT_EQ(single.meshes.at(0).vertices, third);
}

TEST(ModelLoader, AFloodOfEmptyRecordsStopsAtWhatAFileCanNumber) {
  // Six bytes a mesh or material chunk would otherwise cost a whole record each, without end.
  const std::vector<std::uint8_t> file = editorFile([](ChunkWriter& w) {
    for (int i = 0; i < 65536 + 10; ++i) {
      w.begin(chunk::kTriangleMesh);
      w.end();
      w.begin(chunk::kMaterial);
      w.end();
    }
  });
  LoadReport report;
  Model model = parse(file, &report);
  EXPECT_EQ(report.status, LoadStatus::Damaged);
  EXPECT_EQ(model.meshCount(), 65535);
  EXPECT_EQ(model.materialCount(), 65535);
  EXPECT_NE(report.problem.find("more mesh objects than a file can number"), std::string::npos)
      << report.problem;
}

TEST(EngineLoadModel, RecentresMeshesBuildsTracksAndKeepsIndicesOfFailedFiles) {
  test::TempDir dir;
  Scene3ds scene;
  Mesh3ds mesh = test::triangle("box", {10, 0, 0});
  mesh.vertices[1] = {12, 0, 0};
  scene.meshes = {mesh,
                  test::path("flight", {{0, 0, 0}, {2, 0, 0}, {2, 4, 0}, {0, 4, 2}, {9, 9, 9}})};
  test::writeFile(dir.file("scene.3ds"), write3ds(scene));

  Engine engine;
  engine.textureMode = TextureMode::None;
  engine.loadModel(dir.file("missing.3ds"));
  EXPECT_EQ(engine.lastLoad().status, LoadStatus::Unreadable);
  engine.setLoadMode(1);
  engine.loadModel(dir.file("scene.3ds"));
  EXPECT_EQ(engine.lastLoad().status, LoadStatus::Skipped);
  engine.setLoadMode(0);
  engine.loadModel(dir.file("scene.3ds"));
  ASSERT_EQ(engine.modelCount(), 3);
  EXPECT_EQ(engine.models[0].meshCount(), 0);
  EXPECT_EQ(engine.models[1].meshCount(), 0);
  EXPECT_EQ(engine.currentModel, 2);

  const Model& model = engine.models[2];
  EXPECT_EQ(model.meshes[0].vertices[1], (Vector3{2, 0, 0}));
  EXPECT_EQ(model.meshes[0].position, (Vector3{10, 0, 0}));
  EXPECT_EQ(model.meshes[0].faceNormals[0], (Vector3{0, 0, 1}));
  EXPECT_EQ(model.meshes[1].vertices[4], (Vector3{9, 9, 9}));  // path objects stay as read
  ASSERT_EQ(model.trackCount(), 1);
  const Track& track = model.tracks[0];
  EXPECT_EQ(track.keyCount, 4);
  EXPECT_EQ(track.tension, 0.5f);
  ASSERT_EQ(track.points.size(), 4u);
  EXPECT_EQ(track.points[3], (Vector3{0, 4, 2}));
  // handle i = point i + (point i+1 - point i-1) × 0.5 × tension
  EXPECT_EQ(track.handles[1], (Vector3{2.5f, 1.0f, 0.0f}));
  EXPECT_EQ(track.handles[2], (Vector3{1.5f, 5.0f, 0.5f}));
  EXPECT_EQ(track.handles[0], Vector3{});
  EXPECT_EQ(track.handles[3], Vector3{});
}

TEST(BuildTrack, ShortPathsGiveFewOrNoKeysAndNoHandles) {
  for (int n : {0, 1, 2, 3}) {
    Track track;
    std::vector<Vector3> vertices(static_cast<std::size_t>(n), Vector3{1, 1, 1});
    buildTrack(track, vertices, n);
    EXPECT_EQ(track.keyCount, std::max(0, n - 1));
    EXPECT_EQ(track.points.size(), static_cast<std::size_t>(track.keyCount));
    for (const Vector3& h : track.handles)
      EXPECT_EQ(h, Vector3{});
  }
}

}  // namespace
}  // namespace tav
