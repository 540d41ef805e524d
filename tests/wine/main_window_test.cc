// The Win32 main window with its real common controls, hidden, driven by
// the messages a user's mouse and keys would send. Runs under Wine with a
// display (xvfb-run), as a Windows program.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "updater/ui/win32/main_window.h"
#include "updater/ui/win32/main_window_rc.h"
#include "updater/ui/win32/menu_bar.h"

namespace ui {
namespace win32 {
namespace {

using platform::win32::Utf8ToWide;
using platform::win32::WideToUtf8;

struct Recorder final : MainFormHandlers {
  std::vector<std::string> calls;
  std::function<void(RowRef, bool)> on_tick;  // plays the logic's answer
  std::function<void()> on_close;             // runs while the close is being asked
  bool allow_close = true;

  void Add(const std::string& s) { calls.push_back(s); }
  static std::string B(bool b) { return b ? "1" : "0"; }
  void SelectCategory(NodeRef node, SelectVia via) override {
    Add("select " + std::to_string(node) + " " + std::to_string(static_cast<int>(via)));
  }
  void TreeViewDblClick(NodeRef n) override { Add("dblclick " + std::to_string(n)); }
  void TreeViewEnter() override { Add("tree enter"); }
  void FirmUpdateButtonEnter() override { Add("button enter"); }
  void ListViewMouseDown(RowRef row, bool checked) override {
    Add("mouse " + std::to_string(row) + " " + B(checked));
    if (on_tick) on_tick(row, checked);
  }
  void ListViewKeyPress(RowRef row, int key, bool checked) override {
    Add("key " + std::to_string(row) + " " + std::to_string(key) + " " + B(checked));
    if (on_tick) on_tick(row, checked);
  }
  void ListViewSelectItem(RowRef, bool) override {}  // too chatty to record
  void ListViewColumnClick(int column) override { Add("column " + std::to_string(column)); }
  void ListViewDblClick() override { Add("row dblclick"); }
  void RefreshItemClick() override { Add("refresh"); }
  void EnglishItemClick() override { Add("english"); }
  void JapaneseItemClick() override { Add("japanese"); }
  void FirmUpdateButtonClick() override { Add("update"); }
  void StopButtonClick() override { Add("stop"); }
  void WebConfigButtonClick() override { Add("web"); }
  void InterfacesItemClick() override { Add("interfaces"); }
  void InputAddressItemClick() override { Add("option1"); }
  void ImportAddressListItemClick() override { Add("import"); }
  void AboutItemClick() override { Add("about"); }
  void SideBySideItemClick() override { Add("side by side"); }
  bool FormClose() override {
    Add("close?");
    if (on_close) on_close();
    return allow_close;
  }
};

RowData Row(const std::string& address, const std::string& version, bool checked = false) {
  RowData d;
  d.caption = address;
  d.sub = {"00:11:22:33:44:55", version, "0.0", ""};
  d.checked = checked;
  return d;
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.Create(GetModuleHandleW(nullptr), false));
    window_.SetHandlers(&events_);
    window_.SetDestroyed([this] { events_.Add("destroyed"); });
    // Focus in the tree, as the first show leaves it.
    SetFocus(window_.tree());
    Pump();
    events_.calls.clear();
  }

  // What the program's loop would do between inputs.
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  std::wstring CellText(int index, int column) {
    wchar_t text[128] = L"";
    ListView_GetItemText(window_.list(), index, column, text, 128);
    return text;
  }
  bool Checked(int index) { return ListView_GetCheckState(window_.list(), index) != 0; }

  // A press and release of the left button, as the mouse would send them.
  // The release is queued first: a control that waits for it in a loop of
  // its own (drag detection) finds it there.
  static void Click(HWND control, POINT at) {
    const LPARAM pos = MAKELPARAM(at.x, at.y);
    PostMessageW(control, WM_LBUTTONUP, 0, pos);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, pos);
    Pump();
  }

