#include "platform/firewall.h"

namespace platform {

// Linux has no firewall service with authorized applications; the offer is
// skipped as when the service is not running.
std::unique_ptr<FirewallSystem> MakeSystemFirewall() { return nullptr; }

}  // namespace platform
