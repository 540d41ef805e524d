// The two ways the console updater posts the firmware file, which lies in
// the current directory: its own HTTP client (WinHTTP; libcurl on Linux with
// the same bytes on the wire) and the curl program.
#ifndef LAUNCHER_CLI_UPLOADERS_H_
#define LAUNCHER_CLI_UPLOADERS_H_

#include <string>
#include <vector>

namespace cli {

// 0 when the board answered 200, -1 on any other answer (its status is
// printed) or failure. Interim 1xx answers are skipped and redirects never
// followed. Prints the progress line after every write.
int UploadWithWinHttp(const std::string& host, const std::string& object,
                      const std::string& file_name);

// Runs the program of args[0] with these arguments, no command interpreter
// between, its standard output read through a pipe (at most 260 bytes
// kept), stopped after ten minutes. Returns the status it printed (0 when
// it printed none or was stopped), or -1 when it cannot be started.
// `command_text` is only shown in the trace.
int UploadWithCurl(const std::string& command_text, const std::vector<std::string>& args);

}  // namespace cli

#endif  // LAUNCHER_CLI_UPLOADERS_H_