  POINT CheckBoxOf(int index) {
    RECT bounds;
    ListView_GetItemRect(window_.list(), index, &bounds, LVIR_BOUNDS);
    for (int x = bounds.left; x < bounds.right; ++x) {
      LVHITTESTINFO hit{};
      hit.pt = POINT{x, (bounds.top + bounds.bottom) / 2};
      if (ListView_HitTest(window_.list(), &hit) == index && (hit.flags & LVHT_ONITEMSTATEICON)) {
        return POINT{x + 3, hit.pt.y};
      }
    }
    ADD_FAILURE() << "no check box in row " << index;
    return POINT{0, 0};
  }

  POINT LabelOf(int index) {
    RECT r;
    ListView_GetItemRect(window_.list(), index, &r, LVIR_LABEL);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

  void ThreeRows() {
    window_.ListInsertRow(0, 11, Row("10.0.0.5", "5.10"));
    window_.ListInsertRow(1, 12, Row("10.0.0.7", "5.12"));
    window_.ListInsertRow(2, 13, Row("10.0.0.9", "5.08"));
  }

  MainWindow window_;
  Recorder events_;
};

TEST(CommonControlsVersion, OlderThan471IsOld) {
  EXPECT_TRUE(CommonControlsVersionIsOld(4, 70));
  EXPECT_TRUE(CommonControlsVersionIsOld(4, 0));
  EXPECT_FALSE(CommonControlsVersionIsOld(4, 71));
  EXPECT_FALSE(CommonControlsVersionIsOld(5, 80));
  EXPECT_FALSE(CommonControlsVersionIsOld(6, 0));
  EXPECT_FALSE(CommonControlsAreOld());
}

TEST(TextBoundary, Utf8RoundTripsThroughUtf16) {
  const std::string ja = "QJ-L04 Ver.5.12\xE3\x81\xB8\xE3\x82\xA2\xE3\x83\x83\xE3\x83\x97";
  EXPECT_EQ(Utf8ToWide(ja), L"QJ-L04 Ver.5.12\u3078\u30a2\u30c3\u30d7");
  EXPECT_EQ(WideToUtf8(Utf8ToWide(ja)), ja);
  EXPECT_EQ(Utf8ToWide(""), L"");
}

TEST_F(MainWindowTest, BuildsTheDesignLayout) {
  RECT client;
  GetClientRect(window_.hwnd(), &client);
  EXPECT_EQ(client.right, MainWindow::kClientWidth);
  EXPECT_EQ(client.bottom, MainWindow::kClientHeight);
  EXPECT_FALSE(IsWindowVisible(window_.hwnd()));

  RECT r;
  GetWindowRect(window_.tree(), &r);
  EXPECT_EQ(r.right - r.left, 161);
  GetWindowRect(window_.firm_update_button(), &r);
  EXPECT_EQ(r.right - r.left, 266);
  RECT stop;
  GetWindowRect(window_.stop_button(), &stop);
  EXPECT_LT(r.right, stop.left);  // both on the right, Stop last
  for (HWND b :
       {window_.web_config_button(), window_.stop_button(), window_.firm_update_button()}) {
    EXPECT_FALSE(IsWindowEnabled(b));
  }

  const int widths[] = {123, 117, 60, 47, 170};
  const wchar_t* captions[] = {L"IP Address", L"MAC Address", L"Version", L"%", L"Status"};
  for (int i = 0; i < kColumnCount; ++i) {
    wchar_t text[64] = L"";
    LVCOLUMNW col{};
    col.mask = LVCF_WIDTH | LVCF_FMT | LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(window_.list(), i, &col));
    EXPECT_EQ(col.cx, widths[i]);
    EXPECT_STREQ(text, captions[i]);
    EXPECT_EQ((col.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT, i == 2 || i == 3);
  }
  const DWORD ex = ListView_GetExtendedListViewStyle(window_.list());
  EXPECT_TRUE(ex & LVS_EX_CHECKBOXES);
  EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
  EXPECT_NE(ListView_GetImageList(window_.list(), LVSIL_SMALL), nullptr);

  int parts[2] = {};
  ASSERT_EQ(SendMessageW(window_.status_bar(), SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts)), 2);
  EXPECT_EQ(parts[0], 280);
}

