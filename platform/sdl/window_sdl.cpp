#include <SDL2/SDL.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "platform/gl.h"
#include "platform/pixel_reader.h"
#include "platform/sdl/keys.h"
#include "platform/window.h"

namespace tav::platform {

struct Window::Impl {
  VideoBackend backend;
  std::string error;
  bool videoStarted = false;
  Uint32 postedEvent = 0;  // the SDL event type that marks a posted message
  std::deque<WindowMessage> posted;
  bool escapeLatched = false;
  bool haveMode = false;
  SDL_DisplayMode mode{};
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  Size headlessSize;
  PixelReader reader;

  bool fail(const std::string& what) {
    error = what + ": " + SDL_GetError();
    return false;
  }
};

namespace {

// Events the show never handles would only queue up behind the ones it does, since a frame takes
// one message: mouse motion alone can outrun the frame rate. An audio device's removal stays on:
// SDL posts it only when it is, and the sound layer watches for it.
constexpr Uint32 kIgnoredEvents[] = {
    SDL_MOUSEMOTION,
    SDL_MOUSEBUTTONDOWN,
    SDL_MOUSEBUTTONUP,
    SDL_MOUSEWHEEL,
    SDL_TEXTEDITING,
    SDL_TEXTINPUT,
    SDL_KEYMAPCHANGED,
    SDL_FINGERDOWN,
    SDL_FINGERUP,
    SDL_FINGERMOTION,
    SDL_DOLLARGESTURE,
    SDL_DOLLARRECORD,
    SDL_MULTIGESTURE,
    SDL_CLIPBOARDUPDATE,
    SDL_DROPFILE,
    SDL_DROPTEXT,
    SDL_DROPBEGIN,
    SDL_DROPCOMPLETE,
    SDL_AUDIODEVICEADDED,
    SDL_SENSORUPDATE,
    SDL_DISPLAYEVENT,
    SDL_LOCALECHANGED,
    SDL_RENDER_TARGETS_RESET,
    SDL_RENDER_DEVICE_RESET,
};

bool isRealDisplay(const char* driver) {
  return driver != nullptr && std::strcmp(driver, "offscreen") != 0 &&
         std::strcmp(driver, "dummy") != 0;
}

int SDLCALL latchEscape(void* userdata, SDL_Event* event) {
  if (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE) {
    static_cast<Window::Impl*>(userdata)->escapeLatched = true;
  }
  return 0;
}

WindowMessage translateWindowEvent(const SDL_WindowEvent& event, SDL_Window* window) {
  WindowMessage message;
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      message.kind = WindowMessage::Kind::Close;
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      message.kind = WindowMessage::Kind::Activate;
      message.minimised = true;
      break;
    case SDL_WINDOWEVENT_RESTORED:
    case SDL_WINDOWEVENT_MAXIMIZED:
      message.kind = WindowMessage::Kind::Activate;
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
    case SDL_WINDOWEVENT_FOCUS_LOST:
      message.kind = WindowMessage::Kind::Activate;
      message.minimised = window && (SDL_GetWindowFlags(window) & SDL_WINDOW_MINIMIZED) != 0;
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      message.kind = WindowMessage::Kind::Size;
      message.size = {event.data1, event.data2};
      break;
    default:
      break;
  }
  return message;
}

// "CAPTION: text", or "Caption: text" where the caption already ends with its colon.
void printBox(const char* caption, const char* text) {
  std::size_t length = std::strlen(caption);
  bool colon = length > 0 && caption[length - 1] == ':';
  std::fprintf(stderr, "%s%s %s\n", caption, colon ? "" : ":", text);
}

}  // namespace

Window::Window(VideoBackend backend) : impl_(std::make_unique<Impl>()) {
  impl_->backend = backend;
}

Window::~Window() {
  deleteContext();
  destroyWindow();
  stopVideo();
}

VideoBackend Window::backend() const {
  return impl_->backend;
}
const std::string& Window::lastError() const {
  return impl_->error;
}

bool Window::startVideo(const char*) {
  if (impl_->videoStarted) return true;
  // Ctrl+C in the console ends the program, and closing the window is the show's own close
  // request, not a quit message.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  // Without this SDL ends each round of polling with a marker that reads as "no message", and a
  // frame would handle nothing although a message is pending.
  SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
  if (impl_->backend == VideoBackend::Headless) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return impl_->fail("cannot start SDL video");
  // With no display SDL falls back to drawing off screen; the show itself never plays unseen.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (impl_->backend == VideoBackend::Display && !isRealDisplay(driver)) {
    impl_->error = std::string("no display to open a window on (SDL found only its '") +
                   (driver ? driver : "?") + "' video driver)";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  impl_->videoStarted = true;
  for (Uint32 type : kIgnoredEvents)
    SDL_EventState(type, SDL_IGNORE);
  SDL_StopTextInput();
  impl_->postedEvent = SDL_RegisterEvents(1);
  impl_->escapeLatched = false;
  SDL_AddEventWatch(latchEscape, impl_.get());
  return true;
}

