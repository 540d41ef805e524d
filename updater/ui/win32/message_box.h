// The modal box of every question and message of the window logic.
#ifndef UPDATER_UI_WIN32_MESSAGE_BOX_H_
#define UPDATER_UI_WIN32_MESSAGE_BOX_H_

#include <windows.h>

#include <string>

#include "updater/ui/main_view.h"

namespace ui {
namespace win32 {

// The MessageBox flags of a question: its icon, and Yes/No with No as the
// default button, or OK.
UINT MessageBoxFlags(AskKind icon, AskButtons buttons);

// Shows the box owned by `owner` (may be null) and waits for the answer;
// the box's own loop keeps the program's messages running meanwhile.
Answer ShowMessageBox(HWND owner, const std::string& text, const std::string& caption, AskKind icon,
                      AskButtons buttons);

}  // namespace win32
}  // namespace ui

#endif  // UPDATER_UI_WIN32_MESSAGE_BOX_H_
