#include "platform/sdl_keys.h"

namespace tav::platform {

int virtualKey(SDL_Keycode key) {
  // Control keys whose virtual-key code is their ASCII code.
  switch (key) {
    case SDLK_BACKSPACE:
    case SDLK_TAB:
    case SDLK_RETURN:
    case SDLK_ESCAPE:
    case SDLK_SPACE:
      return key;
    case SDLK_LEFT:
      return 0x25;
    case SDLK_UP:
      return 0x26;
    case SDLK_RIGHT:
      return 0x27;
    case SDLK_DOWN:
      return 0x28;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return 0x10;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return 0x11;
    case SDLK_LALT:
    case SDLK_RALT:
      return 0x12;
    default:
      break;
  }
  if (key >= SDLK_0 && key <= SDLK_9) return key;
  // Letters are known by their capital.
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
  return -1;
}

}  // namespace tav::platform
