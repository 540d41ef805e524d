#include "updater/host/zantor_options.h"

#include <cstdlib>

#include "updater/update/settings.h"

namespace host {

const char kZantorUsage[] =
    "usage: Zantor ADDRESS\n"
    "       Zantor [OPTION]...\n"
    "  ADDRESS               automatic mode: update the board at ADDRESS, progress on the\n"
    "                        pipe, the result as exit code\n"
    "  --list-seconds N      stop after N seconds (default: run until interrupted)\n"
    "  --update-ticked       update the ticked boards after the search, answering Yes\n"
    "  --side-by-side N      with --update-ticked: after the first board is confirmed, let\n"
    "                        up to N boards restart at once (default 1: one after another)\n"
    "  --adapters            print the adapters (name and IPv4 address) and end\n"
    "  --adapter ADDRESS     search from the adapter with this address\n"
    "  --add ADDRESS         add a board by its address (repeatable)\n"
    "  --import FILE         add the boards of an address-list file, one address a line\n"
    "  --about               print the about box and end\n"
    "  --help                print this text and end\n";

bool ParseZantorOptions(const std::vector<std::string>& argv, ZantorOptions* o,
                        std::string* error) {
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argv.size()) {
        *error = a + " needs a value";
        return false;
      }
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--list-seconds") {
      if (!value(&v)) return false;
      char* end = nullptr;
      const unsigned long n = std::strtoul(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || v[0] == '-' || n > 86400u * 365u) {
        *error = "--list-seconds needs a number of seconds, not \"" + v + "\"";
        return false;
      }
      o->list_seconds = static_cast<unsigned>(n);
    } else if (a == "--side-by-side") {
      if (!value(&v)) return false;
      char* end = nullptr;
      const unsigned long n = std::strtoul(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || v[0] < '0' || v[0] > '9' || n < 1 ||
          n > update::kSideBySideMost) {
        *error = "--side-by-side needs a number of boards from 1 to " +
                 std::to_string(update::kSideBySideMost) + ", not \"" + v + "\"";
        return false;
      }
      o->side_by_side = static_cast<unsigned>(n);
    } else if (a == "--update-ticked") {
      o->update_ticked = true;
    } else if (a == "--adapters") {
      o->adapters = true;
    } else if (a == "--about") {
      o->about = true;
    } else if (a == "--help") {
      o->help = true;
    } else if (a == "--adapter") {
      if (!value(&o->adapter)) return false;
    } else if (a == "--add") {
      if (!value(&v)) return false;
      o->adds.push_back(v);
    } else if (a == "--import") {
      if (!value(&v)) return false;
      o->imports.push_back(v);
    } else if (a.rfind("--", 0) == 0) {  // no board address begins so
      *error = "unknown option " + a;
      return false;
    } else {
      o->args.push_back(a);
    }
  }
  if (o->side_by_side > 1 && !o->update_ticked) {
    *error = "--side-by-side goes with --update-ticked";
    return false;
  }
  return true;
}

}  // namespace host
