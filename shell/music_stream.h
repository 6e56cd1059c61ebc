#pragma once
// The soundtrack, and the show's master clock: every frame the main loop reads its position and
// asks the sync track for the event due then.
//
// Order of use: open (before any model loads), play, enableSpectrum, setVolume(255); positionMs
// once a frame; stop, then close at the end.
#include <cstdint>
#include <iosfwd>
#include <vector>

#include "platform/sound.h"

namespace tav {

// The text for a sound error code; "Unknown error" for a code outside the table.
const char* soundErrorText(int code);

class MusicStream {
 public:
  // `console` takes the lines the viewer reads; `diagnostics` says why the music is silent.
  MusicStream(platform::SoundOutput& sound, std::ostream& console, std::ostream& diagnostics);

  // Starts the sound output and opens the MP3 file at `path` as a stream, read whole into memory.
  // False when there is no stream; play then runs silently, the position following the clock.
  bool open(const char* path);
  void play();
  void enableSpectrum();
  void setVolume(int volume);
  std::int32_t positionMs();
  // For the studio: to any time of the music (clamped to it), pausing and going on, its length
  // in ms (-1 when there is no stream).
  // The output's buffering, asked for when the stream opens: 200 ms as the show has always had;
  // a studio that seeks asks for less, since what the device holds still plays after a seek.
  void setBufferMs(int ms) { bufferMs_ = ms; }
  void seek(std::int32_t ms);
  void pause(bool paused);
  std::int32_t lengthMs() const;
  void stop();
  void close();

 private:
  platform::SoundOutput& sound_;
  std::ostream& console_;
  std::ostream& diagnostics_;
  std::vector<std::uint8_t> block_;  // the whole file; the stream reads from it while it exists
  bool stream_ = false;
  int bufferMs_ = 200;
};

}  // namespace tav
