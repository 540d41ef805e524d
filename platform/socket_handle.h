#ifndef PLATFORM_SOCKET_HANDLE_H_
#define PLATFORM_SOCKET_HANDLE_H_

#include <cstdint>

namespace platform {

// Wide enough for a Winsock SOCKET and a POSIX descriptor alike.
using SocketHandle = intptr_t;
constexpr SocketHandle kNoSocket = -1;

}  // namespace platform

#endif  // PLATFORM_SOCKET_HANDLE_H_
