#include "shell/show.h"

#include <ostream>
#include <string>

#include "engine/render/projection.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"

namespace tav {
namespace {

constexpr double kScene8Floor = 347.8;

// Binds `particle` to mesh object `object` of `model`, or says why it cannot.
bool bind(Particle& particle, const Model& model, std::int32_t object, const Vector3& velocity) {
  if (object < 0 || object >= model.meshCount()) return false;
  ParticleSystem::bindMeshObject(particle, model.meshes[static_cast<std::size_t>(object)],
                                 velocity);
  return true;
}

void reportSkipped(std::ostream& diagnostics, const char* file, const std::string& what,
                   const std::string& skipped) {
  if (!skipped.empty()) {
    diagnostics << file << ": " << what << "; bindings skipped for mesh objects" << skipped
                << std::endl;
  }
}

void bindScene3(Show& show, std::ostream& diagnostics) {
  const Model& model = show.engine.models[0];
  std::string skipped;
  for (std::int32_t i = 0; i < 5; ++i) {
    if (!bind(show.scene3Particles.obstacles[static_cast<std::size_t>(i)], model, i, {})) {
      skipped += " " + std::to_string(i);
    }
  }
  for (std::int32_t i = 0; i < 10; ++i) {
    if (!bind(show.scene3Particles.particles[static_cast<std::size_t>(i)], model, i + 5, {})) {
      skipped += " " + std::to_string(i + 5);
    }
  }
  reportSkipped(diagnostics, kModelFiles[0],
                "scene 3 needs 15 mesh objects, the model has " + std::to_string(model.meshCount()),
                skipped);
}

void bindScene8(Show& show, std::ostream& diagnostics) {
  Engine& engine = show.engine;
  engine.selectModel(13);
  const std::int32_t first = engine.findObject("csphere");
  show.scene8Particles.emplace(show.context.state.random, 27, 0, true, kScene8Floor);
  show.scene8.emplace(show.context, *show.scene8Particles);
  if (engine.currentModel != 13) return;  // model 13 does not exist at all; reported on load
  Model& model = engine.models[13];
  if (first < 0) {
    diagnostics << kModelFiles[13]
                << ": no mesh object named \"csphere...\"; scene 8's spheres are not bound"
                << std::endl;
    return;
  }
  std::string skipped;
  for (std::int32_t i = first; i <= first + 25; ++i) {
    if (!bind(show.scene8Particles->particles[static_cast<std::size_t>(i - first)], model, i, {})) {
      skipped += " " + std::to_string(i);
      continue;
    }
    // i is the index within the model, not the particle's.
    const float a = 20.0f * static_cast<float>(i);
    model.meshes[static_cast<std::size_t>(i)].rotation = {a, a + 32.0f, a + 100.0f};
  }
  if (!bind(show.scene8Particles->particles[26], model, first + 26, {0.0f, -120.0f, 0.0f})) {
    skipped += " " + std::to_string(first + 26);
  }
  reportSkipped(diagnostics, kModelFiles[13],
                "scene 8 needs 27 mesh objects from \"csphere\" on, the model has " +
                    std::to_string(model.meshCount() - first),
                skipped);
}

void loadModel(Engine& engine, std::int32_t index, std::ostream& diagnostics) {
  engine.loadModel(kModelFiles[static_cast<std::size_t>(index)]);
  const LoadReport& report = engine.lastLoad();
  if (report.status != LoadStatus::Ok) {
    diagnostics << kModelFiles[static_cast<std::size_t>(index)] << ": "
                << describe(report, engine.model()) << std::endl;
  }
}

}  // namespace

Show::Show(ShowState& state, platform::SoundOutput& sound, std::ostream& console,
           std::ostream& diagnostics)
    : context{state, diagnostics}, music(sound, console, diagnostics) {}

void reportTextureFailures(Engine& engine, GLWindow& window, std::ostream& diagnostics) {
  engine.onTextureFailure = [&window, &diagnostics](const std::string& path,
                                                    const std::string& reason) {
    diagnostics << path << ": " << reason << std::endl;
    window.platform().showMessageBox("Failed to load texture:", path.c_str(),
                                     platform::BoxIcon::None, platform::BoxButtons::Ok);
  };
}

void loadShowData(Show& show, std::ostream& diagnostics) {
  Engine& engine = show.engine;
  RenderSettings& settings = engine.renderSettings[0];
  settings.clearColour[0] = settings.clearColour[1] = settings.clearColour[2] = 0.0f;
  settings.clearColour[3] = 1.0f;
  engine.setLoadMode(0);
  engine.setTexturePath("data/textures/");

  loadModel(engine, 0, diagnostics);
  bindScene3(show, diagnostics);
  for (std::int32_t i = 1; i < static_cast<std::int32_t>(kModelFiles.size()); ++i) {
    loadModel(engine, i, diagnostics);
  }
  bindScene8(show, diagnostics);

  engine.selectModel(0);
  for (const NamedTexture& texture : kNamedTextures) {
    if (texture.model != engine.currentModel) engine.selectModel(texture.model);
    engine.addTexture(texture.file, texture.name);
  }
  engine.restartPaths();
}

void startMusic(Show& show) {
  show.music.play();
  show.music.enableSpectrum();
  show.music.setVolume(255);
}

void readSyncTable(Show& show, std::ostream& diagnostics) {
  std::string problem = show.sync.load("sync.dat");
  if (!problem.empty()) diagnostics << "sync.dat: " << problem << std::endl;
  show.sync.rewind();
}

void startShow(Show& show, GLWindow* window) {
  ShowState& state = show.context.state;
  show.scenes = {&show.scene1, &show.scene2, &show.scene3,  &show.scene4, &show.scene5,
                 &show.scene6, &show.scene7, &*show.scene8, &show.scene9};
  state.sceneSelector = 1;

  // The first frame is black; without a window to show it, only the state it leaves is kept.
  GlState& gl = show.engine.gl;
  gl.live = window != nullptr;
  show.engine.renderSettings[0].clear(gl);
  gl.live = true;
  if (window) window->swapBuffers();

  setShowProjection(gl, 1.0, 800.0);
}

void setUpShow(Show& show, GLWindow& window, std::ostream& diagnostics,
               TextureFailures textureFailures) {
  Engine& engine = show.engine;
  if (textureFailures) {
    engine.onTextureFailure = std::move(textureFailures);
  } else {
    reportTextureFailures(engine, window, diagnostics);
  }
  show.music.open("forest.mp3");
  window.loadMultitexture();
  engine.gl.multitexture = {window.activeTextureARB, window.multiTexCoord2fARB};

  loadShowData(show, diagnostics);

  startMusic(show);
  readSyncTable(show, diagnostics);
  startShow(show, &window);
}

void resetShow(Show& show) {
  ShowState& state = show.context.state;
  Engine& old = show.engine;
  old.releaseTextures();
  Engine fresh;
  fresh.gl.multitexture = old.gl.multitexture;
  fresh.onTextureFailure = old.onTextureFailure;
  fresh.fillOnlyWhatAdds = old.fillOnlyWhatAdds;
  show.engine = std::move(fresh);
  state = ShowState();
  // Built again as the show builds it, drawing its masses from the fresh sequence.
  show.scene3Particles = ParticleSystem(state.random, 10, 5);
  static_cast<scenes::Scene1State&>(show.scene1) = {};
  static_cast<scenes::Scene2State&>(show.scene2) = {};
  static_cast<scenes::Scene3State&>(show.scene3) = {};
  static_cast<scenes::Scene4State&>(show.scene4) = {};
  static_cast<scenes::Scene5State&>(show.scene5) = {};
  static_cast<scenes::Scene6State&>(show.scene6) = {};
  static_cast<scenes::Scene7State&>(show.scene7) = {};
  static_cast<scenes::Scene9State&>(show.scene9) = {};
  show.scene8.reset();
  show.scene8Particles.reset();
  show.scenes = {};
  show.sync = SyncTrack();
}

}  // namespace tav
