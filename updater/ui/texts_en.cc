// English captions and texts.
#include "updater/ui/texts.h"
#include "updater/ui/texts_data.h"

namespace ui {
namespace texts_data {

CaptionList EnglishCaptions(const std::string& model, const std::string& versionLabel) {
  const std::string update = "Update " + model + " to " + versionLabel;
  return {
      {Component::FileItem, "File"},
      {Component::FirmwareUpdateItem, update},
      {Component::WebBrowserItem, "Web browser..."},
      {Component::StopItem, "Stop"},
      {Component::ExitItem, "Exit"},
      {Component::ViewItem, "View"},
      {Component::RefreshItem, "Refresh"},
      {Component::HelpItem, "Help"},
      {Component::AboutItem, "About..."},
      {Component::AdpterItem, "Adapter"},
      {Component::InterfacesItem, "Adapter Selection"},
      {Component::FirmUpdateButton, update},
      {Component::WebConfigButton, "Web browser..."},
      {Component::StopButton, "Stop"},
      {Component::ListColumn0, "IP Address"},
      {Component::ListColumn1, "MAC Address"},
      {Component::ListColumn2, "Version"},
      {Component::ListColumn3, "%"},
      {Component::ListColumn4, "Status"},
      {Component::ShowQJL01Item, "Show Only QJ-L01"},
      {Component::ShowQJL02Item, "Show Only QJ-L02"},
      {Component::ShowQJW02Item, "Show Only QJ-W02"},
      {Component::ShowQJW03Item, "Show Only QJ-W03"},
      {Component::ShowPXK60Item, "Show Only PX-K60"},
      {Component::ShowQJW04Item, "Show Only QJ-W04"},
      {Component::ShowQJL04Item, "Show Only QJ-L04"},
      {Component::ShowWX_Air0Item, "Show Only PX-K60II/K80"},
      {Component::ShowAllPOSDevicesItem, "Show All POS Printers"},
      {Component::ShowAllKAVRODevicesItem, "Show All KAVRO Devices"},
      {Component::SideBySideItem, "Update several boards at once"},
  };
}

}  // namespace texts_data

void TextTable::FillEnglish(const std::string& model, const std::string& versionLabel) {
  const std::string fixed = texts_data::kFixedModel;
  Clear();
  Set(TextKey::MsgCautionCaption, "Cautions");
  Set(TextKey::MsgUpdateTarget, model + " is updated to " + versionLabel + ".\r\n\r\n");
  Set(TextKey::MsgUpdateWarning,
      "Don't turn off the printer or remove the cable.\r\n"
      "Since there is a possibility that " +
          model +
          " may break.\r\n"
          "* The update takes about from 3 to 10 minutes.\r\n"
          "\r\n"
          "Do you start updating?");
  Set(TextKey::MsgErrorCaption, "Error");
  Set(TextKey::MsgUpdateError, "Updating error.\r\n\r\n");
  Set(TextKey::MsgNoResponse, " : There is no response from this device.");
  Set(TextKey::MsgStopQuestion,
      "The device which has not started updating is canceled.\r\n"
      "\r\n"
      "The updating device doesn't stop. \r\n"
      "Please wait for a while.\r\n"
      "\r\n"
      "Do you stop updating?");
  Set(TextKey::MsgAbortQuestion,
      "Updating is in progress.\r\n"
      "There is a possibility that " +
          model +
          " may break.\r\n"
          "\r\n"
          "Do you abort updating?");
  Set(TextKey::MsgSuccess, "Updating was successful.");
  Set(TextKey::MsgInfoCaption, "Information");
  Set(TextKey::MsgNotReady,
      "You selected the printer which is not ready.\r\n"
      "Please change the printer into the state which can print.");
  Set(TextKey::MsgSameVersion, "The firmware data is the same as that of the " + fixed +
                                   ".\r\n"
                                   "\r\n"
                                   "Do you really want to overwrite it?");
  Set(TextKey::MsgOlderPrefix, "The firmware data is older than that of the " + fixed +
                                   " of \r\n"
                                   "IP address : ");
  Set(TextKey::MsgMacPrefix, "MAC address : ");
  Set(TextKey::MsgDowngradeQuestion, "\r\n\r\nDo you really want to downgrade it?");
  Set(TextKey::MsgReceiveFailed, " : Failed to receive data.");
  Set(TextKey::MsgSessionFailed, " : Failed to create a session.");
  Set(TextKey::MsgSendFailed, " : Failed to send data.");
  Set(TextKey::MsgFirewallRegister,
      "To update firmware using this tool, you need to register it as an exception to the "
      "Windows Firewall.\r\n"
      "If it is not registered as an exception, some communication functions may be blocked "
      "by the Windows Firewall, which could limit functionality.\r\n"
      "\r\n"
      "Do you want to register " +
          model + " Firmware update tool as an exception to the Windows Firewall?");
  Set(TextKey::MsgFirewallBlocked,
      "Some functions of this program are blocked by the Windows Firewall.\r\n"
      "To enable it, you need to register Rollcast with the exceptions for the Windows "
      "Firewall, and then restart " +
          model + " Firmware update tool.");
  Set(TextKey::MsgOnlyFrom200,
      "Only " + model + " from Ver.2.00 to 2.04\r\ncan update to " + versionLabel + ".");
  Set(TextKey::MsgOnlyFrom1xx,
      "Only " + model + " Ver.1.xx and 2.1x\r\ncan update to " + versionLabel + ".");
  Set(TextKey::MsgWifiSpecA,
      "You are trying to update to a printer with a different Wi-Fi specification.\r\n"
      "Only DW-Q01 and DW-Q06 will work, and DW-Q02 will not work.\r\n"
      "Are you sure you want to continue the update?");
  Set(TextKey::MsgWifiSpecB,
      "You are trying to update to a printer with a different Wi-Fi specification.\r\n"
      "Only DW-Q02 and DW-Q06 will work, and DW-Q01 will not work.\r\n"
      "Are you sure you want to continue the update?");
  Set(TextKey::StatusSending, "Firmware data sending");
  Set(TextKey::StatusUpdating, "Firmware is being updated");
  Set(TextKey::StatusChecking, "Checking update");
  Set(TextKey::StatusFinish, "Finish");
  Set(TextKey::StatusErrorFinish, "Error Finish");
  Set(TextKey::MsgBatchCount, "Boards updated: %1, failed: %2, not started: %3.");
  filled_ = true;
}

}  // namespace ui
