#include "web/studio_bridge.h"

#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "shell/sync_text.h"
#include "tools/examine/show_check.h"

namespace tav::web {
namespace {

// What the page asked for since the studio last looked: the page calls in between frames, while
// the studio waits for the browser, so the one queue is between the exports and the host.
std::deque<studio::HostRequest>& requests() {
  static std::deque<studio::HostRequest> queue;
  return queue;
}

std::vector<SyncEvent> eventsOf(const std::int32_t* pairs, int count) {
  std::vector<SyncEvent> events;
  for (int i = 0; i < count; ++i)
    events.push_back({pairs[2 * i], pairs[2 * i + 1]});
  return events;
}

// A copy the page frees with Module._free.
template <typename Bytes>
std::uint8_t* handed(const Bytes& bytes) {
  auto* out = static_cast<std::uint8_t*>(std::malloc(bytes.size() + 1));
  if (!out) return nullptr;
  std::memcpy(out, bytes.data(), bytes.size());
  out[bytes.size()] = 0;
  return out;
}

// clang-format off
EM_JS(void, pageShown, (double showMs, double frame, double lengthMs, int scene, int playing,
                        int cursor, double loopStart, double loopEnd, const char* line,
                        int problem), {
  if (!Module.tavrinelStudio) return;
  Module.tavrinelStudio.shown({showMs, frame, lengthMs, scene, playing: !!playing, cursor,
                               loopStart: loopStart < 0 ? null : loopStart,
                               loopEnd: loopEnd < 0 ? null : loopEnd,
                               line: UTF8ToString(line), lineIsProblem: !!problem});
});
EM_JS(void, pageTable, (const int* pairs, int count, const int* bands, int bandCount, int from), {
  if (!Module.tavrinelStudio) return;
  Module.tavrinelStudio.table(HEAP32.slice(pairs >> 2, (pairs >> 2) + 2 * count),
                              HEAP32.slice(bands >> 2, (bands >> 2) + 2 * bandCount),
                              ["folder", "host", "kept"][from]);
});
// clang-format on

}  // namespace

std::optional<studio::HostRequest> PageHost::nextRequest() {
  if (requests().empty()) return std::nullopt;
  studio::HostRequest request = std::move(requests().front());
  requests().pop_front();
  return request;
}

void PageHost::shown(const studio::HostView& v) {
  pageShown(static_cast<double>(v.showMs), static_cast<double>(v.frame),
            static_cast<double>(v.lengthMs), v.scene, v.playing ? 1 : 0, v.cursor,
            v.loop.startMs ? static_cast<double>(*v.loop.startMs) : -1.0,
            v.loop.endMs ? static_cast<double>(*v.loop.endMs) : -1.0, v.line.c_str(),
            v.lineIsProblem ? 1 : 0);
}

void PageHost::tableChanged(std::span<const SyncEvent> table, std::span<const SceneBand> bands,
                            TableFrom from) {
  std::vector<int> pairs, spans;
  for (const SyncEvent& e : table)
    pairs.insert(pairs.end(), {e.timeMs, e.value});
  for (const SceneBand& b : bands)
    spans.insert(spans.end(), {static_cast<int>(b.fromMs), b.scene});
  pageTable(pairs.data(), static_cast<int>(table.size()), spans.data(),
            static_cast<int>(bands.size()), static_cast<int>(from));
}

}  // namespace tav::web

using tav::studio::HostRequest;

extern "C" {

// A key of the studio's transport, as the keyboard gives it (the buttons press them too).
EMSCRIPTEN_KEEPALIVE void tavrinel_studio_key(int key, int shift) {
  if (auto command = tav::studio::commandFor(key, shift != 0)) {
    HostRequest request;
    request.command = *command;
    tav::web::requests().push_back(std::move(request));
  }
}

EMSCRIPTEN_KEEPALIVE void tavrinel_studio_seek(double ms) {
  HostRequest request;
  request.kind = HostRequest::Kind::Seek;
  request.ms = static_cast<std::int64_t>(ms);
  tav::web::requests().push_back(std::move(request));
}

// The loop region as it is to be; a negative end is unset.
EMSCRIPTEN_KEEPALIVE void tavrinel_studio_loop(double startMs, double endMs) {
  HostRequest request;
  request.kind = HostRequest::Kind::Loop;
  if (startMs >= 0) request.loop.startMs = static_cast<std::int64_t>(startMs);
  if (endMs >= 0) request.loop.endMs = static_cast<std::int64_t>(endMs);
  tav::web::requests().push_back(std::move(request));
}

// An edited table: `count` (time, code) pairs in their order.
EMSCRIPTEN_KEEPALIVE void tavrinel_studio_table(const std::int32_t* pairs, int count) {
  HostRequest request;
  request.kind = HostRequest::Kind::Table;
  request.table = tav::web::eventsOf(pairs, count);
  tav::web::requests().push_back(std::move(request));
}

// The folder check of tavrinel-inspect --check: one problem a line, none when the folder is good.
EMSCRIPTEN_KEEPALIVE char* tavrinel_check(const char* dir) {
  std::string lines;
  for (const std::string& problem : tav::inspect::checkShow(dir))
    lines += problem + "\n";
  return reinterpret_cast<char*>(tav::web::handed(lines));
}

// What `code` does in `scene`, in the words sync.txt's comments use; null when the scene ignores
// it. The page offers the known codes with these.
EMSCRIPTEN_KEEPALIVE const char* tavrinel_sync_code_meaning(int scene, int code) {
  return tav::syncCodeMeaning(scene, code);
}

// The table as its files hold it: sync.dat's bytes, or with `text` sync.txt's. `length` gets the
// size.
EMSCRIPTEN_KEEPALIVE std::uint8_t* tavrinel_sync_file(const std::int32_t* pairs, int count,
                                                      int text, int* length) {
  const std::vector<tav::SyncEvent> events = tav::web::eventsOf(pairs, count);
  if (text) {
    const std::string written = tav::writeSyncText(events);
    *length = static_cast<int>(written.size());
    return tav::web::handed(written);
  }
  const std::vector<std::uint8_t> bytes = tav::syncDatBytes(events);
  *length = static_cast<int>(bytes.size());
  return tav::web::handed(bytes);
}

}  // extern "C"
