#include "tests/support/form_harness.h"

#include <algorithm>

namespace testing_support {

std::vector<std::string> FormHarness::Sent(size_t from) const {
  using protocol::RequestFrame;
  auto is = [](const std::vector<uint8_t>& b, const RequestFrame& f) {
    return b.size() == f.size() && std::equal(b.begin(), b.end(), f.begin());
  };
  std::vector<std::string> out;
  for (size_t i = from; i < api.sent.size(); ++i) {
    const auto& s = api.sent[i];
    std::string name = "other";
    if (is(s.bytes, protocol::kSearchRequest)) name = "search";
    if (is(s.bytes, protocol::kBasicInfoQuery)) name = "info";
    if (is(s.bytes, protocol::kModelNameQuery)) name = "model";
    if (is(s.bytes, protocol::kStatusQuery)) name = "status";
    out.push_back(name == "search" ? name : name + " " + s.address);
  }
  return out;
}

ui::FormSettings ShippedSettings(const std::string& image_path) {
  ui::FormSettings s;
  s.caption = "QJ-L04 Network Firmware Updater Ver.5.12";
  s.target_version = "5.12";
  s.version_label = "Ver.5.12";
  s.image_path = image_path;
  s.file_name = "l04_05.12.rcc";
  s.field_name = "rcc";
  return s;
}

ui::FormServices FormHarness::Services() {
  ui::FormServices s;
  s.clock = &loop;
  s.http = http.Factory();
  s.pipe = &pipe;
  s.forget_neighbour = [this](const std::string& a) { forgotten.push_back(a); };
  s.trace = [this](const char* t) { traces.push_back(t); };
  s.system_locale = [this] { return locale; };
  return s;
}

void FormHarness::RunOutRestartWait() {
  const auto over = [this] {
    for (const auto& w : form.workers()) {
      if (w && w->waiting()) return false;
    }
    return true;
  };
  loop.RunUntil(over, 200000);
}

const protocol::TDevice* FormHarness::Device(const std::string& address) const {
  protocol::DeviceList& d = const_cast<ui::TMainForm&>(form).devices();
  for (size_t i = 0; i < d.size(); ++i) {
    if (d.at(i)->address == address) return d.at(i);
  }
  return nullptr;
}

}  // namespace testing_support