TEST_F(MainWindowTest, KeepsTheMinimumSize) {
  MINMAXINFO info{};
  SendMessageW(window_.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  RECT r{0, 0, 480, 360};
  AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(window_.hwnd(), GWL_STYLE)), TRUE,
                     static_cast<DWORD>(GetWindowLongPtrW(window_.hwnd(), GWL_EXSTYLE)));
  EXPECT_EQ(info.ptMinTrackSize.x, r.right - r.left);
  EXPECT_EQ(info.ptMinTrackSize.y, r.bottom - r.top);
}

TEST_F(MainWindowTest, RowsAreWrittenAndReorderedByTheirHandles) {
  ThreeRows();
  ASSERT_EQ(ListView_GetItemCount(window_.list()), 3);
  EXPECT_EQ(CellText(1, 0), L"10.0.0.7");
  EXPECT_EQ(CellText(1, 1), L"00:11:22:33:44:55");
  EXPECT_EQ(CellText(1, 2), L"5.12");
  EXPECT_EQ(CellText(1, 3), L"0.0");

  RowData d = Row(" -- NONE -- 10.0.0.7", "5.12", true);
  d.image = kImageUnidentified;
  d.sub[2] = "37.5";
  d.sub[3] = "Checking update";
  window_.ListUpdateRow(12, d);
  EXPECT_EQ(CellText(1, 0), L" -- NONE -- 10.0.0.7");
  EXPECT_EQ(CellText(1, 3), L"37.5");
  EXPECT_EQ(CellText(1, 4), L"Checking update");
  EXPECT_TRUE(Checked(1));
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = 1;
  ListView_GetItem(window_.list(), &item);
  EXPECT_EQ(item.iImage, kImageUnidentified);

  window_.ListSetOrder({13, 11, 12});
  EXPECT_EQ(window_.RowAt(0), 13u);
  EXPECT_EQ(window_.RowAt(1), 11u);
  EXPECT_EQ(window_.RowAt(2), 12u);
  EXPECT_EQ(CellText(0, 0), L"10.0.0.9");
  EXPECT_EQ(window_.ListIndexOf(12), 2);
  EXPECT_TRUE(Checked(2));  // the tick moved with its row

  window_.ListClear();
  EXPECT_EQ(ListView_GetItemCount(window_.list()), 0);
  EXPECT_EQ(window_.ListIndexOf(12), -1);
  Pump();
  EXPECT_TRUE(events_.calls.empty());
}

TEST_F(MainWindowTest, TicksWrittenByTheLogicAreNotReportedBack) {
  ThreeRows();
  window_.ListUpdateRow(11, Row("10.0.0.5", "5.10", true));
  window_.ListInsertRow(3, 14, Row("10.0.0.11", "5.10", true));
  Pump();
  EXPECT_TRUE(Checked(0));
  EXPECT_TRUE(Checked(3));
  EXPECT_TRUE(events_.calls.empty());
}

TEST_F(MainWindowTest, AClickOnTheCheckBoxReportsTheTickAfterTheToggleOnce) {
  ThreeRows();
  Click(window_.list(), CheckBoxOf(1));
  EXPECT_EQ(events_.calls, std::vector<std::string>{"mouse 12 1"});
  EXPECT_TRUE(Checked(1));

  events_.calls.clear();
  Click(window_.list(), CheckBoxOf(1));
  EXPECT_EQ(events_.calls, std::vector<std::string>{"mouse 12 0"});
}

TEST_F(MainWindowTest, ATickTheLogicTakesBackStaysOffWithoutAnEcho) {
  ThreeRows();
  events_.on_tick = [this](RowRef row, bool) {
    window_.ListUpdateRow(row, Row("10.0.0.7", "5.12", false));
    window_.ListSelectRow(row);
  };
  Click(window_.list(), CheckBoxOf(1));
  EXPECT_EQ(events_.calls, std::vector<std::string>{"mouse 12 1"});
  EXPECT_FALSE(Checked(1));
  EXPECT_EQ(ListView_GetNextItem(window_.list(), -1, LVNI_SELECTED), 1);
}

