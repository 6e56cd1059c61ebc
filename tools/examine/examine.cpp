#include "tools/examine/examine.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <ostream>

#include "engine/engine.h"
#include "tools/examine/model_json.h"
#include "tools/examine/name_text.h"
#include "tools/examine/show_check.h"
#include "tools/examine/sync_convert.h"

namespace tav::inspect {

int run(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  CLI::App app{
      "Prints .3ds files as the tavrinel engine loads them: meshes (re-centred on their\n"
      "positions), cameras, lights, the tracks built from path objects and the materials with\n"
      "their draw flags, as JSON. Textures are not loaded. With --check, checks a whole show\n"
      "folder instead. With --sync-text or --sync-dat, turns the show's event table (sync.dat)\n"
      "into its text form, one event a line as \"mm:ss.mmm CODE\", or back.",
      "tavrinel-inspect"};
  std::vector<std::string> files;
  bool geometry = false;
  std::string show, datIn, textIn, output;
  auto* fileOption = app.add_option("files", files, "the .3ds files to print");
  auto* checkOption = app.add_option(
      "--check", show,
      "check a show folder (laid out like build/show) against what the show needs: one line per "
      "problem, exit status 1 when there is any");
  auto* geometryOption =
      app.add_flag("--geometry", geometry,
                   "also list each mesh's vertices, faces (with material index), texture "
                   "coordinates and vertex normals");
  auto* textOption =
      app.add_option(
             "--sync-text", datIn,
             "print the text form of an event table (sync.dat); exit status 1 when it is damaged")
          ->type_name("SYNC_DAT");
  auto* datOption =
      app.add_option(
             "--sync-dat", textIn,
             "read an event table's text form and write the binary file named by -o; a bad line "
             "writes nothing")
          ->type_name("TEXT_FILE");
  auto* outputOption =
      app.add_option("-o", output, "the sync.dat that --sync-dat writes, replaced whole")
          ->type_name("SYNC_DAT");
  datOption->needs(outputOption);
  outputOption->needs(datOption);
  const std::vector<CLI::Option*> modes = {fileOption, checkOption, textOption, datOption};
  for (std::size_t i = 0; i < modes.size(); ++i) {
    for (std::size_t j = i + 1; j < modes.size(); ++j)
      modes[i]->excludes(modes[j]);
    if (modes[i] != fileOption) modes[i]->excludes(geometryOption);
  }
  try {
    app.parse(argc, argv);
    if (files.empty() && show.empty() && !*textOption && !*datOption)
      throw CLI::RequiredError("files, --check, --sync-text or --sync-dat");
  } catch (const CLI::ParseError& e) {
    return app.exit(e, out, err);
  }
  if (*textOption) return printSyncText(datIn, out, err);
  if (*datOption) return writeSyncDat(textIn, output, err);
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
