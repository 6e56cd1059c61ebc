// The show's window in the browser: the page's canvas, whose backing store has the chosen size
// (the page scales it to the screen with the 4:3 letterbox), a WebGL 2 context under the
// browser's OpenGL 1.1 subset, DOM key and visibility events as the show's messages, the full
// screen the viewer's choice asked for as the display mode, and the page's own dialogs as
// message boxes. The Display backend presents once a display frame; Headless (tests, stills)
// draws as fast as it can, never yielding to the page, and answers boxes on standard error.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>

#include "platform/web/gl11_context.h"
#include "platform/window.h"

namespace tav::platform {

// clang-format off
EM_JS(void, pageSetTitle, (const char* title), {
  document.title = UTF8ToString(title);
});
EM_JS(void, pageSetCursorVisible, (int visible), {
  if (Module.canvas) Module.canvas.style.cursor = visible ? "" : "none";
});
EM_JS(void, pageLeaveFullScreen, (), {
  if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(() => {});
});
// The page's modal dialog: 0 for OK, 1 for Yes, 2 for No; -1 when the page has none.
EM_ASYNC_JS(int, pageDialog, (const char* caption, const char* text, int yesNo, int icon), {
  if (!Module.tavrinelDialog) return -1;
  return await Module.tavrinelDialog(UTF8ToString(caption), UTF8ToString(text), yesNo != 0, icon);
});
// The page asks for full screen in the viewer's gesture that takes the choice (a browser refuses
// it anywhere else): 1 when it was granted or none was asked for (autoplay), 0 when refused.
EM_ASYNC_JS(int, pageFullScreenGranted, (), {
  const asked = Module.tavrinelFullScreen;
  Module.tavrinelFullScreen = null;
  const granted = asked ? await asked : false;
  Module.tavrinelInFullScreen = granted;
  return !asked || granted ? 1 : 0;
});
// The browser keeps Escape to itself in full screen: leaving full screen is the viewer's Escape.
// It is left once the page no longer has its full screen element, which the browser unsets as
// soon as it hears of the exit, before it tells the page with an event.
EM_JS(int, pageLeftFullScreen, (), {
  const left = Module.tavrinelLeftFullScreen ||
               (Module.tavrinelInFullScreen && !document.fullscreenElement) ? 1 : 0;
  Module.tavrinelLeftFullScreen = false;
  if (left) Module.tavrinelInFullScreen = false;
  return left;
});
// Lets the browser run what it has held back while the program was busy (input, a full screen
// left), so that it is heard now.
EM_ASYNC_JS(void, pageCatchUp, (), {
  await new Promise((resolve) => setTimeout(resolve, 0));
});
EM_JS(int, pageKnowsWebGL2, (), {
  return typeof WebGL2RenderingContext !== "undefined" ? 1 : 0;
});
// Returns when the browser is about to paint the next display frame.
EM_ASYNC_JS(void, pageNextFrame, (), {
  await new Promise((resolve) => requestAnimationFrame(() => resolve()));
});
// clang-format on

struct Window::Impl {
  VideoBackend backend;
  std::string error;
  bool videoStarted = false;
  bool haveWindow = false;
  Size headlessSize;
  Size size;
  EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = 0;
  std::unique_ptr<gl11::Context> gl;
  std::deque<WindowMessage> queue;
  std::deque<std::pair<Size, std::vector<std::uint8_t>>> readBack;  // taken in order
  bool escapeDown = false;
  bool escapeLatched = false;
  bool caughtUp = false;

  bool fail(const std::string& what) {
    error = what;
    return false;
  }
};

namespace {

constexpr const char* kCanvas = "#canvas";

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* event, void* userData) {
  auto* impl = static_cast<Window::Impl*>(userData);
  const unsigned long code = event->keyCode;  // the browser's key codes are the virtual-key codes
  if (code == 0 || code > 255) return EM_FALSE;
  const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
  if (code == static_cast<unsigned long>(kKeyEscape)) {
    impl->escapeDown = down;
    if (down) impl->escapeLatched = true;
  }
  WindowMessage message;
  message.kind = down ? WindowMessage::Kind::KeyDown : WindowMessage::Kind::KeyUp;
  message.key = static_cast<int>(code);
  impl->queue.push_back(message);
  return EM_FALSE;  // the browser keeps its own keys (full screen, reload)
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent* event, void* userData) {
  WindowMessage message;
  message.kind = WindowMessage::Kind::Activate;
  message.minimised = event->hidden != 0;
  static_cast<Window::Impl*>(userData)->queue.push_back(message);
  return EM_FALSE;
}

void printBox(const char* caption, const char* text) {
  std::fprintf(stderr, "[%s] %s\n", caption, text);
}

}  // namespace

