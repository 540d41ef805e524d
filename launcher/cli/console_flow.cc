#include "launcher/cli/console_flow.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "launcher/cli/cli_system.h"
#include "launcher/cli/console_main.h"
#include "launcher/cli/device_finder.h"
#include "launcher/cli/device_query.h"
#include "launcher/cli/exit_codes.h"
#include "launcher/cli/firmware_type.h"
#include "launcher/cli/flash_plan.h"
#include "launcher/cli/options.h"
#include "launcher/cli/package_settings.h"
#include "launcher/cli/result_log.h"
#include "launcher/cli/time_scale.h"
#include "launcher/cli/upload_request.h"
#include "launcher/cli/uploaders.h"
#include "launcher/startup/launcher_startup.h"
#include "platform/host.h"
#include "platform/process.h"
#include "platform/terminal_text.h"

namespace cli {
namespace {

constexpr int kRestartSteps = 200;  // 201 waits of a second, 0 % to 100 %
constexpr int kVerifyIntervalMs = 2000;
constexpr int kVerifyLimitMs = 90000;
constexpr size_t kPathLimit = 260;
// A divided clock never makes a query time-out shorter than this: a loaded
// test machine may take that long to schedule the reply's reader.
constexpr int kMinQueryTimeoutMs = 250;

int QueryTimeoutMs() { return std::max(Scaled(kQueryTimeoutMs), kMinQueryTimeoutMs); }

// Values may be a board's own texts: shown without their control characters.
std::string Detail(const char* label, const std::string& value) {
  char text[32];
  std::snprintf(text, sizeof text, "  %-18s", label);
  return text + platform::TerminalText(value) + "\n";
}

// A file name from the settings is a name in the working directory, never
// a path that leads elsewhere.
bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:") == std::string::npos;
}

class Run {
 public:
  int Main(const std::vector<std::string>& args);

 private:
  int End(int code, const ResultRecord& record) {
    WriteResultLog(code, record);
    finder_.Release();
    return code;
  }
  int Update();
  int Verify();

