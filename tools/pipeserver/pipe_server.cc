#include "tools/pipeserver/pipe_server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>

namespace pipeserver {
namespace {

constexpr int kMessageSize = 12;
// Accept waits in slices so that a stop request is seen promptly.
constexpr int kSliceMs = 50;
constexpr int kSilentHoldMs = 60000;

bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > high) return false;
  *value = v;
  return true;
}

int32_t LittleEndian(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

const char kUsage[] =
    "usage: pipeserver [--path NAME] [--log FILE] [--reply N | --no-reply | --silent]\n"
    "                  [--vanish-after K] [--exit-after-final] [--duration MS]\n"
    "                  [--single-instance]\n"
    "Serves the progress pipe, one client at a time, and logs each 12-byte message as\n"
    "  t=<ms> kind=<k> scale=<s> value=<v>\n"
    "NAME: Linux socket path (default $ZANTOR_PIPE, else /tmp/KavroRollcast);\n"
    "      Windows pipe name (default \\\\.\\pipe\\KavroRollcast).\n"
    "--reply N          answer each message with the 4-byte value N (default 0)\n"
    "--no-reply         hang up after each message without answering\n"
    "--silent           neither answer nor hang up: hold each client until it gives up\n"
    "                   (at most 60 s)\n"
    "--vanish-after K   remove the pipe and exit after K messages\n"
    "--exit-after-final exit once a kind-2 message has been answered\n"
    "--duration MS      exit after MS milliseconds\n"
    "--single-instance  listen again only after the client has closed, as a pipe of one\n"
    "                   instance does; a client that opens again at once may find it busy\n";

bool ParseOptions(const std::vector<std::string>& args, ServerOptions* options,
                  std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    int64_t v = 0;
    if (a == "--path" || a == "--log") {
      if (!has_value || args[i + 1].empty()) {
        *error = a + " needs a value";
        return false;
      }
      (a == "--path" ? options->name : options->log_path) = args[++i];
    } else if (a == "--reply") {
      if (!has_value || !ParseInt(args[i + 1], INT32_MIN, INT32_MAX, &v)) {
        *error = "--reply needs a 32-bit integer";
        return false;
      }
      ++i;
      options->reply = true;
      options->reply_value = static_cast<int32_t>(v);
    } else if (a == "--no-reply") {
      options->reply = false;
    } else if (a == "--silent") {
      options->silent = true;
    } else if (a == "--vanish-after") {
      if (!has_value || !ParseInt(args[i + 1], 1, INT_MAX, &v)) {
        *error = "--vanish-after needs a count of at least 1";
        return false;
      }
      ++i;
      options->vanish_after = static_cast<int>(v);
    } else if (a == "--single-instance") {
      options->single_instance = true;
    } else if (a == "--exit-after-final") {
      options->exit_after_final = true;
    } else if (a == "--duration") {
      if (!has_value || !ParseInt(args[i + 1], 1, INT64_MAX / 2, &v)) {
        *error = "--duration needs milliseconds, at least 1";
        return false;
      }
      ++i;
      options->duration_ms = v;
    } else {
      *error = "unknown argument: " + a;
      return false;
    }
  }
  return true;
}

const char* StopReasonText(StopReason reason) {
  switch (reason) {
    case StopReason::kStopped:
      return "stopped";
    case StopReason::kDuration:
      return "duration";
    case StopReason::kFinal:
      return "final";
    case StopReason::kVanished:
      return "vanished";
    case StopReason::kListenFailed:
      return "listen-failed";
  }
  return "?";
}

StopReason Serve(PipeListener& listener, const ServerOptions& options,
                 const std::function<void(const std::string&)>& log_line,
                 const std::function<bool()>& stop_requested) {
  using Clock = std::chrono::steady_clock;
  const std::string name = options.name.empty() ? DefaultPipeName() : options.name;
  std::string error;
  if (!listener.Listen(name, &error)) {
    log_line("error " + error);
    log_line("end reason=listen-failed");
    return StopReason::kListenFailed;
  }
  const Clock::time_point start = Clock::now();
  const auto elapsed_ms = [&start] {
    return static_cast<int64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
  };
  log_line("ready name=" + name);

  int served = 0;
  StopReason reason = StopReason::kStopped;
  for (;;) {
    if (stop_requested && stop_requested()) {
      reason = StopReason::kStopped;
      break;
    }
    int wait_ms = kSliceMs;
    if (options.duration_ms > 0) {
      const int64_t left = options.duration_ms - elapsed_ms();
      if (left <= 0) {
        reason = StopReason::kDuration;
        break;
      }
      wait_ms = static_cast<int>(std::min<int64_t>(left, kSliceMs));
    }
    std::unique_ptr<PipeClient> client = listener.Accept(wait_ms);
    if (!client) continue;

    uint8_t message[kMessageSize] = {};
    const int n = client->ReadMessage(message, kMessageSize, options.read_timeout_ms);
    if (n != kMessageSize) {
      // One message per connection, exactly 12 bytes; anything else is
      // dropped without a reply. Logged once the pipe is free again.
      client->Disconnect();
      client.reset();
      log_line("bad len=" + std::to_string(n));
      continue;
    }
    const int32_t kind = LittleEndian(message);
    const int32_t scale = LittleEndian(message + 4);
    const int32_t value = LittleEndian(message + 8);
    // Logged before the answer, so a client that has its reply can rely on
    // the line being there.
    log_line("t=" + std::to_string(elapsed_ms()) + " kind=" + std::to_string(kind) +
             " scale=" + std::to_string(scale) + " value=" + std::to_string(value));
    ++served;
    const bool final_seen = options.exit_after_final && kind == 2;
    const bool vanish = options.vanish_after > 0 && served >= options.vanish_after;
    if (final_seen || vanish) listener.Seal();
    if (options.silent) {
      // Returns when the client closes its end.
      uint8_t more[1];
      client->ReadMessage(more, 1, kSilentHoldMs);
      client->Disconnect();
    } else if (options.reply) {
      client->Reply(options.reply_value);
    } else {
      client->Disconnect();
    }
    client.reset();
    if (final_seen) {
      reason = StopReason::kFinal;
      break;
    }
    if (vanish) {
      listener.Vanish();
      log_line("vanished");
      reason = StopReason::kVanished;
      break;
    }
  }
  log_line(std::string("end reason=") + StopReasonText(reason));
  return reason;
}

}  // namespace pipeserver
