#pragma once
// tavrinel-capture: plays the show headless on a virtual clock, frame by frame, exactly
// reproducibly, writing PNG frames, stills, a video or a timing report.
#include <iosfwd>

namespace tav::capture {

// The whole program: arguments in, progress and problems on `err`; returns the exit status.
int run(int argc, const char* const* argv, std::ostream& err);

}  // namespace tav::capture
