#include "updater/host/zantor_session.h"

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/host.h"
#include "platform/http_session.h"
#include "updater/protocol/local_address.h"

namespace host {

uint32_t TimeScaleFromEnvironment() {
#ifdef ZANTOR_TEST_HOOKS
  const char* text = std::getenv("ZANTOR_TIME_SCALE");
  if (text == nullptr || *text == '\0') return 1;
  char* end = nullptr;
  const unsigned long n = std::strtoul(text, &end, 10);
  if (*end != '\0' || n == 0 || n > 10000) return 1;  // nonsense keeps the real timing
  return static_cast<uint32_t>(n);
#else
  return 1;  // a shipped build always keeps the board's real timing
#endif
}

int SendResultMessage(update::ProgressPipe& pipe, int32_t result_code) {
  const platform::PipeExchangeResult r = pipe.SendResult(result_code);
  if (!r.written) return -1;
  if (r.reply_read) {
    std::printf("Read Data %d\n", static_cast<int>(r.reply));
    std::fflush(stdout);
  }
  return result_code;
}

ZantorSession::ZantorSession()
    : loop_(platform::CreateEventLoop()), udp_(platform::CreateUdpApi()) {}

ZantorSession::~ZantorSession() {
  // The window's logic goes first (it closes the socket), then the staged
  // files, which other programs' files in the same directory survive.
  form_.reset();
  if (staged_.ok()) update::RemoveStagedFiles(files_, staged_);
}

bool ZantorSession::Start(ui::MainView& view, bool old_controls, std::string* error) {
  if (!loop_) {
    *error = "The message loop could not be created.";
    return false;
  }
  ui::FormServices services;
  services.clock = &platform::SystemClock();
  services.http = platform::CreateHttpSession;
  services.pipe = &pipe_;
  services.forget_neighbour = platform::ForgetNeighbour;
  services.trace = platform::DebugTrace;
  services.system_locale = platform::SystemLocaleId;
  services.timing = update::UpdateTiming::Scaled(TimeScaleFromEnvironment());
  form_ = std::make_unique<ui::TMainForm>(*loop_, *udp_, view, std::move(services));

  std::string local;
  if (!protocol::ChooseLocalAddress(&local)) local.clear();

  staged_ = update::StageAndLoad(files_);
  if (!staged_.ok()) {
    *error = staged_.report;
    return false;
  }
  if (!staged_.note.empty()) platform::DebugTrace(("Zantor: " + staged_.note).c_str());
  ui::FormSettings settings;
  settings.caption = staged_.settings.caption;
  settings.target_version = staged_.image.targetVersion;
  settings.version_label = staged_.image.versionLabel;
  settings.model = staged_.image.modelName;
  settings.image_path = staged_.image.stagedPath;
  // From the descriptor kept since staging where there is one: what sits
  // under the name now may not be what we wrote.
  settings.image_source = [this](size_t reserve_after, std::vector<uint8_t>* out) {
    return update::AppendStagedImage(staged_, reserve_after, out);
  };
  settings.file_name = staged_.image.fileName;
  settings.field_name = staged_.image.fieldName;
  settings.side_by_side = update::SideBySideFromText(
      files_.ReadSetting(staged_.directory + files_.Separator() + update::kSettingsFileName,
                         update::kUpdateSection, update::kSideBySideKey));
  form_->Create(local, settings, old_controls);
  return true;
}

int ZantorSession::SendResultMessage() {
  return host::SendResultMessage(pipe_, form_ ? form_->result_code() : ui::kResultCodeNotUpdated);
}

}  // namespace host
