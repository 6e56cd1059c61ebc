#ifdef _WIN32
#include <windows.h>
#else
#define GL_GLEXT_PROTOTYPES 1
#endif
#include "platform/pixel_reader.h"

#include <cstring>

#include "platform/gl.h"

namespace tav::platform {

struct PixelReader::BufferApi {
  PFNGLGENBUFFERSPROC genBuffers = nullptr;
  PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;
  PFNGLBINDBUFFERPROC bindBuffer = nullptr;
  PFNGLBUFFERDATAPROC bufferData = nullptr;
  PFNGLMAPBUFFERRANGEPROC mapBufferRange = nullptr;
  PFNGLUNMAPBUFFERPROC unmapBuffer = nullptr;
};

namespace {

#ifdef _WIN32
// opengl32 exports OpenGL 1.1 only: buffer objects come from the driver of the current context.
template <class Function>
void find(Function& function, const char* name) {
  function = reinterpret_cast<Function>(reinterpret_cast<void*>(wglGetProcAddress(name)));
}
#endif

// Rows of `size` pixels, 3 bytes each, from bottom-up `bottomUp` into `rgb`, top row first.
void flipRows(const std::uint8_t* bottomUp, Size size, std::uint8_t* rgb) {
  const std::size_t stride = static_cast<std::size_t>(size.width) * 3;
  for (int y = 0; y < size.height; ++y) {
    std::memcpy(rgb + static_cast<std::size_t>(y) * stride,
                bottomUp + static_cast<std::size_t>(size.height - 1 - y) * stride, stride);
  }
}

}  // namespace

void readPresentedFrame(Size size, void* destination) {
  GLint readBuffer = 0, packAlignment = 0, readFramebuffer = 0;
  GLboolean doubleBuffered = GL_FALSE;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
  // After a swap the presented frame is the front buffer; a single-buffered surface has only one,
  // and so has a framebuffer object drawn into in place of a window.
  const bool front = doubleBuffered && readFramebuffer == 0;
  if (front) glReadBuffer(GL_FRONT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, size.width, size.height, GL_RGB, GL_UNSIGNED_BYTE, destination);
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
  if (front) glReadBuffer(static_cast<GLenum>(readBuffer));
}

std::vector<std::uint8_t> readPresentedFrameRgb(Size size) {
  const std::size_t bytes =
      static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * 3;
  std::vector<std::uint8_t> bottomUp(bytes), rgb(bytes);
  readPresentedFrame(size, bottomUp.data());
  flipRows(bottomUp.data(), size, rgb.data());
  return rgb;
}

PixelReader::PixelReader() = default;

PixelReader::~PixelReader() {
  release();
}

bool PixelReader::loadApi() {
  if (api_) return true;
  BufferApi api;
#ifdef _WIN32
  find(api.genBuffers, "glGenBuffers");
  find(api.deleteBuffers, "glDeleteBuffers");
  find(api.bindBuffer, "glBindBuffer");
  find(api.bufferData, "glBufferData");
  find(api.mapBufferRange, "glMapBufferRange");
  find(api.unmapBuffer, "glUnmapBuffer");
  if (!api.genBuffers || !api.deleteBuffers || !api.bindBuffer || !api.bufferData ||
      !api.mapBufferRange || !api.unmapBuffer) {
    return false;
  }
#else
  api = {glGenBuffers, glDeleteBuffers,  glBindBuffer,
         glBufferData, glMapBufferRange, glUnmapBuffer};
#endif
  api_ = std::make_unique<BufferApi>(api);
  return true;
}

void PixelReader::release() {
  for (Slot& slot : slots_) {
    if (slot.buffer && api_) api_->deleteBuffers(1, &slot.buffer);
    slot = Slot{};
  }
  // The entry points belong to the context the buffers were made in.
  api_.reset();
}

bool PixelReader::start(Size size) {
  Slot& slot = slots_[next_];
  if (slot.pending || size.width <= 0 || size.height <= 0 || !loadApi()) return false;
  const BufferApi& gl = *api_;
  const std::size_t bytes = static_cast<std::size_t>(size.width) * size.height * 3;
  if (!slot.buffer) gl.genBuffers(1, &slot.buffer);
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
  if (slot.capacity < bytes) {
    gl.bufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_READ);
    slot.capacity = bytes;
  }
  readPresentedFrame(size, nullptr);
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  slot.size = size;
  slot.pending = true;
  next_ = 1 - next_;
  return true;
}

bool PixelReader::take(std::vector<std::uint8_t>& rgb, Size& size) {
  // The oldest of two in flight is the one `next_` would reuse; of one, the other.
  Slot* slot = slots_[next_].pending ? &slots_[next_] : &slots_[1 - next_];
  if (!slot->pending || !api_) return false;
  const BufferApi& gl = *api_;
  slot->pending = false;
  size = slot->size;
  const std::size_t bytes =
      static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height) * 3;
  rgb.resize(bytes);
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER, slot->buffer);
  const auto* bottomUp = static_cast<const std::uint8_t*>(
      gl.mapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT));
  if (bottomUp) {
    flipRows(bottomUp, size, rgb.data());
    gl.unmapBuffer(GL_PIXEL_PACK_BUFFER);
  }
  gl.bindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  return bottomUp != nullptr;
}

}  // namespace tav::platform
