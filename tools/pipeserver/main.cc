// pipeserver: the deployment tool's end of the progress pipe, for tests.
// Serves one client at a time and logs every message; see pipe_server.h
// for the log lines and `pipeserver --help` for the options.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/pipeserver/pipe_listener.h"
#include "tools/pipeserver/pipe_server.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int) { gStop = 1; }

class LogFile {
 public:
  explicit LogFile(std::FILE* f, bool owned) : f_(f), owned_(owned) {}
  ~LogFile() {
    if (owned_ && f_) std::fclose(f_);
  }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;
  // Flushed per line: a test reads the log while the server runs.
  void Line(const std::string& text) {
    std::fprintf(f_, "%s\n", text.c_str());
    std::fflush(f_);
  }

 private:
  std::FILE* f_;
  bool owned_;
};

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(pipeserver::kUsage, stdout);
      return 0;
    }
  }
  pipeserver::ServerOptions options;
  std::string error;
  if (!pipeserver::ParseOptions(args, &options, &error)) {
    std::fprintf(stderr, "pipeserver: %s\n%s", error.c_str(), pipeserver::kUsage);
    return 2;
  }
  std::FILE* f = stdout;
  if (!options.log_path.empty()) {
    // Appended, so a server started again after --vanish-after continues
    // the same record.
    f = std::fopen(options.log_path.c_str(), "a");
    if (!f) {
      std::fprintf(stderr, "pipeserver: cannot open %s\n", options.log_path.c_str());
      return 2;
    }
  }
  LogFile log(f, f != stdout);
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);

  std::unique_ptr<pipeserver::PipeListener> listener =
      pipeserver::CreatePipeListener(options.single_instance);
  const pipeserver::StopReason reason = pipeserver::Serve(
      *listener, options, [&log](const std::string& line) { log.Line(line); },
      [] { return gStop != 0; });
  return reason == pipeserver::StopReason::kListenFailed ? 1 : 0;
}
