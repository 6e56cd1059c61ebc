#pragma once
// The show's sound library: one output device, one MP3 stream played from a block of memory, and
// the position of that stream as heard. With no audio device (none opens, or SDL's dummy driver,
// whose pace drifts by whole percents) or with no stream at all, play is silent and the position
// follows the platform clock, so the show still runs in step. When the device goes away during
// the show (headphones unplugged, a USB device dropped), the position carries on from there on the
// clock and the default device is tried again once a second; when one opens, the music plays on
// from the position the show has reached.
//
//   init / close                   the output device: rate, stereo, buffer length
//   openStream / closeStream       an MP3 stream over a block that outlives it
//   play(paused), setPaused, stop  play always starts at the stream's beginning
//   seek, lengthMs                 to any time of the stream, keeping the play state
//   setVolume (0 to 255), positionMs, setSpectrumActive
//   error: the last failure as a number of the show's sound error table; detail: in words
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <string>

namespace tav::platform {

enum SoundError : int {
  kSoundOk = 0,
  kSoundAlreadyInitialised = 1,
  kSoundNotInitialised = 2,
  kSoundDeviceFailed = 3,
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
  // `diagnostics` hears, in words, when the device goes away and when one is found again.
  explicit SoundOutput(SoundMode mode = SoundMode::Device, std::ostream* diagnostics = nullptr);
  ~SoundOutput();
  SoundOutput(const SoundOutput&) = delete;
  SoundOutput& operator=(const SoundOutput&) = delete;

  float version() const { return kSoundVersion; }

  // Opens the output device for 16-bit stereo at `rate` with about `bufferMs` of buffering.
  // False with kSoundDeviceFailed when no device opens; play is then silent, on the clock.
  bool init(int rate, int bufferMs);
  void close();

  bool openStream(std::span<const std::uint8_t> block);
  void closeStream();

  bool play(bool paused);
  void setPaused(bool paused);
  void stop();

  // To `ms` of the stream, clamped to 0..lengthMs: the position answers `ms` at once and the stream
  // goes on from its sample at `ms`; paused stays paused, playing plays on, and before play or
  // after stop only the position moves. What the device already holds of the stream before is
  // dropped where the device allows it (waveOut, Web Audio); over SDL it still plays, and the
  // position holds at `ms` until it has been heard, so the show stays in step with the sound.
  void seek(std::int32_t ms);
  // The stream's length in milliseconds; -1 when unknown (no stream).
  std::int32_t lengthMs() const;

  void setVolume(int volume);
  // Milliseconds of the stream heard so far: grows with playback, never decreases but at a seek,
  // stops at the stream's end.
  std::int32_t positionMs();

  // The spectrum unit's switch. Nothing in the show reads a spectrum, so none is computed.
  void setSpectrumActive(bool active);
  bool spectrumActive() const;

  int error() const;
  const std::string& detail() const;
  bool silent() const;
  // The system's id of the device in use (0: none), as its removal notice names it.
  std::uint32_t outputDevice() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace tav::platform