Window::Window(VideoBackend backend) : impl_(std::make_unique<Impl>()) {
  impl_->backend = backend;
}

Window::~Window() {
  deleteContext();
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
  const char* target = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(target, impl_.get(), true, onKey);
  emscripten_set_keyup_callback(target, impl_.get(), true, onKey);
  emscripten_set_visibilitychange_callback(impl_.get(), false, onVisibility);
  impl_->videoStarted = true;
  impl_->escapeLatched = false;
  return true;
}

bool Window::stopVideo() {
  if (!impl_->videoStarted) return true;
  const char* target = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_keydown_callback(target, nullptr, true, nullptr);
  emscripten_set_keyup_callback(target, nullptr, true, nullptr);
  emscripten_set_visibilitychange_callback(nullptr, false, nullptr);
  impl_->videoStarted = false;
  impl_->queue.clear();
  return true;
}

// The canvas keeps the chosen size in full screen too; the page letterboxes it.
bool Window::changeDisplayMode(int, int, int) {
  return impl_->backend != VideoBackend::Display || pageFullScreenGranted() != 0;
}

void Window::restoreDisplayMode() {
  if (impl_->backend == VideoBackend::Display) pageLeaveFullScreen();
}

void Window::setHeadlessSize(Size size) {
  impl_->headlessSize = size;
}

bool Window::createWindow(const char* title, int width, int height, bool, int) {
  if (!impl_->videoStarted) return impl_->fail("the video system is not started");
  Size size{width, height};
  if (impl_->backend == VideoBackend::Headless && impl_->headlessSize.width > 0) {
    size = impl_->headlessSize;
  }
  if (emscripten_set_canvas_element_size(kCanvas, size.width, size.height) !=
      EMSCRIPTEN_RESULT_SUCCESS) {
    return impl_->fail("the page has no canvas");
  }
  if (impl_->backend == VideoBackend::Display) pageSetTitle(title);
  impl_->size = size;
  impl_->haveWindow = true;
  return true;
}

WindowStep Window::failedStep() const {
  return WindowStep::Window;
}

bool Window::releaseDeviceContext() {
  return true;
}

bool Window::destroyWindow() {
  impl_->haveWindow = false;
  return true;
}

bool Window::hasWindow() const {
  return impl_->haveWindow;
}

bool Window::createContext() {
  if (!impl_->haveWindow) return impl_->fail("no window for a context");
  EmscriptenWebGLContextAttributes attributes;
  emscripten_webgl_init_context_attributes(&attributes);
  attributes.majorVersion = 2;
  attributes.minorVersion = 0;
  attributes.alpha = EM_FALSE;
  attributes.depth = EM_TRUE;
  attributes.stencil = EM_FALSE;
  attributes.antialias = EM_FALSE;
  // Headless frames are read back after they are presented, as a capture reads the front buffer.
  attributes.preserveDrawingBuffer = impl_->backend == VideoBackend::Headless;
  impl_->context = emscripten_webgl_create_context(kCanvas, &attributes);
  if (impl_->context <= 0) {
    impl_->context = 0;
    // A browser that knows WebGL 2 and still gives none can be helped by its viewer.
    return impl_->fail(pageKnowsWebGL2() ? "the browser gives no WebGL 2 context (it is turned "
                                           "off, or the graphics driver is blocked)"
                                         : "the browser has no WebGL 2");
  }
  emscripten_webgl_make_context_current(impl_->context);
  impl_->gl = std::make_unique<gl11::Context>(impl_->size.width, impl_->size.height);
  return true;
}

bool Window::hasContext() const {
  return impl_->context != 0;
}

bool Window::makeCurrent() {
  if (!impl_->context) return false;
  emscripten_webgl_make_context_current(impl_->context);
  gl11::makeCurrent(impl_->gl.get());
  return true;
}

bool Window::releaseContext() {
  gl11::makeCurrent(nullptr);
  return true;
}

bool Window::deleteContext() {
  if (!impl_->context) return true;
  if (gl11::current() == impl_->gl.get()) gl11::makeCurrent(nullptr);
  impl_->gl.reset();
  emscripten_webgl_destroy_context(impl_->context);
  impl_->context = 0;
  return true;
}

void Window::show() {}

