#pragma once
// The fifteen models of the show, composed for the scenes' formulas: where each sliding word
// crosses its scene's fade band, what each camera sees, where the spheres fall.
#include <filesystem>
#include <string>
#include <vector>

#include "tools/writer3ds/writer3ds.h"

namespace tav::showkit {

// The model of the set-up's table at `index` (0 to 14).
writer3ds::Scene3ds model(int index);
// Writes all fifteen into `dir` under the set-up's file names; returns them.
std::vector<std::string> writeModels(const std::filesystem::path& dir);

}  // namespace tav::showkit
