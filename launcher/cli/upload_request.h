// The bytes and texts of the console updater's own firmware upload: the
// multipart pieces around the file, the progress line, and the curl command
// in its printed form and as the argument vector that is really run.
#ifndef LAUNCHER_CLI_UPLOAD_REQUEST_H_
#define LAUNCHER_CLI_UPLOAD_REQUEST_H_

#include <cstdint>
#include <string>
#include <vector>

#include "launcher/cli/options.h"

namespace cli {

constexpr char kUploadAgent[] = "FileUploader/1.0";
constexpr char kUploadObject[] = "fwupdate/cgi-bin/fwupdate.cgi";  // no leading "/"
constexpr char kUploadBoundary[] = "----Boundary12345";
constexpr char kUploadField[] = "rcc";
constexpr uint32_t kUploadChunk = 8192;

// "Content-Type: multipart/form-data; boundary=----Boundary12345"
std::string UploadContentTypeHeader();
std::string UploadPreamble(const std::string& file_name);
std::string UploadEpilogue();

// "\r  Data Sending...   12.3 %    " (with "\n" after the last piece).
std::string SendingProgressLine(uint64_t sent, uint64_t total, bool last);

// The command line as the 260-byte buffer would hold it (shown in traces),
// and the same command as separate arguments, each value one argument
// whatever it holds. `program` is "curl.exe" on Windows, "curl" elsewhere.
std::string CurlCommandText(ProxyMode mode, const std::string& proxy, const std::string& file,
                            const std::string& address);
std::vector<std::string> CurlArguments(const std::string& program, const std::string& null_device,
                                       ProxyMode mode, const std::string& proxy,
                                       const std::string& file, const std::string& address);

// The status curl printed: the decimal number at the start of its output,
// 0 when it does not start with a digit.
int StatusFromCurlOutput(const std::string& output);

}  // namespace cli

#endif  // LAUNCHER_CLI_UPLOAD_REQUEST_H_
