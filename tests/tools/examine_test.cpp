#include "tools/examine/examine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "engine/model_loader.h"
#include "shell/sync_text.h"
#include "tests/engine/loader_fixtures.h"
#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_dir.h"
#include "tools/examine/name_text.h"

namespace tav {
namespace {

struct ToolRun {
  int status = 0;
  std::string out;
  std::string err;
};

ToolRun inspect(std::vector<std::string> args) {
  args.insert(args.begin(), "tavrinel-inspect");
  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  std::ostringstream out, err;
  int status = inspect::run(static_cast<int>(argv.size()), argv.data(), out, err);
  return {status, out.str(), err.str()};
}

TEST(Inspect, PrintsAModelAsTheEngineHoldsIt) {
  test::TempDir dir;
  writer3ds::Scene3ds scene;
  scene.materials = {{.name = "dot_sprite", .transparencyPercent = 10, .textureMap = "dot.jpg"}};
  writer3ds::Mesh3ds mesh = test::triangle("word", {10, 0, 0});
  mesh.materialGroups = {{"dot_sprite", {0}}};
  scene.meshes = {mesh, test::path("flight", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}})};
  scene.lights = {{.name = "l", .position = {0.1f, 0, 0}}};
  scene.cameras = {{.name = "c", .lens = 50}};
  test::writeFile(dir.file("scene.3ds"), writer3ds::write3ds(scene));

  ToolRun run = inspect({dir.file("scene.3ds"), "--geometry"});
  ASSERT_EQ(run.status, 0) << run.err;
  auto json = nlohmann::json::parse(run.out);
  ASSERT_EQ(json.size(), 1u);
  const auto& model = json[0];
  EXPECT_EQ(model["status"], "ok");
  EXPECT_EQ(model["meshes"][0]["name"], "word");
  EXPECT_EQ(model["meshes"][0]["position"], nlohmann::json::parse("[10, 0, 0]"));
  EXPECT_EQ(model["meshes"][0]["vertices"][1], nlohmann::json::parse("[1, 0, 0]"));  // re-centred
  EXPECT_EQ(model["meshes"][0]["faces"][0], nlohmann::json::parse("[0, 1, 2, 0]"));
  EXPECT_EQ(model["meshes"][0]["vertexNormals"][0], nlohmann::json::parse("[0, 0, 1]"));
  EXPECT_EQ(model["tracks"][0]["keyCount"], 3);
  EXPECT_EQ(model["lights"][0]["position"][0], 0.1);  // the float's shortest form
  EXPECT_EQ(model["cameras"][0]["lens"], 50);
  const auto& material = model["materials"][0];
  EXPECT_EQ(material["texture0File"], "dot.jpg");
  EXPECT_EQ(material["opacity"], 0.9);
  EXPECT_EQ(material["flags"], 0x86);
  EXPECT_EQ(material["flagNames"], nlohmann::json::parse(R"(["smooth", "textured", "sprite"])"));

  ToolRun brief = inspect({dir.file("scene.3ds")});
  EXPECT_FALSE(nlohmann::json::parse(brief.out)[0]["meshes"][0].contains("vertices"));
}

TEST(Inspect, FailsWithAClearMessageForMissingAndForeignFiles) {
  test::TempDir dir;
  test::writeFile(dir.file("good.3ds"), writer3ds::write3ds({.meshes = {test::triangle("t")}}));
  test::writeFile(dir.file("text.3ds"), {'h', 'e', 'l', 'l', 'o', '\n', '!', '!'});
  ToolRun run = inspect({dir.file("good.3ds"), dir.file("missing.3ds"), dir.file("text.3ds")});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("missing.3ds: No such file or directory"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("text.3ds: not a 3DS file"), std::string::npos) << run.err;
  auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json[0]["status"], "ok");
  EXPECT_EQ(json[1]["status"], "unreadable");
  EXPECT_EQ(json[2]["status"], "not a 3ds file");
}

