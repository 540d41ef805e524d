// Child processes with CreateProcessW (no command interpreter; the command
// line is quoted so the child's CommandLineToArgvW reads the vector back),
// and ShellExecuteExW "runas" for an elevated start.
#include "platform/process.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/win32/com_apartment.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using win32::UniqueKernelHandle;
using win32::Utf8ToWide;

// One argument as CommandLineToArgvW reads it back: quoted when it holds
// white space or a quote or is empty, backslashes before a quote doubled.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"')
      out.append(backslashes * 2 + 1, L'\\');
    else
      out.append(backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

std::wstring CommandLine(const std::vector<std::string>& args, size_t first) {
  std::wstring line;
  for (size_t i = first; i < args.size(); ++i) {
    if (!line.empty()) line += L' ';
    line += Quoted(Utf8ToWide(args[i]));
  }
  return line;
}

// Waits for the end, reading the output pipe (when there is one) on the
// way. False when the deadline passed first.
bool Wait(HANDLE process, HANDLE output, size_t limit, int deadline_ms, std::string* out) {
  const bool limited = deadline_ms >= 0;
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(std::max(deadline_ms, 0));
  for (;;) {
    DWORD available = 0;
    if (output && PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) &&
        available > 0) {
      char chunk[512];
      DWORD got = 0;
      if (ReadFile(output, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr) &&
          got > 0) {
        const size_t room = limit > out->size() ? limit - out->size() : 0;
        out->append(chunk, std::min<size_t>(got, room));
        continue;
      }
    }
    const ULONGLONG now = GetTickCount64();
    if (limited && now >= deadline) return false;
    DWORD slice = output ? 20 : INFINITE;
    if (limited) slice = static_cast<DWORD>(std::min<ULONGLONG>(slice, deadline - now));
    if (WaitForSingleObject(process, slice) == WAIT_OBJECT_0) {
      // The rest of what it wrote before it ended.
      while (output && PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) &&
             available > 0) {
        char chunk[512];
        DWORD got = 0;
        if (!ReadFile(output, chunk, std::min<DWORD>(available, sizeof chunk), &got, nullptr) ||
            got == 0) {
          break;
        }
        const size_t room = limit > out->size() ? limit - out->size() : 0;
        out->append(chunk, std::min<size_t>(got, room));
      }
      return true;
    }
  }
}

ProcessResult Finish(HANDLE process, HANDLE output, const ProcessSpec& spec) {
  ProcessResult result;
  if (!spec.wait) {
    result.end = ProcessEnd::kLeftRunning;
    return result;
  }
  if (spec.started) spec.started();
  if (!Wait(process, output, spec.output_limit, spec.deadline_ms, &result.output)) {
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    result.end = ProcessEnd::kTimedOut;
    return result;
  }
  DWORD code = 0;
  result.end = ProcessEnd::kExited;
  result.exit_code = GetExitCodeProcess(process, &code) ? static_cast<int>(code) : -1;
  return result;
}

ProcessResult Elevated(const ProcessSpec& spec) {
  ProcessResult result;
  // The shell asks for COM on the calling thread (nested, so a caller's
  // own apartment stays).
  const win32::ComApartment com;
  const std::wstring file = Utf8ToWide(spec.argv[0]);
  const std::wstring parameters = CommandLine(spec.argv, 1);
  const std::wstring directory = Utf8ToWide(spec.directory);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = directory.empty() ? nullptr : directory.c_str();
  info.nShow = spec.hidden ? SW_HIDE : SW_SHOWNORMAL;
  // A declined elevation fails here (ERROR_CANCELLED).
  if (!ShellExecuteExW(&info) || !info.hProcess) {
    result.error = static_cast<SysError>(GetLastError());
    return result;
  }
  const UniqueKernelHandle process(info.hProcess);
  return Finish(process.get(), nullptr, spec);
}

}  // namespace

ProcessResult RunProcess(const ProcessSpec& spec) {
  ProcessResult result;
  if (spec.argv.empty() || spec.argv[0].empty()) {
    result.error = ERROR_INVALID_PARAMETER;
    return result;
  }
  if (spec.elevated) return Elevated(spec);

  // Only the pipe's write end and the null device are made inheritable.
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  UniqueKernelHandle read_end, write_end;
  win32::UniqueFileHandle null;
  if (spec.read_output) {
    HANDLE r = nullptr, w = nullptr;
    if (!CreatePipe(&r, &w, &inherit, 0)) {
      result.error = static_cast<SysError>(GetLastError());
      return result;
    }
    read_end.reset(r);
    write_end.reset(w);
    SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  }
  if (spec.quiet) {
    null.reset(CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr));
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  const bool redirect = spec.read_output || static_cast<bool>(null);
  if (redirect) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = null ? null.get() : GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = write_end ? write_end.get()
                              : (null ? null.get() : GetStdHandle(STD_OUTPUT_HANDLE));
    si.hStdError = null ? null.get() : GetStdHandle(STD_ERROR_HANDLE);
  }
  std::wstring line = CommandLine(spec.argv, 0);
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  const std::wstring directory = Utf8ToWide(spec.directory);
  PROCESS_INFORMATION pi{};
  // No application name: a bare name is looked up as Windows looks up
  // programs.
  if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, redirect ? TRUE : FALSE,
                      spec.hidden ? CREATE_NO_WINDOW : 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &si, &pi)) {
    result.error = static_cast<SysError>(GetLastError());
    return result;
  }
  const UniqueKernelHandle process(pi.hProcess);
  const UniqueKernelHandle thread(pi.hThread);
  write_end.reset();  // the pipe ends when the child's copy closes
  return Finish(process.get(), read_end.get(), spec);
}

std::string ProgramFileName(const std::string& name) { return name + ".exe"; }
std::string NullDevice() { return "NUL"; }

}  // namespace platform
