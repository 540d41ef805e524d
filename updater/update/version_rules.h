// How a board's firmware version stands against the image's target version,
// which boards an update started by the user may take, and when a restarted
// board counts as updated. Versions are texts ("5.12", "0.00") and are never
// parsed as numbers.
#ifndef UPDATER_UPDATE_VERSION_RULES_H_
#define UPDATER_UPDATE_VERSION_RULES_H_

#include <string>

namespace update {

enum class VersionOrder { kOlder, kSame, kNewer };

// The board's version against the target, ordinal: the first differing
// character decides and a prefix is the smaller ("5.0A" < "5.12" < "A.00").
// Version texts are ASCII, where byte order and UTF-16 order agree.
VersionOrder CompareVersions(const std::string& board_version, const std::string& target_version);

// Keys into the text table; the texts themselves live there.
enum class RangeMessage {
  kNone,
  kMsgOnlyFrom200,  // refusal: only Ver.2.00 to 2.04 may update
  kMsgOnlyFrom1xx,  // refusal: only Ver.1.xx and 2.1x may update
  kMsgWifiSpecA,    // question: other Wi-Fi kind; only DW-Q01 and DW-Q06 will work
  kMsgWifiSpecB,    // question: other Wi-Fi kind; only DW-Q02 and DW-Q06 will work
};

enum class RangeVerdict {
  kAllowed,
  kRefused,  // show `message` as information; the whole update is abandoned
  kAsk,      // ask `message` as Yes/No, No preselected; No abandons the update
};

struct RangeCheck {
  RangeVerdict verdict = RangeVerdict::kAllowed;
  RangeMessage message = RangeMessage::kNone;
};

// The range rules for one board, target first. A board is refused or asked
// about at most once: the rules that refuse come before those that ask, and
// the targets of the two questions exclude each other.
RangeCheck CheckUpdateRange(const std::string& target_version, const std::string& board_version);

// A restarted board is updated when it reports the target, or "0.00".
bool IsUpdateConfirmed(const std::string& board_version, const std::string& target_version);

}  // namespace update

#endif  // UPDATER_UPDATE_VERSION_RULES_H_
