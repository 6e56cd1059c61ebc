#include "platform/sdl/keys.h"

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
    case SDLK_PAGEUP:
      return 0x21;
    case SDLK_PAGEDOWN:
      return 0x22;
    case SDLK_END:
      return 0x23;
    case SDLK_HOME:
      return 0x24;
    // Punctuation by Windows' US-layout codes, as the studio's keys are known.
    case SDLK_COMMA:
      return 0xBC;
    case SDLK_PERIOD:
      return 0xBE;
    case SDLK_LEFTBRACKET:
      return 0xDB;
    case SDLK_BACKSLASH:
      return 0xDC;
    case SDLK_RIGHTBRACKET:
      return 0xDD;
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
