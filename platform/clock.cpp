#include "platform/clock.h"

#ifdef _WIN32
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <mmsystem.h>
#endif

#include <atomic>
#include <chrono>

namespace tav::platform::clock {
namespace {

// The one process-wide clock. Atomics because the sound thread reads it too.
std::atomic<bool> virtualSource{false};
std::atomic<std::uint32_t> virtualMs{0};
std::atomic<std::uint32_t> virtualStep{0};

#ifdef _WIN32
// winmm's finest resolution, asked for once (by default it may step by several milliseconds) and
// given back when the process ends, since it holds for the whole system until then.
class FinePeriod {
 public:
  FinePeriod() : fine_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
  ~FinePeriod() {
    if (fine_) timeEndPeriod(1);
  }
  FinePeriod(const FinePeriod&) = delete;
  FinePeriod& operator=(const FinePeriod&) = delete;

 private:
  bool fine_;
};

// winmm's millisecond clock, as the show was written against.
std::uint32_t realMs() {
  static const FinePeriod period;
  return timeGetTime();
}
#else
std::uint32_t realMs() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}
#endif

}  // namespace

std::uint32_t nowMs() {
  if (virtualSource.load(std::memory_order_acquire)) {
    return virtualMs.fetch_add(virtualStep.load(std::memory_order_relaxed),
                               std::memory_order_relaxed);
  }
  return realMs();
}

void useRealTime() {
  virtualSource.store(false, std::memory_order_release);
}

void setVirtualMs(std::uint32_t ms, std::uint32_t stepPerRead) {
  virtualMs.store(ms, std::memory_order_relaxed);
  virtualStep.store(stepPerRead, std::memory_order_relaxed);
  virtualSource.store(true, std::memory_order_release);
}

bool isVirtual() {
  return virtualSource.load(std::memory_order_acquire);
}

}  // namespace tav::platform::clock
