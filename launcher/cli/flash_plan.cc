#include "launcher/cli/flash_plan.h"

#include "launcher/cli/exit_codes.h"
#include "launcher/cli/firmware_type.h"

namespace cli {

ModelDecision DecideModel(const std::string& package_model, const std::string& uib,
                          const std::string& from) {
  ModelDecision d;
  d.uib = uib;
  if (uib != package_model) {
    if (from.find("0.00") == std::string::npos || package_model != "QJ-W05" || uib != "QJ-L04") {
      d.exit_code = kExitWrongModel;
      return d;
    }
    d.uib = "QJ-W05";
  }
  d.wireless = d.uib == "QJ-W05";
  return d;
}

bool AlreadyCurrent(const PackageSettings& package, const RunOptions& options,
                    const std::string& from) {
  if (options.overwrite) return false;
  return from == package.version || (!options.type_a && from == package.alternative1) ||
         (!options.type_c && from == package.alternative2);
}

ImageChoice ChooseImage(const PackageSettings& package, const std::string& type) {
  if (type == kTypeQ01) return {"QJL04RCC_1", "DEF_FIRMFILE_NAME_1", package.alternative1};
  if (type == kTypeQ02) return {"QJL04RCC_2", "DEF_FIRMFILE_NAME_2", package.alternative2};
  return {"QJL04RCC", "", package.version};
}

}  // namespace cli
