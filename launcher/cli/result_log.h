// The texts of a run's end: the start text, the result log's line and path,
// and the exit message.
#ifndef LAUNCHER_CLI_RESULT_LOG_H_
#define LAUNCHER_CLI_RESULT_LOG_H_

#include <cstdint>
#include <string>

#include "launcher/cli/result_record.h"

namespace cli {

struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// "2026/12/09 16:05:03" for a Japanese user, "12/09/2026 16:05:03" otherwise.
std::string StartText(const LocalTime& t, bool japanese);

// Minutes and seconds; minutes may run past two digits. A clock that went
// back counts as no time.
struct Elapsed {
  int64_t minutes = 0;
  int seconds = 0;
};
Elapsed ElapsedSince(int64_t start, int64_t now);

// `field` as it is, or in double quotes with its quotes doubled when it
// holds a comma, a double quote, CR or LF.
std::string CsvField(const std::string& field);

// The eleven fields, each followed by a comma, without the line end.
std::string LogLine(int code, const ResultRecord& r, const Elapsed& e);

// "\n[Exit Message]\n  <first line>\n\n  TotalTime ...\n  Exit Code ...\n"
std::string ExitMessage(int code, const Elapsed& e);

// Where the log of the program at `program_path` goes, or "" for none.
// Windows: the path with everything from the first ".exe" (case-sensitive)
// replaced by ".csv"; no ".exe", no log. Elsewhere: the path + ".csv".
std::string LogPathFor(const std::string& program_path, bool windows);

}  // namespace cli

#endif  // LAUNCHER_CLI_RESULT_LOG_H_
