#pragma once
// Everything the show builds once at start-up and keeps to the end, and the set-up that fills it.
#include <array>
#include <functional>
#include <iosfwd>
#include <optional>

#include "effects/particle_system.h"
#include "engine/engine.h"
#include "scenes/scene.h"
#include "scenes/scene1.h"
#include "scenes/scene2.h"
#include "scenes/scene3.h"
#include "scenes/scene4.h"
#include "scenes/scene5.h"
#include "scenes/scene6.h"
#include "scenes/scene7.h"
#include "scenes/scene8.h"
#include "scenes/scene9.h"
#include "scenes/show_state.h"
#include "shell/music_stream.h"
#include "shell/sync_track.h"

namespace tav {

class GLWindow;

// The models in load order: a model's index is how the scenes select it.
inline constexpr std::array<const char*, 15> kModelFiles = {
    "data/3d/in_demo/inside.3ds",          "data/3d/in_demo/cube.3ds",
    "data/3d/in_demo/sprite_box.3ds",      "data/3d/in_demo/intro.3ds",
    "data/3d/in_demo/surrounded.3ds",      "data/3d/in_demo/wanting.3ds",
    "data/3d/in_demo/surrounded_text.3ds", "data/3d/in_demo/wanting_text.3ds",
    "data/3d/in_demo/uncertain.3ds",       "data/3d/in_demo/uncertain_text.3ds",
    "data/3d/in_demo/cloud_text.3ds",      "data/3d/in_demo/intro_text.3ds",
    "data/3d/in_demo/inside_text.3ds",     "data/3d/in_demo/end_scene.3ds",
    "data/3d/in_demo/polarid.3ds",
};

// Pictures added to models after loading, found by name by the overlays.
struct NamedTexture {
  std::int32_t model;
  const char* file;
  const char* name;
};
inline constexpr std::array<NamedTexture, 8> kNamedTextures = {{
    {0, "max_bron.jpg", "bron"},
    {0, "max_bron_over.jpg", "bronover"},
    {2, "hiss.jpg", "hissen"},
    {2, "disc.jpg", "disc"},
    {4, "max_mast.jpg", "mast"},
    {5, "max_e22.jpg", "e22"},
    {5, "max_e22_over2.jpg", "e22over"},
    {8, "white.jpg", "white"},
}};

// Built in the order the show has always built them: the particle masses come from the show
// state's random sequence.
struct Show {
  Show(ShowState& state, platform::SoundOutput& sound, std::ostream& console,
       std::ostream& diagnostics);

  scenes::SceneContext context;
  Engine engine;
  // Scene 3's spheres on model 0: 10 falling, 5 fixed, no floor.
  ParticleSystem scene3Particles{context.state.random, 10, 5};
  scenes::Scene3 scene3{context, scene3Particles};
  scenes::Scene1 scene1{context};
  scenes::Scene2 scene2{context};
  scenes::Scene4 scene4{context};
  scenes::Scene5 scene5{context};
  scenes::Scene6 scene6{context};
  scenes::Scene7 scene7{context};
  scenes::Scene9 scene9{context};
  // Scene 8's 27 spheres on model 13, over the floor at 347.8, and the scene holding them: built
  // once the models are loaded.
  std::optional<ParticleSystem> scene8Particles;
  std::optional<scenes::Scene8> scene8;
  MusicStream music;
  SyncTrack sync;
  // Scene N is entry N - 1; complete once the set-up has run.
  SceneTable scenes{};
};

// Each texture map a model names that cannot be loaded stops the start-up with a box that names
// the file ("Failed to load texture:"), as the show always has; the reason goes to `diagnostics`.
void reportTextureFailures(Engine& engine, GLWindow& window, std::ostream& diagnostics);

// Told each texture that cannot be loaded, with its path and the reason.
using TextureFailures = std::function<void(const std::string& path, const std::string& reason)>;

// The start-up between opening the window and the main loop: the music opened, the fifteen models
// loaded in order, both particle systems bound, the named textures added, the music started, the
// sync table read, scene 1 selected, one black frame presented and the start projection (71
// degrees, 4:3, near 1, far 800) set. Missing data is reported on `diagnostics` and skipped; the
// show goes on regardless. Textures that fail are reported as reportTextureFailures does, or to
// `textureFailures` when given.
// The show state is the one the show was built with.
void setUpShow(Show& show, GLWindow& window, std::ostream& diagnostics,
               TextureFailures textureFailures = {});

// The set-up's steps, for a show whose data is loaded again while it runs (the studio).
// The models in order, both particle systems bound, the named textures added, the paths
// restarted.
void loadShowData(Show& show, std::ostream& diagnostics);
// The music played from its start at full volume, the spectrum unit on.
void startMusic(Show& show);
// "sync.dat" read and the cursor at its first event.
void readSyncTable(Show& show, std::ostream& diagnostics);
// Scene 1 selected, the black first frame (presented only with a window) and the start
// projection.
void startShow(Show& show, GLWindow* window);
// Back to the state the show is built in, the models and their textures gone and no sync events,
// the music untouched: loadShowData, readSyncTable and startShow then make what the set-up makes.
void resetShow(Show& show);

}  // namespace tav
