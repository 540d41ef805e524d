#include "updater/ui/win32/menu_bar.h"

#include "updater/ui/win32/main_window_rc.h"

namespace ui {
namespace win32 {
namespace {

constexpr CommandControls kCommandControls[] = {
    {Command::kFirmUpdate, IDC_FIRM_UPDATE_BUTTON, IDM_FIRMWARE_UPDATE},
    {Command::kStop, IDC_STOP_BUTTON, IDM_STOP},
    {Command::kWebConfig, IDC_WEB_CONFIG_BUTTON, IDM_WEB_BROWSER},
    {Command::kRefresh, 0, IDM_REFRESH},
    {Command::kExit, 0, IDM_EXIT},
    {Command::kAbout, 0, IDM_ABOUT},
    {Command::kAdapter, 0, IDM_INTERFACES},
    {Command::kAddAddress, 0, IDM_OPTION1},
    {Command::kImportList, 0, IDM_IMPORT_IP_LIST},
    {Command::kSideBySide, 0, IDM_SIDE_BY_SIDE},
};

struct ComponentItem {
  Component component;
  int item;
};
constexpr ComponentItem kComponentItems[] = {
    {Component::FirmwareUpdateItem, IDM_FIRMWARE_UPDATE},
    {Component::StopItem, IDM_STOP},
    {Component::WebBrowserItem, IDM_WEB_BROWSER},
    {Component::ExitItem, IDM_EXIT},
    {Component::RefreshItem, IDM_REFRESH},
    {Component::EnglishItem, IDM_ENGLISH},
    {Component::JapaneseItem, IDM_JAPANESE},
    {Component::InterfacesItem, IDM_INTERFACES},
    {Component::Option1, IDM_OPTION1},
    {Component::ImportIPList1, IDM_IMPORT_IP_LIST},
    {Component::AboutItem, IDM_ABOUT},
    {Component::SideBySideItem, IDM_SIDE_BY_SIDE},
};
constexpr ComponentItem kComponentPositions[] = {
    {Component::FileItem, IDM_POS_FILE},
    {Component::ViewItem, IDM_POS_VIEW},
    {Component::AdpterItem, IDM_POS_ADAPTER},
    {Component::HelpItem, IDM_POS_HELP},
};

}  // namespace

const CommandControls* ControlsOf(Command command) {
  for (const CommandControls& c : kCommandControls) {
    if (c.command == command) return &c;
  }
  return nullptr;
}

int MenuItemOf(Component component) {
  for (const ComponentItem& c : kComponentItems) {
    if (c.component == component) return c.item;
  }
  return 0;
}

int MenuPositionOf(Component component) {
  for (const ComponentItem& c : kComponentPositions) {
    if (c.component == component) return c.item;
  }
  return -1;
}

bool MenuBar::Load(HINSTANCE instance) {
  menu_.reset(LoadMenuW(instance, MAKEINTRESOURCEW(IDR_MAIN_MENU)));
  accelerators_.reset(LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_MAIN_ACCELERATORS)));
  if (!menu_ || !accelerators_) return false;
  // A menu template has no radio items; the language pair is one group.
  for (int id : {IDM_ENGLISH, IDM_JAPANESE}) {
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE;
    mi.fType = MFT_STRING | MFT_RADIOCHECK;
    SetMenuItemInfoW(menu_.get(), static_cast<UINT>(id), FALSE, &mi);
  }
  return true;
}

bool MenuBar::SetCaption(HWND window, Component component, const std::wstring& text) {
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_STRING;
  if (const int position = MenuPositionOf(component); position >= 0) {
    mi.dwTypeData = const_cast<wchar_t*>(text.c_str());
    SetMenuItemInfoW(menu_.get(), static_cast<UINT>(position), TRUE, &mi);
    if (window != nullptr) DrawMenuBar(window);
    return true;
  }
  const int item = MenuItemOf(component);
  if (item == 0) return false;
  // The shortcut is shown beside the caption in every language.
  const std::wstring shown = item == IDM_REFRESH ? text + L"\tF5" : text;
  mi.dwTypeData = const_cast<wchar_t*>(shown.c_str());
  SetMenuItemInfoW(menu_.get(), static_cast<UINT>(item), FALSE, &mi);
  return true;
}

void MenuBar::SetChecked(Component component, bool on) {
  const int item = MenuItemOf(component);
  if (item != 0) {
    CheckMenuItem(menu_.get(), static_cast<UINT>(item),
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
  }
}

void MenuBar::Enable(int item, bool on) {
  EnableMenuItem(menu_.get(), static_cast<UINT>(item),
                 MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

bool MenuBar::Enabled(int item) const {
  const UINT state = GetMenuState(menu_.get(), static_cast<UINT>(item), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

}  // namespace win32
}  // namespace ui
