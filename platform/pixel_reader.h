#pragma once
// Frames read back without waiting for them: the read is queued behind the frame's drawing into
// a pixel buffer object, and collected a frame later, when it is long done. Two in flight at most.
// Desktop OpenGL only; the context it was used with must be current.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/window.h"

namespace tav::platform {

// Reads the presented frame (`size` pixels, rows bottom up, 3 bytes a pixel, packed) to
// `destination`: client memory, or an offset into the pixel pack buffer bound. A window's frame is
// read from its front buffer, a framebuffer object's from the object. The read buffer and the pack
// alignment are left as they were.
void readPresentedFrame(Size size, void* destination);

// The presented frame read at once (it waits for the drawing), top row first, 3 bytes a pixel.
std::vector<std::uint8_t> readPresentedFrameRgb(Size size);

class PixelReader {
 public:
  PixelReader();
  ~PixelReader();
  PixelReader(const PixelReader&) = delete;
  PixelReader& operator=(const PixelReader&) = delete;

  // Queues the read of the presented frame (`size` pixels). False when two are in flight.
  bool start(Size size);
  // The oldest frame queued, top row first, 3 bytes a pixel; false when none is.
  bool take(std::vector<std::uint8_t>& rgb, Size& size);
  // Frees the buffers while the context is still there.
  void release();

 private:
  // The buffer-object entry points, found in the current context on first use.
  struct BufferApi;
  bool loadApi();

  struct Slot {
    unsigned buffer = 0;
    std::size_t capacity = 0;
    Size size;
    bool pending = false;
  };
  std::array<Slot, 2> slots_{};
  std::size_t next_ = 0;
  std::unique_ptr<BufferApi> api_;
};

}  // namespace tav::platform
