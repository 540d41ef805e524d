// The update batch of the main window: its result codes and the command
// states of an idle and of a busy window. The handlers themselves are
// TMainForm's (update_batch.cc); they share the window's rows and texts.
#ifndef UPDATER_UI_UPDATE_BATCH_H_
#define UPDATER_UI_UPDATE_BATCH_H_

#include <cstdint>

#include "updater/ui/main_view.h"

namespace ui {

// What the program reports at exit (the window's result code).
constexpr int32_t kResultCodeUpdated = 0;       // automatic mode: image accepted, wait over
constexpr int32_t kResultCodeRefused = 400;     // a ticked board not ready; waiting boards dropped
constexpr int32_t kResultCodeNotUpdated = 402;  // everything else, and the start value

struct CommandState {
  Command command;
  bool on;
};

// A new window: nothing to update or stop yet. Web configuration keeps the
// window's own start state (button off, menu item on) until a row is chosen.
constexpr CommandState kStartCommands[] = {
    {Command::kFirmUpdate, false}, {Command::kStop, false},      {Command::kRefresh, true},
    {Command::kMainPanel, true},   {Command::kExit, true},       {Command::kAbout, true},
    {Command::kClose, true},       {Command::kAdapter, true},    {Command::kAddAddress, true},
    {Command::kImportList, true},  {Command::kSideBySide, true},
};

// While a batch runs only the stop command is open; the system menu's Close
// is greyed, but a close request is still asked about.
constexpr CommandState kBusyCommands[] = {
    {Command::kMainPanel, false},  {Command::kFirmUpdate, false}, {Command::kWebConfig, false},
    {Command::kStop, true},        {Command::kRefresh, false},    {Command::kExit, false},
    {Command::kAbout, false},      {Command::kClose, false},      {Command::kAdapter, false},
    {Command::kAddAddress, false}, {Command::kImportList, false}, {Command::kSideBySide, false},
};

// The batch is over; the update command is opened separately (after an
// error, a stop or a cancel, not after a full success).
constexpr CommandState kIdleCommands[] = {
    {Command::kMainPanel, true},  {Command::kWebConfig, true},  {Command::kRefresh, true},
    {Command::kStop, false},      {Command::kExit, true},       {Command::kAbout, true},
    {Command::kClose, true},      {Command::kAdapter, true},    {Command::kAddAddress, true},
    {Command::kImportList, true}, {Command::kSideBySide, true},
};

}  // namespace ui

#endif  // UPDATER_UI_UPDATE_BATCH_H_
