// The simulated boards' side of UDP port 3289: one socket for all boards,
// replies sent from each board's own address.
#ifndef TOOLS_BOARDSIM_UDP_RESPONDER_H_
#define TOOLS_BOARDSIM_UDP_RESPONDER_H_

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/boardsim/board_config.h"
#include "tools/boardsim/frames.h"
#include "tools/boardsim/sim_log.h"

namespace boardsim {

class UdpResponder {
 public:
  UdpResponder(std::vector<Board>& boards, SimLog& log) : boards_(boards), log_(log) {}
  ~UdpResponder();
  UdpResponder(const UdpResponder&) = delete;
  UdpResponder& operator=(const UdpResponder&) = delete;

  // loopbackOnly ties the sockets to "lo" so that nothing from a real
  // network can reach the simulator (and so nothing is ever answered there).
  bool Open(bool loopbackOnly, std::string& err);

  // Sockets to watch for input (the second one is -1 until some board needs it).
  int BoardFd() const { return boardFd_; }
  int WrongPortFd() const { return wrongFd_; }

  // Reads and answers (or queues) everything waiting on `fd`.
  void OnReadable(int fd);

  // Time of the earliest queued reply, or -1.
  int64_t NextDueMs() const;
  void SendDue(int64_t nowMs);

 private:
  struct Pending {
    Outgoing out;
    sockaddr_in to;
  };

  int OpenSocket(uint16_t port, std::string& err);
  bool IsBroadcast(uint32_t dst) const;
  void Send(const Outgoing& o, const sockaddr_in& to);

  std::vector<Board>& boards_;
  SimLog& log_;
  bool loopbackOnly_ = false;
  int boardFd_ = -1;
  int wrongFd_ = -1;
  std::vector<Pending> pending_;
};

}  // namespace boardsim

#endif  // TOOLS_BOARDSIM_UDP_RESPONDER_H_
