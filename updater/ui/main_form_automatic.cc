// Closing the window, and the automatic mode: the deployment tool names one
// board on the command line, and the window finds it, updates it and closes
// without a question.
#include "updater/ui/main_form.h"

namespace ui {

bool TMainForm::FormClose() {
  if (closing_) return true;
  if (!automatic_ && batch_.updating() &&
      !batch_.Confirm(texts_[TextKey::MsgAbortQuestion], TextKey::MsgCautionCaption, AskKind::kWarning)) {
    return false;
  }
  closing_ = true;
  loop_.Quit(0);
  return true;
}

// ---- Automatic mode -------------------------------------------------------------

int TMainForm::ParseCommandLine(const std::vector<std::string>& args) {
  if (args.empty()) return 0;
  automatic_ = true;
  batch_.set_automatic(true);
  target_address_ = args[0];
  loop_.StartTimer(kAutoFindTimer, services_.timing.auto_tick_ms, this);
  return 1;
}

void TMainForm::AutoFindTimerTimer() {
  // The first show without the firewall offer.
  ApplyLanguage(LanguageOf(SystemLocale()));
  RefreshItemClick();
  loop_.StopTimer(kAutoFindTimer);
  if (nodes_.size() > 1) SelectCategory(nodes_[1].ref, SelectVia::kMouse);
  loop_.StartTimer(kAutoUpdateTimer, services_.timing.auto_tick_ms, this);
}

void TMainForm::AutoUpdateTimerTimer() {
  loop_.StopTimer(kAutoUpdateTimer);
  FirmUpdateButtonClick();
  // The window closes when the board's restart wait is over, the moment the
  // update command used to return.
  if (batch_.AnyWorkerWaiting()) {
    close_after_wait_ = true;
    return;
  }
  FormClose();
}

void TMainForm::RestartWaitOver() {
  if (close_after_wait_) {
    close_after_wait_ = false;
    FormClose();
  }
}

}  // namespace ui
