#include "shell/gl_window.h"

#include <cstdio>
#include <cstring>

namespace tav {

using platform::BoxAnswer;
using platform::BoxButtons;
using platform::BoxIcon;
using platform::WindowMessage;

Viewport pictureViewport(platform::Size asked, platform::Size drawable, int width, int height) {
  if (drawable == asked || drawable.width <= 0 || drawable.height <= 0) {
    return {0, 0, width, height};
  }
  Viewport v;
  if (static_cast<long>(drawable.width) * 3 >= static_cast<long>(drawable.height) * 4) {
    v.height = drawable.height;
    v.width = drawable.height * 4 / 3;
  } else {
    v.width = drawable.width;
    v.height = drawable.width * 3 / 4;
  }
  v.x = (drawable.width - v.width) / 2;
  v.y = (drawable.height - v.height) / 2;
  return v;
}

const char* creationFailure(platform::WindowStep step) {
  switch (step) {
    case platform::WindowStep::DeviceContext:
      return "Cant Create A GL DEVICE CONTEXT.";
    case platform::WindowStep::ChoosePixelFormat:
      return "Cant Find A Suitable PixelFormat.";
    case platform::WindowStep::SetPixelFormat:
      return "Cant Set The PixelFormat.";
    case platform::WindowStep::Window:
      break;
  }
  return "Window Creation Error.";
}

bool hasMultitexture(const char* extensions) {
  return extensions != nullptr && std::strstr(extensions, "ARB_multitexture") != nullptr;
}

GLWindow::GLWindow(ShowState& state, platform::Window& platform, SentMessages sent)
    : state_(state), platform_(platform), procedure_(sent == SentMessages::AtOnce) {
  if (procedure_) {
    platform_.setProcedure([this](const WindowMessage& message) { handleMessage(message); });
  }
}

GLWindow::~GLWindow() {
  if (procedure_) platform_.setProcedure(nullptr);
}

void GLWindow::report(const char* caption, const char* text, BoxIcon icon) {
  platform_.showMessageBox(caption, text, icon, BoxButtons::Ok);
}

bool GLWindow::fail(const char* text) {
  std::string why = platform_.lastError();
  destroy();
  report("ERROR", text, BoxIcon::Exclamation);
  if (!why.empty()) std::fprintf(stderr, "%s: %s\n", title_.c_str(), why.c_str());
  return false;
}

bool GLWindow::create(const char* title, int width, int height, int bits, bool fullScreen) {
  title_ = title;
  fullScreen_ = fullScreen;
  picture_ = {width, height};

  if (!platform_.startVideo(title)) {
    report("CREATE WINDOW", "Failed To Register The Window Class.", BoxIcon::Exclamation);
    std::fprintf(stderr, "%s: %s\n", title_.c_str(), platform_.lastError().c_str());
    return false;
  }
  if (fullScreen_ && !platform_.changeDisplayMode(width, height, bits)) {
    BoxAnswer answer = platform_.showMessageBox(
        "CREATE WINDOW",
        "The Fullscreen Mode is not supported by your videocard, Try Window Mode ?.",
        BoxIcon::Exclamation, BoxButtons::YesNo);
    if (answer != BoxAnswer::Yes) {
      report("BUY A BETTER GRAPHICS CARD!!", "I am killing myself", BoxIcon::Stop);
      return false;
    }
    fullScreen_ = false;
  }
  if (fullScreen_) platform_.setCursorVisible(false);

  if (!platform_.createWindow(title, width, height, fullScreen_, bits)) {
    return fail(creationFailure(platform_.failedStep()));
  }
  if (!platform_.createContext()) return fail("Cant Create A GL Rendering Context.");
  if (!platform_.makeCurrent()) return fail("Cant Activate The GL Rendering Context.");

  platform_.suppressScreenSaver();
  platform_.show();
  handleCreationMessages();
  resize(width, height);
  return true;
}

void GLWindow::handleCreationMessages() {
  // Windows hands the messages of making and showing a window to its procedure there and then;
  // where they wait in a queue instead, they are taken now, so that their size is set before the
  // show sets its own projection, not by the first frames.
  WindowMessage message;
  while (platform_.nextMessage(message)) {
    if (message.kind == WindowMessage::Kind::Quit) {
      platform_.postMessage(message);
      return;
    }
    handleMessage(message);
  }
}

void GLWindow::destroy() {
  // Each step that fails has its box, and the next step is still taken.
  const auto failed = [this](const char* text) {
    report("KILL GL WINDOW", text, BoxIcon::Information);
  };
  if (fullScreen_) {
    platform_.restoreDisplayMode();
    platform_.setCursorVisible(true);
  }
  if (platform_.hasContext()) {
    if (!platform_.releaseContext()) failed("Release Of DC And RC Failed.");
    if (!platform_.deleteContext()) failed("Release Of Rendering Context Failed.");
  }
  if (!platform_.releaseDeviceContext()) failed("Release Of Device Context Failed.");
  if (!platform_.destroyWindow()) failed("Release Of hWnd Failed.");
  if (!platform_.stopVideo()) failed("Could Not Unregister Class");
}

void GLWindow::resize(int width, int height) {
  if (height == 0) height = 1;
  // In full screen the picture is the mode the viewer chose, whatever size the desktop reports.
  platform::Size asked = fullScreen_ ? picture_ : platform::Size{width, height};
  viewport_ = pictureViewport(asked, platform_.drawableSize(), width, height);
  glViewport(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  // The aspect is the picture's: the size message's where the drawable is the asked size, the 4:3
  // box's where the picture sits letterboxed in a drawable of another shape.
  const bool boxed = !(viewport_ == Viewport{0, 0, width, height}) && viewport_.height > 0;
  const GLdouble aspect = boxed ? static_cast<GLdouble>(viewport_.width) / viewport_.height
                                : static_cast<GLdouble>(width) / static_cast<GLdouble>(height);
  gluPerspective(71.0, aspect, 1.0, 5000.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

long GLWindow::handleMessage(const WindowMessage& message) {
  switch (message.kind) {
    case WindowMessage::Kind::Activate:
      active_ = !message.minimised;
      return kHandled;
    case WindowMessage::Kind::SystemCommand:
      if (message.command == platform::SystemCommand::ScreenSave ||
          message.command == platform::SystemCommand::MonitorPower) {
        return kHandled;
      }
      break;
    case WindowMessage::Kind::Close:
      state_.quit = true;
      return kHandled;
    case WindowMessage::Kind::KeyDown:
    case WindowMessage::Kind::KeyUp:
      if (message.key >= 0 && message.key < 256) {
        keys_[static_cast<std::size_t>(message.key)] = message.kind == WindowMessage::Kind::KeyDown;
      }
      return kHandled;
    case WindowMessage::Kind::Size:
      resize(message.size.width, message.size.height);
      return kHandled;
    default:
      break;
  }
  platform_.defaultProcedure(message);
  return kHandled;
}

bool GLWindow::pumpMessage() {
  WindowMessage message;
  if (platform_.nextMessage(message)) {
    if (message.kind == WindowMessage::Kind::Quit) return false;
    handleMessage(message);
  }
  return !(active_ && keys_[platform::kKeyEscape]);
}

void GLWindow::clearBars() {
  platform::Size drawable = platform_.drawableSize();
  if (viewport_ == Viewport{0, 0, drawable.width, drawable.height}) return;
  // Scenes clear with their own colours; the bars around a letterboxed picture stay black.
  GLfloat clearColour[4];
  GLint scissorBox[4];
  GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
  glGetIntegerv(GL_SCISSOR_BOX, scissorBox);
  glEnable(GL_SCISSOR_TEST);
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  const Viewport& v = viewport_;
  const Viewport bars[4] = {
      {0, 0, v.x, drawable.height},
      {v.x + v.width, 0, drawable.width - v.x - v.width, drawable.height},
      {v.x, 0, v.width, v.y},
      {v.x, v.y + v.height, v.width, drawable.height - v.y - v.height},
  };
  for (const Viewport& bar : bars) {
    if (bar.width <= 0 || bar.height <= 0) continue;
    glScissor(bar.x, bar.y, bar.width, bar.height);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  glScissor(scissorBox[0], scissorBox[1], scissorBox[2], scissorBox[3]);
  if (!scissor) glDisable(GL_SCISSOR_TEST);
  glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
}

void GLWindow::swapBuffers() {
  clearBars();
  platform_.swapBuffers();
}

void GLWindow::loadMultitexture() {
  loadMultitextureFrom(reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)));
}

void GLWindow::loadMultitextureFrom(const char* extensions) {
  if (!hasMultitexture(extensions)) return;
  multiTexCoord2fARB =
      reinterpret_cast<PFNGLMULTITEXCOORD2FARBPROC>(platform_.procAddress("glMultiTexCoord2fARB"));
  activeTextureARB =
      reinterpret_cast<PFNGLACTIVETEXTUREARBPROC>(platform_.procAddress("glActiveTextureARB"));
  // Both or neither: a half-found extension would have the draw styles call an empty one.
  if (!multiTexCoord2fARB || !activeTextureARB) {
    multiTexCoord2fARB = nullptr;
    activeTextureARB = nullptr;
  }
}

}  // namespace tav
