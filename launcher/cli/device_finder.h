// The search for every board: one socket per local IPv4 address, the
// search and the extended search broadcast on each, one receiver thread per
// socket printing a line per answer.
#ifndef LAUNCHER_CLI_DEVICE_FINDER_H_
#define LAUNCHER_CLI_DEVICE_FINDER_H_

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/udp_socket.h"

namespace cli {

constexpr int kFindTimeoutMs = 3000;

class DeviceFinder {
 public:
  // `print` receives whole lines, one at a time.
  DeviceFinder(platform::UdpApi& udp, std::function<void(const std::string&)> print)
      : udp_(udp), print_(std::move(print)) {}
  ~DeviceFinder() { Release(); }
  DeviceFinder(const DeviceFinder&) = delete;
  DeviceFinder& operator=(const DeviceFinder&) = delete;

  // Listens for timeout + 100 ms; every receiver has ended when it returns.
  void FindAll(int timeout_ms);
  void Release();

 private:
  void Receive(platform::SocketHandle s, int timeout_ms);

  platform::UdpApi& udp_;
  std::function<void(const std::string&)> print_;
  std::mutex lock_;
  std::vector<platform::SocketHandle> sockets_;
  std::atomic<bool> stop_{false};
};

}  // namespace cli

#endif  // LAUNCHER_CLI_DEVICE_FINDER_H_
