#pragma once
// SDL key codes as the virtual-key codes of the show's key table (0 to 255).
#include <SDL2/SDL_keycode.h>

namespace tav::platform {

// The code for `key`, or -1 for a key the table does not hold.
int virtualKey(SDL_Keycode key);

}  // namespace tav::platform
