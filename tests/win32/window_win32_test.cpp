#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/gl.h"
#include "platform/window.h"
#include "tests/win32/wgl_display.h"

namespace tav::platform {
namespace {

using Kind = WindowMessage::Kind;
using Rgb = std::array<int, 3>;

bool open(Window& window, const char* title, Size size, bool fullScreen = false) {
  return window.startVideo(title) &&
         window.createWindow(title, size.width, size.height, fullScreen) &&
         window.createContext() && window.makeCurrent();
}

// The messages the show has a name for, in order, until none is pending.
std::vector<WindowMessage> named(Window& window) {
  std::vector<WindowMessage> messages;
  WindowMessage message;
  while (window.nextMessage(message)) {
    if (message.kind != Kind::Other) messages.push_back(message);
  }
  return messages;
}

WindowMessage command(SystemCommand which) {
  WindowMessage message;
  message.kind = Kind::SystemCommand;
  message.command = which;
  return message;
}

// Red below, a blue band along the top eighth, presented.
void drawBand(Size size) {
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, size.height - size.height / 8, size.width, size.height / 8);
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

Rgb at(const std::vector<std::uint8_t>& rgb, Size size, int x, int y) {
  const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * size.width + x) * 3];
  return {p[0], p[1], p[2]};
}

void expectBand(const std::vector<std::uint8_t>& rgb, Size size) {
  ASSERT_EQ(rgb.size(), static_cast<std::size_t>(size.width) * size.height * 3);
  const Rgb blue{0, 0, 255}, red{255, 0, 0};
  const int band = size.height / 8;
  EXPECT_EQ(at(rgb, size, 0, 0), blue);
  EXPECT_EQ(at(rgb, size, size.width - 1, band - 1), blue);
  EXPECT_EQ(at(rgb, size, 0, band), red);
  EXPECT_EQ(at(rgb, size, size.width - 1, size.height - 1), red);
}

TEST(Win32HeadlessWindow, DrawsIntoAFramebufferOfTheHeadlessSizeNeverShown) {
  SKIP_WITHOUT_DISPLAY();
  Window window(VideoBackend::Headless);
  window.setHeadlessSize({96, 64});
  ASSERT_TRUE(open(window, "tavrinel headless", {64, 48}, true)) << window.lastError();
  const Size size{96, 64};
  EXPECT_EQ(window.drawableSize(), size);
  EXPECT_FALSE(IsWindowVisible(FindWindowA("tavrinel headless", "tavrinel headless")));
  EXPECT_NE(window.procAddress("glActiveTextureARB"), nullptr);  // the driver's
  EXPECT_NE(window.procAddress("glClear"), nullptr);             // opengl32's own export
  EXPECT_EQ(window.procAddress("glNoSuchFunction"), nullptr);
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  EXPECT_EQ(depthBits, 16);

  drawBand(size);
  window.swapBuffers();
  Size read;
  std::vector<std::uint8_t> rgb = window.readPixelsRgb(read);
  ASSERT_EQ(read, size);
  expectBand(rgb, size);

  // The same frame through the pixel buffers, whose entry points come from the driver.
  ASSERT_TRUE(window.startReadback());
  glClear(GL_COLOR_BUFFER_BIT);  // the next frame's drawing does not reach the one in flight
  std::vector<std::uint8_t> later;
  ASSERT_TRUE(window.takeReadback(later, read));
  EXPECT_EQ(later, rgb);
}

TEST(Win32HeadlessWindow, EscapeSentToTheWindowIsReportedOnceAfterItsRelease) {
  SKIP_WITHOUT_DISPLAY();
  Window window(VideoBackend::Headless);
  ASSERT_TRUE(open(window, "tavrinel keys", {32, 32})) << window.lastError();
  named(window);
  EXPECT_FALSE(window.escapePressed());
  HWND hwnd = FindWindowA("tavrinel keys", "tavrinel keys");
  PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(hwnd, WM_KEYUP, VK_ESCAPE, 0);
  EXPECT_EQ(named(window).size(), 2u);
  EXPECT_TRUE(window.escapePressed());
  EXPECT_FALSE(window.escapePressed());
}