bool Window::stopVideo() {
  if (!impl_->videoStarted) return true;
  SDL_DelEventWatch(latchEscape, impl_.get());
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  impl_->videoStarted = false;
  impl_->posted.clear();
  return true;
}

void Window::setHeadlessSize(Size size) {
  impl_->headlessSize = size;
}

bool Window::changeDisplayMode(int width, int height, int bits) {
  impl_->haveMode = false;
  if (impl_->backend == VideoBackend::Headless) return true;
  if (!impl_->videoStarted) {
    impl_->error = "video is not started";
    return false;
  }
  // SDL lists modes by depth, then size, then refresh rate, best first: the first exact size
  // with at least the asked depth is the one a full-screen switch should use.
  int count = SDL_GetNumDisplayModes(0);
  const SDL_DisplayMode* fallback = nullptr;
  SDL_DisplayMode found{};
  for (int i = 0; i < count; ++i) {
    SDL_DisplayMode mode;
    if (SDL_GetDisplayMode(0, i, &mode) != 0) continue;
    if (mode.w != width || mode.h != height) continue;
    if (static_cast<int>(SDL_BITSPERPIXEL(mode.format)) >= bits - 8) {
      impl_->mode = mode;
      impl_->haveMode = true;
      return true;
    }
    if (!fallback) {
      found = mode;
      fallback = &found;
    }
  }
  if (fallback) {
    impl_->mode = found;
    impl_->haveMode = true;
    return true;
  }
  impl_->error =
      "the display has no " + std::to_string(width) + "x" + std::to_string(height) + " mode";
  return false;
}

void Window::restoreDisplayMode() {
  // SDL puts the desktop mode back when a full-screen window leaves full screen or goes away.
  if (impl_->window) SDL_SetWindowFullscreen(impl_->window, 0);
  impl_->haveMode = false;
}

bool Window::createWindow(const char* title, int width, int height, bool fullScreen, int) {
  if (!impl_->videoStarted) {
    impl_->error = "video is not started";
    return false;
  }
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);

  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_ALLOW_HIGHDPI;
  bool switchMode = fullScreen && impl_->backend == VideoBackend::Display;
  flags |= switchMode ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_RESIZABLE;
  if (impl_->backend == VideoBackend::Headless && impl_->headlessSize.width > 0) {
    width = impl_->headlessSize.width;
    height = impl_->headlessSize.height;
  }
  impl_->window = SDL_CreateWindow(title, 0, 0, width, height, flags);
  if (!impl_->window) return impl_->fail("cannot create the window");
  if (switchMode && impl_->haveMode && SDL_SetWindowDisplayMode(impl_->window, &impl_->mode) != 0) {
    return impl_->fail("cannot set the full-screen mode");
  }
  return true;
}

WindowStep Window::failedStep() const {
  return WindowStep::Window;
}

bool Window::releaseDeviceContext() {
  return true;
}

bool Window::destroyWindow() {
  if (impl_->window) SDL_DestroyWindow(impl_->window);
  impl_->window = nullptr;
  return true;
}

bool Window::hasWindow() const {
  return impl_->window != nullptr;
}

bool Window::createContext() {
  if (!impl_->window) {
    impl_->error = "no window";
    return false;
  }
  impl_->context = SDL_GL_CreateContext(impl_->window);
  if (!impl_->context) return impl_->fail("cannot create the OpenGL context");
  return true;
}

bool Window::hasContext() const {
  return impl_->context != nullptr;
}

bool Window::makeCurrent() {
  if (SDL_GL_MakeCurrent(impl_->window, impl_->context) != 0) {
    return impl_->fail("cannot make the OpenGL context current");
  }
  SDL_GL_SetSwapInterval(1);
  return true;
}

bool Window::releaseContext() {
  if (SDL_GL_MakeCurrent(impl_->window, nullptr) != 0) {
    return impl_->fail("cannot release the OpenGL context");
  }
  return true;
}

bool Window::deleteContext() {
  if (!impl_->context) return true;
  // The read-back buffers belong to the context: freed in it, before it goes.
  if (SDL_GL_GetCurrentContext() == impl_->context) impl_->reader.release();
  SDL_GL_DeleteContext(impl_->context);
  impl_->context = nullptr;
  return true;
}

void Window::show() {
  if (!impl_->window) return;
  SDL_ShowWindow(impl_->window);
  SDL_RaiseWindow(impl_->window);
}

