#pragma once
// The scene database the scenes draw through: every loaded model, the render settings, and the
// current selections through which operations address their target. Selections are plain
// indices; most operations do not check them, their callers keep them valid.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/gl_state.h"
#include "engine/model_loader.h"
#include "engine/records.h"
#include "engine/texel_bounds.h"

namespace tav {

// How loading treats the textures that materials name.
enum class TextureMode {
  Upload,  // decode and upload to the current OpenGL context (the show)
  None,    // leave every texture id at -1 and show nothing; the material flags are still set
};

// The engine's selections and what the camera path follower keeps from frame to frame: playing
// changes them, and a snapshot of the show copies them whole.
struct EngineSelections {
  std::int32_t currentModel = 0;
  std::int32_t currentObject = 0;
  std::int32_t currentCamera = 0;
  std::int32_t currentLight = 0;  // no operation changes it
  std::int32_t currentTrack = 0;
  std::int32_t currentRenderSettings = 0;

  // The camera path follower: the tracks followed by the camera and its target (-1: none), their
  // parameters, and how far ahead the target runs on a shared track.
  std::int32_t cameraPathTrack = 0;
  std::int32_t targetPathTrack = -1;
  double targetPathParameter = 1.0;
  double cameraPathParameter = 1.0;
  double targetLead = 5.0;
  // The path follower's frame clock: the last two clock readings and the time between them.
  struct PathClock {
    bool started = false;
    double now = 0.0;
    double previous = 0.0;
    double frameSeconds = 0.00001;
  } pathClock;
};

class Engine : public EngineSelections {
 public:
  Engine();

  // Loading: 0 reads model files; any other value gives empty models.
  std::int32_t loadMode = 0;
  // Put in front of every texture file name, as it stands.
  std::string texturePath;

  std::vector<Model> models;
  std::vector<RenderSettings> renderSettings;
  ModelLoader loader;

  TextureMode textureMode = TextureMode::Upload;
  // Called for each texture map of a loaded model that cannot be loaded, with the composed path
  // and the reason; the shell shows the "Failed to load texture:" box. Unset: standard error.
  std::function<void(const std::string& path, const std::string& reason)> onTextureFailure;

  std::int32_t modelCount() const { return static_cast<std::int32_t>(models.size()); }
  std::int32_t renderSettingsCount() const {
    return static_cast<std::int32_t>(renderSettings.size());
  }
  // The current model and object; callers keep the selections valid.
  Model& model() { return models[static_cast<std::size_t>(currentModel)]; }
  MeshObject& object() { return model().meshes[static_cast<std::size_t>(currentObject)]; }
  RenderSettings& settings() {
    return renderSettings[static_cast<std::size_t>(currentRenderSettings)];
  }

  void selectModel(std::int32_t index);
  void selectObject(std::int32_t index) { currentObject = index; }
  void selectCamera(std::int32_t index) { currentCamera = index; }
  std::int32_t addModel();
  std::int32_t addRenderSettings();
  void setCameraPathTrack(std::int32_t track);
  void setTargetPathTrack(std::int32_t track);
  void restartPaths();
  // The first mesh object of the current model whose name begins with `name`: selected and its
  // index returned; -1 and no change when none does. An empty name selects object 0.
  std::int32_t findObject(const std::string& name);

  void computeFaceNormals();
  void computeVertexNormals();
  void computeNormals();

  void setLoadMode(std::int32_t mode) { loadMode = mode; }
  // Appends a model read from the .3ds file at `path` (an unreadable file gives an empty model,
  // which still takes its index) and prepares it. lastLoad says how the file read.
  void loadModel(const std::string& path);
  const LoadReport& lastLoad() const { return lastLoad_; }
  // Re-centres the meshes, builds the tracks, loads the material textures, computes the normals.
  void prepareModel();

  void setTexturePath(const std::string& prefix) { texturePath = prefix; }
  // Loads texturePath + file as a new material called `name` of the current model; nothing
  // happens when either is empty or the image cannot be loaded.
  void addTexture(const std::string& file, const std::string& name);
  // Deletes every texture the models hold from the context, for data loaded again while the
  // show runs; the materials keep their ids, which no longer name a texture.
  void releaseTextures();

  // Drawing and motion (engine/render). Everything drawn goes through `gl`, which keeps the OpenGL
  // state the frames leave.
  GlState gl;
  // Where each loaded texture is not black, by texture id.
  std::map<std::int32_t, TexelBounds> textureBounds;
  // Additively blended overlays fill only the pixels their texture can add to; the frame is the
  // same either way (tests compare the two).
  bool fillOnlyWhatAdds = true;

  // The current model through its current camera with the current render settings.
  void render();
  // A full-screen picture: the texture of the current model's last material called exactly
  // `materialName` (untextured when there is none).
  void drawOverlay(Vector3 position, Vector3 rotation, Vector3 size, float alpha,
                   const std::string& materialName);
  // The distortion parameters (rate, frequency, amplitude) of the first material whose name
  // begins with `name`.
  void setMaterialParameters(const std::string& name, float a, float b, float c);

  // The setters write into the current object, camera or light; a selection that points at
  // nothing changes nothing.
  void setObjectPosition(float x, float y, float z);
  void setObjectRotation(float x, float y, float z);
  void setObjectScale(float x, float y, float z);
  void setCameraPosition(float x, float y, float z);
  void setCameraTarget(float x, float y, float z);
  void setLightAmbient(float r, float g, float b);
  void setLightDiffuse(float r, float g, float b);
  void setPathParameter(double t) { cameraPathParameter = t; }
  void advancePathParameter(double dt) { cameraPathParameter += dt; }
  Vector3 evaluateTrack(float t);
  // Moves the current camera along cameraPathTrack at `speed` units a second of real time, by
  // parameter steps of `step`, and points it along its own path or the target's track.
  void followCameraPaths(double speed, double step);

  // The current model, object, camera or light, or null when the selection points at nothing.
  Model* findModel();
  MeshObject* findCurrentObject();
  Camera* findCurrentCamera();
  Light* findCurrentLight();

 private:
  void recentreAndBuildTracks();
  void loadMaterialTextures();
  std::int32_t loadTextureFile(const std::string& path, std::string& reason);

  LoadReport lastLoad_;
};

}  // namespace tav
