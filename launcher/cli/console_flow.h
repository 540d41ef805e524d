// The steps of one console run, on the argument vector.
#ifndef LAUNCHER_CLI_CONSOLE_FLOW_H_
#define LAUNCHER_CLI_CONSOLE_FLOW_H_

#include <string>
#include <vector>

#include "launcher/cli/console_services.h"
#include "launcher/cli/result_record.h"

namespace cli {

int RunConsole(const std::vector<std::string>& args, ConsoleServices& os);

// Appends the log line, removes the unpacked payload when this run holds
// the single-instance lock, prints the exit message and releases the lock.
void WriteResultLog(int code, const ResultRecord& record, ConsoleServices& os);

}  // namespace cli

#endif  // LAUNCHER_CLI_CONSOLE_FLOW_H_