void Window::setCursorVisible(bool visible) {
  if (impl_->videoStarted) SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

void Window::suppressScreenSaver() {
  if (impl_->videoStarted) SDL_DisableScreenSaver();
}

void Window::swapBuffers() {
  if (impl_->window) SDL_GL_SwapWindow(impl_->window);
}

void Window::rest(int ms) {
  SDL_Delay(static_cast<Uint32>(ms));
}

bool Window::nextMessage(WindowMessage& message) {
  if (!impl_->videoStarted) return false;
  SDL_Event event;
  if (!SDL_PollEvent(&event)) return false;
  message = WindowMessage{};
  if (event.type == SDL_QUIT) {
    message.kind = WindowMessage::Kind::Quit;
  } else if (event.type == SDL_WINDOWEVENT) {
    message = translateWindowEvent(event.window, impl_->window);
  } else if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) {
    int key = virtualKey(event.key.keysym.sym);
    if (key >= 0) {
      message.kind =
          event.type == SDL_KEYDOWN ? WindowMessage::Kind::KeyDown : WindowMessage::Kind::KeyUp;
      message.key = key;
    }
  } else if (event.type == impl_->postedEvent && !impl_->posted.empty()) {
    message = impl_->posted.front();
    impl_->posted.pop_front();
  }
  return true;
}

void Window::postMessage(const WindowMessage& message) {
  if (!impl_->videoStarted) return;
  // The message waits in our own queue; an event marks its place among the system's events.
  SDL_Event marker{};
  marker.type = impl_->postedEvent;
  if (SDL_PushEvent(&marker) == 1) impl_->posted.push_back(message);
}

void Window::defaultProcedure(const WindowMessage& message) {
  if (message.kind == WindowMessage::Kind::SystemCommand &&
      message.command == SystemCommand::Close) {
    WindowMessage close;
    close.kind = WindowMessage::Kind::Close;
    postMessage(close);
  }
}

// Every SDL event waits in the queue for nextMessage.
void Window::setProcedure(std::function<void(const WindowMessage&)>) {}

bool Window::escapePressed() {
  if (!impl_->videoStarted) return false;
  SDL_PumpEvents();
  bool down = SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_ESCAPE] != 0;
  bool latched = impl_->escapeLatched;
  impl_->escapeLatched = false;
  return down || latched;
}

BoxAnswer Window::showMessageBox(const char* caption, const char* text, BoxIcon icon,
                                 BoxButtons buttons) {
  // The default answer is the first button, the one Return presses.
  BoxAnswer byDefault = buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
  if (impl_->backend == VideoBackend::Headless) {
    printBox(caption, text);
    return byDefault;
  }
  SDL_MessageBoxButtonData ok{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 0, "OK"};
  SDL_MessageBoxButtonData yesNo[2] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 2, "No"},
  };
  Uint32 flags = icon == BoxIcon::Information ? SDL_MESSAGEBOX_INFORMATION
                 : icon == BoxIcon::Stop      ? SDL_MESSAGEBOX_ERROR
                 : icon == BoxIcon::None      ? 0
                                              : SDL_MESSAGEBOX_WARNING;
  SDL_MessageBoxData box{};
  box.flags = flags;
  box.window = impl_->window;
  box.title = caption;
  box.message = text;
  box.numbuttons = buttons == BoxButtons::YesNo ? 2 : 1;
  box.buttons = buttons == BoxButtons::YesNo ? yesNo : &ok;
  int pressed = -1;
  if (SDL_ShowMessageBox(&box, &pressed) != 0) {
    // No box could be shown (no display at all): the text still reaches the viewer.
    printBox(caption, text);
    return byDefault;
  }
  if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
  return pressed == 1 ? BoxAnswer::Yes : BoxAnswer::No;
}

Size Window::drawableSize() const {
  Size size;
  if (impl_->window) SDL_GL_GetDrawableSize(impl_->window, &size.width, &size.height);
  return size;
}

Size Window::windowSize() const {
  Size size;
  if (impl_->window) SDL_GetWindowSize(impl_->window, &size.width, &size.height);
  return size;
}

void* Window::procAddress(const char* name) const {
  return impl_->videoStarted ? SDL_GL_GetProcAddress(name) : nullptr;
}

bool Window::startReadback() {
  return impl_->context && impl_->reader.start(drawableSize());
}

bool Window::takeReadback(std::vector<std::uint8_t>& rgb, Size& size) {
  return impl_->context && impl_->reader.take(rgb, size);
}

std::vector<std::uint8_t> Window::readPixelsRgb(Size& size) const {
  size = drawableSize();
  std::vector<std::uint8_t> rows;
  if (!impl_->context || size.width <= 0 || size.height <= 0) {
    size = {};
    return rows;
  }
  return readPresentedFrameRgb(size);
}

}  // namespace tav::platform
