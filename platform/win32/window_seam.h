#pragma once
// For the Windows window's own tests: a system call made to fail on purpose, and the message boxes
// answered in the viewer's place, so that what the show reports about them can be seen.
#include <functional>

#include "platform/window.h"

namespace tav::platform::win32 {

// The calls behind the steps of taking the window down, in their order.
enum class Call { ReleaseContext, DeleteContext, ReleaseDC, DestroyWindow, UnregisterClass };
inline constexpr int kCalls = 5;

// The next time `call` is made it does its work and then answers failure: the test sees the report,
// and no context, window or class is left behind to fail the next steps for real.
void failOnce(Window& window, Call call);

// From now on the window's boxes, headless ones too, go to `answer` instead of the screen, with
// what MessageBoxA would be given; its result is taken as MessageBoxA's (0: no box could be shown).
using BoxAnswerer = std::function<int(const char* text, const char* caption, unsigned style)>;
void answerBoxes(Window& window, BoxAnswerer answer);

}  // namespace tav::platform::win32
