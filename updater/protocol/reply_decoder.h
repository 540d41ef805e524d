// Turns each recognised reply into changes of the device records: new
// boards, identification, model, readiness, pre-ticks, and the follow-up
// requests. It works on the main window through DecoderHost.
#ifndef UPDATER_PROTOCOL_REPLY_DECODER_H_
#define UPDATER_PROTOCOL_REPLY_DECODER_H_

#include <cstdint>
#include <string>

#include "updater/protocol/device.h"
#include "updater/protocol/device_channel.h"
#include "updater/protocol/reply_parser.h"

namespace protocol {

// The model filters of the main window's hidden mode menu.
struct ModelFilters {
  bool pos = true;  // "Only POS Printer"
  bool l01 = false;
  bool l02 = false;
  bool w02 = false;
  bool k60 = false;
  bool w03 = false;
  bool w04 = false;
  bool wx_air0 = false;
  bool l04 = true;

  // Selecting a node also chooses the category whose boards may be ticked.
  bool category_mode() const { return w03 || wx_air0 || w04 || l04; }
};

// Placeholder MAC of a board that has not told its own yet.
constexpr char kPlaceholderMac[] = "02:5A:3C:B2:40:00";

class DecoderHost {
 public:
  virtual DeviceList& devices() = 0;
  virtual const ModelFilters& filters() const = 0;
  virtual bool refresh_busy() const = 0;
  virtual bool updating() const = 0;
  virtual uint32_t current_category() const = 0;
  virtual uint32_t list_tag() const = 0;
  // The board's firmware sorts before the image's version: it may be ticked.
  virtual bool OlderThanImage(const std::string& board_version) const = 0;

  virtual void AddCategory(const std::string& text, int image, uint32_t tag) = 0;
  virtual void ShowRecord(TDevice* record) = 0;
  virtual void RebuildList() = 0;
  // A record's readiness changed: the list shows it again, if it lists it.
  virtual void RedrawReadiness(TDevice* record) = 0;
  virtual void PostRequest(uintptr_t code, const TDevice* record) = 0;
  // The update worker checking this board takes the reply when it carries
  // the version it waits for. True when taken.
  virtual bool OfferUpdateConfirmation(TDevice* record, const std::string& version,
                                       const std::string& address) = 0;

 protected:
  ~DecoderHost() = default;
};

class DeviceReplyDecoder final : public ReplyDecoder {
 public:
  explicit DeviceReplyDecoder(DecoderHost& host) : host_(host) {}
  void DecodeReply(const ReplyParser& parser, const std::string& source_address) override;

 private:
  void SearchReply(const ReplyParser& p, const std::string& from);
  void QueryReply(const ReplyParser& p, const std::string& from);
  void NewerSearchReply(const ReplyParser& p, const std::string& from);
  void ModelReply(const ReplyParser& p);
  void StatusReply(const ReplyParser& p, const std::string& from);
  TDevice* FindByMac(const std::string& mac) const;

  DecoderHost& host_;
};

}  // namespace protocol

#endif  // UPDATER_PROTOCOL_REPLY_DECODER_H_
