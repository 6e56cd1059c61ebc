#include "engine/engine.h"

namespace tav {

Engine::Engine() {
  addRenderSettings();
}

namespace {

template <typename T>
T* entry(std::vector<T>& items, std::int32_t index) {
  return index >= 0 && static_cast<std::size_t>(index) < items.size()
             ? &items[static_cast<std::size_t>(index)]
             : nullptr;
}

}  // namespace

Model* Engine::findModel() {
  return entry(models, currentModel);
}

MeshObject* Engine::findCurrentObject() {
  Model* m = findModel();
  return m ? entry(m->meshes, currentObject) : nullptr;
}

Camera* Engine::findCurrentCamera() {
  Model* m = findModel();
  return m ? entry(m->cameras, currentCamera) : nullptr;
}

Light* Engine::findCurrentLight() {
  Model* m = findModel();
  return m ? entry(m->lights, currentLight) : nullptr;
}

void Engine::selectModel(std::int32_t index) {
  if (index >= 0 && index < modelCount()) currentModel = index;
}

std::int32_t Engine::addModel() {
  models.emplace_back();
  currentModel = modelCount() - 1;
  return currentModel;
}

std::int32_t Engine::addRenderSettings() {
  renderSettings.emplace_back();
  currentRenderSettings = renderSettingsCount() - 1;
  return currentRenderSettings;
}

void Engine::setCameraPathTrack(std::int32_t track) {
  if (currentModel < modelCount() && track < model().trackCount()) cameraPathTrack = track;
}

void Engine::setTargetPathTrack(std::int32_t track) {
  if (currentModel < modelCount() && track < model().trackCount()) targetPathTrack = track;
}

void Engine::restartPaths() {
  targetPathParameter = 1.0;
  cameraPathParameter = 1.0;
}

std::int32_t Engine::findObject(const std::string& name) {
  if (name.empty()) {
    selectObject(0);
    return 0;
  }
  const std::vector<MeshObject>& meshes = model().meshes;
  for (std::size_t i = 0; i < meshes.size(); ++i) {
    if (meshes[i].name.starts_with(name)) {
      selectObject(static_cast<std::int32_t>(i));
      return currentObject;
    }
  }
  return -1;
}

void Engine::computeFaceNormals() {
  MeshObject& mesh = object();
  for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
    const Face& f = mesh.faces[i];
    if (!mesh.faceInRange(f)) continue;  // keeps its zero normal
    const Vector3& a = mesh.vertices[static_cast<std::size_t>(f.a)];
    const Vector3& b = mesh.vertices[static_cast<std::size_t>(f.b)];
    const Vector3& c = mesh.vertices[static_cast<std::size_t>(f.c)];
    mesh.faceNormals[i] = normalised(cross(b - a, c - a));
  }
}

void Engine::computeVertexNormals() {
  MeshObject& mesh = object();
  for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
    const Face& f = mesh.faces[i];
    if (!mesh.faceInRange(f)) continue;
    for (std::int32_t v : {f.a, f.b, f.c}) {
      mesh.vertexNormals[static_cast<std::size_t>(v)] += mesh.faceNormals[i];
    }
  }
  for (std::size_t v = 0; v < mesh.vertexNormals.size(); ++v) {
    mesh.vertexNormals[v] = normalised(mesh.vertexNormals[v]);
    mesh.baseNormals[v] = mesh.vertexNormals[v];
  }
}

void Engine::computeNormals() {
  for (std::int32_t i = 0; i < model().meshCount(); ++i) {
    selectObject(i);
    computeFaceNormals();
    computeVertexNormals();
  }
}

void Engine::loadModel(const std::string& path) {
  if (currentModel >= modelCount() + 1) return;
  std::int32_t index = addModel();
  models[static_cast<std::size_t>(index)] = loader.load(path, loadMode, &lastLoad_);
  prepareModel();
}

void Engine::prepareModel() {
  recentreAndBuildTracks();
  loadMaterialTextures();
  computeNormals();
}

void Engine::recentreAndBuildTracks() {
  Model& m = model();
  for (MeshObject& mesh : m.meshes) {
    if (mesh.faceCount > 0 && mesh.vertexCount > 0) {
      for (Vector3& v : mesh.vertices)
        v -= mesh.position;
    } else if (mesh.faceCount < 1 && mesh.vertexCount > 0) {
      m.tracks.emplace_back();
      buildTrack(m.tracks.back(), mesh.vertices, mesh.vertexCount);
    } else if (mesh.emptiedPath) {
      // Keeps the numbers of the tracks after it, by which scenes choose their camera paths.
      m.tracks.emplace_back();
    }
  }
}

}  // namespace tav
