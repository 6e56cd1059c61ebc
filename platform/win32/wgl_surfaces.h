#pragma once
// Where the Windows backend's frames are drawn and read, beside its window: OpenGL entry points
// from WGL, the framebuffer object a headless window draws into, and the screen a displayed
// window's frame is read from.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "platform/window.h"

namespace tav::platform::win32 {

// An OpenGL function of the current context: the driver's, or opengl32's own export for the
// OpenGL 1.1 functions; null where there is none.
void* glEntryPoint(const char* name);

// A colour (RGBA8) and depth (24-bit) target of a fixed size, made in the current context.
class HeadlessFramebuffer {
 public:
  // Makes and binds it; false with the reason where the driver has no framebuffer objects.
  bool create(Size size, std::string& error);
  void bind() const;
  // Frees it; the context it was made in must be current.
  void destroy();
  // Forgets it without a call: its context is gone.
  void forget() { *this = HeadlessFramebuffer{}; }
  bool exists() const { return framebuffer_ != 0; }

 private:
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers_ = nullptr;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers_ = nullptr;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer_ = nullptr;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers_ = nullptr;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers_ = nullptr;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer_ = nullptr;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage_ = nullptr;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer_ = nullptr;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus_ = nullptr;
  GLuint framebuffer_ = 0, colour_ = 0, depth_ = 0;
};

// The window's client area as the screen shows it, top row first, 3 bytes a pixel. A window's
// front buffer is not readable everywhere (under Wine it reads black); the screen is what the
// viewer sees.
bool readScreen(HWND window, Size size, std::vector<std::uint8_t>& rgb);

}  // namespace tav::platform::win32
