#include "shell/show.h"

#include <ostream>

#include "platform/gl.h"
#include "shell/gl_window.h"
#include "shell/show_state.h"

namespace tav {

Show::Show(platform::SoundOutput& sound, std::ostream& console, std::ostream& diagnostics)
    : music(sound, console, diagnostics) {}

void reportTextureFailures(Engine& engine, GLWindow& window, std::ostream& diagnostics) {
  engine.onTextureFailure = [&window, &diagnostics](const std::string& path,
                                                    const std::string& reason) {
    diagnostics << path << ": " << reason << std::endl;
    window.platform().showMessageBox("Failed to load texture:", path.c_str(),
                                     platform::BoxIcon::None, platform::BoxButtons::Ok);
  };
}

void setUpShow(Show& show, GLWindow& window, ShowState& state, std::ostream& diagnostics) {
  reportTextureFailures(show.engine, window, diagnostics);
  show.music.open("forest.mp3");
  window.loadMultitexture();

  show.music.play();
  show.music.enableSpectrum();
  show.music.setVolume(255);

  std::string problem = show.sync.load("sync.dat");
  if (!problem.empty()) diagnostics << "sync.dat: " << problem << std::endl;
  show.sync.rewind();

  state.sceneSelector = 1;

  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  window.swapBuffers();

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(71.0, 4.0 / 3.0, 1.0, 800.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

}  // namespace tav
