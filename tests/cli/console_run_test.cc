// Whole console runs on fake services: no network, no files, no waiting.
#include <gtest/gtest.h>

#include <map>

#include "launcher/cli/console_flow.h"
#include "launcher/cli/exit_codes.h"
#include "tests/support/fake_udp.h"
#include "tests/support/reply_builder.h"

namespace cli {
namespace {

using testing_support::Bytes;

constexpr char kMac[] = "02:00:00:00:00:07";
constexpr char kDir[] = "/held/ZANTOR/";

Bytes Info(const std::string& version) {
  const uint8_t major = static_cast<uint8_t>(version[0] - '0');
  const uint8_t minor = static_cast<uint8_t>((version[2] - '0') << 4 | (version[3] - '0'));
  return testing_support::InfoReply('q', testing_support::Wired(kMac, major, minor));
}

class FakeServices final : public ConsoleServices {
 public:
  // Knobs.
  bool handler_ok = true;
  int startup_code = 0;
  bool settings_copy_ok = true;
  bool firmware_copy_ok = true;
  std::string board_version = "1.10";
  std::string version_after = "2.20";  // what the board reports once flashed
  int curl_status = 200;

  // Record.
  testing_support::FakeUdpApi udp;
  std::string printed;
  std::vector<std::string> log;
  std::vector<std::string> copied;  // "resource -> target"
  std::string uploaded;             // the file name posted, by either way
  std::vector<std::string> curl_args;
  bool startup_called = false;
  int payload_removals = 0;

  void BoardAnswers(const std::string& version) {
    udp.inbound.push_back({Info(version), "10.0.0.5", 3289});
    if (version != "0.00") {
      udp.inbound.push_back({testing_support::ModelReply(kMac, "QJ-L04", "TM"), "10.0.0.5", 3289});
    }
  }

  platform::UdpApi& Udp() override { return udp; }
  int64_t NowSeconds() override { return 1700000000 + now_ms_ / 1000; }
  int64_t SteadyMs() override { return now_ms_; }
  LocalTime ToLocalTime(int64_t) override { return LocalTime{}; }
  bool UserLanguageJapanese() override { return false; }
  void SleepMs(int ms) override { now_ms_ += ms; }
  void Print(const std::string& text) override { printed += text; }
  bool InstallInterruptHandler() override { return handler_ok; }
  std::string LogPath() override { return "/prog/fwlauncher.log"; }
  bool AppendLogLine(const std::string&, const std::string& line) override {
    log.push_back(line);
    return true;
  }
  int Startup() override {
    startup_called = true;
    holds_ = startup_code == 0;
    if (holds_) BoardAnswers(board_version);
    return startup_code;
  }
  bool HoldsSingleInstance() override { return holds_; }
  void ReleaseSingleInstance() override { holds_ = false; }
  void RemoveUnpackedPayload() override { ++payload_removals; }
  std::string UnpackedSettingsPath() override { return "/unpacked/Zantor.ini"; }
  std::string ReadSetting(const std::string& path, const std::string& key) override {
    static const std::map<std::string, std::string> package = {
        {"DEF_IF_VERSION", "Ver.1.20 or 2.20"},
        {"DEF_CAPTION", "QJ-L04 Network Firmware Updater Ver.1.20 or 2.20"},
        {"DEF_FIRMFILE_NAME", "l04.rcc"},
    };
    static const std::map<std::string, std::string> copied_settings = {
        {"DEF_FIRMFILE_NAME_1", "l04_q01.rcc"},
        {"DEF_FIRMFILE_NAME_2", "l04_q02.rcc"},
    };
    const auto& table = path == std::string(kDir) + "Zantor.ini" ? copied_settings : package;
    const auto it = table.find(key);
    return it == table.end() ? "" : it->second;
  }
  std::string HeldUnpackDirectory() override { return holds_ ? kDir : ""; }
  bool ChangeDirectory(const std::string& path) override { return path == kDir; }
  bool CopyProgramResource(const std::string& name, const std::string& target) override {
    copied.push_back(name + " -> " + target);
    return name == "ZANTOR" ? settings_copy_ok : firmware_copy_ok;
  }
  int UploadWithHttp(const std::string&, const std::string&, const std::string& file) override {
    uploaded = file;
    BoardAnswers(version_after);
    return 0;
  }
  int UploadWithCurl(const std::string&, const std::vector<std::string>& args) override {
    curl_args = args;
    uploaded = args[args.size() - 2].substr(5);  // "rcc=@" + file
    BoardAnswers(version_after);
    return curl_status;
  }
  std::string CurlProgram() override { return "curl"; }
  std::string NullDevice() override { return "/dev/null"; }

