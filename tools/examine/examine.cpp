#include "tools/examine/examine.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>

#include "engine/engine.h"
#include "tools/examine/model_json.h"
#include "tools/examine/name_text.h"
#include "tools/examine/show_check.h"

namespace tav::inspect {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Prints .3ds files as the tavrinel engine loads them: meshes (re-centred on their\n"
      "positions), cameras, lights, the tracks built from path objects and the materials with\n"
      "their draw flags, as JSON. Textures are not loaded. With --check, checks a whole show\n"
      "folder instead.",
      "tavrinel-inspect"};
  std::vector<std::string> files;
  bool geometry = false;
  std::string show;
  auto* fileOption = app.add_option("files", files, "the .3ds files to print");
  auto* checkOption = app.add_option(
      "--check", show,
      "check a show folder (laid out like build/show) against what the show needs: one line per "
      "problem, exit status 1 when there is any");
  fileOption->excludes(checkOption);
  app.add_flag("--geometry", geometry,
               "also list each mesh's vertices, faces (with material index), texture coordinates "
               "and vertex normals");
  try {
    app.parse(argc, argv);
    if (files.empty() && show.empty()) throw CLI::RequiredError("files or --check");
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }
  if (!show.empty()) {
    std::vector<std::string> problems = checkShow(show);
    for (const std::string& p : problems)
      out << p << "\n";  // its names are shown as text already
    err << "tavrinel-inspect: " << show << ": "
        << (problems.empty() ? "everything the show needs is there"
                             : std::to_string(problems.size()) + " problem(s)")
        << "\n";
    return problems.empty() ? 0 : 1;
  }

  Engine engine;
  engine.textureMode = TextureMode::None;
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  int status = 0;
  for (const std::string& file : files) {
    engine.loadModel(file);
    const LoadReport& report = engine.lastLoad();
    all.push_back(fileJson(file, report, engine.model(), geometry));
    if (report.status != LoadStatus::Ok) {
      err << "tavrinel-inspect: " << shownName(file) << ": "
          << describe(report, engine.model(), shownName) << "\n";
      status = 1;
    }
  }
  out << all.dump(2) << "\n";
  return status;
}

}  // namespace tav::inspect