  ResultRecord r_;
  RunOptions o_;
  PackageSettings package_;
  std::string expected_;
  std::string firmware_file_;
  std::unique_ptr<platform::UdpApi> udp_ = platform::CreateUdpApi();
  DeviceFinder finder_{*udp_, [](const std::string& line) { Print(line); }};
};

int Run::Main(const std::vector<std::string>& args) {
  Print("[Kavro Network Firmware Updater]\n");
  // Taken before the handler, so a run ended by 1101 reports no time.
  r_.start_time = NowSeconds();
  if (!InstallInterruptHandler()) {
    launcher::ReleaseSingleInstance();
    return End(kExitNoCtrlHandler, r_);
  }
  r_.start_time = NowSeconds();
  const int startup = launcher::LauncherStartup(nullptr, launcher::LaunchMode::kConsole);
  if (startup >= kExitOtherInstance) return End(startup, r_);

  const std::string settings = launcher::UnpackedZantorSettings();
  package_ = DerivePackageSettings(ReadSetting(settings, "DEF_IF_VERSION"),
                                   ReadSetting(settings, "DEF_CAPTION"),
                                   ReadSetting(settings, "DEF_FIRMFILE_NAME"));
  Print("  " + package_.model + " Network Firmware Updater Ver." + package_.version + "\n");
  Print("  Keep the printer switched on and connected until the update has ended.\n");
  r_.start_text = StartText(ToLocalTime(r_.start_time), UserLanguageJapanese());

  o_ = ParseOptions(args);
  if (o_.list_all) {
    Print("\n[Find Device]\n");
    finder_.FindAll(kFindTimeoutMs);
    finder_.Release();
    return kExitSuccess;
  }
  r_.ip = o_.address;

  Print("\n[Option]\n");
  Print(Detail("IP Address", o_.address));
  if (o_.overwrite) Print(Detail("Overwrite", "ON"));
  if (!o_.target_version.empty()) Print(Detail("Target Version", o_.target_version));
  if (o_.type_a) Print(Detail("Firmware Type", kTypeQ02));
  if (o_.type_c) Print(Detail("Firmware Type", kTypeQ01));
  if (o_.address.empty()) return End(kExitNoAddress, r_);

  if (QueryDevice(*udp_, o_.address, &r_, QueryTimeoutMs()) != QueryOutcome::kAnswered) {
    return End(kExitNoAnswer, r_);
  }
  Print(Detail("GetInfo", "100 %"));
  Print("\n[Device Information]\n");
  Print(Detail("MAC Address", r_.mac));
  Print(Detail("UIB Name", r_.uib));
  Print(Detail("UIB Version", r_.from));
  Print(Detail("Printer", r_.printer));
  Print(Detail("SerialNo", r_.serial_no));

  const ModelDecision model = DecideModel(package_.model, r_.uib, r_.from);
  if (model.exit_code != 0) return End(model.exit_code, r_);
  r_.uib = model.uib;
  if (model.wireless) o_.wireless_family = true;
  if (!o_.target_version.empty() && r_.from != o_.target_version) {
    return End(kExitNotTargetVersion, r_);
  }
  if (AlreadyCurrent(package_, o_, r_.from)) {
    r_.to = r_.from;
    return End(kExitSuccess, r_);
  }
  return Update();
}

int Run::Update() {
  const TypeDecision type =
      DecideFirmwareType({package_.version, r_.from, o_.wireless_family, o_.type_a, o_.type_c});
  if (type.exit_code != 0) return End(type.exit_code, r_);
  if (type.print) Print(Detail("Firmware Type", type.type));
  Print(o_.method == UploadMethod::kCurl ? "  Run Curl\n" : "  Run WinHttp\n");

  // The unpacked tree as this run holds it (Linux: through its descriptor).
  const std::string dir = launcher::HeldUnpackDirectory();
  const std::string program = launcher::UnpackedZantorProgram();
  const std::string copied_settings = dir + "Zantor.ini";
  if (dir.empty() || !ChangeDirectory(dir) ||
      launcher::CopyResourceToFile(true, program, "ZANTOR", "DSC_PDATA", copied_settings) != 1) {
    return End(kExitSettingsNotCopied, r_);
  }
  const ImageChoice image = ChooseImage(package_, type.type);
  const std::string& resource = image.resource;
  firmware_file_ = image.file_setting.empty()
                       ? package_.firmware_file
                       : Cut(ReadSetting(copied_settings, image.file_setting), kSettingLimit);
  expected_ = image.expected;
  Print(Detail("FirmFile", firmware_file_));
  if (!PlainFileName(firmware_file_) || dir.size() + firmware_file_.size() > kPathLimit ||
      launcher::CopyResourceToFile(true, program, resource, "DSC_PDATA", dir + firmware_file_) !=
          1) {
    return End(kExitFirmwareNotCopied, r_);
  }

  int result = -1;
  if (o_.method == UploadMethod::kCurl) {
    const std::string text = CurlCommandText(o_.proxy_mode, o_.proxy, firmware_file_, o_.address);
    const int status =
        UploadWithCurl(text, CurlArguments(platform::ProgramFileName("curl"), platform::NullDevice(),
                                           o_.proxy_mode, o_.proxy, firmware_file_, o_.address));
    result = status == 200 ? 0 : -1;
    Print("\n  StatusCode        " + std::to_string(status));
  } else {
    result = UploadWithWinHttp(o_.address, kUploadObject, firmware_file_);
  }
  Print("\n  Result            " + std::to_string(result) + "\n");
  if (result != 0) return End(kExitUploadFailed, r_);

  Print("\n[Firmware Update]\n");
  for (int k = 0; k <= kRestartSteps; ++k) {
    SleepMs(Scaled(1000));
    char line[48];
    std::snprintf(line, sizeof line, "\r  Updating...       %d %%  ", k * 100 / kRestartSteps);
    Print(line);
  }
  Print("\n");
  if (r_.from == "0.00") return End(kExitSuccess, r_);
  return Verify();
}

int Run::Verify() {
  ResultRecord after;
  const auto noted = std::chrono::steady_clock::now();
  while (QueryDevice(*udp_, o_.address, &after, QueryTimeoutMs()) != QueryOutcome::kAnswered) {
    const auto waited = std::chrono::steady_clock::now() - noted;
    if (waited > std::chrono::milliseconds(Scaled(kVerifyLimitMs))) {
      return End(kExitNoAnswerAfterUpdate, r_);
    }
    SleepMs(Scaled(kVerifyIntervalMs));
  }
  r_.to = after.from;
  if (r_.to != expected_) return End(kExitVersionDiffers, r_);
  after.start_text = r_.start_text;
  after.start_time = r_.start_time;
  after.ip = r_.ip;
  after.to = r_.to;
  after.from = r_.from;
  return End(kExitSuccess, after);
}

}  // namespace

void WriteResultLog(int code, const ResultRecord& record) {
  const std::string path = LogPathFor(ProgramPath(), IsWindowsBuild());
  const Elapsed elapsed = ElapsedSince(record.start_time, NowSeconds());
  if (!path.empty()) AppendLogLine(path, LogLine(code, record, elapsed));
  if (launcher::HoldsSingleInstance()) launcher::RemoveUnpackedPayload();
  Print(ExitMessage(code, elapsed));
  launcher::ReleaseSingleInstance();
}

int RunConsole(const std::vector<std::string>& args) {
  Run run;
  return run.Main(args);
}

}  // namespace cli

namespace launcher {

int ConsoleMain(const std::vector<std::string>& args) { return cli::RunConsole(args); }

int RunFwlauncher(void* instance, const std::vector<std::string>& args) {
  if (args.size() <= 1) return LauncherStartup(instance, LaunchMode::kGraphical);
  AttachConsoleForRun();
  const int code = ConsoleMain(args);
  ReleaseConsoleAfterRun();
  return code;
}

}  // namespace launcher
