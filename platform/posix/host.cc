#include "platform/host.h"

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <sys/time.h>
#include <unistd.h>

#include <errno.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/unique_fd.h"
#include "platform/process.h"

namespace platform {
namespace {

// The neighbour's address as the kernel spells it, or 0 when the entry has
// none.
in_addr_t Destination(const nlmsghdr* h) {
  const auto* n = static_cast<const ndmsg*>(NLMSG_DATA(h));
  int left = static_cast<int>(h->nlmsg_len) - static_cast<int>(NLMSG_LENGTH(sizeof *n));
  for (const rtattr* a = reinterpret_cast<const rtattr*>(reinterpret_cast<const char*>(n) +
                                                         NLMSG_ALIGN(sizeof *n));
       RTA_OK(a, left); a = RTA_NEXT(a, left)) {
    if (a->rta_type == NDA_DST && RTA_PAYLOAD(a) == sizeof(in_addr_t)) {
      in_addr_t value;
      std::memcpy(&value, RTA_DATA(a), sizeof value);
      return value;
    }
  }
  return 0;
}

// Interfaces that hold a learnt (not static) entry for `target`, read from
// a dump of the IPv4 neighbour table.
std::vector<int> LearntEntries(int fd, in_addr_t target) {
  std::vector<int> found;
  struct {
    nlmsghdr h;
    ndmsg n;
  } request{};
  request.h.nlmsg_len = sizeof request;
  request.h.nlmsg_type = RTM_GETNEIGH;
  request.h.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
  request.h.nlmsg_seq = 1;
  request.n.ndm_family = AF_INET;
  if (send(fd, &request, sizeof request, 0) != static_cast<ssize_t>(sizeof request)) return found;

  alignas(nlmsghdr) char buffer[16384];
  for (;;) {
    const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return found;
    int left = static_cast<int>(n);
    for (const nlmsghdr* h = reinterpret_cast<const nlmsghdr*>(buffer); NLMSG_OK(h, left);
         h = NLMSG_NEXT(h, left)) {
      if (h->nlmsg_type == NLMSG_DONE || h->nlmsg_type == NLMSG_ERROR) return found;
      if (h->nlmsg_type != RTM_NEWNEIGH || h->nlmsg_len < NLMSG_LENGTH(sizeof(ndmsg))) continue;
      const auto* entry = static_cast<const ndmsg*>(NLMSG_DATA(h));
      // Static entries were made by hand and stay, as "ip neigh flush"
      // leaves them.
      if (entry->ndm_state & (NUD_PERMANENT | NUD_NOARP)) continue;
      if (Destination(h) == target) found.push_back(entry->ndm_ifindex);
    }
  }
}

}  // namespace

void ForgetNeighbour(const std::string& address) {
  in_addr parsed{};
  if (address.empty() || inet_pton(AF_INET, address.c_str(), &parsed) != 1) return;
  // Talks to the kernel only: nothing is sent on any network. Without
  // CAP_NET_ADMIN the deletions are refused, which is fine: a stale entry
  // only costs one more address resolution.
  UniqueFd fd(socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE));
  if (fd.get() < 0) return;
  // The kernel answers a dump at once; the limit only guards against a
  // netlink layer that never does.
  timeval limit{1, 0};
  setsockopt(fd.get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  for (const int ifindex : LearntEntries(fd.get(), parsed.s_addr)) {
    struct {
      nlmsghdr h;
      ndmsg n;
      rtattr a;
      in_addr_t dst;
    } request{};
    request.h.nlmsg_len = sizeof request;
    request.h.nlmsg_type = RTM_DELNEIGH;
    request.h.nlmsg_flags = NLM_F_REQUEST;
    request.h.nlmsg_seq = 2;
    request.n.ndm_family = AF_INET;
    request.n.ndm_ifindex = ifindex;
    request.a.rta_type = NDA_DST;
    request.a.rta_len = RTA_LENGTH(sizeof(in_addr_t));
    request.dst = parsed.s_addr;
    send(fd.get(), &request, sizeof request, 0);
  }
}

std::string ToAnsiCodePage(const std::string& utf8) { return utf8; }

void OpenWebPage(const std::string& url) {
  // The URL is one argument of its own; no shell sees it. Nothing waits for
  // the browser, and nothing is left to reap.
  ProcessSpec spec;
  spec.argv = {"xdg-open", url};
  spec.quiet = true;
  spec.wait = false;
  RunProcess(spec);
}

void DebugTrace(const char* text) {
  if (!text || !std::getenv("ZANTOR_TRACE")) return;
  std::fprintf(stderr, "%s\n", text);
}

// The first of LC_ALL, LC_MESSAGES and LANG that is set decides, as for
// every other program: Japanese when it begins with "ja".
uint32_t SystemLocaleId() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != '\0') return std::strncmp(v, "ja", 2) == 0 ? 1041 : 1033;
  }
  return 1033;
}

}  // namespace platform
