// The start-up window's Linux counterpart: the same text and a 35-step bar
// on the terminal, drawn by a thread of its own every 100 ms. Once the viewer
// runs, the bar stops where it is and the thread ends one second later, as
// the window's closing timer does.
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "launcher/startup/startup_services.h"

namespace launcher {
namespace {

constexpr int kSteps = 35;
constexpr auto kStepTime = std::chrono::milliseconds(100);
constexpr auto kCloseDelay = std::chrono::milliseconds(1000);
constexpr char kText[] = "Loading...Please wait a moment.";

class TerminalProgress : public StartupProgress {
 public:
  TerminalProgress() : thread_([this] { Run(); }) {}
  ~TerminalProgress() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      abandoned_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  void ViewerStarted() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      viewer_started_ = true;
    }
    changed_.notify_all();
  }

  void WaitUntilClosed() override {
    if (thread_.joinable()) thread_.join();
  }

 private:
  void Draw(int step) {
    std::string line = "\r[";
    line.append(static_cast<size_t>(step), '#');
    line.append(static_cast<size_t>(kSteps - step), '.');
    line += "]";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
  }

  void Run() {
    std::printf("%s\n", kText);
    int step = 0;
    Draw(step);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!viewer_started_ && !abandoned_) {
      changed_.wait_for(lock, kStepTime);
      if (!viewer_started_ && !abandoned_ && step < kSteps) Draw(++step);
    }
    // The viewer writes to this terminal next: end the bar's line now.
    std::fputs("\n", stdout);
    std::fflush(stdout);
    if (abandoned_) return;
    changed_.wait_for(lock, kCloseDelay, [this] { return abandoned_; });
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  bool viewer_started_ = false;
  bool abandoned_ = false;
  std::thread thread_;  // last: starts once the members above exist
};

}  // namespace

std::unique_ptr<StartupProgress> StartStartupProgress(void*) {
  return std::make_unique<TerminalProgress>();
}

}  // namespace launcher
