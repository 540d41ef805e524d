#include "launcher/cli/upload_request.h"

#include <cstdio>

#include "updater/protocol/multipart_form.h"

namespace cli {

std::string UploadContentTypeHeader() {
  return protocol::MultipartContentTypeHeader(kUploadBoundary);
}

std::string UploadPreamble(const std::string& file_name) {
  return protocol::MultipartPreamble(kUploadBoundary, kUploadField, file_name);
}

std::string UploadEpilogue() { return protocol::MultipartEpilogue(kUploadBoundary); }

std::string SendingProgressLine(uint64_t sent, uint64_t total, bool last) {
  const uint64_t p = total ? sent * 1000 / total : 1000;
  char text[80];
  std::snprintf(text, sizeof text, "\r  Data Sending...   %d.%d %%    %s", static_cast<int>(p / 10),
                static_cast<int>(p % 10), last ? "\n" : "");
  return text;
}

std::string CurlCommandText(ProxyMode mode, const std::string& proxy, const std::string& file,
                            const std::string& address) {
  char text[260];
  switch (mode) {
    case ProxyMode::kNone:
      std::snprintf(text, sizeof text,
                    "curl.exe -s -o NUL -w %%{http_code} -F rcc=@%s "
                    "http://%s/fwupdate/cgi-bin/fwupdate.cgi",
                    file.c_str(), address.c_str());
      break;
    case ProxyMode::kNoProxy:
      std::snprintf(text, sizeof text,
                    "curl.exe -s -o NUL -w %%{http_code} --proxy \"\" -F rcc=@%s "
                    "http://%s/fwupdate/cgi-bin/fwupdate.cgi",
                    file.c_str(), address.c_str());
      break;
    case ProxyMode::kExplicit:
      std::snprintf(text, sizeof text,
                    "curl.exe -s -o NUL -w %%{http_code} --proxy \"%s\" -F rcc=@%s "
                    "http://%s/fwupdate/cgi-bin/fwupdate.cgi",
                    proxy.c_str(), file.c_str(), address.c_str());
      break;
  }
  return text;
}

std::vector<std::string> CurlArguments(const std::string& program, const std::string& null_device,
                                       ProxyMode mode, const std::string& proxy,
                                       const std::string& file, const std::string& address) {
  std::vector<std::string> args{program, "-s", "-o", null_device, "-w", "%{http_code}"};
  if (mode == ProxyMode::kNoProxy) args.insert(args.end(), {"--proxy", ""});
  if (mode == ProxyMode::kExplicit) args.insert(args.end(), {"--proxy", proxy});
  args.insert(args.end(),
              {"-F", "rcc=@" + file, "http://" + address + "/fwupdate/cgi-bin/fwupdate.cgi"});
  return args;
}

int StatusFromCurlOutput(const std::string& output) {
  int status = 0;
  for (const char c : output) {
    if (c < '0' || c > '9' || status > 99999) break;
    status = status * 10 + (c - '0');
  }
  return status;
}

}  // namespace cli
