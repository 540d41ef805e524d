#include "launcher/cli/firmware_type.h"

#include "launcher/cli/exit_codes.h"

namespace cli {
namespace {

bool Has(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

TypeDecision DecideFirmwareType(const TypeInput& in) {
  TypeDecision d;
  const std::string& v = in.package_version;
  const std::string& from = in.board_version;
  if (in.wireless_family) {
    if (in.type_a) d.type = kTypeQ02;
    if (in.type_c) d.type = kTypeQ01;
    return d;
  }
  d.print = true;
  if (Has(v, "2.0") || Has(v, "5.")) {
    if (!Has(from, "0.00") && !Has(from, "2.0") && !Has(from, "5.")) d.exit_code = kExitWrongFamily;
    return d;
  }
  if (!Has(v, "1.") && !Has(v, "2.")) {
    d.exit_code = kExitUnknownFamily;
    return d;
  }
  if ((!Has(from, "0.00") && !Has(from, "1.") && !Has(from, "2.")) || Has(from, "2.0")) {
    d.exit_code = kExitWrongFamily;
    return d;
  }
  if (Has(from, "0.00") || Has(from, "1.")) {
    d.type = kTypeQ01;
    if (!in.type_a && !in.type_c) {
      d.exit_code = kExitTypeNeeded;
      return d;
    }
  }
  if (Has(from, "2.")) d.type = kTypeQ02;
  if (in.type_a) d.type = kTypeQ02;
  if (in.type_c) d.type = kTypeQ01;
  return d;
}

}  // namespace cli
