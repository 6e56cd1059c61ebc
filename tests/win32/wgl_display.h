#pragma once
// Whether this desktop gives a window an OpenGL context at all (Wine needs an X display even for a
// hidden one): only then can a failure of the backend be told from a missing display.
#include <windows.h>

namespace tav::test {

inline bool displayForOpenGL() {
  HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  if (!probe) return false;
  HDC dc = GetDC(probe);
  PIXELFORMATDESCRIPTOR format{};
  format.nSize = sizeof format;
  format.nVersion = 1;
  format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
  format.cColorBits = 24;
  HGLRC context = nullptr;
  if (dc && SetPixelFormat(dc, ChoosePixelFormat(dc, &format), &format)) {
    context = wglCreateContext(dc);
  }
  if (context) wglDeleteContext(context);
  if (dc) ReleaseDC(probe, dc);
  DestroyWindow(probe);
  return context != nullptr;
}

}  // namespace tav::test

#define SKIP_WITHOUT_DISPLAY() \
  if (!::tav::test::displayForOpenGL()) GTEST_SKIP() << "no display gives this desktop OpenGL"