 private:
  bool holds_ = false;
  int64_t now_ms_ = 0;
};

bool HasNoProxy(const std::vector<std::string>& args) {
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--proxy" && args[i + 1].empty()) return true;
  }
  return false;
}

TEST(ConsoleRun, DecisionsAndExitCodes) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
    void (*setup)(FakeServices&);
    int code;
    const char* copied_image;  // the firmware resource written, "" when none
    const char* uploaded;      // the file posted, "" when none
    int removals;              // the unpacked payload is this run's to remove
  };
  const auto none = [](FakeServices&) {};
  const Case cases[] = {
      // No interrupt handler: the tree may be another instance's; nothing is
      // started and nothing removed.
      {"no handler", {"-e10.0.0.5"}, [](FakeServices& f) { f.handler_ok = false; },
       kExitNoCtrlHandler, "", "", 0},
      // The payload could not be written out: the run ends before the board.
      {"payload", {"-e10.0.0.5"}, [](FakeServices& f) { f.startup_code = 1102; },
       kExitPayloadNotWritten, "", "", 0},
      {"settings copy", {"-e10.0.0.5", "-typeA"},
       [](FakeServices& f) { f.settings_copy_ok = false; }, kExitSettingsNotCopied, "", "", 1},
      {"image copy", {"-e10.0.0.5", "-typeA"},
       [](FakeServices& f) { f.firmware_copy_ok = false; }, kExitFirmwareNotCopied,
       "QJL04RCC_2", "", 1},
      // -typeA: the second image under its own file name, V2 expected after.
      {"typeA", {"-e10.0.0.5", "-typeA"}, none, kExitSuccess, "QJL04RCC_2", "l04_q02.rcc", 1},
      {"typeA lands on V1", {"-e10.0.0.5", "-typeA"},
       [](FakeServices& f) { f.version_after = "1.20"; }, kExitVersionDiffers, "QJL04RCC_2",
       "l04_q02.rcc", 1},
      {"typeC", {"-e10.0.0.5", "-typeC"}, [](FakeServices& f) { f.version_after = "1.20"; },
       kExitSuccess, "QJL04RCC_1", "l04_q01.rcc", 1},
      // A board already at 2.x takes the second image without a flag.
      {"2.x board", {"-e10.0.0.5"}, [](FakeServices& f) { f.board_version = "2.10"; },
       kExitSuccess, "QJL04RCC_2", "l04_q02.rcc", 1},
      {"curl", {"-e10.0.0.5", "-typeA", "-curl"}, none, kExitSuccess, "QJL04RCC_2",
       "l04_q02.rcc", 1},
      {"curl noproxy", {"-e10.0.0.5", "-typeA", "-curl", "-noproxy"}, none, kExitSuccess,
       "QJL04RCC_2", "l04_q02.rcc", 1},
      {"curl refused", {"-e10.0.0.5", "-typeA", "-curl"},
       [](FakeServices& f) { f.curl_status = 500; }, kExitUploadFailed, "QJL04RCC_2",
       "l04_q02.rcc", 1},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    FakeServices f;
    k.setup(f);
    std::vector<std::string> args{"Zantor"};
    args.insert(args.end(), k.options.begin(), k.options.end());
    EXPECT_EQ(RunConsole(args, f), k.code);

    std::string image;
    for (const std::string& c : f.copied) {
      if (c.rfind("ZANTOR ", 0) != 0) image = c.substr(0, c.find(' '));
    }
    EXPECT_EQ(image, k.copied_image);
    EXPECT_EQ(f.uploaded, k.uploaded);
    EXPECT_EQ(f.payload_removals, k.removals);
    EXPECT_EQ(f.HoldsSingleInstance(), false);  // released on every way out
    EXPECT_EQ(f.startup_called, k.code != kExitNoCtrlHandler);
    if (k.code == kExitPayloadNotWritten) {
      EXPECT_TRUE(f.udp.sent.empty());
    }
    ASSERT_EQ(f.log.size(), 1u);
    EXPECT_NE(f.log[0].find(std::to_string(k.code)), std::string::npos) << f.log[0];
    EXPECT_NE(f.printed.find(FirstLineOfMessage(k.code)), std::string::npos);
    if (!f.curl_args.empty()) {
      const bool noproxy = std::string(k.name).find("noproxy") != std::string::npos;
      EXPECT_EQ(HasNoProxy(f.curl_args), noproxy);
    }
  }
}

}  // namespace
}  // namespace cli
