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
                               double steady, double frames), {
  (window.tavrinel.report = window.tavrinel.report || []).push(
      {scene, medianMs: median, worstMs: worst, worstAfterFirstMs: afterFirst,
       worstSteadyMs: steady, frames});
});
// `count` rows of `fields` numbers at `values`, one row a frame: one array per field.
EM_JS(void, pageAddFrames, (const double* values, int count, const char* names, int fields), {
  const keys = UTF8ToString(names).split(",");
  const columns = {};
  keys.forEach((key, i) => {
    const column = new Array(count);
    for (let k = 0; k < count; ++k) column[k] = HEAPF64[(values >> 3) + k * fields + i];
    columns[key] = column;
  });
  window.tavrinel.frameLog = columns;
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
  pageAddSceneTime(t.scene, t.medianMs, t.worstMs, t.worstAfterFirstMs, t.worstSteadyMs,
                   static_cast<double>(t.frames));
}

void addFrames(const std::vector<FrameRecord>& frames) {
  static const char kNames[] =
      "frame,showMs,scene,ms,drawMs,gpuMs,afterTurn,draws,batchBuffersMade,storageBytes,"
      "sentBytes,texturesFirstDrawn,statesFirstDrawn";
  constexpr int kFields = 13;
  std::vector<double> values;
  values.reserve(frames.size() * kFields);
  for (const FrameRecord& f : frames) {
    const gl11::Work& w = f.work;
    const double row[kFields] = {static_cast<double>(f.frame),
                                 static_cast<double>(f.showMs),
                                 static_cast<double>(f.scene),
                                 f.ms,
                                 f.drawMs,
                                 f.gpuMs,
                                 f.afterTurn ? 1.0 : 0.0,
                                 static_cast<double>(w.draws),
                                 static_cast<double>(w.batchBuffersMade),
                                 static_cast<double>(w.storageBytes),
                                 static_cast<double>(w.sentBytes),
                                 static_cast<double>(w.texturesFirstDrawn),
                                 static_cast<double>(w.statesFirstDrawn)};
    values.insert(values.end(), row, row + kFields);
  }
  pageAddFrames(values.data(), static_cast<int>(frames.size()), kNames, kFields);
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
