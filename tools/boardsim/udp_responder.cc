#include "tools/boardsim/udp_responder.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace boardsim {

namespace {

unsigned Be16(const std::vector<uint8_t>& b, size_t off) {
  return b.size() >= off + 2 ? static_cast<unsigned>(b[off] << 8 | b[off + 1]) : 0;
}

bool UsableSource(const sockaddr_in& src) {
  uint32_t a = ntohl(src.sin_addr.s_addr);
  // Nobody can be answered at these; a forged source must not make us send anywhere odd.
  return src.sin_port != 0 && a != 0 && a != INADDR_BROADCAST && (a >> 28) != 0xE;
}

}  // namespace

UdpResponder::~UdpResponder() {
  if (boardFd_ >= 0) close(boardFd_);
  if (wrongFd_ >= 0) close(wrongFd_);
}

int UdpResponder::OpenSocket(uint16_t port, std::string& err) {
  int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    err = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  int one = 1;
  const char lo[] = "lo";
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(port);
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  // One socket plays every board, each of which would have its own buffers:
  // room for the queries to a thousand boards at once (root may pass
  // net.core.rmem_max; failing that the default stays, which is no error).
  const int room = 8 << 20;
  if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &room, sizeof room) != 0) {
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &room, sizeof room);
  }
  if (setsockopt(fd, SOL_SOCKET, SO_SNDBUFFORCE, &room, sizeof room) != 0) {
    setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
  }
  if (setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &one, sizeof one) != 0) {
    err = std::string("IP_PKTINFO: ") + std::strerror(errno);
  } else if (loopbackOnly_ && setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, lo, sizeof lo) != 0) {
    err = std::string("SO_BINDTODEVICE lo: ") + std::strerror(errno);
  } else if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    err = "bind port " + std::to_string(port) + ": " + std::strerror(errno);
  } else {
    return fd;
  }
  close(fd);
  return -1;
}

bool UdpResponder::Open(bool loopbackOnly, std::string& err) {
  loopbackOnly_ = loopbackOnly;
  boardFd_ = OpenSocket(kBoardPort, err);
  if (boardFd_ < 0) return false;
  bool needWrong = std::any_of(boards_.begin(), boards_.end(),
                               [](const Board& b) { return b.faults.wrongPort; });
  if (needWrong) {
    wrongFd_ = OpenSocket(kWrongPort, err);
    if (wrongFd_ < 0) return false;
  }
  return true;
}

bool UdpResponder::IsBroadcast(uint32_t dst) const {
  if (dst == INADDR_BROADCAST) return true;
  // A directed broadcast (e.g. 10.213.0.255) reaches the boards too.
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  bool found = false;
  for (ifaddrs* i = list; i && !found; i = i->ifa_next) {
    if (!(i->ifa_flags & IFF_BROADCAST) || !i->ifa_broadaddr ||
        i->ifa_broadaddr->sa_family != AF_INET)
      continue;
    const uint32_t bcast = ntohl(reinterpret_cast<sockaddr_in*>(i->ifa_broadaddr)->sin_addr.s_addr);
    // A /32 address without a broadcast address of its own reports itself
    // here; a unicast to it is no broadcast.
    const bool own = i->ifa_addr && i->ifa_addr->sa_family == AF_INET &&
                     ntohl(reinterpret_cast<sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr) == bcast;
    found = !own && bcast == dst;
  }
  freeifaddrs(list);
  return found;
}

void UdpResponder::OnReadable(int fd) {
  for (;;) {
    uint8_t buf[2048];
    sockaddr_in src{};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    iovec iov{buf, sizeof buf};
    msghdr msg{};
    msg.msg_name = &src;
    msg.msg_namelen = sizeof src;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    // MSG_TRUNC: learn the real length of an oversized datagram so it is logged and ignored.
    ssize_t n = recvmsg(fd, &msg, MSG_TRUNC);
    if (n < 0) {
      if (errno == EINTR) continue;
      // EAGAIN ends the batch; ICMP errors reported here (e.g. port unreachable) are not ours to
      // act on.
      if (errno != EAGAIN && errno != EWOULDBLOCK) log_.Line("rxerr %s", std::strerror(errno));
      return;
    }
    uint32_t dst = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
      if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
        in_pktinfo info;
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        dst = ntohl(info.ipi_addr.s_addr);
      }
    }
    size_t len = static_cast<size_t>(n);
    Request req = Request::Count;
    if (fd == boardFd_ && msg.msg_namelen == sizeof src && src.sin_family == AF_INET &&
        UsableSource(src))
      req = ClassifyRequest(buf, len);  // rejects every length but 14
    char from[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &src.sin_addr, from, sizeof from);
    log_.Line("rx from=%s:%u to=%s port=%u len=%zu req=%s", from, ntohs(src.sin_port),
              IpText(dst).c_str(), fd == boardFd_ ? kBoardPort : kWrongPort, len, RequestName(req));
    if (req == Request::Count) continue;

    bool broadcast = std::none_of(boards_.begin(), boards_.end(),
                                  [dst](const Board& b) { return b.ip == dst; }) &&
                     IsBroadcast(dst);
    int64_t now = log_.NowMs();
    for (Outgoing& o : PlanReplies(boards_, req, dst, broadcast, now)) {
      const Board& b = boards_[o.board];
      if (o.dropReason) {
        log_.Line("drop board=%s mac=%s req=%s reason=%s", IpText(b.ip).c_str(),
                  MacText(b.mac).c_str(), RequestName(req), o.dropReason);
      } else if (o.dueMs <= now) {
        Send(o, src);
      } else {
        pending_.push_back({std::move(o), src});
      }
    }
  }
}

