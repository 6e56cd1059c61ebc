#include "engine/engine.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tav {
namespace {

MeshObject namedMesh(const std::string& name) {
  MeshObject mesh;
  mesh.name = name;
  return mesh;
}

TEST(Engine, StartsWithItsDocumentedStateAndOneRenderSettingsEntry) {
  Engine engine;
  EXPECT_EQ(engine.modelCount(), 0);
  EXPECT_EQ(engine.renderSettingsCount(), 1);
  EXPECT_EQ(engine.currentRenderSettings, 0);
  EXPECT_EQ(engine.cameraPathTrack, 0);
  EXPECT_EQ(engine.targetPathTrack, -1);
  EXPECT_EQ(engine.cameraPathParameter, 1.0);
  EXPECT_EQ(engine.targetPathParameter, 1.0);
  EXPECT_EQ(engine.targetLead, 5.0);
  EXPECT_EQ(engine.texturePath, "");
  const RenderSettings& s = engine.renderSettings[0];
  EXPECT_EQ(s.flags, render_flags::kDepthTest);
  EXPECT_EQ(s.clearColour[0] + s.clearColour[1] + s.clearColour[2] + s.clearColour[3], 4.0f);
  EXPECT_EQ(s.spriteSize, 10.0f);
  EXPECT_EQ(s.spriteAlpha, 0.9f);
}

TEST(Engine, SelectModelIgnoresIndicesOutsideTheModels) {
  Engine engine;
  for (int i = 0; i < 3; ++i)
    engine.addModel();
  EXPECT_EQ(engine.addModel(), 3);
  EXPECT_EQ(engine.currentModel, 3);
  EXPECT_EQ(engine.model().meshCount() + engine.model().cameraCount() +
                engine.model().lightCount() + engine.model().trackCount() +
                engine.model().materialCount(),
            0);
  engine.selectModel(1);
  engine.selectModel(-1);
  engine.selectModel(4);
  EXPECT_EQ(engine.currentModel, 1);
  EXPECT_EQ(engine.addRenderSettings(), 1);
  EXPECT_EQ(engine.currentRenderSettings, 1);
}

TEST(Engine, PathTrackSettersTakeAnyIndexBelowTheTrackCount) {
  Engine engine;
  engine.addModel();
  engine.model().tracks.resize(2);
  engine.setCameraPathTrack(-1);
  EXPECT_EQ(engine.cameraPathTrack, -1);
  engine.setCameraPathTrack(2);
  EXPECT_EQ(engine.cameraPathTrack, -1);
  engine.setCameraPathTrack(1);
  engine.setTargetPathTrack(0);
  engine.setTargetPathTrack(7);
  EXPECT_EQ(engine.cameraPathTrack, 1);
  EXPECT_EQ(engine.targetPathTrack, 0);

  engine.cameraPathParameter = 17.25;
  engine.targetPathParameter = -3.0;
  engine.restartPaths();
  EXPECT_EQ(engine.cameraPathParameter, 1.0);
  EXPECT_EQ(engine.targetPathParameter, 1.0);
}

TEST(Engine, FindObjectMatchesPrefixFirstWins) {
  Engine engine;
  engine.addModel();
  for (const char* name : {"box", "csphere", "csphere01", "cs"}) {
    engine.model().meshes.push_back(namedMesh(name));
  }
  EXPECT_EQ(engine.findObject("cs"), 1);
  EXPECT_EQ(engine.currentObject, 1);
  EXPECT_EQ(engine.findObject("csphere0"), 2);
  EXPECT_EQ(engine.findObject(""), 0);
  engine.selectObject(3);
  EXPECT_EQ(engine.findObject("boxx"), -1);  // a name longer than the object's does not match
  EXPECT_EQ(engine.currentObject, 3);

  engine.addModel();
  engine.selectObject(2);
  EXPECT_EQ(engine.findObject("box"), -1);  // no objects at all
  EXPECT_EQ(engine.currentObject, 2);
}

TEST(Engine, NormalsOfTheWorkedExampleAndTheSelectionAfterwards) {
  Engine engine;
  engine.addModel();
  MeshObject mesh;
  mesh.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  mesh.vertexCount = 4;
  mesh.faces = {{0, 1, 2, -1}, {0, 2, 3, -1}};  // normals (0, 0, 1) and (1, 0, 0)
  mesh.faceCount = 2;
  mesh.faceNormals.resize(2);
  mesh.vertexNormals.resize(4);
  mesh.baseNormals.resize(4);
  engine.model().meshes.push_back(mesh);
  for (int i = 0; i < 4; ++i)
    engine.model().meshes.push_back(MeshObject{});

  engine.computeNormals();
  EXPECT_EQ(engine.currentObject, 4);
  const MeshObject& m = engine.model().meshes[0];
  EXPECT_EQ(m.faceNormals[0], (Vector3{0, 0, 1}));
  EXPECT_EQ(m.faceNormals[1], (Vector3{1, 0, 0}));
  EXPECT_NEAR(m.vertexNormals[0].x, 0.70710678f, 1e-6f);
  EXPECT_EQ(m.vertexNormals[0].y, 0.0f);
  EXPECT_NEAR(m.vertexNormals[0].z, 0.70710678f, 1e-6f);
  EXPECT_EQ(m.vertexNormals[1], (Vector3{0, 0, 1}));
  EXPECT_EQ(m.vertexNormals[3], (Vector3{1, 0, 0}));
  EXPECT_EQ(m.baseNormals[0], m.vertexNormals[0]);
}

TEST(Engine, DegenerateAndOutOfRangeFacesKeepZeroNormalsWithoutReadingOutside) {
  Engine engine;
  engine.addModel();
  MeshObject mesh;
  mesh.vertices = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  mesh.vertexCount = 3;
  mesh.faces = {{0, 1, 2, -1}, {0, 1, 7, -1}, {-1, 0, 1, -1}};
  mesh.faceCount = 3;
  mesh.faceNormals.resize(3);
  mesh.vertexNormals.resize(3);
  mesh.baseNormals.resize(3);
  engine.model().meshes.push_back(mesh);
  engine.computeNormals();
  for (const Vector3& n : engine.model().meshes[0].faceNormals)
    EXPECT_EQ(n, Vector3{});
  for (const Vector3& n : engine.model().meshes[0].vertexNormals) {
    EXPECT_FALSE(std::isnan(n.x) || std::isnan(n.y) || std::isnan(n.z));
    EXPECT_EQ(n, Vector3{});
  }
}

}  // namespace
}  // namespace tav