TEST(Inspect, NamesInAnyCodePagePrintAsUtf8Text) {
  EXPECT_EQ(inspect::nameText("W\xFCrfel"), "Würfel");  // Windows-1252
  EXPECT_EQ(inspect::nameText("Würfel"), "Würfel");     // UTF-8 passes through
  EXPECT_EQ(inspect::nameText("\x80 \x9F"), "€ Ÿ");
  EXPECT_EQ(inspect::nameText("a\x81z"), "a\uFFFDz");  // unassigned in the code page
  // Not UTF-8, though close: cut short, overlong, a surrogate.
  EXPECT_EQ(inspect::nameText("\xE2\x82"), "â‚");
  EXPECT_EQ(inspect::nameText("\xC0\xAF"), "À¯");
  EXPECT_EQ(inspect::nameText("\xED\xA0\x80"), "í\u00A0€");

  test::TempDir dir;
  writer3ds::Scene3ds scene;
  scene.materials = {{.name = "Gr\xFCn", .textureMap = "gr\xFCn.jpg"}};
  scene.meshes = {test::triangle("W\xFCrfel")};
  test::writeFile(dir.file("old.3ds"), writer3ds::write3ds(scene));
  ToolRun run = inspect({dir.file("old.3ds"), "--geometry"});
  ASSERT_EQ(run.status, 0) << run.err;
  auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json[0]["meshes"][0]["name"], "Würfel");
  EXPECT_EQ(json[0]["materials"][0]["name"], "Grün");
  EXPECT_EQ(json[0]["materials"][0]["texture0File"], "grün.jpg");
}

TEST(Inspect, NamesCutByTheLoaderKeepTheirWholeCharactersAndNeverReachATerminalRaw) {
  // Sixteen Cyrillic letters are 32 bytes; the loader keeps 31, cutting the last letter in two.
  test::TempDir dir;
  const std::string cyrillic =
      "\u041A\u043E\u043C\u043D\u0430\u0442\u0430\u0441\u0432\u0435"
      "\u0442\u043E\u043C\u043A\u043E\u0439";
  writer3ds::Scene3ds scene;
  scene.meshes = {test::triangle(cyrillic), test::triangle("bell\x1B[2Jcaf\xE9")};
  test::writeFile(dir.file("named.3ds"), writer3ds::write3ds(scene));
  ToolRun run = inspect({dir.file("named.3ds")});
  ASSERT_EQ(run.status, 0) << run.err;
  auto json = nlohmann::json::parse(run.out);
  EXPECT_EQ(json[0]["meshes"][0]["name"], cyrillic.substr(0, 30));
  EXPECT_EQ(json[0]["meshes"][1]["name"], "bell\x1B[2Jcaf\u00E9");  // JSON escapes ESC itself
  // A Windows-1252 name ending in a letter that leads a UTF-8 sequence is not taken as cut.
  EXPECT_EQ(inspect::nameText("Caf\xE9"), "Caf\u00E9");
  EXPECT_EQ(inspect::shownName("bell\x1B[2J\xC2\x9B"), "bell\\x1B[2J\\u009B");

  // The meshes a damaged file left empty are named each in its own code page.
  Model model;
  model.meshes.resize(2);
  model.meshes[0].name = "W\xFCrfel";
  model.meshes[1].name = "K\u00FCbel";
  LoadReport report{
      .status = LoadStatus::Damaged, .problem = "cut", .leftEmpty = {0, 1}, .leftEmptyCount = 3};
  EXPECT_EQ(describe(report, model, inspect::shownName),
            "cut; left empty: mesh 0 \"W\u00FCrfel\", mesh 1 \"K\u00FCbel\" and 1 more meshes");
}