TEST_F(MainWindowTest, AClickBesideTheCheckBoxReportsTheRowAsItIs) {
  ThreeRows();
  window_.ListUpdateRow(13, Row("10.0.0.9", "5.08", true));
  Click(window_.list(), LabelOf(2));
  EXPECT_EQ(events_.calls, std::vector<std::string>{"mouse 13 1"});
  EXPECT_TRUE(Checked(2));
}

TEST_F(MainWindowTest, SpaceAndEnterOnTheSelectedRowAreKeyPresses) {
  ThreeRows();
  window_.ListSelectRow(11);
  SendMessageW(window_.list(), WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(window_.list(), WM_KEYUP, VK_SPACE, 0);
  Pump();
  EXPECT_EQ(events_.calls, std::vector<std::string>{"key 11 32 1"});
  EXPECT_TRUE(Checked(0));

  events_.calls.clear();
  SendMessageW(window_.list(), WM_KEYDOWN, VK_RETURN, 0);
  Pump();
  // Enter leaves the tick to the logic, which toggles it itself.
  EXPECT_EQ(events_.calls, std::vector<std::string>{"key 11 13 1"});
}

TEST_F(MainWindowTest, AHeaderClickSortsByThatColumn) {
  ThreeRows();
  HWND header = ListView_GetHeader(window_.list());
  RECT r;
  Header_GetItemRect(header, 2, &r);
  Click(header, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  EXPECT_EQ(events_.calls, std::vector<std::string>{"column 2"});
}

// A double-click on a row reaches the logic, which asks the window for the
// selected row (the web command's board).
TEST_F(MainWindowTest, ADoubleClickOnARowIsReportedWithItsSelection) {
  ThreeRows();
  EXPECT_EQ(window_.SelectedRow(), kNoRow);
  const POINT at = LabelOf(1);
  const LPARAM pos = MAKELPARAM(at.x, at.y);
  Click(window_.list(), at);
  PostMessageW(window_.list(), WM_LBUTTONUP, 0, pos);
  SendMessageW(window_.list(), WM_LBUTTONDBLCLK, MK_LBUTTON, pos);
  Pump();
  EXPECT_EQ(window_.SelectedRow(), RowRef{12});
  EXPECT_EQ(std::count(events_.calls.begin(), events_.calls.end(), "row dblclick"), 1);
}

TEST_F(MainWindowTest, TreeNodesCarryTheirHandlesToTheLogic) {
  window_.TreeAddNode(1, kNoNode, "POS Printers", kImageRoot);
  window_.TreeAddNode(2, 1, "QJ-L04(Wired)", kImageWired);
  window_.TreeAddNode(3, 1, "QJ-L04(Wireless)", kImageWireless);
  window_.TreeExpandAll(1);
  EXPECT_EQ(TreeView_GetCount(window_.tree()), 3u);

  window_.TreeSetLinesAtRoot(false);
  EXPECT_FALSE(GetWindowLongPtrW(window_.tree(), GWL_STYLE) & TVS_LINESATROOT);
  window_.TreeSetLinesAtRoot(true);
  EXPECT_TRUE(GetWindowLongPtrW(window_.tree(), GWL_STYLE) & TVS_LINESATROOT);

  // The node under the mouse.
  HTREEITEM wireless = TreeView_GetNextSibling(
      window_.tree(), TreeView_GetChild(window_.tree(), TreeView_GetRoot(window_.tree())));
  RECT r;
  ASSERT_TRUE(TreeView_GetItemRect(
      window_.tree(), TreeView_GetChild(window_.tree(), TreeView_GetRoot(window_.tree())), &r,
      TRUE));
  Click(window_.tree(), POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
  ASSERT_FALSE(events_.calls.empty());
  EXPECT_EQ(events_.calls.front(), "select 2 0");

  // The selected node on Enter and on any key's release.
  events_.calls.clear();
  TreeView_SelectItem(window_.tree(), wireless);
  SendMessageW(window_.tree(), WM_CHAR, L'\r', 0);
  SendMessageW(window_.tree(), WM_KEYUP, VK_RETURN, 0);
  EXPECT_EQ(events_.calls, (std::vector<std::string>{"select 3 1", "select 3 2"}));

  window_.TreeClear();
  EXPECT_EQ(TreeView_GetCount(window_.tree()), 0u);
  EXPECT_EQ(window_.SelectedNode(), kNoNode);
}

TEST_F(MainWindowTest, FocusArrivingAtTheTreeOrTheUpdateButtonIsReported) {
  window_.SetCommandEnabled(Command::kFirmUpdate, true);
  SetFocus(window_.list());
  SetFocus(window_.firm_update_button());
  SetFocus(window_.tree());
  // Leaving the program and coming back is no arrival.
  SendMessageW(window_.tree(), WM_SETFOCUS, 0, 0);
  // Tab walks the controls without a dialog manager.
  SendMessageW(window_.tree(), WM_KEYDOWN, VK_TAB, 0);
  EXPECT_EQ(GetFocus(), window_.list());
  EXPECT_EQ(events_.calls, (std::vector<std::string>{"button enter", "tree enter"}));
}

TEST_F(MainWindowTest, ARefreshGivesTheFocusBackToTheTreeWithoutAnArrival) {
  window_.SetCommandEnabled(Command::kFirmUpdate, true);
  window_.ListSetEnabled(false);
  window_.TreeSetEnabled(false);
  window_.TreeSetEnabled(true);
  window_.ListSetEnabled(true);
  Pump();
  EXPECT_EQ(GetFocus(), window_.tree());
  EXPECT_TRUE(events_.calls.empty());
}

TEST_F(MainWindowTest, F5RefreshesOnlyWhileRefreshIsEnabled) {
  SendMessageW(window_.tree(), WM_KEYDOWN, VK_F5, 0);
  Pump();
  EXPECT_EQ(events_.calls, std::vector<std::string>{"refresh"});

  events_.calls.clear();
  window_.SetCommandEnabled(Command::kRefresh, false);
  SendMessageW(window_.tree(), WM_KEYDOWN, VK_F5, 0);
  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_REFRESH, 0), 0);
  Pump();
  EXPECT_TRUE(events_.calls.empty());
}

TEST_F(MainWindowTest, CommandsEnableTheirButtonAndMenuItemTogether) {
  window_.SetCommandEnabled(Command::kFirmUpdate, true);
  EXPECT_TRUE(IsWindowEnabled(window_.firm_update_button()));
  EXPECT_FALSE(GetMenuState(window_.menu(), IDM_FIRMWARE_UPDATE, MF_BYCOMMAND) & MF_GRAYED);
  window_.SetCommandEnabled(Command::kFirmUpdate, false);
  EXPECT_FALSE(IsWindowEnabled(window_.firm_update_button()));
  EXPECT_TRUE(GetMenuState(window_.menu(), IDM_FIRMWARE_UPDATE, MF_BYCOMMAND) & MF_GRAYED);

  window_.SetCommandEnabled(Command::kMainPanel, false);
  EXPECT_FALSE(IsWindowEnabled(window_.tree()));
  EXPECT_FALSE(IsWindowEnabled(window_.list()));
  window_.SetCommandEnabled(Command::kMainPanel, true);
  window_.TreeSetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(window_.tree()));
  EXPECT_TRUE(IsWindowEnabled(window_.list()));
}

