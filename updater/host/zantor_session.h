// Everything a run of Zantor owns, in the order it is built and torn down:
// the event loop, the socket library, the staged settings and image, the
// main window's logic with its services, and the final result message.
// The program entries of each system add only the window (or none) and
// the single-instance rule.
#ifndef UPDATER_HOST_ZANTOR_SESSION_H_
#define UPDATER_HOST_ZANTOR_SESSION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/udp_socket.h"
#include "updater/update/progress_message.h"
#include "updater/ui/main_form.h"
#include "updater/ui/main_view.h"
#include "updater/update/staging.h"
#include "updater/update/system_staging_files.h"

namespace host {

// ZANTOR_TIME_SCALE=N divides the update's fixed waits by N, for quick
// end-to-end runs; unset keeps the real timing. Only builds with test hooks
// (ZANTOR_TEST_HOOKS) read it: a release build always returns 1.
uint32_t TimeScaleFromEnvironment();

class ZantorSession {
 public:
  ZantorSession();
  ~ZantorSession();

  // Stages the settings and the image and creates the window logic on
  // `view`. False with `error` set when the program cannot start.
  bool Start(ui::MainView& view, bool old_controls, std::string* error);

  platform::EventLoop& loop() { return *loop_; }
  ui::TMainForm& form() { return *form_; }
  const update::StageResult& staged() const { return staged_; }

  // Sends {2, 1000, resultCode} and gives the process exit code: the
  // result code when it was delivered, -1 otherwise. Prints the reply.
  int SendResultMessage();

 private:
  std::unique_ptr<platform::EventLoop> loop_;
  std::unique_ptr<platform::UdpApi> udp_;
  update::ProgressPipe pipe_;
  update::SystemStagingFiles files_;
  update::StageResult staged_;
  std::unique_ptr<ui::TMainForm> form_;
};

// The final exchange on its own, for the entries and the tests.
int SendResultMessage(update::ProgressPipe& pipe, int32_t result_code);

}  // namespace host

#endif  // UPDATER_HOST_ZANTOR_SESSION_H_
