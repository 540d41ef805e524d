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

PipeExchangeResult PipeExchange(const uint8_t (&message)[kPipeMessageSize], int reply_wait_ms) {
  PipeExchangeResult result;
  // Overlapped, so the wait for the reply can end at its limit.
  win32::UniqueFileHandle pipe(CreateFileA(kPipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                           OPEN_EXISTING,
                                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr));
  if (!pipe) return result;
  win32::UniqueKernelHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!event) return result;
  OVERLAPPED io{};
  io.hEvent = event.get();
  DWORD count = 0;
  if (!WriteFile(pipe.get(), message, kPipeMessageSize, nullptr, &io) &&
      GetLastError() != ERROR_IO_PENDING) {
    return result;
  }
  // 12 bytes fit the pipe's buffer; the write completes at once.
  if (!GetOverlappedResult(pipe.get(), &io, &count, TRUE) || count != kPipeMessageSize) {
    return result;
  }
  result.written = true;
  // Ends when the tool replies or hangs up; the reply is optional.
  int32_t reply = 0;
  count = 0;
  ResetEvent(event.get());
  io = OVERLAPPED{};
  io.hEvent = event.get();
  if (!ReadFile(pipe.get(), &reply, sizeof reply, nullptr, &io)) {
    if (GetLastError() != ERROR_IO_PENDING) return result;  // hung up
    if (WaitForSingleObject(event.get(), static_cast<DWORD>(reply_wait_ms)) != WAIT_OBJECT_0) {
      CancelIo(pipe.get());
      GetOverlappedResult(pipe.get(), &io, &count, TRUE);  // the read must end before `reply` goes
      result.timed_out = true;
      return result;
    }
  }
  if (GetOverlappedResult(pipe.get(), &io, &count, FALSE) && count == sizeof reply) {
    result.reply_read = true;
    result.reply = reply;
  }
  return result;
}

}  // namespace platform
