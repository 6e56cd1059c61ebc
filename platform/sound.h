#pragma once
// The show's sound library: one output device, one MP3 stream played from a block of memory, and
// the position of that stream as heard. With no audio device (none opens, or SDL's dummy driver,
// whose pace drifts by whole percents) or with no stream at all, play is silent and the position
// follows the platform clock, so the show still runs in step.
//
//   init / close                   the output device: rate, stereo, buffer length
//   openStream / closeStream       an MP3 stream over a block that outlives it
//   play(paused), setPaused, stop  play always starts at the stream's beginning
//   setVolume (0 to 255), positionMs, setSpectrumActive
//   error: the last failure as a number of the show's sound error table; detail: in words
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace tav::platform {

enum SoundError : int {
  kSoundOk = 0,
  kSoundAlreadyInitialised = 1,
  kSoundNotInitialised = 2,
  kSoundUnknownFormat = 10,
  kSoundInvalidParameter = 14,
};

// The interface level this layer provides; the show asks for at least 3.61.
inline constexpr float kSoundVersion = 3.61f;

enum class SoundMode {
  Device,  // the system's audio output when there is one
  Silent,  // never a device: the position follows the platform clock (captures, tests)
};

class SoundOutput {
 public:
  explicit SoundOutput(SoundMode mode = SoundMode::Device);
  ~SoundOutput();
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  float version() const { return kSoundVersion; }

  // Opens the output device for 16-bit stereo at `rate` with about `bufferMs` of buffering. A
  // missing device is not a failure: the output is then silent.
  bool init(int rate, int bufferMs);
  void close();

  bool openStream(std::span<const std::uint8_t> block);
  void closeStream();

  bool play(bool paused);
  void setPaused(bool paused);
  void stop();

  void setVolume(int volume);
  // Milliseconds of the stream heard so far: grows with playback, never decreases, stops at the
  // stream's end.
  std::int32_t positionMs();

  // The spectrum unit's switch. Nothing in the show reads a spectrum, so none is computed.
  void setSpectrumActive(bool active);
  bool spectrumActive() const;

  int error() const;
  const std::string& detail() const;
  bool silent() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tav::platform
