// The console updater's own client, on the platform's HTTP session
// (WinHTTP on Windows, libcurl elsewhere): the same request on both, the
// progress line printed after every write.
#include <memory>
#include <string>
#include <vector>

#include "launcher/cli/cli_system.h"
#include "launcher/cli/upload_request.h"
#include "launcher/cli/uploaders.h"
#include "platform/files.h"
#include "platform/http_session.h"
#include "updater/update/chttp.h"

namespace cli {
namespace {

// WinHTTP's own limits, which the console client has always kept: no limit
// on the name look-up, 60 s to connect, 30 s for each write and for the
// answer.
platform::HttpTimeouts ConsoleTimeouts() {
  platform::HttpTimeouts t;
  t.resolve_ms = 0;
  t.connect_ms = 60000;
  t.send_ms = 30000;
  t.receive_ms = 30000;
  return t;
}

bool WriteAll(platform::HttpSession& http, const uint8_t* data, uint32_t size) {
  uint32_t written = 0;
  return http.WriteData(data, size, &written) && written == size;
}

}  // namespace

int UploadWithWinHttp(const std::string& host, const std::string& object,
                      const std::string& file_name) {
  std::unique_ptr<platform::HttpSession> http = platform::CreateHttpSession();
  platform::HttpRequestSpec spec;
  spec.server = host;
  spec.port = 80;
  spec.user_agent = kUploadAgent;
  spec.method = "POST";
  spec.path = object;
  spec.timeouts = ConsoleTimeouts();
  if (!http || !http->Open(spec) || !http->AddHeader(UploadContentTypeHeader())) return -1;

  // The whole file in one buffer sized in advance: one read, no regrowth.
  platform::File file;
  std::vector<uint8_t> image;
  if (platform::OpenForReading(file_name, &file) != 0 ||
      !update::AppendWholeFile(file, 0, &image)) {
    return -1;
  }
  const std::string preamble = UploadPreamble(file_name);
  const std::string epilogue = UploadEpilogue();
  const uint64_t total = preamble.size() + image.size() + epilogue.size();
  if (!http->SendRequest(total)) return -1;

  uint64_t sent = 0;
  if (!WriteAll(*http, reinterpret_cast<const uint8_t*>(preamble.data()),
                static_cast<uint32_t>(preamble.size()))) {
    return -1;
  }
  sent += preamble.size();
  Print(SendingProgressLine(sent, total, false));
  for (size_t pos = 0; pos < image.size();) {
    const uint32_t chunk = static_cast<uint32_t>(std::min<size_t>(kUploadChunk, image.size() - pos));
    if (!WriteAll(*http, image.data() + pos, chunk)) return -1;
    pos += chunk;
    sent += chunk;
    Print(SendingProgressLine(sent, total, false));
  }
  if (!WriteAll(*http, reinterpret_cast<const uint8_t*>(epilogue.data()),
                static_cast<uint32_t>(epilogue.size()))) {
    return -1;
  }
  sent += epilogue.size();
  Print(SendingProgressLine(sent, total, true));

  uint32_t status = 0;
  if (!http->ReceiveResponse() || !http->QueryStatusCode(&status)) return -1;
  Print("  HTTP Status Code  " + std::to_string(status) + "\n");
  // Only a board that took the image says 200; a refusal, a redirect or an
  // error page means nothing was flashed.
  return status == 200 ? 0 : -1;
}

}  // namespace cli
