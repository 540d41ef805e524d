// The console run on the real system: its services are the operating
// system's, the launcher's unpacked package and the board's real network.
#include "launcher/cli/console_main.h"

#include <chrono>
#include <memory>

#include "launcher/cli/cli_system.h"
#include "launcher/cli/console_flow.h"
#include "launcher/cli/console_services.h"
#include "launcher/cli/uploaders.h"
#include "launcher/startup/launcher_startup.h"
#include "platform/process.h"

namespace cli {
namespace {

class SystemServices final : public ConsoleServices {
 public:
  platform::UdpApi& Udp() override { return *udp_; }

  int64_t NowSeconds() override { return cli::NowSeconds(); }
  int64_t SteadyMs() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  LocalTime ToLocalTime(int64_t seconds) override { return cli::ToLocalTime(seconds); }
  bool UserLanguageJapanese() override { return cli::UserLanguageJapanese(); }
  void SleepMs(int ms) override { cli::SleepMs(ms); }
  void Print(const std::string& text) override { cli::Print(text); }
  bool InstallInterruptHandler() override { return cli::InstallInterruptHandler(); }

  std::string LogPath() override { return LogPathFor(ProgramPath(), IsWindowsBuild()); }
  bool AppendLogLine(const std::string& path, const std::string& line) override {
    return cli::AppendLogLine(path, line);
  }

  int Startup() override {
    return launcher::LauncherStartup(nullptr, launcher::LaunchMode::kConsole);
  }
  bool HoldsSingleInstance() override { return launcher::HoldsSingleInstance(); }
  void ReleaseSingleInstance() override { launcher::ReleaseSingleInstance(); }
  void RemoveUnpackedPayload() override { launcher::RemoveUnpackedPayload(); }
  std::string UnpackedSettingsPath() override { return launcher::UnpackedZantorSettings(); }
  std::string ReadSetting(const std::string& path, const std::string& key) override {
    return cli::ReadSetting(path, key);
  }
  std::string HeldUnpackDirectory() override { return launcher::HeldUnpackDirectory(); }
  bool ChangeDirectory(const std::string& path) override { return cli::ChangeDirectory(path); }
  bool CopyProgramResource(const std::string& name, const std::string& target) override {
    return launcher::CopyResourceToFile(true, launcher::UnpackedZantorProgram(), name,
                                        "DSC_PDATA", target) == 1;
  }

  int UploadWithHttp(const std::string& host, const std::string& object,
                     const std::string& file_name) override {
    return UploadWithWinHttp(host, object, file_name);
  }
  int UploadWithCurl(const std::string& command_text,
                     const std::vector<std::string>& args) override {
    return cli::UploadWithCurl(command_text, args);
  }
  std::string CurlProgram() override { return platform::ProgramFileName("curl"); }
  std::string NullDevice() override { return platform::NullDevice(); }

 private:
  std::unique_ptr<platform::UdpApi> udp_ = platform::CreateUdpApi();
};

}  // namespace
}  // namespace cli

namespace launcher {

int ConsoleMain(const std::vector<std::string>& args) {
  cli::SystemServices os;
  return cli::RunConsole(args, os);
}

int RunFwlauncher(void* instance, const std::vector<std::string>& args) {
  if (args.size() <= 1) return LauncherStartup(instance, LaunchMode::kGraphical);
  AttachConsoleForRun();
  const int code = ConsoleMain(args);
  ReleaseConsoleAfterRun();
  return code;
}

}  // namespace launcher