TEST_F(MainWindowTest, CaptionsArriveAsUtf8AndShowAsUtf16) {
  window_.SetCaption("QJ-L04 Network Firmware Updater Ver.5.12");
  wchar_t text[128] = L"";
  GetWindowTextW(window_.hwnd(), text, 128);
  EXPECT_STREQ(text, L"QJ-L04 Network Firmware Updater Ver.5.12");

  window_.SetComponentCaption(Component::FirmUpdateButton,
                              "QJ-L04 Ver.5.12\xE3\x81\xB8\xE3\x82\xA2\xE3\x83\x83\xE3\x83\x97"
                              "\xE3\x83\x87\xE3\x83\xBC\xE3\x83\x88");
  GetWindowTextW(window_.firm_update_button(), text, 128);
  EXPECT_STREQ(text, L"QJ-L04 Ver.5.12\u3078\u30a2\u30c3\u30d7\u30c7\u30fc\u30c8");

  window_.SetComponentCaption(Component::ListColumn4, "\xE7\x8A\xB6\xE6\x85\x8B");  // 状態
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT;
  col.pszText = text;
  col.cchTextMax = 128;
  ListView_GetColumn(window_.list(), 4, &col);
  EXPECT_STREQ(text, L"\u72b6\u614b");

  window_.SetComponentCaption(Component::RefreshItem, "Refresh");
  GetMenuStringW(window_.menu(), IDM_REFRESH, text, 128, MF_BYCOMMAND);
  EXPECT_STREQ(text, L"Refresh\tF5");
  window_.SetComponentCaption(Component::ViewItem, "\xE8\xA1\xA8\xE7\xA4\xBA(&V)");  // 表示
  GetMenuStringW(window_.menu(), IDM_POS_VIEW, text, 128, MF_BYPOSITION);
  EXPECT_STREQ(text, L"\u8868\u793a(&V)");
}

