#include "studio/show_files.h"

#include <algorithm>
#include <cctype>

#include "shell/show.h"
#include "tools/examine/file_check.h"

namespace tav::studio {
namespace {

constexpr std::string_view kTextureFolder = "data/textures/";

std::string lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

}  // namespace

ShowFile showFile(std::string_view path) {
  ShowFile file{ShowFile::Kind::Other, -1, std::string(path)};
  if (path == "sync.dat") {
    file.kind = ShowFile::Kind::SyncTable;
  } else if (path == "sync.txt") {
    file.kind = ShowFile::Kind::SyncText;
  } else if (path == "forest.mp3") {
    file.kind = ShowFile::Kind::Music;
  } else if (lower(path).starts_with(kTextureFolder) &&
             path.find('/', kTextureFolder.size()) == std::string_view::npos) {
    // Found in any case, as the textures are loaded.
    file.kind = ShowFile::Kind::Texture;
  } else {
    for (std::size_t i = 0; i < kModelFiles.size(); ++i) {
      if (path == kModelFiles[i]) {
        file.kind = ShowFile::Kind::Model;
        file.model = static_cast<int>(i);
      }
    }
  }
  return file;
}

std::set<std::string> texturesInUse(const Engine& engine) {
  std::set<std::string> names;
  for (const Model& model : engine.models) {
    for (const Material& material : model.materials) {
      if (!material.texture0File.empty()) names.insert(lower(material.texture0File));
      if (!material.texture1File.empty()) names.insert(lower(material.texture1File));
    }
  }
  for (const NamedTexture& texture : kNamedTextures)
    names.insert(lower(texture.file));
  return names;
}

bool inUse(const std::set<std::string>& textures, std::string_view file) {
  std::string name = lower(file);
  if (name.starts_with(kTextureFolder)) name.erase(0, kTextureFolder.size());
  return textures.contains(name);
}

std::string loadProblem(const ShowFile& file) {
  switch (file.kind) {
    case ShowFile::Kind::Model:
      return inspect::modelProblem(file.path);
    case ShowFile::Kind::Texture:
      return inspect::textureProblem(file.path);
    case ShowFile::Kind::Music:
      return inspect::musicProblem(file.path);
    case ShowFile::Kind::SyncTable:
      return inspect::syncTableProblem(file.path);
    case ShowFile::Kind::SyncText:
    case ShowFile::Kind::Other:
      break;
  }
  return {};
}

}  // namespace tav::studio
