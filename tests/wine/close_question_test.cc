// The real window with the real window logic and the system's own message
// box: a close request during an update is asked about in the box, however
// it arrives. A second thread plays the user at the box.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "platform/win32/wide_text.h"
#include "tests/support/form_harness.h"
#include "updater/ui/main_form.h"
#include "updater/ui/win32/main_window.h"
#include "updater/ui/win32/main_window_rc.h"

namespace ui {
namespace win32 {
namespace {

// Answers every message box of this process with `answer` until stopped,
// and keeps what each box showed.
class BoxAnswerer {
 public:
  struct Box {
    std::wstring caption;
    std::wstring text;
    int focused_button = 0;
  };

  explicit BoxAnswerer(int answer) : answer_(answer), thread_([this] { Loop(); }) {}
  ~BoxAnswerer() {
    stop_ = true;
    thread_.join();
  }
  std::vector<Box> boxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
  }

 private:
  static BOOL CALLBACK LongestText(HWND child, LPARAM out) {
    wchar_t text[1024] = L"";
    GetWindowTextW(child, text, 1024);
    auto* longest = reinterpret_cast<std::wstring*>(out);
    if (wcslen(text) > longest->size()) *longest = text;
    return TRUE;
  }

  void Loop() {
    while (!stop_) {
      HWND box = FindWindowW(L"#32770", nullptr);
      DWORD pid = 0;
      if (box != nullptr) GetWindowThreadProcessId(box, &pid);
      if (box == nullptr || pid != GetCurrentProcessId() || !IsWindowVisible(box)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        continue;
      }
      Box seen;
      wchar_t caption[256] = L"";
      GetWindowTextW(box, caption, 256);
      seen.caption = caption;
      EnumChildWindows(box, LongestText, reinterpret_cast<LPARAM>(&seen.text));
      // The preselected button has the focus when the box opens.
      GUITHREADINFO gui{};
      gui.cbSize = sizeof gui;
      if (GetGUIThreadInfo(GetWindowThreadProcessId(box, nullptr), &gui) &&
          gui.hwndFocus != nullptr) {
        seen.focused_button = GetDlgCtrlID(gui.hwndFocus);
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        boxes_.push_back(seen);
      }
      SendMessageW(box, WM_COMMAND, MAKEWPARAM(answer_, BN_CLICKED),
                   reinterpret_cast<LPARAM>(GetDlgItem(box, answer_)));
      // Until it is gone, so it is not answered twice.
      for (int i = 0; i < 200 && IsWindow(box); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    }
  }

  const int answer_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Box> boxes_;
  std::thread thread_;
};

class CloseQuestionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Create(GetModuleHandleW(nullptr), false));
    ASSERT_NE(loop_, nullptr);
    form_ = std::make_unique<TMainForm>(*loop_, *udp_, window_, FormServices{});
    form_->Create("", testing_support::ShippedSettings(), false);
    form_->EnglishItemClick();
    window_.SetHandlers(form_.get());
  }
  void TearDown() override {
    window_.SetHandlers(nullptr);
    form_.reset();
  }

  // As a running batch leaves it: updating, Close of the system menu grey.
  void Updating() {
    form_->set_updating(true);
    window_.SetCommandEnabled(Command::kClose, false);
  }

  // What the program's loop does between inputs; a box's own loop runs
  // inside the dispatch.
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  MainWindow window_;
  std::unique_ptr<platform::EventLoop> loop_ = platform::CreateEventLoop();
  std::unique_ptr<platform::UdpApi> udp_ = platform::CreateUdpApi();
  std::unique_ptr<TMainForm> form_;
};

TEST_F(CloseQuestionTest, AnotherProgramsCloseDuringAnUpdateIsAskedAndNoKeepsTheWindow) {
  Updating();
  {
    BoxAnswerer user(IDNO);
    PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
    Pump();
    const std::vector<BoxAnswerer::Box> boxes = user.boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Cautions");
    EXPECT_EQ(platform::win32::WideToUtf8(boxes[0].text),
              form_->texts()[TextKey::MsgAbortQuestion]);
    EXPECT_NE(boxes[0].text.find(L"Do you abort updating?"), std::wstring::npos);
    EXPECT_EQ(boxes[0].focused_button, IDNO);
  }
  EXPECT_NE(window_.hwnd(), nullptr);
  EXPECT_FALSE(loop_->QuitRequested());
}

TEST_F(CloseQuestionTest, ExitDuringAnUpdateAnsweredYesClosesAndEndsTheLoop) {
  Updating();
  // Exit itself is greyed during a batch; the request is the same one.
  BoxAnswerer user(IDYES);
  SendMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(user.boxes().size(), 1u);
  EXPECT_EQ(window_.hwnd(), nullptr);
  EXPECT_TRUE(loop_->QuitRequested());
}

TEST_F(CloseQuestionTest, TheSystemMenusCloseDuringAnUpdateAsksNothingAndKeepsTheWindow) {
  Updating();
  BoxAnswerer user(IDYES);
  SendMessageW(window_.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_TRUE(user.boxes().empty());
  EXPECT_NE(window_.hwnd(), nullptr);
}

TEST_F(CloseQuestionTest, WithoutAnUpdateTheWindowClosesWithoutAQuestion) {
  BoxAnswerer user(IDNO);
  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  Pump();
  EXPECT_TRUE(user.boxes().empty());
  EXPECT_EQ(window_.hwnd(), nullptr);
  EXPECT_TRUE(loop_->QuitRequested());
}

}  // namespace
}  // namespace win32
}  // namespace ui
