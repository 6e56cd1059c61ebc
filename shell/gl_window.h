#pragma once
// The show's one window with its OpenGL context: created once before anything else, presented
// once a frame, handling one message a frame. It also finds the ARB_multitexture entry points
// the two-texture draw styles call.
#include <array>
#include <cstdint>
#include <string>

#include "platform/gl.h"
#include "platform/window.h"
#include "scenes/show_state.h"

namespace tav {

struct Viewport {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Viewport&, const Viewport&) = default;
};

// Where the picture goes in a drawable. As the show was made, a drawable of exactly the size
// asked for is used whole; any other (a high-DPI drawable, a full screen kept at the desktop's
// size) gets the largest centred 4:3 rectangle, black bars around it, instead of a stretch.
Viewport pictureViewport(platform::Size asked, platform::Size drawable, int width, int height);

// The box text for a window that could not be made, by the step that failed.
const char* creationFailure(platform::WindowStep step);

// Plain substring search, as the extension list has always been read: a longer name that holds
// "ARB_multitexture" counts too.
bool hasMultitexture(const char* extensions);

class GLWindow {
 public:
  // Window message results.
  static constexpr long kHandled = 0;

  // How the messages the system sends there and then reach handleMessage. Queued: through
  // pumpMessage like the posted ones, for a loop that takes every message itself (the studio's).
  // AtOnce: as the show's window procedure takes them, inside the call that sent them.
  enum class SentMessages { Queued, AtOnce };

  GLWindow(ShowState& state, platform::Window& platform, SentMessages sent = SentMessages::Queued);
  ~GLWindow();
  GLWindow(const GLWindow&) = delete;
  GLWindow& operator=(const GLWindow&) = delete;

  bool create(const char* title, int width, int height, int bits, bool fullScreen);
  void destroy();
  void resize(int width, int height);
  long handleMessage(const platform::WindowMessage& message);
  bool pumpMessage();
  void swapBuffers();
  void loadMultitexture();
  void loadMultitextureFrom(const char* extensions);

  // Escape down now or pressed since the last query.
  bool escapePressed() { return platform_.escapePressed(); }

  bool fullScreen() const { return fullScreen_; }
  bool active() const { return active_; }
  bool keyDown(int key) const {
    return key >= 0 && key < 256 && keys_[static_cast<std::size_t>(key)];
  }
  const Viewport& viewport() const { return viewport_; }
  platform::Window& platform() { return platform_; }

  // Empty until loadMultitexture finds the extension; never called empty.
  PFNGLACTIVETEXTUREARBPROC activeTextureARB = nullptr;
  PFNGLMULTITEXCOORD2FARBPROC multiTexCoord2fARB = nullptr;

 private:
  bool fail(const char* text);
  void handleCreationMessages();
  void report(const char* caption, const char* text, platform::BoxIcon icon);
  void clearBars();

  ShowState& state_;
  platform::Window& platform_;
  bool procedure_;  // handleMessage is the platform's procedure for sent messages
  std::string title_;
  bool fullScreen_ = true;
  bool active_ = true;
  std::array<bool, 256> keys_{};
  platform::Size picture_;  // the size the viewer chose
  Viewport viewport_;
};

}  // namespace tav
