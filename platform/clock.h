#pragma once
// The show's millisecond clock. Scenes, the distortion styles and the camera path follower read
// time only here, so that a capture or a test can put a frame at any time exactly.
#include <cstdint>

namespace tav::platform::clock {

// Milliseconds as an unsigned 32-bit count that wraps (after about 49.7 days): differences taken
// in unsigned arithmetic stay right across the wrap.
std::uint32_t nowMs();

// The real source, the default: a steady clock that never goes back.
void useRealTime();

// The virtual source: nowMs() returns exactly `ms` until the next call; with `stepPerRead`, each
// reading then moves the clock on by that much (to tell one reading from two).
void setVirtualMs(std::uint32_t ms, std::uint32_t stepPerRead = 0);

bool isVirtual();

}  // namespace tav::platform::clock
