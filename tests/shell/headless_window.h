#pragma once
// A GLWindow on the headless backend, created as the show creates it (full screen, 32 bits).
#include <gtest/gtest.h>

#include "platform/window.h"
#include "shell/gl_window.h"
#include "shell/show_state.h"

namespace tav::test {

struct HeadlessWindow {
  explicit HeadlessWindow(int width = 640, int height = 480) {
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
