#include "shell/music_stream.h"

#include "platform/files.h"

#include <cstdio>
#include <ostream>

namespace tav {
namespace {

constexpr float kRequiredVersion = 3.61f;
constexpr int kMixRate = 44100;

constexpr const char* kErrorTexts[] = {
    "No errors",
    "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
    "This command failed because FSOUND_Init was not called or called properly",
    "Error initializing output device.",
    "The output device is already in use and cannot be reused.",
    "Playing the sound failed.",
    "Soundcard does not support the features needed for this soundsystem (16bit stereo output)",
    "Error setting cooperative level for hardware.",
    "Error creating hardware sound buffer.",
    "File not found",
    "Unknown file format",
    "Error loading file",
    "Not enough memory ",
    "The version number of this file format is not supported",
    "An invalid parameter was passed to this function",
    "Tried to use an EAX command on a non EAX enabled channel or output.",
    "Failed to allocate a new channel",
    "Recording not supported on this device",
    "Required Mediaplayer codec is not installed",
};

}  // namespace

const char* soundErrorText(int code) {
  constexpr int kCount = static_cast<int>(std::size(kErrorTexts));
  return code >= 0 && code < kCount ? kErrorTexts[code] : "Unknown error";
}

MusicStream::MusicStream(platform::SoundOutput& sound, std::ostream& console,
                         std::ostream& diagnostics)
    : sound_(sound), console_(console), diagnostics_(diagnostics) {}

bool MusicStream::open(const char* path) {
  if (sound_.version() < kRequiredVersion) {
    char line[96];
    std::snprintf(line, sizeof line,
                  "Error : You are using the wrong DLL version!  You should be using FMOD %.02f\n",
                  static_cast<double>(kRequiredVersion));
    console_ << line << std::flush;
  }
  const bool device = sound_.init(kMixRate, bufferMs_);
  if (!device) {
    console_ << "Error!\n" << soundErrorText(sound_.error()) << "\n" << std::flush;
    sound_.close();
  }
  if (!sound_.detail().empty()) diagnostics_ << path << ": " << sound_.detail() << std::endl;

  bool missing = false;
  std::string error;
  if (!platform::readWholeFile(path, block_, error, &missing)) {
    // A file that is there but cannot be read is as lost to the show as a missing one.
    console_ << "Error!\n"
             << "File Not Found\n"
             << std::flush;
    sound_.close();
    if (!missing) diagnostics_ << path << ": " << error << std::endl;
    block_.clear();
    return false;
  }
  if (!device) {
    diagnostics_ << path << ": no audio device; the show plays silently, in step with the clock"
                 << std::endl;
    return false;
  }
  stream_ = sound_.openStream(block_);
  if (!stream_) {
    diagnostics_ << path << ": " << soundErrorText(sound_.error()) << " (" << sound_.detail()
                 << "); the show plays silently" << std::endl;
  }
  return stream_;
}

void MusicStream::play() {
  sound_.play(true);
  sound_.setPaused(false);
}

void MusicStream::enableSpectrum() {
  sound_.setSpectrumActive(true);
}

void MusicStream::setVolume(int volume) {
  sound_.setVolume(volume);
}

std::int32_t MusicStream::positionMs() {
  return sound_.positionMs();
}

void MusicStream::seek(std::int32_t ms) {
  sound_.seek(ms);
}

void MusicStream::pause(bool paused) {
  sound_.setPaused(paused);
}

std::int32_t MusicStream::lengthMs() const {
  return sound_.lengthMs();
}

void MusicStream::stop() {
  sound_.stop();
}

void MusicStream::close() {
  sound_.closeStream();
  sound_.close();
  stream_ = false;
}

}  // namespace tav
