#pragma once
// The show's files as the studio watches them: what a changed path under the show folder is to the
// show, and why it no longer loads, in the inspector's words.
#include <set>
#include <string>
#include <string_view>

#include "engine/engine.h"

namespace tav::studio {

struct ShowFile {
  enum class Kind { Other, Model, Texture, Music, SyncTable, SyncText };
  Kind kind = Kind::Other;
  int model = -1;    // the model's index, for a model
  std::string path;  // relative to the show folder, '/' separators
};

// What `path` (relative, '/' separators) is: one of the fifteen models, a file in the texture
// folder, the soundtrack, "sync.dat" or its text form "sync.txt"; anything else is Other.
ShowFile showFile(std::string_view path);

// The texture files the loaded show draws with (its materials' maps and the set-up's named
// pictures), in lower case: a changed file among them is loaded again, others are left alone.
std::set<std::string> texturesInUse(const Engine& engine);
bool inUse(const std::set<std::string>& textures, std::string_view file);

// Why the file no longer loads, in the inspector's words; empty when it loads.
std::string loadProblem(const ShowFile& file);

}  // namespace tav::studio
