// The show's window on Windows, as the system was written for it: a window class registered under
// the title, a display-mode change for full screen, a window with a pixel format of its own, a WGL
// context, and a window procedure that hands the system's sent messages to the show at once while
// the posted ones wait, in the show's terms, for the shell to take one a frame. Headless (tests,
// captures) draws into a framebuffer object of a window that is never shown, since Windows does not
// promise the pixels of a hidden window's own buffers.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gl.h"
#include "platform/pixel_reader.h"
#include "platform/win32/wgl_surfaces.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/window_impl.h"
#include "platform/win32/window_seam.h"
#include "platform/window.h"

namespace tav::platform {

namespace {

// Marks the place of a message the show posted among the system's own.
constexpr UINT kPostedMessage = WM_APP + 0x2A;

const char* displayChangeName(LONG result) {
  switch (result) {
    case DISP_CHANGE_BADMODE:
      return "the display has no such mode (DISP_CHANGE_BADMODE)";
    case DISP_CHANGE_FAILED:
      return "the display driver failed (DISP_CHANGE_FAILED)";
    case DISP_CHANGE_RESTART:
      return "the computer must restart for it (DISP_CHANGE_RESTART)";
    case DISP_CHANGE_BADFLAGS:
      return "DISP_CHANGE_BADFLAGS";
    case DISP_CHANGE_BADPARAM:
      return "DISP_CHANGE_BADPARAM";
    case DISP_CHANGE_NOTUPDATED:
      return "DISP_CHANGE_NOTUPDATED";
    default:
      return "refused";
  }
}

// "CAPTION: text", or "Caption: text" where the caption already ends with its colon.
void printBox(const char* caption, const char* text) {
  std::size_t length = std::strlen(caption);
  bool colon = length > 0 && caption[length - 1] == ':';
  std::fprintf(stderr, "%s%s %s\n", caption, colon ? "" : ":", text);
}

// The show's one pixel format, as the system was written against it: 40 bytes, version 1,
// 0x25, RGBA of the given colour bits, 16 depth bits, the main plane, everything else 0.
PIXELFORMATDESCRIPTOR pixelFormat(int colourBits) {
  static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  format.iPixelType = PFD_TYPE_RGBA;
  format.cColorBits = static_cast<BYTE>(colourBits);
  format.cDepthBits = 16;
  format.iLayerType = PFD_MAIN_PLANE;
  return format;
}

UINT boxStyle(BoxIcon icon, BoxButtons buttons) {
  UINT style = buttons == BoxButtons::YesNo ? MB_YESNO : MB_OK;
  if (icon == BoxIcon::Exclamation) style |= MB_ICONEXCLAMATION;
  if (icon == BoxIcon::Stop) style |= MB_ICONSTOP;
  if (icon == BoxIcon::Information) style |= MB_ICONINFORMATION;
  return style;
}

}  // namespace

namespace {

// The window being made: CreateWindowExA sends messages before it returns, and the window is
// created with no creation data, so the procedure learns whose window it is from here.
thread_local Window::Impl* creating = nullptr;

LRESULT CALLBACK windowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* impl = reinterpret_cast<Window::Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!impl && creating) {
    impl = creating;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
  }
  if (!impl) return DefWindowProcA(hwnd, message, wParam, lParam);
  return impl->procedure(hwnd, message, wParam, lParam);
}

}  // namespace

void Window::Impl::deliver(const WindowMessage& message, bool taken) {
  if (handler && !taken) {
    handler(message);
  } else {
    queue.push_back(message);
  }
}

