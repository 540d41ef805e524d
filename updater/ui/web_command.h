// Which board's web pages the web-browser command and a double-click on a
// row open, and the address they are opened at.
#ifndef UPDATER_UI_WEB_COMMAND_H_
#define UPDATER_UI_WEB_COMMAND_H_

#include <string>
#include <vector>

#include "updater/protocol/device.h"

namespace ui {

// One list row as the commands see it, in list order. `record` may be null
// (a row without a record).
struct ListedRow {
  const protocol::TDevice* record = nullptr;
  bool checked = false;
  bool selected = false;
};

// The web-browser command: the selected row's record, else the first ticked
// row's. Null when there is none.
const protocol::TDevice* WebConfigTarget(const std::vector<ListedRow>& rows);
// A double-click: the selected row's record only.
const protocol::TDevice* DoubleClickTarget(const std::vector<ListedRow>& rows);

// "http://" + address + "/" for a board whose pages can be opened; empty for
// none, a QJ-W02, an unidentified record, or an address that is not a
// dotted IPv4 address (no other text is ever handed to the shell).
std::string WebPageUrl(const protocol::TDevice* record);

}  // namespace ui

#endif  // UPDATER_UI_WEB_COMMAND_H_
