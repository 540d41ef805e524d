#include "updater/ui/web_command.h"

namespace ui {
namespace {

// Four decimal parts of 1..3 digits with values up to 255.
bool IsDottedIpv4(const std::string& text) {
  int parts = 0, digits = 0, value = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '.') {
      if (digits == 0 || value > 255) return false;
      ++parts;
      digits = value = 0;
    } else if (text[i] >= '0' && text[i] <= '9') {
      if (++digits > 3) return false;
      value = value * 10 + (text[i] - '0');
    } else {
      return false;
    }
  }
  return parts == 4;
}

}  // namespace

const protocol::TDevice* DoubleClickTarget(const std::vector<ListedRow>& rows) {
  for (const ListedRow& r : rows) {
    if (r.selected) return r.record;
  }
  return nullptr;
}

const protocol::TDevice* WebConfigTarget(const std::vector<ListedRow>& rows) {
  if (const protocol::TDevice* selected = DoubleClickTarget(rows)) return selected;
  for (const ListedRow& r : rows) {
    if (r.checked && r.record != nullptr) return r.record;
  }
  return nullptr;
}

std::string WebPageUrl(const protocol::TDevice* record) {
  if (record == nullptr || record->category == protocol::category::kQJW02 || !record->identified ||
      !IsDottedIpv4(record->address)) {
    return std::string();
  }
  return "http://" + record->address + "/";
}

}  // namespace ui