TEST_F(MainWindowTest, TheLanguageItemsAreOneRadioGroup) {
  window_.SetItemChecked(Component::JapaneseItem, true);
  window_.SetItemChecked(Component::EnglishItem, false);
  EXPECT_TRUE(GetMenuState(window_.menu(), IDM_JAPANESE, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(GetMenuState(window_.menu(), IDM_ENGLISH, MF_BYCOMMAND) & MF_CHECKED);
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_FTYPE;
  GetMenuItemInfoW(window_.menu(), IDM_ENGLISH, FALSE, &mi);
  EXPECT_TRUE(mi.fType & MFT_RADIOCHECK);

  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_ENGLISH, 0), 0);
  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_JAPANESE, 0), 0);
  EXPECT_EQ(events_.calls, (std::vector<std::string>{"english", "japanese"}));
}

TEST_F(MainWindowTest, StatusPanelsShowTheirTexts) {
  window_.SetStatusPanel(0, "Wired      ");
  wchar_t text[64] = L"";
  SendMessageW(window_.status_bar(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, L"Wired      ");
}

bool Greyed(HMENU menu, int item) {
  return (GetMenuState(menu, static_cast<UINT>(item), MF_BYCOMMAND) & MF_GRAYED) != 0;
}

TEST_F(MainWindowTest, AtStartOnlyUpdateAndStopAreGreyedAndEveryButtonIsOff) {
  const HMENU menu = window_.menu();
  EXPECT_TRUE(Greyed(menu, IDM_FIRMWARE_UPDATE));
  EXPECT_TRUE(Greyed(menu, IDM_STOP));
  for (int item : {IDM_WEB_BROWSER, IDM_EXIT, IDM_REFRESH, IDM_ENGLISH, IDM_JAPANESE,
                   IDM_INTERFACES, IDM_OPTION1, IDM_IMPORT_IP_LIST, IDM_ABOUT}) {
    EXPECT_FALSE(Greyed(menu, item)) << item;
  }
  EXPECT_TRUE(GetMenuState(menu, IDM_ENGLISH, MF_BYCOMMAND) & MF_CHECKED);
  EXPECT_FALSE(IsWindowEnabled(window_.web_config_button()));

  // The item works while its button is still off.
  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_WEB_BROWSER, 0), 0);
  EXPECT_EQ(events_.calls, std::vector<std::string>{"web"});
}