int64_t UdpResponder::NextDueMs() const {
  int64_t best = -1;
  for (const Pending& p : pending_)
    if (best < 0 || p.out.dueMs < best) best = p.out.dueMs;
  return best;
}

void UdpResponder::SendDue(int64_t nowMs) {
  // Stable order: replies due at the same time leave in the order they were planned.
  std::vector<Pending> due;
  auto split = std::stable_partition(pending_.begin(), pending_.end(),
                                     [nowMs](const Pending& p) { return p.out.dueMs > nowMs; });
  due.assign(std::make_move_iterator(split), std::make_move_iterator(pending_.end()));
  pending_.erase(split, pending_.end());
  std::stable_sort(due.begin(), due.end(),
                   [](const Pending& a, const Pending& b) { return a.out.dueMs < b.out.dueMs; });
  for (const Pending& p : due) Send(p.out, p.to);
}

void UdpResponder::Send(const Outgoing& o, const sockaddr_in& to) {
  const Board& b = boards_[o.board];
  std::string err;
  if (o.srcPort == kWrongPort && wrongFd_ < 0) {
    // The fault was switched on at run time.
    wrongFd_ = OpenSocket(kWrongPort, err);
  }
  int fd = o.srcPort == kWrongPort ? wrongFd_ : boardFd_;
  char toText[INET_ADDRSTRLEN] = "?";
  inet_ntop(AF_INET, &to.sin_addr, toText, sizeof toText);
  if (fd < 0) {
    log_.Line("txerr board=%s mac=%s to=%s:%u %s", IpText(b.ip).c_str(), MacText(b.mac).c_str(),
              toText, ntohs(to.sin_port), err.c_str());
    return;
  }

  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
  iovec iov{const_cast<uint8_t*>(o.bytes.data()), o.bytes.size()};
  msghdr msg{};
  sockaddr_in dest = to;
  msg.msg_name = &dest;
  msg.msg_namelen = sizeof dest;
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  cmsghdr* c = CMSG_FIRSTHDR(&msg);
  c->cmsg_level = IPPROTO_IP;
  c->cmsg_type = IP_PKTINFO;
  c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
  in_pktinfo info{};
  info.ipi_spec_dst.s_addr = htonl(b.ip);  // the reply's source address: the board's own
  std::memcpy(CMSG_DATA(c), &info, sizeof info);

  ssize_t n;
  do n = sendmsg(fd, &msg, 0);
  while (n < 0 && errno == EINTR);
  if (n < 0) {
    log_.Line("txerr board=%s mac=%s to=%s:%u %s", IpText(b.ip).c_str(), MacText(b.mac).c_str(),
              toText, ntohs(to.sin_port), std::strerror(errno));
    return;
  }
  unsigned announced = Be16(o.bytes, 12);
  log_.Line(
      "tx board=%s mac=%s sport=%u to=%s:%u len=%zu kind=%c group=%u cmd=0x%04X result=0x%04X "
      "datalen=%u "
      "fault=%s",
      IpText(b.ip).c_str(), MacText(b.mac).c_str(), o.srcPort, toText, ntohs(to.sin_port),
      o.bytes.size(), o.bytes.size() > 5 ? static_cast<char>(o.bytes[5]) : '?',
      o.bytes.size() > 6 ? o.bytes[6] : 0u, Be16(o.bytes, 8), Be16(o.bytes, 10), announced,
      FaultsText(b.faults).c_str());
}

}  // namespace boardsim
