#pragma once
// A model as JSON, exactly as the engine holds it after loading. Names and file names are printed
// as text (nameText): the writer is only ever given valid UTF-8.
#include <nlohmann/json.hpp>

#include "engine/model_loader.h"
#include "engine/records.h"

namespace tav::inspect {

// With `geometry`, each mesh also lists its vertices, faces, texture coordinates and normals.
nlohmann::ordered_json modelJson(const Model& model, bool geometry);
// One file's entry: its name, how it loaded, and the model.
nlohmann::ordered_json fileJson(const std::string& file, const LoadReport& report,
                                const Model& model, bool geometry);
const char* statusName(LoadStatus status);
nlohmann::ordered_json flagNames(std::uint32_t flags);

}  // namespace tav::inspect
