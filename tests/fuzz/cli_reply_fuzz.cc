// The console updater's reply reading and option parsing on arbitrary
// bytes: every read stays inside the datagram, every text inside its limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "launcher/cli/options.h"
#include "launcher/cli/reply_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so the sanitizer sees any read past the datagram.
  uint8_t* copy = static_cast<uint8_t*>(std::malloc(size ? size : 1));
  for (size_t i = 0; i < size; ++i) copy[i] = data[i];
  const cli::Datagram d(copy, size);
  for (const auto* request :
       {&protocol::kBasicInfoQuery, &protocol::kModelNameQuery, &protocol::kSerialNumberQuery}) {
    cli::MatchesQuery(d, *request);
  }
  cli::ResultRecord r;
  cli::ReadBasicInfo(d, &r);
  cli::ReadModelName(d, &r);
  cli::ReadSerialNumber(d, &r);
  if (r.uib.size() > cli::kReplyTextLimit || r.printer.size() > cli::kReplyTextLimit ||
      r.serial_no.size() > cli::kReplyTextLimit) {
    std::abort();
  }
  const cli::FoundDevice found = cli::ReadSearchReply(d, "10.213.0.11");
  cli::FoundDeviceLine(found);
  std::free(copy);

  const cli::RunOptions o = cli::ParseOptions(
      cli::BuildArgumentVector(std::string(reinterpret_cast<const char*>(data), size)));
  if (o.address.size() > cli::kAddressLimit || o.target_version.size() > cli::kTargetVersionLimit ||
      o.proxy.size() > cli::kProxyLimit) {
    std::abort();
  }
  return 0;
}
