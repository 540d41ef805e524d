#include "launcher/cli/exit_codes.h"

namespace cli {

const char* ErrorMessage(int code) {
  switch (code) {
    case kExitSuccess:
      return "INFORMATION : Firmware updating was successful.";
    case kExitVersionDiffers:
      return "ERROR : This updater and the printer version are different.";
    case kExitNoAnswer:
      return "ERROR : Can't open communication port.\n"
             "\tPlease check the communication setup of application and printer.\n"
             "\tPlease check connection of I/F cable and power supply cable.";
    case kExitNotTargetVersion:
      return "ERROR : This printer is not the target version for the update.\n"
             "\tPlease check the firmware version.";
    case kExitWrongModel:
      return "ERROR : The specified printer is incorrect..\n\tPlease check the port option.";
    case kExitWrongFamily:
      return "ERROR : Printer specification is different.\n"
             "\tPlease check the printer specification.";
    case kExitUploadFailed:
      return "ERROR : Communication Error.\n\tFailed in transmission of data.";
    case kExitNoAnswerAfterUpdate:
      return "ERROR : Communication Error.\n\tThere is no response from the printer.";
    case kExitNoAddress:
      return "ERROR : Parameter error.\n\tPlease specify the port option.";
    case kExitOtherInstance:
      return "ERROR : Application Error.0";
    case kExitNoCtrlHandler:
      return "ERROR : Application Error.1";
    case kExitPayloadNotWritten:
      return "ERROR : Application Error.2";
    case kExitUnknownFamily:
      return "ERROR : Application Error.3";
    case kExitSettingsNotCopied:
      return "ERROR : Application Error.5";
    case kExitFirmwareNotCopied:
      return "ERROR : Application Error.6";
    case kExitTypeNeeded:
      return "ERROR : Please specify -typeA or -typeC option.\n"
             "          TypeA firmware is for DW-Q02/06.\n"
             "          TypeC firmware is for DW-Q01/06.";
    default:
      return "ERROR : Application Error.";
  }
}

std::string FirstLineOfMessage(int code) {
  std::string text = ErrorMessage(code);
  text = text.substr(0, text.find('\n'));
  if (text.size() > 511) text.resize(511);
  return text;
}

}  // namespace cli
