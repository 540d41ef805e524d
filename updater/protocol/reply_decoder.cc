#include "updater/protocol/reply_decoder.h"

namespace protocol {

namespace {

std::string InfoMac(const ReplyParser& p) { return MacText(p.data() + kInfoMac); }
std::string InfoVersion(const ReplyParser& p) {
  return VersionText(p.data_at(kInfoVersionMajor), p.data_at(kInfoVersionMinor));
}
std::string InfoType(const ReplyParser& p) {
  return VersionText(p.data_at(kInfoTypeNumber), p.data_at(kInfoTypeSecond));
}

bool IsClassic(const ReplyParser& p) {
  const uint8_t* d = p.data();
  return p.length() == 54 && d[0] == 'Q' && d[1] == 'J' && d[2] == '-' && d[3] == 'L';
}

bool AnyModelFilter(const ModelFilters& f) {
  return f.l01 || f.l02 || f.w02 || f.k60 || f.w03 || f.w04 || f.wx_air0 || f.l04;
}

}  // namespace

TDevice* DeviceReplyDecoder::FindByMac(const std::string& mac) const {
  DeviceList& devices = host_.devices();
  for (size_t i = 0; i < devices.size(); ++i) {
    if (SameTextIgnoringCase(devices.at(i)->mac, mac)) return devices.at(i);
  }
  return nullptr;
}

void DeviceReplyDecoder::DecodeReply(const ReplyParser& p, const std::string& from) {
  if (host_.refresh_busy()) return;
  const ReplyKind kind = p.kind();
  const int group = p.group(), command = p.command(), result = p.result();
  if (kind == ReplyKind::kP && group == 0 && command == 0 && result == 0) {
    SearchReply(p, from);
  } else if (kind == ReplyKind::kQ && group == 0 && command == 0 &&
             (result == 0 || result == 0xE000)) {
    QueryReply(p, from);
  } else if (kind == ReplyKind::kP && group == 0 && command == 0 && result == 0xE000) {
    NewerSearchReply(p, from);
  } else if (kind == ReplyKind::kQ && group == 3 && command == 0x0001 && result == 0) {
    ModelReply(p);
  } else if (kind == ReplyKind::kQ && group == 3 && command == 0x0010 && result == 0) {
    StatusReply(p, from);
  }
}

// A board answers a search.
void DeviceReplyDecoder::SearchReply(const ReplyParser& p, const std::string& from) {
  if (host_.updating()) return;
  const ModelFilters& f = host_.filters();
  const bool classic = IsClassic(p);
  if (f.pos && !classic) return;
  const std::string mac = InfoMac(p);
  if (FindByMac(mac) != nullptr) return;

  const int type = p.data_at(kInfoTypeNumber);
  uint32_t tag;
  if (classic && type == 1) {
    if (f.l02 || f.w02 || f.k60 || f.w03 || f.w04 || f.l04 || f.wx_air0) return;
    host_.AddCategory("QJ-L01", 1, category::kQJL01);
    tag = category::kQJL01;
  } else if (classic && type == 2) {
    if (f.l01 || f.w02 || f.k60 || f.w03 || f.w04 || f.l04 || f.wx_air0) return;
    host_.AddCategory("QJ-L02", 1, category::kQJL02);
    tag = category::kQJL02;
  } else if (classic && type == 4) {
    if (f.l01 || f.l02 || f.w02 || f.k60 || f.w03 || f.w04 || f.wx_air0) return;
    tag = category::kQJL04Wired;
  } else {
    if (AnyModelFilter(f)) return;
    host_.AddCategory("Ethernet I/F", 1, category::kOther);
    tag = category::kOther;
  }
  TDevice* record =
      host_.devices().Append(TDevice::FromSearchReply(from, mac, InfoType(p), InfoVersion(p), tag));
  host_.ShowRecord(record);
  host_.PostRequest(REQ_SEARCH_OR_INFO, record);
}

// A board answers the basic-information query.
void DeviceReplyDecoder::QueryReply(const ReplyParser& p, const std::string& from) {
  const std::string mac = InfoMac(p);
  TDevice* record = nullptr;
  DeviceList& devices = host_.devices();
  static const std::string placeholder(kPlaceholderMac);  // built once, not once per record
  for (size_t i = 0; i < devices.size() && record == nullptr; ++i) {
    TDevice* d = devices.at(i);
    if (SameTextIgnoringCase(d->mac, mac) || SameTextIgnoringCase(d->mac, placeholder)) {
      record = d;
    }
  }
  if (record == nullptr) return;
  record->mac = mac;
  record->identified = true;
  devices.MarkDuplicateAddresses(record);
  if (host_.OfferUpdateConfirmation(record, InfoVersion(p), from)) return;
  if (host_.updating()) return;
  if (record->category == host_.current_category() && host_.OlderThanImage(record->version) &&
      record->identified) {
    record->wanted = true;
  }
  host_.RebuildList();
  host_.PostRequest(REQ_STATUS, record);
}

// A newer board answers a search.
void DeviceReplyDecoder::NewerSearchReply(const ReplyParser& p, const std::string& from) {
  const ModelFilters& f = host_.filters();
  if (host_.updating() || f.l01 || f.l02) return;
  const bool pending = p.length() == 62 && p.data_at(kInfoBoardKind) == 4;
  if (f.pos && !pending) return;
  const std::string mac = InfoMac(p);
  if (FindByMac(mac) != nullptr) return;
  TDevice fresh = TDevice::FromSearchReply(from, mac, InfoType(p), InfoVersion(p), 0);
  if (pending) {
    fresh.category = category::kModelPending;
    TDevice* record = host_.devices().Append(std::move(fresh));
    if (!(f.w02 || f.k60 || f.w03 || f.w04 || f.l04 || f.wx_air0)) host_.ShowRecord(record);
    host_.PostRequest(REQ_MODEL, record);
  } else {
    host_.AddCategory("Ethernet I/F", 1, category::kOther);
    fresh.category = category::kOther;
    TDevice* record = host_.devices().Append(std::move(fresh));
    host_.ShowRecord(record);
    host_.PostRequest(REQ_SEARCH_OR_INFO, record);
  }
}

// A board answers the model-name query.
void DeviceReplyDecoder::ModelReply(const ReplyParser& p) {
  const ModelFilters& f = host_.filters();
  if (host_.updating() || f.l01 || f.l02) return;
  const std::string mac = MacText(p.data() + kModelMac);
  const std::string model = p.TextAt(kModelName);
  TDevice* record = FindByMac(mac);
  if (record == nullptr) return;

  struct Model {
    const char* name;
    uint32_t tag;
    const char* node;  // category node added, or none
    int image;
  };
  static const Model kModels[] = {
      {"QJ-W02", category::kQJW02, "QJ-W02", 2},  {"NAVB-01", category::kPXK60, "PX-K60", 2},
      {"QJ-W03", category::kQJW03, nullptr, 0},   {"QJ-W04", category::kQJW04, nullptr, 0},
      {"WX-Air0", category::kWXAir0, nullptr, 0}, {"QJ-L04", category::kQJL04Wireless, nullptr, 0},
  };
  const Model* match = nullptr;
  for (const Model& m : kModels) {
    if (SameTextIgnoringCase(model, m.name)) match = &m;
  }
  // Each model is dropped when a filter for another model is ticked.
  bool dropped;
  uint32_t tag;
  if (match == nullptr) {
    dropped = f.w02 || f.k60 || f.w03 || f.w04 || f.l04 || f.wx_air0;
    tag = category::kOther;
  } else {
    tag = match->tag;
    dropped = (f.w02 && tag != category::kQJW02) || (f.k60 && tag != category::kPXK60) ||
              (f.w03 && tag != category::kQJW03) || (f.w04 && tag != category::kQJW04) ||
              (f.wx_air0 && tag != category::kWXAir0) || (f.l04 && tag != category::kQJL04Wireless);
  }
  if (dropped) {
    host_.devices().Remove(record);
    host_.RebuildList();
    return;
  }
  record->category = tag;
  if (match == nullptr) {
    host_.AddCategory("Ethernet I/F", 1, category::kOther);
  } else if (match->node != nullptr) {
    host_.AddCategory(match->node, match->image, tag);
  }
  record->identified = true;
  host_.devices().MarkDuplicateAddresses(record);

  if (record->category == host_.current_category() || f.w03 || f.w04 || f.wx_air0 ||
      (f.l04 && record->category == category::kQJL04Wireless)) {
    if (host_.OlderThanImage(record->version) && record->identified) {
      record->wanted = true;
    }
  }
  if (!(f.category_mode() && host_.list_tag() == category::kAll)) host_.RebuildList();
  host_.PostRequest(REQ_STATUS, record);
}

// A board answers the status query.
void DeviceReplyDecoder::StatusReply(const ReplyParser& p, const std::string& from) {
  if (host_.updating()) return;
  const bool ready = (p.data_at(0) & kStatusNotReady) == 0;
  DeviceList& devices = host_.devices();
  TDevice* record = nullptr;
  for (size_t i = 0; i < devices.size() && record == nullptr; ++i) {
    if (SameTextIgnoringCase(devices.at(i)->address, from)) record = devices.at(i);
  }
  if (record == nullptr) return;
  record->statusAnswered = true;
  if (record->ready == ready) return;
  record->ready = ready;
  if (host_.list_tag() != category::kAll) host_.RedrawReadiness(record);
}

}  // namespace protocol
