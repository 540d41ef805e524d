// The device-configuration protocol's frames: the six constant requests and
// the text forms built from reply bytes. Shared by the updater and the
// launcher's own search.
#ifndef UPDATER_PROTOCOL_FRAMES_H_
#define UPDATER_PROTOCOL_FRAMES_H_

#include <array>
#include <cstdint>
#include <string>

namespace protocol {

constexpr uint16_t kBoardPort = 3289;
constexpr int kHeaderSize = 14;
constexpr int kMaxDatagram = 512;

using RequestFrame = std::array<uint8_t, kHeaderSize>;

extern const RequestFrame kSearchRequest;          // "P" 0x00 0x0000
extern const RequestFrame kExtendedSearchRequest;  // "P" 0x03 0x0001
extern const RequestFrame kBasicInfoQuery;         // "Q" 0x00 0x0000
extern const RequestFrame kModelNameQuery;         // "Q" 0x03 0x0001
extern const RequestFrame kSerialNumberQuery;      // "Q" 0x03 0x0003
extern const RequestFrame kStatusQuery;            // "Q" 0x03 0x0010

// Reply data offsets the system reads.
constexpr int kInfoTypeNumber = 36;
constexpr int kInfoTypeSecond = 37;
constexpr int kInfoVersionMajor = 38;
constexpr int kInfoVersionMinor = 39;
constexpr int kInfoMac = 40;
constexpr int kInfoBoardKind = 61;
constexpr int kModelMac = 0;
constexpr int kModelName = 6;
constexpr int kModelPrinterName = 42;
constexpr int kSerialText = 6;

constexpr uint8_t kStatusNotReady = 0x10;

// "02:00:00:12:34:56" from six bytes.
std::string MacText(const uint8_t* six_bytes);
// "5.12" from 0x05, 0x12: major in upper-case hex without leading zeros,
// minor with two digits. Used for versions and type codes alike.
std::string VersionText(uint8_t major, uint8_t minor);

// MACs, addresses, model names and node texts match without regard to
// letter case (ASCII letters only).
bool SameTextIgnoringCase(const std::string& a, const std::string& b);

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_FRAMES_H_
