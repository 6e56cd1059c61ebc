#pragma once
// Checks a show folder against what the set-up and the scenes need from it: every file present
// and readable, each model's objects, names, cameras, lights, tracks and materials with their
// texture files, the sync table and the music.
#include <filesystem>
#include <string>
#include <vector>

namespace tav::inspect {

// One line per problem, each naming the file and what is wrong; empty when the folder is good.
std::vector<std::string> checkShow(const std::filesystem::path& dir);

}  // namespace tav::inspect
