#pragma once
// The event table between the show's sync.dat and its text form, for tavrinel-inspect.
#include <iosfwd>
#include <string>

namespace tav::inspect {

// Prints the text form of the sync.dat at `datPath` on `out`. A damaged file prints what the show
// keeps of it and says on `err` what is wrong; returns the exit status.
int printSyncText(const std::string& datPath, std::ostream& out, std::ostream& err);

// Writes the sync.dat for the text file at `textPath` to `datPath` in one step: a program watching
// the folder sees the old file or the new one, never a part. A bad line writes nothing.
int writeSyncDat(const std::string& textPath, const std::string& datPath, std::ostream& err);

}  // namespace tav::inspect
