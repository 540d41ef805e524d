#include "updater/update/version_rules.h"

namespace update {
namespace {

bool BeginsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

}  // namespace

VersionOrder CompareVersions(const std::string& board_version, const std::string& target_version) {
  const int c = board_version.compare(target_version);
  if (c < 0) return VersionOrder::kOlder;
  if (c > 0) return VersionOrder::kNewer;
  return VersionOrder::kSame;
}

RangeCheck CheckUpdateRange(const std::string& target_version, const std::string& board_version) {
  const std::string& t = target_version;
  const std::string& b = board_version;
  if (BeginsWith(t, "5.") && !BeginsWith(b, "2.0") && !BeginsWith(b, "5.") &&
      !BeginsWith(b, "0.")) {
    return {RangeVerdict::kRefused, RangeMessage::kMsgOnlyFrom200};
  }
  if ((BeginsWith(t, "2.1") || BeginsWith(t, "1.2")) && !BeginsWith(b, "1.") &&
      !BeginsWith(b, "2.1") && !BeginsWith(b, "0.")) {
    return {RangeVerdict::kRefused, RangeMessage::kMsgOnlyFrom1xx};
  }
  if (BeginsWith(t, "1.2") && (BeginsWith(b, "2.1") || BeginsWith(b, "0."))) {
    return {RangeVerdict::kAsk, RangeMessage::kMsgWifiSpecA};
  }
  if (BeginsWith(t, "2.1") && (BeginsWith(b, "1.2") || BeginsWith(b, "0."))) {
    return {RangeVerdict::kAsk, RangeMessage::kMsgWifiSpecB};
  }
  return {};
}

bool IsUpdateConfirmed(const std::string& board_version, const std::string& target_version) {
  return board_version == target_version || board_version == "0.00";
}

}  // namespace update
