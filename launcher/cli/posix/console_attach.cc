// Linux programs already have their terminal or their redirections.
#include "launcher/cli/console_main.h"

namespace launcher {

void AttachConsoleForRun() {}
void ReleaseConsoleAfterRun() {}

}  // namespace launcher
