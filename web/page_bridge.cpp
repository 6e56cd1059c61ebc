#include "web/page_bridge.h"

#include <emscripten.h>

namespace tav::web {

// clang-format off
// The next line entered, with its new line, as UTF-8 in `buffer`; returns its length in bytes.
EM_ASYNC_JS(int, pageReadLine, (char* buffer, int size), {
  const line = (await Module.tavrinelReadLine()) + "\n";
  return stringToUTF8(line, buffer, size);
});
EM_JS(void, pagePublish, (const char* state, int scene, int showMs, double frames), {
  Module.tavrinelPublish(UTF8ToString(state), scene, showMs, frames);
});
EM_JS(void, pageAddStill, (const unsigned char* rgb, int width, int height), {
  Module.tavrinelAddStill(HEAPU8.subarray(rgb, rgb + width * height * 3), width, height);
});
EM_JS(void, pageAddSceneTime, (int scene, double median, double worst, double afterFirst,
                               double frames), {
  (window.tavrinel.report = window.tavrinel.report || []).push(
      {scene, medianMs: median, worstMs: worst, worstAfterFirstMs: afterFirst, frames});
});
EM_JS(void, pageNotePrograms, (int count), {
  window.tavrinel.programsMadeLate = count;
});
// Reading one pixel back waits for the GPU process to finish the frame.
EM_JS(void, pageWaitForGpu, (), {
  GLctx.readPixels(0, 0, 1, 1, GLctx.RGBA, GLctx.UNSIGNED_BYTE, new Uint8Array(4));
});
EM_JS(void, pageSay, (const char* text), {
  Module.tavrinelSay(UTF8ToString(text));
});
// clang-format on

ConsoleInput::int_type ConsoleInput::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  const int length = pageReadLine(line_.data(), static_cast<int>(line_.size()));
  setg(line_.data(), line_.data(), line_.data() + length);
  return traits_type::to_int_type(line_[0]);
}

void publish(const char* state, int scene, std::int32_t showMs, std::int64_t frames) {
  pagePublish(state, scene, showMs, static_cast<double>(frames));
}

void addStill(const std::vector<std::uint8_t>& rgb, int width, int height) {
  pageAddStill(rgb.data(), width, height);
}

void addSceneTime(const SceneTimes& t) {
  pageAddSceneTime(t.scene, t.medianMs, t.worstMs, t.worstAfterFirstMs,
                   static_cast<double>(t.frames));
}

void notePrograms(int madeWhileDrawing) {
  pageNotePrograms(madeWhileDrawing);
}

void waitForGpu() {
  pageWaitForGpu();
}

void say(const char* text) {
  pageSay(text);
}

}  // namespace tav::web
