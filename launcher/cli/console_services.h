// Everything a console run reaches outside itself, behind one interface, so
// a test can run the whole flow on fakes: the clock, the console, the log
// file, the unpacked package, the board's UDP and the two uploaders.
#ifndef LAUNCHER_CLI_CONSOLE_SERVICES_H_
#define LAUNCHER_CLI_CONSOLE_SERVICES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/cli/result_log.h"
#include "platform/udp_socket.h"

namespace cli {

class ConsoleServices {
 public:
  virtual ~ConsoleServices() = default;

  virtual platform::UdpApi& Udp() = 0;

  virtual int64_t NowSeconds() = 0;
  virtual int64_t SteadyMs() = 0;  // only differences count
  virtual LocalTime ToLocalTime(int64_t seconds) = 0;
  virtual bool UserLanguageJapanese() = 0;
  virtual void SleepMs(int ms) = 0;
  virtual void Print(const std::string& text) = 0;
  virtual bool InstallInterruptHandler() = 0;

  // The log file beside the program ("" when there is none) and one line
  // appended to it.
  virtual std::string LogPath() = 0;
  virtual bool AppendLogLine(const std::string& path, const std::string& line) = 0;

  // The launcher's start in console mode: 0, or the code that ends the run.
  virtual int Startup() = 0;
  virtual bool HoldsSingleInstance() = 0;
  virtual void ReleaseSingleInstance() = 0;
  virtual void RemoveUnpackedPayload() = 0;
  // The package's settings file as unpacked, and one of its values.
  virtual std::string UnpackedSettingsPath() = 0;
  virtual std::string ReadSetting(const std::string& path, const std::string& key) = 0;
  // The unpacked tree as this run holds it, ending in a separator; "" when
  // it is not held.
  virtual std::string HeldUnpackDirectory() = 0;
  virtual bool ChangeDirectory(const std::string& path) = 0;
  // Writes the "DSC_PDATA" resource `name` of the unpacked Zantor program
  // to `target`.
  virtual bool CopyProgramResource(const std::string& name, const std::string& target) = 0;

  // As UploadWithWinHttp and UploadWithCurl (launcher/cli/uploaders.h).
  virtual int UploadWithHttp(const std::string& host, const std::string& object,
                             const std::string& file_name) = 0;
  virtual int UploadWithCurl(const std::string& command_text,
                             const std::vector<std::string>& args) = 0;
  virtual std::string CurlProgram() = 0;
  virtual std::string NullDevice() = 0;
};

}  // namespace cli

#endif  // LAUNCHER_CLI_CONSOLE_SERVICES_H_
