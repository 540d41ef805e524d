// The client end of the deployment tool's named pipe. The tool serves one
// client at a time; a busy or missing pipe fails the open at once, since
// waiting (WaitNamedPipe) would stall the update for as long as the tool
// takes.
#include "platform/progress_pipe.h"

#include <windows.h>

#include "platform/win32/unique_handle.h"

namespace platform {
namespace {

const char kPipeName[] = "\\\\.\\pipe\\KavroRollcast";

}  // namespace

std::string ProgressPipeName() { return kPipeName; }

PipeExchangeResult PipeExchange(const uint8_t (&message)[kPipeMessageSize]) {
  PipeExchangeResult result;
  win32::UniqueFileHandle pipe(CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!pipe) return result;
  DWORD count = 0;
  if (!WriteFile(pipe.get(), message, kPipeMessageSize, &count, nullptr) ||
      count != kPipeMessageSize) {
    return result;
  }
  result.written = true;
  // Returns when the tool replies or hangs up; the reply is optional.
  int32_t reply = 0;
  count = 0;
  if (ReadFile(pipe.get(), &reply, sizeof reply, &count, nullptr) && count == sizeof reply) {
    result.reply_read = true;
    result.reply = reply;
  }
  return result;
}

}  // namespace platform
