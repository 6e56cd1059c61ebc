#pragma once
// The Windows window's state, shared by the files that make up its backend.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/pixel_reader.h"
#include "platform/win32/wgl_surfaces.h"
#include "platform/win32/win32_text.h"
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
  std::deque<WindowMessage> queue;   // translated by the procedure, oldest first
  std::deque<WindowMessage> posted;  // the show's own, each behind its marker
  bool escapeDown = false;           // headless: from the window's own key messages
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
  bool registerClass(const char* title);
  void takePosted();
  LRESULT procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace tav::platform