std::vector<std::string> folderNames(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Inspect, TurnsAnEventTableIntoTextAndBackUnchanged) {
  test::TempDir dir;
  const std::vector<SyncEvent> table = {{28000, 39}, {1000, 40}, {-5, -7}, {INT32_MAX, INT32_MIN}};
  const std::vector<std::uint8_t> original = syncDatBytes(table);
  test::writeFile(dir.file("sync.dat"), original);
  test::writeFile(dir.file("old.dat"), {1, 2, 3});

  ToolRun text = inspect({"--sync-text", dir.file("sync.dat")});
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, writeSyncText(table));
  test::writeFile(dir.file("sync.txt"), {text.out.begin(), text.out.end()});
  ToolRun dat = inspect({"--sync-dat", dir.file("sync.txt"), "-o", dir.file("old.dat")});
  ASSERT_EQ(dat.status, 0) << dat.err;
  EXPECT_EQ(test::readFile(dir.file("old.dat")), original);
  // Written in place of the old file, with nothing left beside it.
  EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"old.dat", "sync.dat", "sync.txt"}));
}

TEST(Inspect, ADamagedTablePrintsWhatTheShowKeepsAndSaysWhy) {
  test::TempDir dir;
  std::vector<std::uint8_t> cut = syncDatBytes(std::vector<SyncEvent>{{10, 39}, {20, 40}, {30, 8}});
  cut[0] = 5;
  cut.resize(cut.size() - 4);
  test::writeFile(dir.file("cut.dat"), cut);
  ToolRun run = inspect({"--sync-text", dir.file("cut.dat")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, writeSyncText(std::vector<SyncEvent>{{10, 39}, {20, 40}}));
  EXPECT_NE(run.err.find("cut.dat: 5 events declared but only 2 complete"), std::string::npos)
      << run.err;

  std::vector<std::uint8_t> longer = syncDatBytes(std::vector<SyncEvent>{{10, 39}});
  longer.push_back(0);
  test::writeFile(dir.file("longer.dat"), longer);
  ToolRun trailing = inspect({"--sync-text", dir.file("longer.dat")});
  EXPECT_EQ(trailing.status, 1);
  EXPECT_NE(trailing.err.find("bytes past its last event"), std::string::npos) << trailing.err;

  ToolRun missing = inspect({"--sync-text", dir.file("none.dat")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("none.dat: No such file"), std::string::npos) << missing.err;
}

TEST(Inspect, ABadLineInTheTextWritesNothing) {
  test::TempDir dir;
  const std::string bad = "00:01.000 39\n00:02.500 forty\n";
  test::writeFile(dir.file("bad.txt"), {bad.begin(), bad.end()});
  test::writeFile(dir.file("sync.dat"), {7, 7, 7});
  for (const char* target : {"sync.dat", "new.dat"}) {
    ToolRun run = inspect({"--sync-dat", dir.file("bad.txt"), "-o", dir.file(target)});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("bad.txt: line 2: bad code \"forty\""), std::string::npos) << run.err;
  }
  EXPECT_EQ(test::readFile(dir.file("sync.dat")), (std::vector<std::uint8_t>{7, 7, 7}));
  EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"bad.txt", "sync.dat"}));

  const std::string good = "00:01.000 39\n";
  test::writeFile(dir.file("good.txt"), {good.begin(), good.end()});
  ToolRun intoFolder = inspect({"--sync-dat", dir.file("good.txt"), "-o", dir.path().string()});
  EXPECT_EQ(intoFolder.status, 1);
  EXPECT_EQ(folderNames(dir.path()), (std::vector<std::string>{"bad.txt", "good.txt", "sync.dat"}));
}

TEST(Inspect, HelpAndMissingArguments) {
  ToolRun help = inspect({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--geometry"), std::string::npos);
  EXPECT_NE(help.out.find("--sync-text"), std::string::npos);
  ToolRun none = inspect({});
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.err.find("files"), std::string::npos) << none.err;

  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"--sync-dat", "a.txt"},
           {"-o", "sync.dat", "a.3ds"},
           {"--sync-text", "sync.dat", "--check", "show"},
           {"--sync-text", "sync.dat", "a.3ds"},
           {"--sync-text", "sync.dat", "--geometry"},
       }) {
    ToolRun run = inspect(args);
    EXPECT_NE(run.status, 0) << args[0];
    EXPECT_EQ(run.out, "") << args[0];
  }
}

}  // namespace
}  // namespace tav
