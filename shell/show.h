#pragma once
// Everything the show builds once at start-up and keeps to the end, and the set-up that fills it.
#include <iosfwd>

#include "engine/engine.h"
#include "shell/music_stream.h"
#include "shell/scene.h"
#include "shell/sync_track.h"

namespace tav {

class GLWindow;
struct ShowState;

struct Show {
  Show(platform::SoundOutput& sound, std::ostream& console, std::ostream& diagnostics);

  Engine engine;
  MusicStream music;
  SyncTrack sync;
  SceneTable scenes{};
};

// Each texture map a model names that cannot be loaded stops the start-up with a box that names
// the file ("Failed to load texture:"), as the show always has; the reason goes to `diagnostics`.
void reportTextureFailures(Engine& engine, GLWindow& window, std::ostream& diagnostics);

// Runs the start-up between opening the window and the main loop: the music opened and started,
// the sync table read and rewound, scene 1 selected, one black frame presented and the start
// projection (71 degrees, 4:3, near 1, far 800) set. Problems with the data files are reported on
// `diagnostics`; the show goes on regardless.
void setUpShow(Show& show, GLWindow& window, ShowState& state, std::ostream& diagnostics);

}  // namespace tav
