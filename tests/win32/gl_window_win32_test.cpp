// The shell's window over the Windows backend: what the show reports when the system refuses a
// step, and the messages Windows sends there and then.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/win32/window_seam.h"
#include "platform/window.h"
#include "scenes/show_state.h"
#include "shell/gl_window.h"
#include "tests/win32/wgl_display.h"

namespace tav {
namespace {

using platform::VideoBackend;
using platform::win32::Call;

struct Box {
  std::string caption;
  std::string text;
  unsigned style = 0;
  friend bool operator==(const Box&, const Box&) = default;
};

void PrintTo(const Box& box, std::ostream* out) {
  *out << '"' << box.caption << "\" \"" << box.text << "\" style 0x" << std::hex << box.style;
}

// A GLWindow whose boxes are recorded and answered with `answer` instead of shown.
struct RecordedWindow {
  explicit RecordedWindow(VideoBackend backend, int answer = IDOK) : platform(backend) {
    platform::win32::answerBoxes(
        platform, [this, answer](const char* text, const char* caption, unsigned style) {
          boxes.push_back({caption, text, style});
          return answer;
        });
  }
  ShowState state;
  platform::Window platform;
  GLWindow window{state, platform, GLWindow::SentMessages::AtOnce};
  std::vector<Box> boxes;
};

bool classRegistered(const char* name) {
  WNDCLASSA found;
  return GetClassInfoA(GetModuleHandleA(nullptr), name, &found) != FALSE;
}

Box killBox(const char* text) {
  return {"KILL GL WINDOW", text, MB_OK | MB_ICONINFORMATION};
}

TEST(GLWindowDestroyWin32, EachFailedStepHasItsOwnBoxAndTheStepsAfterItStillRun) {
  SKIP_WITHOUT_DISPLAY();
  constexpr const char* kTitle = "tavrinel destroy";
  const Box boxes[platform::win32::kCalls] = {
      killBox("Release Of DC And RC Failed."),      killBox("Release Of Rendering Context Failed."),
      killBox("Release Of Device Context Failed."), killBox("Release Of hWnd Failed."),
      killBox("Could Not Unregister Class"),
  };
  // One step failing at a time, then all of them: a box each, in the written order.
  for (int failing = 0; failing <= platform::win32::kCalls; ++failing) {
    const bool all = failing == platform::win32::kCalls;
    SCOPED_TRACE(all ? "all steps fail" : boxes[failing].text);
    RecordedWindow w(VideoBackend::Headless);
    ASSERT_TRUE(w.window.create(kTitle, 64, 48, 32, false)) << w.platform.lastError();
    HWND hwnd = FindWindowA(kTitle, kTitle);
    ASSERT_NE(hwnd, nullptr);
    for (int call = 0; call < platform::win32::kCalls; ++call) {
      if (all || call == failing) platform::win32::failOnce(w.platform, static_cast<Call>(call));
    }
    w.window.destroy();
    if (all) {
      EXPECT_EQ(w.boxes, std::vector<Box>(std::begin(boxes), std::end(boxes)));
    } else {
      EXPECT_EQ(w.boxes, std::vector<Box>{boxes[failing]});
    }
    EXPECT_FALSE(w.platform.hasContext());
    EXPECT_FALSE(w.platform.hasWindow());
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(classRegistered(kTitle));
  }
}

TEST(GLWindowCreateWin32, AWindowModeQuestionNotAnsweredYesEndsCreation) {
  constexpr const char* kTitle = "tavrinel no mode";
  {
    platform::Window probe(VideoBackend::Display);
    // A size no display offers, so that the full-screen switch is refused.
    if (probe.startVideo() && probe.changeDisplayMode(1234, 567, 32)) {
      probe.restoreDisplayMode();
      GTEST_SKIP() << "this display takes a 1234x567 mode";
    }
  }
  const std::vector<Box> expected = {
      {"CREATE WINDOW",
       "The Fullscreen Mode is not supported by your videocard, Try Window Mode ?.",
       MB_YESNO | MB_ICONEXCLAMATION},
      {"BUY A BETTER GRAPHICS CARD!!", "I am killing myself", MB_OK | MB_ICONSTOP},
  };
  // No: declined. 0: the question could not be shown at all.
  for (int answer : {IDNO, 0}) {
    SCOPED_TRACE(answer);
    RecordedWindow w(VideoBackend::Display, answer);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(w.window.create(kTitle, 1234, 567, 32, true));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(w.boxes, expected);
    EXPECT_EQ(FindWindowA(kTitle, kTitle), nullptr);
    EXPECT_TRUE(classRegistered(kTitle));  // the class stays registered, as written
  }
}

TEST(GLWindowCreateWin32, ThePixelFormatTakesTheColourBitsItIsGiven) {
  SKIP_WITHOUT_DISPLAY();
  constexpr const char* kTitle = "tavrinel bits";
  // Only a depth the driver chooses another format for can show which depth was asked for.
  for (int bits : {16, 24}) {
    SCOPED_TRACE(bits);
    RecordedWindow w(VideoBackend::Headless);
    ASSERT_TRUE(w.window.create(kTitle, 32, 32, bits, false)) << w.platform.lastError();
    HDC dc = GetDC(FindWindowA(kTitle, kTitle));
    ASSERT_NE(dc, nullptr);
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = sizeof format;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    format.cDepthBits = 16;
    format.cColorBits = 32;
    const int usual = ChoosePixelFormat(dc, &format);
    format.cColorBits = static_cast<BYTE>(bits);
    const int asked = ChoosePixelFormat(dc, &format);
    if (asked == usual) continue;
    EXPECT_EQ(GetPixelFormat(dc), asked);
    return;
  }
  GTEST_SKIP() << "the driver chooses one format for 16, 24 and 32 colour bits";
}

// A shown window, so that the system minimises, activates and sizes it.
TEST(GLWindowMessagesWin32, SizeAndActivationSentWhileAMessageIsDispatchedAreHandledInIt) {
  SKIP_WITHOUT_DISPLAY();
  constexpr const char* kTitle = "tavrinel sent";
  RecordedWindow w(VideoBackend::Display);
  ASSERT_TRUE(w.window.create(kTitle, 160, 120, 32, false)) << w.platform.lastError();
  HWND hwnd = FindWindowA(kTitle, kTitle);
  ASSERT_NE(hwnd, nullptr);
  platform::WindowMessage pending;
  while (w.platform.nextMessage(pending))
    w.window.handleMessage(pending);
  SetActiveWindow(hwnd);
  const Viewport whole{0, 0, 160, 120};
  ASSERT_EQ(w.window.viewport(), whole);

  // One posted command, one frame: the size it brings is handled inside it.
  PostMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(w.window.pumpMessage());
  EXPECT_NE(w.window.viewport(), whole);
  // Another window taking the activation tells this one at once, minimised (Windows does it as
  // part of the minimise; Wine with no other window keeps it active).
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  SetActiveWindow(other);
  EXPECT_FALSE(w.window.active());
  // Restored: activation and size together, inside the one dispatch.
  PostMessageA(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(w.window.pumpMessage());
  EXPECT_TRUE(w.window.active());
  EXPECT_EQ(w.window.viewport(), whole);
  DestroyWindow(other);
}

}  // namespace
}  // namespace tav
