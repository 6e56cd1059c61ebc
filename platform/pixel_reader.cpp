#define GL_GLEXT_PROTOTYPES 1
#include "platform/pixel_reader.h"

#include <cstring>

#include "platform/gl.h"

namespace tav::platform {

void readPresentedFrame(Size size, void* destination) {
  GLint readBuffer = 0, packAlignment = 0;
  GLboolean doubleBuffered = GL_FALSE;
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
  // After a swap the presented frame is the front buffer; a single-buffered surface has only one.
  if (doubleBuffered) glReadBuffer(GL_FRONT);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, size.width, size.height, GL_RGB, GL_UNSIGNED_BYTE, destination);
  glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
  if (doubleBuffered) glReadBuffer(static_cast<GLenum>(readBuffer));
}

PixelReader::~PixelReader() {
  release();
}

void PixelReader::release() {
  for (Slot& slot : slots_) {
    if (slot.buffer) glDeleteBuffers(1, &slot.buffer);
    slot = Slot{};
  }
}

bool PixelReader::start(Size size) {
  Slot& slot = slots_[next_];
  if (slot.pending || size.width <= 0 || size.height <= 0) return false;
  const std::size_t bytes = static_cast<std::size_t>(size.width) * size.height * 3;
  if (!slot.buffer) glGenBuffers(1, &slot.buffer);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, slot.buffer);
  if (slot.capacity < bytes) {
    glBufferData(GL_PIXEL_PACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_READ);
    slot.capacity = bytes;
  }
  readPresentedFrame(size, nullptr);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  slot.size = size;
  slot.pending = true;
  next_ = 1 - next_;
  return true;
}

bool PixelReader::take(std::vector<std::uint8_t>& rgb, Size& size) {
  // The oldest of two in flight is the one `next_` would reuse; of one, the other.
  Slot* slot = slots_[next_].pending ? &slots_[next_] : &slots_[1 - next_];
  if (!slot->pending) return false;
  slot->pending = false;
  size = slot->size;
  const std::size_t stride = static_cast<std::size_t>(size.width) * 3;
  const std::size_t bytes = stride * static_cast<std::size_t>(size.height);
  rgb.resize(bytes);
  glBindBuffer(GL_PIXEL_PACK_BUFFER, slot->buffer);
  const auto* bottomUp = static_cast<const std::uint8_t*>(
      glMapBufferRange(GL_PIXEL_PACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes), GL_MAP_READ_BIT));
  if (bottomUp) {
    for (int y = 0; y < size.height; ++y) {
      std::memcpy(&rgb[static_cast<std::size_t>(y) * stride],
                  bottomUp + static_cast<std::size_t>(size.height - 1 - y) * stride, stride);
    }
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
  }
  glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
  return bottomUp != nullptr;
}

}  // namespace tav::platform
