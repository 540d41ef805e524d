// Small host services of the updater's program entry and update batch.
#ifndef PLATFORM_HOST_H_
#define PLATFORM_HOST_H_

#include <cstdint>
#include <string>

namespace platform {

// Drops the address from the PC's address-resolution cache before an
// upload, so a board that came back with a new MAC is reached. Windows runs
// "arp -d ADDRESS" hidden and does not wait; Linux removes the neighbour
// entry. Failures are not reported: a stale entry only costs a retry.
void ForgetNeighbour(const std::string& address);

// The 8-bit text the wire gets where the program speaks in the system's
// ANSI code page (the upload's form data): Windows converts the UTF-8 text
// with CP_ACP, other systems pass UTF-8 on unchanged.
std::string ToAnsiCodePage(const std::string& utf8);

// OutputDebugStringA on Windows; standard error when ZANTOR_TRACE is set on
// Linux.
void DebugTrace(const char* text);

// The system's default locale identifier, as the language choice of the
// first show reads it: 1041 is Japanese.
uint32_t SystemLocaleId();

}  // namespace platform

#endif  // PLATFORM_HOST_H_
