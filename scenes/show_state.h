#pragma once
// The state the whole show shares: which scene plays, whether the show is over, and the random
// sequence its particle systems draw from. The window and the scenes are given this object;
// nothing else holds it.
#include <cstdint>

#include "platform/c_random.h"

namespace tav {

struct ShowState {
  // 1 to 9 choose a scene; any other value runs none. Scenes step it by one, wrapping as a signed
  // 8-bit value would.
  std::int8_t sceneSelector = 0;
  // Set by a close request and by the last scene; nothing clears it.
  bool quit = false;
  // The C library's rand() as a fresh process gives it: both particle systems draw from it, in
  // the order the show runs them.
  platform::CRandom random;
};

}  // namespace tav
