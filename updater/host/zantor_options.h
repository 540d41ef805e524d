// The command line of the Linux Zantor: one board address (automatic mode),
// or options that stand in for the window's commands.
#ifndef UPDATER_HOST_ZANTOR_OPTIONS_H_
#define UPDATER_HOST_ZANTOR_OPTIONS_H_

#include <string>
#include <vector>

namespace host {

struct ZantorOptions {
  unsigned list_seconds = 0;         // --list-seconds N: stop after N s (0: run on)
  bool update_ticked = false;        // --update-ticked
  unsigned side_by_side = 1;         // --side-by-side N: boards in their restart wait at once
  bool adapters = false;             // --adapters: print the adapter rows and end
  bool about = false;                // --about: print the about box and end
  bool help = false;                 // --help
  std::string adapter;               // --adapter ADDRESS: bind address of the search
  std::vector<std::string> adds;     // --add ADDRESS, in order
  std::vector<std::string> imports;  // --import FILE, in order
  std::vector<std::string> args;     // everything else: the board address
};

// The usage text that --help prints, one line per option.
extern const char kZantorUsage[];

// False with `error` set for an unknown option or one without its value.
bool ParseZantorOptions(const std::vector<std::string>& argv, ZantorOptions* options,
                        std::string* error);

}  // namespace host

#endif  // UPDATER_HOST_ZANTOR_OPTIONS_H_
