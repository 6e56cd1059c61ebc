#pragma once
// Why one of the show's files does not load, in the words the folder check uses: the studio
// says the same when a saved file no longer loads. Each answer is empty when the file loads.
#include <filesystem>
#include <string>

namespace tav::inspect {

// A .3ds model: missing, unreadable or damaged as the loader reports it.
std::string modelProblem(const std::filesystem::path& file);
// An image file as the textures are decoded (names matched in any case).
std::string textureProblem(const std::filesystem::path& file);
// The soundtrack: unreadable, or not an MP3 stream the show decodes. `lengthMs`, when given,
// gets the music's length when it decodes.
std::string musicProblem(const std::filesystem::path& file, double* lengthMs = nullptr);
// "sync.dat" as the show reads it, including bytes past its last event.
std::string syncTableProblem(const std::filesystem::path& file);

}  // namespace tav::inspect
