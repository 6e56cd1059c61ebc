#pragma once
// The show's whole state as a value: what playing frames changes, from the scene selector to the
// particles and the sync cursor. Taken and put back by the timeline; loaded data (geometry,
// textures, the sync table itself) is not in it and stays as it is.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "effects/particle_system.h"
#include "engine/engine_state.h"
#include "scenes/show_state.h"
#include "shell/show.h"

namespace tav {

struct ShowSnapshot {
  std::int64_t frame = 0;  // the next frame to play
  ShowState state;
  EngineState engine;
  scenes::Scene1State scene1;
  scenes::Scene2State scene2;
  scenes::Scene3State scene3;
  scenes::Scene4State scene4;
  scenes::Scene5State scene5;
  scenes::Scene6State scene6;
  scenes::Scene7State scene7;
  scenes::Scene8State scene8;
  scenes::Scene9State scene9;
  std::optional<ParticleSystem> scene3Particles;
  std::optional<ParticleSystem> scene8Particles;
  std::int32_t syncCursor = 0;

  std::size_t bytes() const;
};

// The show state is the one the show was built with (its context's).
ShowSnapshot takeSnapshot(const Show& show, std::int64_t frame);
void restoreSnapshot(Show& show, const ShowSnapshot& snapshot);

}  // namespace tav
