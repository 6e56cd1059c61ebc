// Writes the seed corpus of every fuzz target: .3ds scenes from the writer, sync tables and small
// images in each format. Usage: make_corpus DIR (creates DIR/load_3ds, DIR/sync_track, ...).
#include <cstdio>
#include <filesystem>

#include "tests/support/image_fixture.h"
#include "tests/support/mp3_fixture.h"
#include "tools/writer3ds/writer3ds.h"

namespace fs = std::filesystem;
using namespace tav;

namespace {

void seed(const fs::path& dir, const std::string& name, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(dir);
  test::writeFile((dir / name).string(), bytes);
}

writer3ds::Scene3ds richScene() {
  writer3ds::Scene3ds scene;
  scene.materials = {{.name = "stone",
                      .shininessPercent = 40,
                      .transparencyPercent = 20,
                      .textureMap = "stone.jpg",
                      .reflectionMap = "sky.jpg",
                      .bumpMap = "b.jpg"},
                     {.name = "dot_sprite", .transparencyPercent = 50, .textureMap = "dot.jpg"}};
  writer3ds::Mesh3ds box;
  box.name = "box";
  box.position = {5, 0, 0};
  box.vertices = {{5, 0, 0}, {6, 0, 0}, {5, 1, 0}, {5, 0, 1}};
  box.faces = {{0, 1, 2}, {0, 2, 3}, {1, 3, 2}};
  box.texCoords = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  box.materialGroups = {{"stone", {0, 1}}, {"dot_sprite", {2}}};
  writer3ds::Mesh3ds path;
  path.name = "path";
  path.vertices = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 5}, {0, 0, 0}};
  scene.meshes = {box, path};
  scene.lights = {{.name = "sun", .position = {0, 0, 100}}};
  scene.cameras = {{.name = "cam", .position = {0, -50, 10}, .target = {0, 0, 0}}};
  return scene;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]) == "--help") {
    std::fprintf(
        stderr,
        "usage: make_corpus DIR\nWrites the seed corpus of each fuzz target into DIR/<target>.\n");
    return argc == 2 ? 0 : 2;
  }
  fs::path root = argv[1];
  writer3ds::Scene3ds scene = richScene();
  seed(root / "load_3ds", "rich.3ds", writer3ds::write3ds(scene));
  scene.keyframer = false;
  seed(root / "load_3ds", "no_keyframer.3ds", writer3ds::write3ds(scene));
  seed(root / "load_3ds", "empty.3ds", writer3ds::write3ds({}));

  // Names as tools write them: Windows-1252 ("Würfel", "Grün"), a byte the code page leaves
  // unassigned, UTF-8, and UTF-8 cut inside a character.
  scene.keyframer = true;
  scene.meshes[0].name = "W\xFCrfel";
  scene.meshes[1].name = "Pfad \xE2\x82";
  scene.materials[0].name = "Gr\xFCn";
  scene.materials[0].textureMap = "T\x81re.jpg";
  scene.materials[1].name = "Würfel";
  scene.meshes[0].materialGroups[0].material = "Gr\xFCn";
  seed(root / "examine_3ds", "names.3ds", writer3ds::write3ds(scene));
  seed(root / "examine_3ds", "rich.3ds", writer3ds::write3ds(richScene()));

  const std::vector<std::uint8_t> three = {3, 0, 0, 0, 0, 0, 0,    0, 39, 0, 0,  0, 0xE8, 3,
                                           0, 0, 8, 0, 0, 0, 0xD0, 7, 0,  0, 37, 0, 0,    0};
  seed(root / "sync_track", "three.dat", three);
  seed(root / "sync_track", "empty.dat", {0, 0, 0, 0});

  // The text form as the inspector writes it and as people type it; sync.dat files too, which
  // the target also takes as binary tables.
  const std::string written =
      "# tavrinel event table\n00:00.500 50  # intro text half a second later\n"
      "00:28.000 39  # next scene (to scene 2)\n00:28.000 40\n-00:00.001 -7\n"
      "35791:23.647 -2147483648\n";
  const std::string typed = "\xEF\xBB\xBF# by hand\r\n\t0:01.250\t37 #back\r\n\r\n  1:00.000  8\n";
  for (const auto& [name, text] :
       {std::pair{"written.txt", written}, std::pair{"typed.txt", typed}})
    seed(root / "sync_text", name, {text.begin(), text.end()});
  seed(root / "sync_text", "three.dat", three);

  std::vector<std::uint8_t> rgb(5 * 3 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i)
    rgb[i] = static_cast<std::uint8_t>(i * 17);
  const std::pair<const char*, test::ImageFormat> formats[] = {{"a.png", test::ImageFormat::Png},
                                                               {"a.bmp", test::ImageFormat::Bmp},
                                                               {"a.tga", test::ImageFormat::Tga},
                                                               {"a.jpg", test::ImageFormat::Jpeg}};
  for (const auto& [name, format] : formats) {
    std::vector<std::uint8_t> file = test::encodeImage(format, 5, 3, rgb);
    file.insert(file.begin(), 2);  // the row alignment byte: 4
    seed(root / "decode_image", name, file);
  }

  // Short tones: CBR and VBR with the encoder's gapless tag, and mono at half the rate.
  seed(root / "mp3_frames", "cbr.mp3", test::encodeTone({.seconds = 0.1}));
  seed(root / "mp3_frames", "vbr.mp3", test::encodeTone({.seconds = 0.1}, {.vbr = true}));
  seed(root / "mp3_frames", "mono22.mp3",
       test::encodeTone({.seconds = 0.1, .rate = 22050}, {.channels = 1}));
  return 0;
}
