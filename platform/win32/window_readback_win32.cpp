// The Windows window's sizes and the frames read back from it: a displayed window's from the
// screen, a headless one's from its framebuffer object.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "platform/gl.h"
#include "platform/win32/window_impl.h"

namespace tav::platform {

namespace {

Size rectSize(const RECT& rect) {
  return {static_cast<int>(rect.right - rect.left), static_cast<int>(rect.bottom - rect.top)};
}

}  // namespace

Size Window::drawableSize() const {
  if (impl_->backend == VideoBackend::Headless) {
    return impl_->window ? impl_->framebufferSize : Size{};
  }
  RECT rect{};
  if (!impl_->window || !GetClientRect(impl_->window, &rect)) return {};
  return rectSize(rect);
}

Size Window::windowSize() const {
  RECT rect{};
  if (!impl_->window || !GetWindowRect(impl_->window, &rect)) return {};
  return rectSize(rect);
}

void* Window::procAddress(const char* name) const {
  return impl_->videoStarted ? win32::glEntryPoint(name) : nullptr;
}

bool Window::startReadback() {
  Impl& impl = *impl_;
  if (!impl.context) return false;
  if (impl.backend == VideoBackend::Headless) return impl.reader.start(drawableSize());
  // The screen cannot be read later: it is read now, and handed over when asked for.
  if (impl.shown.size() >= 2) return false;
  Size size;
  std::vector<std::uint8_t> rgb = readPixelsRgb(size);
  if (rgb.empty()) return false;
  impl.shown.emplace_back(size, std::move(rgb));
  return true;
}

bool Window::takeReadback(std::vector<std::uint8_t>& rgb, Size& size) {
  Impl& impl = *impl_;
  if (!impl.context) return false;
  if (impl.backend == VideoBackend::Headless) return impl.reader.take(rgb, size);
  if (impl.shown.empty()) return false;
  size = impl.shown.front().first;
  rgb = std::move(impl.shown.front().second);
  impl.shown.pop_front();
  return true;
}

std::vector<std::uint8_t> Window::readPixelsRgb(Size& size) const {
  size = drawableSize();
  std::vector<std::uint8_t> rows;
  if (!impl_->context || size.width <= 0 || size.height <= 0) {
    size = {};
    return rows;
  }
  if (impl_->backend == VideoBackend::Display) {
    glFinish();  // the swap has reached the screen
    if (!win32::readScreen(impl_->window, size, rows)) size = {};
    return rows;
  }
  return readPresentedFrameRgb(size);
}

}  // namespace tav::platform