// Each command of the logic switches its own button and item, and a
// command whose item is greyed is not run, whoever sends it.
TEST_F(MainWindowTest, EachCommandSwitchesItsButtonAndItemAndGatesItsMessages) {
  struct Case {
    Command command;
    HWND button;
    int item;
    const char* call;
  };
  const Case cases[] = {
      {Command::kFirmUpdate, window_.firm_update_button(), IDM_FIRMWARE_UPDATE, "update"},
      {Command::kStop, window_.stop_button(), IDM_STOP, "stop"},
      {Command::kWebConfig, window_.web_config_button(), IDM_WEB_BROWSER, "web"},
      {Command::kRefresh, nullptr, IDM_REFRESH, "refresh"},
      {Command::kAbout, nullptr, IDM_ABOUT, "about"},
      {Command::kAdapter, nullptr, IDM_INTERFACES, "interfaces"},
      {Command::kAddAddress, nullptr, IDM_OPTION1, "option1"},
      {Command::kImportList, nullptr, IDM_IMPORT_IP_LIST, "import"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.call);
    window_.SetCommandEnabled(c.command, true);
    if (c.button != nullptr) {
      EXPECT_TRUE(IsWindowEnabled(c.button));
    }
    EXPECT_FALSE(Greyed(window_.menu(), c.item));
    events_.calls.clear();
    SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(c.item, 0), 0);
    if (c.button != nullptr) {
      SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(c.button), BN_CLICKED),
                   reinterpret_cast<LPARAM>(c.button));
    }
    EXPECT_EQ(events_.calls.size(), c.button != nullptr ? 2u : 1u);
    for (const std::string& call : events_.calls) EXPECT_EQ(call, c.call);

    window_.SetCommandEnabled(c.command, false);
    if (c.button != nullptr) {
      EXPECT_FALSE(IsWindowEnabled(c.button));
    }
    EXPECT_TRUE(Greyed(window_.menu(), c.item));
    events_.calls.clear();
    SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(c.item, 0), 0);
    EXPECT_TRUE(events_.calls.empty());
  }
  // Exit goes through the close request, so a greyed Exit asks nothing.
  window_.SetCommandEnabled(Command::kExit, false);
  events_.calls.clear();
  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  EXPECT_TRUE(events_.calls.empty());
  EXPECT_NE(window_.hwnd(), nullptr);
}

TEST_F(MainWindowTest, ExitAsksTheLogicAndClosesOnlyWhenAllowed) {
  events_.allow_close = false;
  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  EXPECT_EQ(events_.calls, std::vector<std::string>{"close?"});
  EXPECT_NE(window_.hwnd(), nullptr);

  events_.calls.clear();
  events_.allow_close = true;
  SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  EXPECT_EQ(events_.calls, (std::vector<std::string>{"close?", "destroyed"}));
  EXPECT_EQ(window_.hwnd(), nullptr);
  // The logic may still talk to a window that is gone.
  window_.ListClear();
  window_.SetCaption("after");
  window_.SetCommandEnabled(Command::kFirmUpdate, true);
}

// During an update the system menu's Close is greyed: that command (the
// caption button, Alt+F4) is refused, but a close request from anywhere
// else, another program included, still reaches the logic to be asked.
TEST_F(MainWindowTest, AGreyedCloseRefusesOnlyTheSystemMenusCommand) {
  window_.SetCommandEnabled(Command::kClose, false);
  EXPECT_TRUE(GetMenuState(GetSystemMenu(window_.hwnd(), FALSE), SC_CLOSE, MF_BYCOMMAND) &
              MF_GRAYED);
  SendMessageW(window_.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_TRUE(events_.calls.empty());

  events_.allow_close = false;
  PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);  // as another program would
  Pump();
  EXPECT_EQ(events_.calls, std::vector<std::string>{"close?"});
  EXPECT_NE(window_.hwnd(), nullptr);

  window_.SetCommandEnabled(Command::kClose, true);
  events_.calls.clear();
  events_.allow_close = true;
  SendMessageW(window_.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
  Pump();
  EXPECT_EQ(events_.calls, (std::vector<std::string>{"close?", "destroyed"}));
}

// The question's own message loop may bring another close request; it is
// the one being asked, not a second question.
TEST_F(MainWindowTest, ACloseRequestDuringTheCloseQuestionIsNotAskedAgain) {
  int nested = 0;
  events_.on_close = [&] {
    if (nested++ > 0) return;
    SendMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
    SendMessageW(window_.hwnd(), WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  };
  events_.allow_close = true;
  PostMessageW(window_.hwnd(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(events_.calls, (std::vector<std::string>{"close?", "destroyed"}));
  EXPECT_EQ(nested, 1);
}

}  // namespace
}  // namespace win32
}  // namespace ui
