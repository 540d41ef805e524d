// The decisions of a console run that choose what gets flashed, apart from
// the network and the files so they can be tested on their own.
#ifndef LAUNCHER_CLI_FLASH_PLAN_H_
#define LAUNCHER_CLI_FLASH_PLAN_H_

#include <string>

#include "launcher/cli/options.h"
#include "launcher/cli/package_settings.h"

namespace cli {

// The board as the package sees it: a QJ-L04 still at 0.00 under a QJ-W05
// package is a QJ-W05 whose first firmware never came; a QJ-W05 belongs to
// the wireless family.
struct ModelDecision {
  int exit_code = 0;  // kExitWrongModel, or 0
  std::string uib;    // the name the run goes on with
  bool wireless = false;
};
ModelDecision DecideModel(const std::string& package_model, const std::string& uib,
                          const std::string& from);

// True when the board already runs what this run would flash: the
// package's version, or an alternative the options do not rule out (-typeA
// wants the second variant, so the first one does not count; -typeC the
// other way round). -d0 always flashes.
bool AlreadyCurrent(const PackageSettings& package, const RunOptions& options,
                    const std::string& from);

// The image of a firmware type: its resource, the settings key naming its
// file (empty: the package's own file name) and the version the board
// reports after it.
struct ImageChoice {
  std::string resource;
  std::string file_setting;
  std::string expected;
};
ImageChoice ChooseImage(const PackageSettings& package, const std::string& type);

}  // namespace cli

#endif  // LAUNCHER_CLI_FLASH_PLAN_H_
