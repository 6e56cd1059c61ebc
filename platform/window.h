#pragma once
// The show's one window and its OpenGL context: over SDL2 on Linux, the canvas in the browser,
// Win32 and WGL on Windows. The shell's GLWindow drives it step by step; nothing outside platform/
// sees which.
//
//   startVideo / stopVideo                      the video system, and the Escape latch
//   changeDisplayMode / restoreDisplayMode      an exact full-screen mode, or refusal
//   createWindow / destroyWindow                hidden until show()
//   createContext / makeCurrent / releaseContext / deleteContext
//   show, setCursorVisible, suppressScreenSaver, swapBuffers, rest
//   nextMessage / postMessage / defaultProcedure   one message at a time, in the show's terms
//   setProcedure                                where the system sends a message there and then
//   escapePressed                               down now, or pressed since the last query
//   showMessageBox                              modal box; headless: standard error, default answer
//   drawableSize, windowSize, procAddress, readPixelsRgb
//   startReadback / takeReadback               the same, a frame behind, without waiting
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tav::platform {

enum class VideoBackend {
  Display,   // a real display (X11, Wayland); SDL's offscreen fallback is refused
  Headless,  // SDL's offscreen driver over EGL and Mesa's software rasteriser: tests, captures
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(Size, Size) = default;
};

enum class SystemCommand { ScreenSave, MonitorPower, Close, Other };

// What the window reports, one at a time.
struct WindowMessage {
  enum class Kind { Quit, Activate, SystemCommand, Close, KeyDown, KeyUp, Size, Other };
  Kind kind = Kind::Other;
  bool minimised = false;                        // Activate
  SystemCommand command = SystemCommand::Other;  // SystemCommand
  int key = 0;                                   // KeyDown, KeyUp: virtual-key code, 0 to 255
  Size size;                                     // Size: the new client area
};

// Virtual-key codes the show knows by number.
inline constexpr int kKeyEscape = 0x1B;

// The step of making the window that failed: the show's boxes name it.
enum class WindowStep { Window, DeviceContext, ChoosePixelFormat, SetPixelFormat };

enum class BoxIcon { None, Exclamation, Stop, Information };
enum class BoxButtons { Ok, YesNo };
enum class BoxAnswer { Ok, Yes, No };

class Window {
 public:
  explicit Window(VideoBackend backend);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  VideoBackend backend() const;
  // Why the last failed step failed, in words.
  const std::string& lastError() const;

  // False when the video system cannot start, or when the Display backend finds no display.
  // Where the system registers a window class (Windows), it is registered here under `title`, so
  // that a refusal is the video system's; without a title, createWindow registers it.
  bool startVideo(const char* title = nullptr);
  // False where the system refused to let the window class go (a window of it still exists).
  bool stopVideo();

  // Chooses the display's mode of exactly width × height (any refresh rate) for a full-screen
  // window; false when the display has none. Headless there is nothing to change.
  bool changeDisplayMode(int width, int height, int bits);
  void restoreDisplayMode();

  // Headless only: the drawable's size, when it is not to be the size the window asks for (a
  // capture letterboxes a 4:3 picture into a frame of any shape).
  void setHeadlessSize(Size size);

  // A hidden window, 16-bit depth, double buffered. Windows asks its pixel format for colourBits;
  // the other backends draw RGBA8. Full screen uses the mode chosen by changeDisplayMode. The
  // Display backend refuses to run without a display.
  bool createWindow(const char* title, int width, int height, bool fullScreen, int colourBits = 32);
  // Which step of the last failed createWindow failed (Window where the system has no others).
  WindowStep failedStep() const;
  // The steps of taking the window down, each false where the system refused it; with nothing to
  // release, true. Only Windows has a device context of its own to give back.
  bool releaseDeviceContext();
  bool destroyWindow();
  bool hasWindow() const;

  // An OpenGL compatibility-profile context for the window.
  bool createContext();
  bool hasContext() const;
  // Makes the context current and asks for vsync (which may be refused; the show then runs free).
  bool makeCurrent();
  bool releaseContext();
  bool deleteContext();

  // Shows, raises and focuses the window.
  void show();
  void setCursorVisible(bool visible);
  void suppressScreenSaver();
  void swapBuffers();
  // Lets `ms` pass with nothing drawn (the studio, paused): in the browser the page has its turn
  // meanwhile, for its events and its drawing.
  void rest(int ms);

  // Takes the next pending message, if any.
  bool nextMessage(WindowMessage& message);
  // Queues a message behind those pending, as the system would deliver it.
  void postMessage(const WindowMessage& message);
  // What the system does with a message the show does not handle: a Close command from the
  // window menu becomes a close request; everything else is dropped.
  void defaultProcedure(const WindowMessage& message);
  // Windows sends some messages to the window there and then: while another is dispatched (sizes
  // while the border is dragged, activation with a minimise) or inside a call such as show().
  // Those go to `procedure` at once, as a window procedure takes them; the rest still wait for
  // nextMessage. Backends that queue every message never call it. Empty: all wait.
  void setProcedure(std::function<void(const WindowMessage&)> procedure);

  // Escape down now, or pressed since the last query: short taps between two frames are kept.
  bool escapePressed();

  BoxAnswer showMessageBox(const char* caption, const char* text, BoxIcon icon, BoxButtons buttons);

  Size drawableSize() const;  // pixels
  Size windowSize() const;    // screen units
  void* procAddress(const char* name) const;
  // The last presented frame, top row first, 3 bytes a pixel.
  std::vector<std::uint8_t> readPixelsRgb(Size& size) const;
  // The same without waiting for the frame to be drawn: start asks for the last presented frame
  // (two may be in flight; false beyond that), take hands over the oldest asked for.
  bool startReadback();
  bool takeReadback(std::vector<std::uint8_t>& rgb, Size& size);

  struct Impl;
  // The backend's own state, for its helpers and tests: only the backend knows what it holds.
  Impl& backendState() { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tav::platform
