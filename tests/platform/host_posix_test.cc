// The Linux host services where they can be watched: the neighbour table
// of a private network namespace, and standard error.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/host.h"

namespace {

constexpr int kCannotTest = 77;

std::string Run(const char* command) {
  std::string out;
  if (std::FILE* p = popen(command, "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p)) out += buffer;
    pclose(p);
  }
  return out;
}

// In a child with a network namespace of its own, so nothing outside the
// test sees the pair of interfaces or the entries; the namespace goes with
// the child.
int ForgetInPrivateNamespace() {
  if (unshare(CLONE_NEWNET) != 0) return kCannotTest;
  const int setup = std::system(
      "ip link add zfa0 type veth peer name zfb0 && ip link set zfa0 up && ip link set zfb0 up"
      " && ip addr add 10.231.0.1/24 dev zfa0"
      " && ip neigh add 10.231.0.5 lladdr 02:00:00:00:00:05 dev zfa0 nud reachable"
      " && ip neigh add 10.231.0.6 lladdr 02:00:00:00:00:06 dev zfa0 nud permanent"
      " && ip neigh add 10.231.0.7 lladdr 02:00:00:00:00:07 dev zfa0 nud stale");
  if (setup != 0) return kCannotTest;
  // Text that only looks like the address changes nothing.
  platform::ForgetNeighbour("10.231.0.7;");
  platform::ForgetNeighbour("010.231.0.7");
  platform::ForgetNeighbour("10.231.0.5");
  platform::ForgetNeighbour("10.231.0.6");
  const std::string table = Run("ip neigh show dev zfa0");
  const bool learnt_gone = table.find("10.231.0.5 ") == std::string::npos;
  const bool static_kept = table.find("10.231.0.6 ") != std::string::npos;
  const bool other_kept = table.find("10.231.0.7 ") != std::string::npos;
  if (!learnt_gone || !static_kept || !other_kept) {
    std::fprintf(stderr, "neighbour table after:\n%s", table.c_str());
    return 1;
  }
  return 0;
}

TEST(PosixHost, ForgetNeighbourDropsTheLearntEntryOnly) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(ForgetInPrivateNamespace());
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kCannotTest) {
    GTEST_SKIP() << "needs root and iproute2 for a private network namespace";
  }
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PosixHost, DebugTraceWritesOnlyWhenAsked) {
  unsetenv("ZANTOR_TRACE");
  testing::internal::CaptureStderr();
  platform::DebugTrace("UpdateHTTP_2 START");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  setenv("ZANTOR_TRACE", "1", 1);
  testing::internal::CaptureStderr();
  platform::DebugTrace("UpdateHTTP_2 START");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "UpdateHTTP_2 START\n");
  unsetenv("ZANTOR_TRACE");
}

}  // namespace
