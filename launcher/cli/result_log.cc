#include "launcher/cli/result_log.h"

#include <cinttypes>
#include <cstdio>

#include "launcher/cli/exit_codes.h"

namespace cli {

std::string StartText(const LocalTime& t, bool japanese) {
  char text[64];
  if (japanese) {
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
  } else {
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d", t.month, t.day, t.year,
                  t.hour, t.minute, t.second);
  }
  return text;
}

Elapsed ElapsedSince(int64_t start, int64_t now) {
  const int64_t seconds = now > start ? now - start : 0;
  return {seconds / 60, static_cast<int>(seconds % 60)};
}

namespace {

std::string TimeText(const Elapsed& e) {
  char text[32];
  std::snprintf(text, sizeof text, "%02" PRId64 ":%02d", e.minutes, e.seconds);
  return text;
}

}  // namespace

std::string CsvField(const std::string& field) {
  if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
  std::string quoted = "\"";
  for (char c : field) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string LogLine(int code, const ResultRecord& r, const Elapsed& e) {
  // A board chooses its texts: a comma or line break in one must not make
  // a field or line of its own.
  const std::string fields[] = {r.start_text,
                                "ErrorCode : " + std::to_string(code),
                                "TotalTime : " + TimeText(e),
                                FirstLineOfMessage(code),
                                "IP : " + r.ip,
                                "MAC : " + r.mac,
                                "UIB : " + r.uib,
                                "From : " + r.from,
                                "To : " + r.to,
                                "Printer : " + r.printer,
                                "SerialNo : " + r.serial_no};
  std::string line;
  for (const std::string& field : fields) line += CsvField(field) + ",";
  return line;
}

std::string ExitMessage(int code, const Elapsed& e) {
  return "\n[Exit Message]\n  " + FirstLineOfMessage(code) + "\n\n  TotalTime         " +
         TimeText(e) + "\n  Exit Code         " + std::to_string(code) + "\n";
}

std::string LogPathFor(const std::string& program_path, bool windows) {
  if (!windows) return program_path.empty() ? "" : program_path + ".csv";
  const size_t exe = program_path.find(".exe");
  if (exe == std::string::npos) return "";
  return program_path.substr(0, exe) + ".csv";
}

}  // namespace cli
