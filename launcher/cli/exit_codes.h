// The exit codes of a console run and their messages.
#ifndef LAUNCHER_CLI_EXIT_CODES_H_
#define LAUNCHER_CLI_EXIT_CODES_H_

#include <string>

namespace cli {

enum ExitCode : int {
  kExitSuccess = 0,
  kExitVersionDiffers = 1,
  kExitNoAnswer = 100,
  kExitNotTargetVersion = 110,
  kExitWrongModel = 205,
  kExitWrongFamily = 209,
  kExitUploadFailed = 400,
  kExitNoAnswerAfterUpdate = 401,
  kExitNoAddress = 1000,
  kExitOtherInstance = 1100,
  kExitNoCtrlHandler = 1101,
  kExitPayloadNotWritten = 1102,
  kExitUnknownFamily = 1103,
  kExitSettingsNotCopied = 1105,
  kExitFirmwareNotCopied = 1106,
  kExitTypeNeeded = 2000,
};

// The full message of a code; codes outside the table get the generic one.
const char* ErrorMessage(int code);

// The text up to the first line feed, at most 511 bytes: what the log and
// the exit message show.
std::string FirstLineOfMessage(int code);

}  // namespace cli

#endif  // LAUNCHER_CLI_EXIT_CODES_H_