TEST(Win32HeadlessWindow, ATitleAlreadyRegisteredIsTheVideoSystemsFailure) {
  Window first(VideoBackend::Headless), second(VideoBackend::Headless);
  ASSERT_TRUE(first.startVideo("tavrinel twice")) << first.lastError();
  EXPECT_FALSE(second.startVideo("tavrinel twice"));
  EXPECT_NE(second.lastError().find("RegisterClassA"), std::string::npos);
  first.stopVideo();  // the class goes with the video system
  EXPECT_TRUE(second.startVideo("tavrinel twice")) << second.lastError();
}

TEST(Win32HeadlessWindow, MessageBoxesGoToStandardErrorWithTheDefaultAnswer) {
  Window window(VideoBackend::Headless);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(window.showMessageBox("CREATE WINDOW", "Try Window Mode ?.", BoxIcon::Exclamation,
                                  BoxButtons::YesNo),
            BoxAnswer::Yes);
  EXPECT_EQ(
      window.showMessageBox("Failed to load texture:", "a.jpg", BoxIcon::None, BoxButtons::Ok),
      BoxAnswer::Ok);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "CREATE WINDOW: Try Window Mode ?.\nFailed to load texture: a.jpg\n");
}

TEST(Win32HeadlessWindow, AMessagePostedBeforeTheWindowOutlivesAMessageBoxsOwnLoop) {
  Window window(VideoBackend::Headless);
  ASSERT_TRUE(window.startVideo("tavrinel posted")) << window.lastError();
  WindowMessage quit;
  quit.kind = Kind::Quit;
  window.postMessage(quit);
  // A box runs its own loop over the thread's messages until a helper closes it.
  std::atomic<bool> boxSeen{false};
  std::thread closer([&] {
    for (int tries = 0; tries < 500; ++tries) {
      if (HWND box = FindWindowA(nullptr, "tavrinel posted box")) {
        boxSeen = true;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(10);
    }
  });
  MessageBoxA(nullptr, "closed by the test", "tavrinel posted box", MB_OK);
  closer.join();
  if (!boxSeen) GTEST_SKIP() << "no message box could be shown here";
  const std::vector<WindowMessage> messages = named(window);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].kind, Kind::Quit);
  window.stopVideo();
}

// One displayed window for these tests: without a window manager, Wine waits two seconds for
// each shown window to go away.
class Win32Window : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    shared = std::make_unique<Window>(VideoBackend::Display);
    display = test::displayForOpenGL();
    opened = display && open(*shared, kTitle, kSize);
    if (opened) shared->show();
  }
  static void TearDownTestSuite() { shared.reset(); }

  void SetUp() override {
    if (!display) GTEST_SKIP() << "no display gives this desktop OpenGL";
    ASSERT_TRUE(opened) << shared->lastError();
    hwnd = FindWindowA(kTitle, kTitle);  // the class is registered under the title
    ASSERT_NE(hwnd, nullptr);
    named(window);
  }

  static constexpr const char* kTitle = "tavrinel window";
  static constexpr Size kSize{160, 120};
  static inline std::unique_ptr<Window> shared;
  static inline bool display = false;
  static inline bool opened = false;
  Window& window = *shared;
  HWND hwnd = nullptr;
};

TEST_F(Win32Window, OpensAtItsSizeAndPresentsWhatWasDrawn) {
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(window.drawableSize(), kSize);
  const Size outer = window.windowSize();
  EXPECT_GT(outer.width, kSize.width);  // the frame of a windowed window
  EXPECT_GT(outer.height, kSize.height);

  drawBand(kSize);
  window.swapBuffers();
  Size read;
  std::vector<std::uint8_t> rgb = window.readPixelsRgb(read);
  ASSERT_EQ(read, kSize);
  expectBand(rgb, kSize);
  ASSERT_TRUE(window.startReadback());
  std::vector<std::uint8_t> early;
  ASSERT_TRUE(window.takeReadback(early, read));
  EXPECT_EQ(early, rgb);
}

