#include "tools/examine/examine.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>

#include "engine/engine.h"
#include "tools/examine/model_json.h"

namespace tav::inspect {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Prints .3ds files as the tavrinel engine loads them: meshes (re-centred on their\n"
      "positions), cameras, lights, the tracks built from path objects and the materials with\n"
      "their draw flags, as JSON. Textures are not loaded.",
      "tavrinel-inspect"};
  std::vector<std::string> files;
  bool geometry = false;
  app.add_option("files", files, "the .3ds files to print")->required();
  app.add_flag("--geometry", geometry,
               "also list each mesh's vertices, faces (with material index), texture coordinates "
               "and vertex normals");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }

  Engine engine;
  engine.textureMode = TextureMode::None;
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  int status = 0;
  for (const std::string& file : files) {
    engine.loadModel(file);
    const LoadReport& report = engine.lastLoad();
    nlohmann::ordered_json entry = {{"file", file}, {"status", statusName(report.status)}};
    if (!report.problem.empty()) entry["problem"] = report.problem;
    entry.update(modelJson(engine.model(), geometry));
    all.push_back(std::move(entry));
    if (report.status != LoadStatus::Ok) {
      err << "tavrinel-inspect: " << file << ": " << report.problem << "\n";
      status = 1;
    }
  }
  out << all.dump(2) << "\n";
  return status;
}

}  // namespace tav::inspect
