#pragma once
// tavrinel-inspect: prints .3ds files as the engine loads them, checks show folders and turns the
// event table into text and back.
#include <iosfwd>

namespace tav::inspect {

// The whole program: arguments in, JSON or text on `out`, problems on `err`; returns the exit
// status.
int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace tav::inspect
