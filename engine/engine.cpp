#include "engine/engine.h"

namespace tav {

Engine::Engine() = default;

}  // namespace tav