void Window::setCursorVisible(bool visible) {
  if (impl_->backend == VideoBackend::Display) pageSetCursorVisible(visible ? 1 : 0);
}

void Window::suppressScreenSaver() {}

void Window::swapBuffers() {
  if (gl11::Context* gl = gl11::current()) {
    gl->flush();
    gl->frameEnded();
  }
  if (impl_->backend == VideoBackend::Display) {
    // The browser shows the frame when control goes back to it: once a display frame.
    pageNextFrame();
    return;
  }
  // Headless frames come as fast as they are drawn; whoever draws them gives the page its turns
  // between frames (a turn lets the browser composite, which is no part of a frame's time).
}

void Window::rest(int ms) {
  emscripten_sleep(static_cast<unsigned>(ms));
}

bool Window::nextMessage(WindowMessage& message) {
  if (!impl_->videoStarted || impl_->queue.empty()) return false;
  message = impl_->queue.front();
  impl_->queue.pop_front();
  return true;
}

void Window::postMessage(const WindowMessage& message) {
  if (impl_->videoStarted) impl_->queue.push_back(message);
}

void Window::defaultProcedure(const WindowMessage& message) {
  if (message.kind == WindowMessage::Kind::SystemCommand &&
      message.command == SystemCommand::Close) {
    WindowMessage close;
    close.kind = WindowMessage::Kind::Close;
    postMessage(close);
  }
}

// Every page event waits in the queue for nextMessage.
void Window::setProcedure(std::function<void(const WindowMessage&)>) {}

bool Window::escapePressed() {
  if (impl_->backend == VideoBackend::Display && !impl_->caughtUp) {
    // The first question after the set-up, which held the page's events back while it loaded.
    pageCatchUp();
    impl_->caughtUp = true;
  }
  const bool left = impl_->backend == VideoBackend::Display && pageLeftFullScreen();
  const bool pressed = impl_->escapeDown || impl_->escapeLatched || left;
  impl_->escapeLatched = false;
  return pressed;
}

BoxAnswer Window::showMessageBox(const char* caption, const char* text, BoxIcon icon,
                                 BoxButtons buttons) {
  const BoxAnswer byDefault = buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
  if (impl_->backend == VideoBackend::Headless) {
    printBox(caption, text);
    return byDefault;
  }
  const int answer =
      pageDialog(caption, text, buttons == BoxButtons::YesNo, static_cast<int>(icon));
  if (answer < 0) {
    printBox(caption, text);
    return byDefault;
  }
  if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
  return answer == 2 ? BoxAnswer::No : BoxAnswer::Yes;
}

Size Window::drawableSize() const {
  return impl_->haveWindow ? impl_->size : Size{};
}

Size Window::windowSize() const {
  return drawableSize();
}

void* Window::procAddress(const char* name) const {
  return gl11::procAddress(name);
}

// WebGL reads back at once; the frame is kept until it is taken.
bool Window::startReadback() {
  if (!impl_->context || impl_->readBack.size() >= 2) return false;
  Size size;
  std::vector<std::uint8_t> rgb = readPixelsRgb(size);
  impl_->readBack.emplace_back(size, std::move(rgb));
  return true;
}

bool Window::takeReadback(std::vector<std::uint8_t>& rgb, Size& size) {
  if (impl_->readBack.empty()) return false;
  size = impl_->readBack.front().first;
  rgb = std::move(impl_->readBack.front().second);
  impl_->readBack.pop_front();
  return true;
}

std::vector<std::uint8_t> Window::readPixelsRgb(Size& size) const {
  size = drawableSize();
  std::vector<std::uint8_t> rows;
  if (!impl_->context || size.width <= 0 || size.height <= 0) {
    size = {};
    return rows;
  }
  if (gl11::Context* gl = gl11::current()) gl->flush();
  const auto width = static_cast<std::size_t>(size.width);
  const auto height = static_cast<std::size_t>(size.height);
  std::vector<std::uint8_t> rgba(width * height * 4);
  glReadPixels(0, 0, size.width, size.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  rows.resize(width * height * 3);
  for (std::size_t y = 0; y < height; ++y) {
    const std::uint8_t* from = &rgba[(height - 1 - y) * width * 4];
    std::uint8_t* to = &rows[y * width * 3];
    for (std::size_t x = 0; x < width; ++x) {
      to[3 * x] = from[4 * x];
      to[3 * x + 1] = from[4 * x + 1];
      to[3 * x + 2] = from[4 * x + 2];
    }
  }
  return rows;
}

}  // namespace tav::platform
