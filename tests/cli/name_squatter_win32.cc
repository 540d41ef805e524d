// Holds an event named as the launcher's single-instance mutex for the
// given seconds: a same-named object that is not a mutex, as a squatter
// would leave it. The launcher must refuse with a reason, not in silence.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, "Kavro Firmware Updater");
  if (event == nullptr) return 1;
  std::puts("held");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 10) * 1000);
  CloseHandle(event);
  return 0;
}
