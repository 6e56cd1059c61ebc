#pragma once
// showkit: makes the show's whole data set from code into a folder laid out as the show reads it.
#include <filesystem>
#include <iosfwd>

namespace tav::showkit {

// data/3d/in_demo/ (the fifteen models), data/textures/, forest.mp3 and sync.dat in `dir`;
// progress on `log`. False, with the reason on `log`, when something cannot be written.
bool makeShow(const std::filesystem::path& dir, std::ostream& log);

// "sync.dat" for `events`: a little-endian count, then (time ms, code) pairs.
bool writeSyncTable(const std::filesystem::path& file);

}  // namespace tav::showkit
