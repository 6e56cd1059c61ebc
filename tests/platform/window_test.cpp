#include "platform/window.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "platform/gl.h"

namespace tav::platform {
namespace {

using Kind = WindowMessage::Kind;

class HeadlessWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window.startVideo()) << window.lastError();
    ASSERT_TRUE(window.changeDisplayMode(64, 48, 32));
    ASSERT_TRUE(window.createWindow("tavrinel", 64, 48, true)) << window.lastError();
    ASSERT_TRUE(window.createContext()) << window.lastError();
    ASSERT_TRUE(window.makeCurrent()) << window.lastError();
    WindowMessage drained;
    while (window.nextMessage(drained)) {
    }
  }

  static void push(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); }
  static SDL_Event windowEvent(Uint8 what, int data1 = 0, int data2 = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    event.window.data1 = data1;
    event.window.data2 = data2;
    return event;
  }
  static SDL_Event keyEvent(Uint32 type, SDL_Keycode key) {
    SDL_Event event{};
    event.type = type;
    event.key.keysym.sym = key;
    return event;
  }
  WindowMessage next() {
    WindowMessage message;
    EXPECT_TRUE(window.nextMessage(message));
    return message;
  }

  Window window{VideoBackend::Headless};
};

TEST_F(HeadlessWindow, DrawsAtTheRequestedSize) {
  EXPECT_EQ(window.drawableSize(), (Size{64, 48}));
  EXPECT_NE(window.procAddress("glActiveTextureARB"), nullptr);
}

TEST_F(HeadlessWindow, TranslatesSystemEventsIntoTheShowsMessagesOneAtATime) {
  push(windowEvent(SDL_WINDOWEVENT_CLOSE));
  push(windowEvent(SDL_WINDOWEVENT_MINIMIZED));
  push(windowEvent(SDL_WINDOWEVENT_RESTORED));
  push(windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600));
  push(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
  push(keyEvent(SDL_KEYUP, SDLK_a));
  push(keyEvent(SDL_KEYDOWN, SDLK_F5));
  push(keyEvent(SDL_KEYDOWN, SDLK_PRINTSCREEN));
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  push(quit);

  EXPECT_EQ(next().kind, Kind::Close);
  WindowMessage minimised = next();
  EXPECT_EQ(minimised.kind, Kind::Activate);
  EXPECT_TRUE(minimised.minimised);
  WindowMessage restored = next();
  EXPECT_EQ(restored.kind, Kind::Activate);
  EXPECT_FALSE(restored.minimised);
  WindowMessage size = next();
  EXPECT_EQ(size.kind, Kind::Size);
  EXPECT_EQ(size.size, (Size{800, 600}));
  WindowMessage escape = next();
  EXPECT_EQ(escape.kind, Kind::KeyDown);
  EXPECT_EQ(escape.key, kKeyEscape);
  WindowMessage letter = next();
  EXPECT_EQ(letter.kind, Kind::KeyUp);
  EXPECT_EQ(letter.key, 'A');
  EXPECT_EQ(next().key, 0x74);  // F5
  EXPECT_EQ(next().kind, Kind::Other);
  EXPECT_EQ(next().kind, Kind::Quit);
  WindowMessage none;
  EXPECT_FALSE(window.nextMessage(none));
}

TEST_F(HeadlessWindow, PostedMessagesKeepTheirPlaceAmongSystemEvents) {
  WindowMessage command;
  command.kind = Kind::SystemCommand;
  command.command = SystemCommand::MonitorPower;
  window.postMessage(command);
  push(windowEvent(SDL_WINDOWEVENT_CLOSE));
  WindowMessage size;
  size.kind = Kind::Size;
  size.size = {320, 200};
  window.postMessage(size);

  WindowMessage first = next();
  EXPECT_EQ(first.kind, Kind::SystemCommand);
  EXPECT_EQ(first.command, SystemCommand::MonitorPower);
  EXPECT_EQ(next().kind, Kind::Close);
  EXPECT_EQ(next().size, (Size{320, 200}));
}

TEST_F(HeadlessWindow, DefaultProcedureTurnsTheMenusCloseCommandIntoACloseRequest) {
  WindowMessage close;
  close.kind = Kind::SystemCommand;
  close.command = SystemCommand::Close;
  window.defaultProcedure(close);
  EXPECT_EQ(next().kind, Kind::Close);

  WindowMessage other;
  other.kind = Kind::SystemCommand;
  window.defaultProcedure(other);
  WindowMessage none;
  EXPECT_FALSE(window.nextMessage(none));
}

TEST_F(HeadlessWindow, EscapeTapBetweenTwoQueriesIsReportedOnce) {
  EXPECT_FALSE(window.escapePressed());
  push(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
  push(keyEvent(SDL_KEYUP, SDLK_ESCAPE));
  EXPECT_TRUE(window.escapePressed());
  EXPECT_FALSE(window.escapePressed());
  push(keyEvent(SDL_KEYDOWN, SDLK_SPACE));
  EXPECT_FALSE(window.escapePressed());
}

TEST_F(HeadlessWindow, ReadsTheLastFrameBackTopRowFirst) {
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 40, 64, 8);  // GL's rows count from the bottom: this is the top band
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  window.swapBuffers();

  Size size;
  std::vector<std::uint8_t> rgb = window.readPixelsRgb(size);
  ASSERT_EQ(size, (Size{64, 48}));
  ASSERT_EQ(rgb.size(), 64u * 48 * 3);
  auto pixel = [&](int x, int y) {
    const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * 64 + x) * 3];
    return std::array<int, 3>{p[0], p[1], p[2]};
  };
  EXPECT_EQ(pixel(0, 0), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(pixel(63, 7), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(pixel(0, 8), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(pixel(63, 47), (std::array<int, 3>{255, 0, 0}));
}

TEST(HeadlessMessageBox, WritesToStandardErrorAndTakesTheDefaultAnswer) {
  Window window(VideoBackend::Headless);
  ::testing::internal::CaptureStderr();
  BoxAnswer yesNo = window.showMessageBox("CREATE WINDOW", "Try Window Mode ?.",
                                          BoxIcon::Exclamation, BoxButtons::YesNo);
  BoxAnswer ok = window.showMessageBox("ERROR", "Window Creation Error.", BoxIcon::Exclamation,
                                       BoxButtons::Ok);
  std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(yesNo, BoxAnswer::Yes);
  EXPECT_EQ(ok, BoxAnswer::Ok);
  EXPECT_EQ(printed, "CREATE WINDOW: Try Window Mode ?.\nERROR: Window Creation Error.\n");
}

}  // namespace
}  // namespace tav::platform