LRESULT Window::Impl::procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // The posted message nextMessage dispatches goes back to the shell's pump; any other reaching
  // the procedure was sent there and then, inside that dispatch or another call, and is the show's
  // at once.
  const MSG* d = dispatching;
  const bool taken =
      d && d->hwnd == hwnd && d->message == message && d->wParam == wParam && d->lParam == lParam;
  if (taken) dispatching = nullptr;
  WindowMessage m;
  switch (message) {
    case WM_ACTIVATE:
      m.kind = WindowMessage::Kind::Activate;
      m.minimised = HIWORD(wParam) != 0;
      deliver(m, taken);
      return 0;
    case WM_SYSCOMMAND:
      // Swallowed, so that the screen saver and the monitor's power-down cannot start. Other
      // commands are the default procedure's; a Close among them comes back as WM_CLOSE.
      if (wParam == SC_SCREENSAVE || wParam == SC_MONITORPOWER) {
        m.kind = WindowMessage::Kind::SystemCommand;
        m.command =
            wParam == SC_SCREENSAVE ? SystemCommand::ScreenSave : SystemCommand::MonitorPower;
        deliver(m, taken);
        return 0;
      }
      break;
    case WM_CLOSE:
      m.kind = WindowMessage::Kind::Close;
      deliver(m, taken);
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      m.kind = message == WM_KEYDOWN ? WindowMessage::Kind::KeyDown : WindowMessage::Kind::KeyUp;
      m.key = static_cast<int>(wParam & 0xFF);
      if (m.key == kKeyEscape) {
        escapeDown = message == WM_KEYDOWN;
        escapeLatched = escapeLatched || escapeDown;
      }
      deliver(m, taken);
      return 0;
    case WM_SIZE:
      m.kind = WindowMessage::Kind::Size;
      m.size = {LOWORD(lParam), HIWORD(lParam)};
      deliver(m, taken);
      return 0;
    case kPostedMessage:
      // Dispatched by a loop not the show's own (a message box's).
      takePosted();
      return 0;
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Window::Impl::takePosted() {
  if (posted.empty()) return;
  queue.push_back(posted.front());
  posted.pop_front();
}

bool Window::Impl::registerClass(const char* title) {
  if (!className.empty()) return true;
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = title;
  if (!RegisterClassA(&windowClass)) return fail(std::string("RegisterClassA \"") + title + '"');
  className = title;
  return true;
}

Window::Window(VideoBackend backend) : impl_(std::make_unique<Impl>()) {
  impl_->backend = backend;
}

Window::~Window() {
  impl_->handler = nullptr;
  deleteContext();
  releaseDeviceContext();
  destroyWindow();
  if (impl_->modeChanged) restoreDisplayMode();
  stopVideo();
}

VideoBackend Window::backend() const {
  return impl_->backend;
}

const std::string& Window::lastError() const {
  return impl_->error;
}

bool Window::startVideo(const char* title) {
  if (impl_->videoStarted) return true;
  impl_->instance = GetModuleHandleA(nullptr);
  // Without a title the class is registered by createWindow, under the window's title.
  if (title && !impl_->registerClass(title)) return false;
  // Makes the thread's message queue, so that a message can be posted before any window exists.
  MSG none;
  PeekMessageA(&none, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  impl_->videoStarted = true;
  impl_->escapeDown = impl_->escapeLatched = false;
  return true;
}

bool Window::stopVideo() {
  Impl& impl = *impl_;
  if (!impl.videoStarted) return true;
  bool unregistered = true;
  if (!impl.className.empty()) {
    unregistered =
        impl.answer(win32::Call::UnregisterClass,
                    UnregisterClassA(impl.className.c_str(), impl.instance), "UnregisterClassA");
  }
  impl.className.clear();
  impl.videoStarted = false;
  impl.queue.clear();
  impl.posted.clear();
  return unregistered;
}

void Window::setHeadlessSize(Size size) {
  impl_->headlessSize = size;
}

bool Window::changeDisplayMode(int width, int height, int bits) {
  if (impl_->backend == VideoBackend::Headless) return true;
  // The record as the system was written against, without the later panning fields.
  static_assert(offsetof(DEVMODEA, dmPanningWidth) == 148);
  DEVMODEA mode{};
  mode.dmSize = offsetof(DEVMODEA, dmPanningWidth);
  mode.dmPelsWidth = static_cast<DWORD>(width);
  mode.dmPelsHeight = static_cast<DWORD>(height);
  mode.dmBitsPerPel = static_cast<DWORD>(bits);
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  const LONG result = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN);
  if (result != DISP_CHANGE_SUCCESSFUL) {
    impl_->error = "ChangeDisplaySettingsA " + std::to_string(width) + "x" +
                   std::to_string(height) + "x" + std::to_string(bits) + ": " +
                   displayChangeName(result);
    return false;
  }
  impl_->modeChanged = true;
  return true;
}

void Window::restoreDisplayMode() {
  if (impl_->backend == VideoBackend::Headless) return;
  ChangeDisplaySettingsA(nullptr, 0);
  impl_->modeChanged = false;
}

bool Window::createWindow(const char* title, int width, int height, bool fullScreen,
                          int colourBits) {
  Impl& impl = *impl_;
  if (!impl.videoStarted) {
    impl.error = "video is not started";
    return false;
  }
  if (!impl.registerClass(title)) return false;
  const bool headless = impl.backend == VideoBackend::Headless;
  if (headless) {
    // The hidden window's client area is the drawing's size, as the context's first viewport.
    if (impl.headlessSize.width > 0) {
      width = impl.headlessSize.width;
      height = impl.headlessSize.height;
    }
    impl.framebufferSize = {width, height};
    fullScreen = false;
  }
  const DWORD exStyle = fullScreen ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;
  const DWORD style = fullScreen ? WS_POPUP : WS_OVERLAPPEDWINDOW;
  RECT rect{0, 0, width, height};
  AdjustWindowRectEx(&rect, style, FALSE, exStyle);
  creating = &impl;
  impl.window = CreateWindowExA(
      exStyle, impl.className.c_str(), title, style | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
      rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, impl.instance, nullptr);
  creating = nullptr;
  impl.step = WindowStep::Window;
  if (!impl.window) return impl.fail("CreateWindowExA");

  if (!impl.format) impl.format = pixelFormat(colourBits);
  const PIXELFORMATDESCRIPTOR& format = *impl.format;
  impl.dc = GetDC(impl.window);
  impl.step = WindowStep::DeviceContext;
  if (!impl.dc) return impl.fail("GetDC");
  const int chosen = ChoosePixelFormat(impl.dc, &format);
  impl.step = WindowStep::ChoosePixelFormat;
  if (chosen == 0) return impl.fail("ChoosePixelFormat");
  impl.step = WindowStep::SetPixelFormat;
  if (!SetPixelFormat(impl.dc, chosen, &format)) return impl.fail("SetPixelFormat");
  impl.step = WindowStep::Window;
  return true;
}

WindowStep Window::failedStep() const {
  return impl_->step;
}

bool Window::releaseDeviceContext() {
  Impl& impl = *impl_;
  if (!impl.dc) return true;
  const bool released =
      impl.answer(win32::Call::ReleaseDC, ReleaseDC(impl.window, impl.dc), "ReleaseDC");
  impl.dc = nullptr;
  return released;
}

bool Window::destroyWindow() {
  Impl& impl = *impl_;
  if (impl.dc) releaseDeviceContext();
  if (!impl.window) return true;
  const bool destroyed =
      impl.answer(win32::Call::DestroyWindow, DestroyWindow(impl.window), "DestroyWindow");
  impl.window = nullptr;
  return destroyed;
}

bool Window::hasWindow() const {
  return impl_->window != nullptr;
}

bool Window::createContext() {
  if (!impl_->dc) {
    impl_->error = "no window";
    return false;
  }
  impl_->context = wglCreateContext(impl_->dc);
  if (!impl_->context) return impl_->fail("wglCreateContext");
  return true;
}

bool Window::hasContext() const {
  return impl_->context != nullptr;
}

bool Window::makeCurrent() {
  Impl& impl = *impl_;
  if (!wglMakeCurrent(impl.dc, impl.context)) return impl.fail("wglMakeCurrent");
  if (impl.backend == VideoBackend::Headless) {
    if (!impl.framebuffer.exists())
      return impl.framebuffer.create(impl.framebufferSize, impl.error);
    impl.framebuffer.bind();
    return true;
  }
  // Vsync where the driver offers the choice; without it the show runs free.
  if (void* found = win32::glEntryPoint("wglSwapIntervalEXT")) {
    reinterpret_cast<BOOL(WINAPI*)(int)>(found)(1);
  }
  return true;
}

bool Window::releaseContext() {
  return impl_->answer(win32::Call::ReleaseContext, wglMakeCurrent(nullptr, nullptr),
                       "wglMakeCurrent (release)");
}

bool Window::deleteContext() {
  Impl& impl = *impl_;
  if (!impl.context) return true;
  // The read-back buffers and the framebuffer belong to the context: freed in it, before it goes
  // (a driver's entry point called with no context current may crash).
  if (wglGetCurrentContext() == impl.context ||
      (impl.dc && wglMakeCurrent(impl.dc, impl.context))) {
    impl.reader.release();
    impl.framebuffer.destroy();
  }
  impl.framebuffer.forget();
  impl.shown.clear();
  const bool deleted =
      impl.answer(win32::Call::DeleteContext, wglDeleteContext(impl.context), "wglDeleteContext");
  impl.context = nullptr;
  return deleted;
}

void Window::show() {
  if (!impl_->window || impl_->backend == VideoBackend::Headless) return;
  ShowWindow(impl_->window, SW_SHOW);
  SetForegroundWindow(impl_->window);
  SetFocus(impl_->window);
}

void Window::setCursorVisible(bool visible) {
  if (impl_->videoStarted && impl_->backend == VideoBackend::Display) ShowCursor(visible);
}

// The window procedure swallows the screen saver's and the monitor's commands itself.
void Window::suppressScreenSaver() {}

void Window::rest(int ms) {
  Sleep(static_cast<DWORD>(ms));
}

void Window::swapBuffers() {
  Impl& impl = *impl_;
  if (impl.backend == VideoBackend::Headless) {
    // The frame stays in the framebuffer object, where it is read and drawn on.
    impl.framebuffer.bind();
    return;
  }
  if (impl.dc) SwapBuffers(impl.dc);
}

bool Window::nextMessage(WindowMessage& message) {
  Impl& impl = *impl_;
  if (!impl.videoStarted) return false;
  auto takeQueued = [&] {
    message = impl.queue.front();
    impl.queue.pop_front();
    return true;
  };
  if (!impl.queue.empty()) return takeQueued();
  MSG msg;
  // Messages sent to the window are handed to the procedure inside the peek itself.
  const BOOL taken = PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
  if (!taken) return impl.queue.empty() ? false : takeQueued();
  message = WindowMessage{};
  if (msg.message == WM_QUIT) {
    message.kind = WindowMessage::Kind::Quit;
    return true;
  }
  if (msg.message == kPostedMessage) {
    impl.takePosted();
  } else {
    TranslateMessage(&msg);
    impl.dispatching = &msg;
    DispatchMessageA(&msg);
    impl.dispatching = nullptr;
  }
  if (!impl.queue.empty()) return takeQueued();
  return true;  // a message the show has no name for
}

void Window::postMessage(const WindowMessage& message) {
  Impl& impl = *impl_;
  if (!impl.videoStarted) return;
  if (!impl.window) {
    // With no window there is nothing of the system's to keep order with, and a marker posted to
    // the thread would be dropped by any loop not the show's own (a message box's) that took it.
    impl.queue.push_back(message);
    return;
  }
  // The message waits in our own list; a marker in the window's queue keeps its place.
  if (PostMessageA(impl.window, kPostedMessage, 0, 0)) impl.posted.push_back(message);
}

void Window::setProcedure(std::function<void(const WindowMessage&)> procedure) {
  impl_->handler = std::move(procedure);
}

void Window::defaultProcedure(const WindowMessage& message) {
  if (message.kind != WindowMessage::Kind::SystemCommand ||
      message.command != SystemCommand::Close) {
    return;
  }
  // The system's default for the window menu's Close: it sends WM_CLOSE back to the procedure.
  if (impl_->window) {
    DefWindowProcA(impl_->window, WM_SYSCOMMAND, SC_CLOSE, 0);
  } else {
    WindowMessage close;
    close.kind = WindowMessage::Kind::Close;
    impl_->queue.push_back(close);
  }
}

bool Window::escapePressed() {
  Impl& impl = *impl_;
  if (!impl.videoStarted) return false;
  if (impl.backend == VideoBackend::Headless) {
    // A window never shown has no keyboard: only keys sent to it count, not the desktop's.
    const bool pressed = impl.escapeDown || impl.escapeLatched;
    impl.escapeLatched = false;
    return pressed;
  }
  const SHORT state = GetAsyncKeyState(VK_ESCAPE);
  return (state & 0x8000) != 0 || (state & 1) != 0;
}

BoxAnswer Window::showMessageBox(const char* caption, const char* text, BoxIcon icon,
                                 BoxButtons buttons) {
  const UINT style = boxStyle(icon, buttons);
  const win32::BoxAnswerer& answerer = impl_->answerBoxes;
  if (impl_->backend == VideoBackend::Headless && !answerer) {
    // No viewer: the default answer, the first button (the one Return presses).
    printBox(caption, text);
    return buttons == BoxButtons::YesNo ? BoxAnswer::Yes : BoxAnswer::Ok;
  }
  const int pressed =
      answerer ? answerer(text, caption, style) : MessageBoxA(nullptr, text, caption, style);
  if (pressed <= 0) {  // Wine answers -1 where no box can be made
    // The text still reaches the viewer; a question nobody saw was not answered Yes.
    printBox(caption, text);
    return buttons == BoxButtons::YesNo ? BoxAnswer::No : BoxAnswer::Ok;
  }
  if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
  return pressed == IDYES ? BoxAnswer::Yes : BoxAnswer::No;
}

}  // namespace tav::platform

namespace tav::platform::win32 {

void failOnce(Window& window, Call call) {
  window.backendState().failing.set(static_cast<std::size_t>(call));
}

void answerBoxes(Window& window, BoxAnswerer answer) {
  window.backendState().answerBoxes = std::move(answer);
}

}  // namespace tav::platform::win32
