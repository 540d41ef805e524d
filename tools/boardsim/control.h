// Run-time changes to the boards: the control file applied on SIGHUP and the
// readiness toggle of SIGUSR1.
#ifndef TOOLS_BOARDSIM_CONTROL_H_
#define TOOLS_BOARDSIM_CONTROL_H_

#include <functional>
#include <string>
#include <vector>

#include "tools/boardsim/board_config.h"

namespace boardsim {

using LogFn = std::function<void(const std::string&)>;

// Each line: SELECTOR SETTINGS. SELECTOR is "*" (every board), a 1-based board
// number, an IP address (every board with it) or a MAC address; SETTINGS as in
// --board, without ip and mac. Blank lines and lines starting with '#' are
// skipped. A bad line is reported and skipped; returns the number of errors.
int ApplyControlText(const std::string& text, std::vector<Board>& boards, int64_t nowMs,
                     const LogFn& log);

// Flips the not-ready bit (0x10) of every board's status byte.
void ToggleReadiness(std::vector<Board>& boards, const LogFn& log);

}  // namespace boardsim

#endif  // TOOLS_BOARDSIM_CONTROL_H_
