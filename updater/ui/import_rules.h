// The rules for one line of an address-list file and for the four boxes of
// the typed address: what counts as an address and how it is written.
#ifndef UPDATER_UI_IMPORT_RULES_H_
#define UPDATER_UI_IMPORT_RULES_H_

#include <array>
#include <string>

namespace ui {

// Lines longer than this many characters are skipped unread.
constexpr size_t kImportLineMaxChars = 25;

// The address a line of an address-list file stands for: only digits and
// exactly three dots, each of the four parts 0..255 (empty is 0), written
// back without leading zeros ("192.168.001.010" -> "192.168.1.10"). False
// for every other line.
bool ImportLineAddress(const std::string& line, std::string* address);

// The octet boxes of the typed address.
constexpr size_t kIpBoxMaxChars = 3;
constexpr int kKeyEscape = 27;
// What a box accepts as a typed character: digits and control characters
// (1..31, backspace among them); code 0 and everything else is discarded.
bool IpBoxAcceptsChar(int code);
// The text a box gets when the focus leaves it: its digits read as a
// decimal number, written without leading zeros, above 255 as "255", empty
// as "0" ("300" -> "255", "007" -> "7").
std::string NormaliseIpBox(const std::string& text);
// The boxes joined with "." in their order.
std::string JoinIpBoxes(const std::array<std::string, 4>& boxes);

// Length in UTF-16 units, the unit in which the window counts characters.
size_t Utf16Length(const std::string& utf8);

}  // namespace ui

#endif  // UPDATER_UI_IMPORT_RULES_H_