TEST_F(Win32Window, SystemMessagesArriveOneAtATimeInTheShowsTerms) {
  PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 0);
  WindowMessage size;
  size.kind = Kind::Size;
  size.size = {320, 200};
  window.postMessage(size);
  PostMessageA(hwnd, WM_KEYUP, 'A', 0);
  PostMessageA(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
  PostMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), 0);
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  PostQuitMessage(0);

  std::vector<WindowMessage> got = named(window);
  ASSERT_EQ(got.size(), 7u);
  EXPECT_EQ(got[0].kind, Kind::KeyDown);
  EXPECT_EQ(got[0].key, kKeyEscape);
  EXPECT_EQ(got[1].size, (Size{320, 200}));  // posted by the show, in its place
  EXPECT_EQ(got[2].kind, Kind::KeyUp);
  EXPECT_EQ(got[2].key, 'A');
  EXPECT_EQ(got[3].kind, Kind::Size);
  EXPECT_EQ(got[3].size, (Size{800, 600}));
  EXPECT_EQ(got[4].kind, Kind::Activate);
  EXPECT_TRUE(got[4].minimised);
  EXPECT_EQ(got[5].kind, Kind::Close);
  EXPECT_EQ(got[6].kind, Kind::Quit);
  EXPECT_TRUE(IsWindow(hwnd));  // a close request leaves the window to the show
}

TEST_F(Win32Window, ScreenSaverAndMonitorPowerAreSwallowedOtherCommandsReachTheDefault) {
  EXPECT_EQ(SendMessageA(hwnd, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  EXPECT_EQ(SendMessageA(hwnd, WM_SYSCOMMAND, SC_MONITORPOWER, 2), 0);
  std::vector<WindowMessage> got = named(window);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].command, SystemCommand::ScreenSave);
  EXPECT_EQ(got[1].command, SystemCommand::MonitorPower);

  // The window menu's Close: the system's default procedure turns it into a close request.
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  got = named(window);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, Kind::Close);
  window.defaultProcedure(command(SystemCommand::Close));
  got = named(window);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].kind, Kind::Close);
  window.defaultProcedure(command(SystemCommand::Other));
  EXPECT_TRUE(named(window).empty());
}

TEST_F(Win32Window, EscapeTappedOnTheKeyboardIsReportedOnceAndReachesTheWindow) {
  if (GetForegroundWindow() != hwnd) GTEST_SKIP() << "the window did not get the keyboard";
  EXPECT_FALSE(window.escapePressed());
  INPUT tap[2]{};
  for (INPUT& input : tap) {
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = VK_ESCAPE;
  }
  tap[1].ki.dwFlags = KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(2, tap, sizeof(INPUT)), 2u);
  EXPECT_TRUE(window.escapePressed());  // up again by now: the press since the last query counts
  EXPECT_FALSE(window.escapePressed());
  std::vector<WindowMessage> got = named(window);
  ASSERT_GE(got.size(), 1u);
  EXPECT_EQ(got[0].kind, Kind::KeyDown);
  EXPECT_EQ(got[0].key, kKeyEscape);
}

TEST(Win32FullScreen, TakesTheModeWholeAndGivesTheDesktopBack) {
  SKIP_WITHOUT_DISPLAY();
  const Size desktop{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  Window window(VideoBackend::Display);
  ASSERT_TRUE(window.startVideo("tavrinel full screen"));
  if (!window.changeDisplayMode(640, 480, 32)) {
    EXPECT_NE(window.lastError().find("640x480"), std::string::npos);
    GTEST_SKIP() << "this display keeps its mode: " << window.lastError();
  }
  EXPECT_EQ((Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}), (Size{640, 480}));
  ASSERT_TRUE(window.createWindow("tavrinel full screen", 640, 480, true)) << window.lastError();
  window.show();
  EXPECT_EQ(window.windowSize(), (Size{640, 480}));  // a popup: no frame around the picture
  EXPECT_EQ(window.drawableSize(), (Size{640, 480}));
  window.destroyWindow();
  window.restoreDisplayMode();
  EXPECT_EQ((Size{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}), desktop);
}

}  // namespace
}  // namespace tav::platform
