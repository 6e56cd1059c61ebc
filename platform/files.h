#pragma once
// Reading the show's data files.
#include <cstdint>
#include <string>
#include <vector>

namespace tav::platform {

// The whole file in one read. False, with the reason in `error`, when it cannot be opened or read
// in full; `missing` then tells whether it does not exist at all.
bool readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error,
                   bool* missing = nullptr);

// `path` as it stands when it exists; otherwise the same path with each missing part matched
// without regard to case, as names written on Windows often need. Unchanged when nothing matches.
std::string findIgnoringCase(const std::string& path);

}  // namespace tav::platform
