// The firewall offer of the main window's first show and the operations
// behind it: is the host firewall running and on, does it take exceptions,
// is this program an enabled authorized application, and adding it as one.
// The firewall itself is reached through platform::FirewallSystem.
#ifndef UPDATER_HOST_FIREWALL_H_
#define UPDATER_HOST_FIREWALL_H_

#include <string>

#include "platform/firewall.h"
#include "updater/ui/main_view.h"
#include "updater/ui/texts.h"

namespace host {

constexpr char kDefaultProbeName[] = "VolMapTest";
constexpr char kZantorProbeName[] = "ZantorL_VolMap";
// Paths and keys are kept to what a 260-character wide buffer holds.
constexpr size_t kFirewallPathChars = 260;
constexpr char kKeyTooLongTrace[] =
    "[FirewallConfig]GetAuthorizedApplicationPathByKeyString Failed: Failed wcscpy_s.\n";

// "SharedAccess", "MpsSvc", or null where this system version has no such
// firewall service (before XP SP2 and Server 2003 SP1).
const char* FirewallServiceName(const platform::OsVersion& version);

// Top-level operations; each opens and closes its own session.
bool FirewallServiceRunning(platform::FirewallSystem& system);
bool WindowsFirewallIsOn(platform::FirewallSystem& system);
bool FirewallExceptionsAllowed(platform::FirewallSystem& system);
// True when the question could be answered; `listed` and `enabled` (either
// may be null) are set only then. An empty probe name means the default; an
// empty known path means none.
bool QueryFirewallException(platform::FirewallSystem& system, bool* listed, bool* enabled,
                            const std::string& probe_name, const std::string& known_path);
// Adds this program, by its path as it is, under `name`.
bool AddFirewallException(platform::FirewallSystem& system, const std::string& name);

// The steps inside a session, for the tests.
// Finds the first authorized application whose path contains `key`
// (ignoring case) and copies its path as stored into `out`; `out` stays
// untouched when there is none. False only when the search itself failed.
bool GetAuthorizedApplicationPathByKeyString(platform::FirewallSystem& system,
                                             platform::FirewallProfile& profile,
                                             const std::string& key, std::string* out);
bool MakeProbePath(platform::FirewallSystem& system, platform::FirewallProfile& profile,
                   const std::string& program_path, std::string* out);
// How the firewall spells `program_path`: learnt from the path it stores for
// a probe on the same drive.
bool ConvertPathForFirewall(platform::FirewallSystem& system, platform::FirewallProfile& profile,
                            std::string* out, const std::string& program_path,
                            const std::string& probe_name, const std::string& known_path);
platform::FwCode IsApplicationAuthorized(platform::FirewallSystem& system,
                                         platform::FirewallProfile& profile,
                                         const std::string& program_path, bool* listed,
                                         bool* enabled, const std::string& probe_name,
                                         const std::string& known_path);
platform::FwCode AddAuthorizedApplication(platform::FirewallProfile& profile,
                                          const std::string& image_path, const std::string& name);

// The offer: when the firewall runs, is on, takes exceptions and does not
// list this program as enabled, ask whether to add it (under `exe_name`);
// tell the user it is blocked when they say No or the addition fails. No
// system (a platform without that firewall) skips it all.
void OfferFirewallException(platform::FirewallSystem* system, const std::string& exe_name,
                            const ui::TextTable& texts, ui::MainView& view);

}  // namespace host

#endif  // UPDATER_HOST_FIREWALL_H_
