#pragma once
// A GLWindow on the headless backend, created as the show creates it (full screen, 32 bits).
#include <gtest/gtest.h>

#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"

namespace tav::test {

struct HeadlessWindow {
  // A `drawable` size other than the asked one stands for a full screen kept at the desktop's size.
  explicit HeadlessWindow(int width = 640, int height = 480, platform::Size drawable = {}) {
    if (drawable.width > 0) platform.setHeadlessSize(drawable);
    created = window.create("tavrinel", width, height, 32, true);
    platform::WindowMessage drained;
    while (platform.nextMessage(drained)) {
    }
  }

  ShowState state;
  platform::Window platform{platform::VideoBackend::Headless};
  GLWindow window{state, platform};
  bool created = false;
};

}  // namespace tav::test
