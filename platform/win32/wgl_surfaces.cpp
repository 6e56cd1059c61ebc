#include "platform/win32/wgl_surfaces.h"

#include <cstdint>

namespace tav::platform::win32 {

namespace {

// The core name, else the older extension's name for the same function.
template <class Function>
bool find(Function& function, const char* name) {
  void* found = glEntryPoint(name);
  if (!found) found = glEntryPoint((std::string(name) + "EXT").c_str());
  function = reinterpret_cast<Function>(found);
  return function != nullptr;
}

}  // namespace

void* glEntryPoint(const char* name) {
  PROC found = wglGetProcAddress(name);
  // Some drivers answer a small number, not null, for a name they do not have.
  const auto value = reinterpret_cast<std::intptr_t>(found);
  if (value >= -1 && value <= 3) {
    // The OpenGL 1.1 functions are opengl32's own exports, never the driver's.
    HMODULE library = GetModuleHandleA("opengl32.dll");
    found = library ? GetProcAddress(library, name) : nullptr;
  }
  return reinterpret_cast<void*>(found);
}

bool HeadlessFramebuffer::create(Size size, std::string& error) {
  // Not among opengl32's exports (OpenGL 1.1): the driver's, for this context.
  if (!find(genFramebuffers_, "glGenFramebuffers") ||
      !find(deleteFramebuffers_, "glDeleteFramebuffers") ||
      !find(bindFramebuffer_, "glBindFramebuffer") ||
      !find(genRenderbuffers_, "glGenRenderbuffers") ||
      !find(deleteRenderbuffers_, "glDeleteRenderbuffers") ||
      !find(bindRenderbuffer_, "glBindRenderbuffer") ||
      !find(renderbufferStorage_, "glRenderbufferStorage") ||
      !find(framebufferRenderbuffer_, "glFramebufferRenderbuffer") ||
      !find(checkFramebufferStatus_, "glCheckFramebufferStatus")) {
    error = "the OpenGL driver has no framebuffer objects to draw headless into";
    return false;
  }
  genRenderbuffers_(1, &colour_);
  bindRenderbuffer_(GL_RENDERBUFFER, colour_);
  renderbufferStorage_(GL_RENDERBUFFER, GL_RGBA8, size.width, size.height);
  genRenderbuffers_(1, &depth_);
  bindRenderbuffer_(GL_RENDERBUFFER, depth_);
  // The pixel format's 16 depth bits: where objects nearly touch, 24 would choose other winners.
  renderbufferStorage_(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, size.width, size.height);
  bindRenderbuffer_(GL_RENDERBUFFER, 0);
  genFramebuffers_(1, &framebuffer_);
  bindFramebuffer_(GL_FRAMEBUFFER, framebuffer_);
  framebufferRenderbuffer_(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour_);
  framebufferRenderbuffer_(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
  const GLenum status = checkFramebufferStatus_(GL_FRAMEBUFFER);
  if (status != GL_FRAMEBUFFER_COMPLETE) {
    error = "the headless framebuffer is incomplete (status " + std::to_string(status) + ")";
    destroy();
    return false;
  }
  glViewport(0, 0, size.width, size.height);
  return true;
}

void HeadlessFramebuffer::bind() const {
  if (framebuffer_) bindFramebuffer_(GL_FRAMEBUFFER, framebuffer_);
}

void HeadlessFramebuffer::destroy() {
  if (bindFramebuffer_) bindFramebuffer_(GL_FRAMEBUFFER, 0);
  if (framebuffer_) deleteFramebuffers_(1, &framebuffer_);
  if (colour_) deleteRenderbuffers_(1, &colour_);
  if (depth_) deleteRenderbuffers_(1, &depth_);
  forget();
}

bool readScreen(HWND window, Size size, std::vector<std::uint8_t>& rgb) {
  POINT origin{0, 0};
  if (size.width <= 0 || size.height <= 0 || !ClientToScreen(window, &origin)) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = -size.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (memory && bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    copied = BitBlt(memory, 0, 0, size.width, size.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    SelectObject(memory, previous);
  }
  if (copied) {
    const std::size_t count = static_cast<std::size_t>(size.width) * size.height;
    const auto* bgrx = static_cast<const std::uint8_t*>(bits);
    rgb.resize(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
      rgb[i * 3] = bgrx[i * 4 + 2];
      rgb[i * 3 + 1] = bgrx[i * 4 + 1];
      rgb[i * 3 + 2] = bgrx[i * 4];
    }
  }
  if (bitmap) DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return copied;
}

}  // namespace tav::platform::win32
