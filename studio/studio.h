#pragma once
// The studio: the show in a window for the people making it. It plays from any time and seeks
// exactly (each seek shows the frame that playing from the start shows), keeps the music with the
// picture, steps frames, loops a region, draws an overlay of where the show stands, and takes in
// saved files as they change, without moving the show's time.
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>

namespace tav::studio {

class StudioHost;

struct Options {
  std::filesystem::path showDir;  // empty: the working directory
  std::int64_t atMs = 0;
  bool paused = false;
  int width = 1024;
  int height = 768;
  // The page's timeline and buttons, where there are any; the overlay then starts hidden.
  StudioHost* host = nullptr;
};

// tavrinel's studio arguments: "--studio [SHOW_DIR] [--at MS] [--paused] [--size WxH]". False,
// with `error` saying why, when they are not that.
bool parseOptions(int argc, const char* const* argv, Options& options, std::string& error);

// The command line's help for the studio.
const char* usage();

// Plays the show in the studio until Escape or the window is closed. Reload lines and problems go
// to `out`, diagnostics to `err`. The exit status: 0, or 1 when the window cannot be made.
int run(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace tav::studio
