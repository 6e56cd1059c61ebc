#pragma once
// The Windows window's state, shared by the files that make up its backend.
#include <windows.h>

#include <bitset>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/pixel_reader.h"
#include "platform/win32/wgl_surfaces.h"
#include "platform/win32/win32_text.h"
#include "platform/win32/window_seam.h"
#include "platform/window.h"

namespace tav::platform {

struct Window::Impl {
  VideoBackend backend;
  std::string error;
  bool videoStarted = false;
  HINSTANCE instance = nullptr;
  std::string className;  // the title, once the class is registered under it
  WindowStep step = WindowStep::Window;
  bool modeChanged = false;
  HWND window = nullptr;
  HDC dc = nullptr;
  HGLRC context = nullptr;
  std::deque<WindowMessage> queue;                    // translated by the procedure, oldest first
  std::deque<WindowMessage> posted;                   // the show's own, each behind its marker
  std::function<void(const WindowMessage&)> handler;  // the show's procedure, for sent messages
  const MSG* dispatching = nullptr;  // the posted message nextMessage hands to the procedure
  std::optional<PIXELFORMATDESCRIPTOR> format;  // filled by the first window, then kept
  std::bitset<win32::kCalls> failing;           // calls a test makes fail once
  win32::BoxAnswerer answerBoxes;               // a test's, in the viewer's place
  bool escapeDown = false;                      // headless: from the window's own key messages
  bool escapeLatched = false;
  Size headlessSize;
  Size framebufferSize;
  win32::HeadlessFramebuffer framebuffer;
  PixelReader reader;                                            // headless
  std::deque<std::pair<Size, std::vector<std::uint8_t>>> shown;  // displayed, read back early

  bool fail(const std::string& step) {
    const DWORD code = GetLastError();
    // Under Wine with no display a window is refused without a reason.
    error =
        step + ": " + (code ? win32::errorText(code) : "refused, no reason given (no display?)");
    return false;
  }
  // A call's answer, unless a test made it fail this once.
  bool answer(win32::Call call, BOOL result, const char* name) {
    const auto bit = static_cast<std::size_t>(call);
    if (failing.test(bit)) {
      failing.reset(bit);
      error = std::string(name) + ": made to fail";
      return false;
    }
    return result || fail(name);
  }
  void deliver(const WindowMessage& message, bool taken);
  bool registerClass(const char* title);
  void takePosted();
  LRESULT procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace tav::platform
