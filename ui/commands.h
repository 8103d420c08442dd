// The dialog's command table and the command flows. Each flow runs to its end,
// showing at most one result message (plus the prompts of Write and Calibration).
#pragma once

#include "device/rom_device.h"
#include "ui/dialog_window.h"

#include <cstdint>

namespace rfprog {

struct CommandContext {
    DialogWindow& window;
    RomDevice& device;
};

using Command = void (*)(CommandContext& context);

struct CommandEntry {
    int id; // the control that sends the command
    Command run;
};

// Longest file name a device command accepts; a longer one would be cut to another file.
inline constexpr std::size_t MaxCommandFileName = 259;

// Looks the command id up in the command table and runs the command; false when nothing
// matched. The window passes only clicks, Enter and Esc (no other notification).
bool dispatchCommand(CommandContext& context, int commandId);

// The window-only and device commands, reachable through the table.
void browseForImageFile(CommandContext& context);
void closeWindow(CommandContext& context);
void toggleBlockParameters(CommandContext& context);
void blankCheckCommand(CommandContext& context);
void readCommand(CommandContext& context);
void compareCommand(CommandContext& context);
void writeCommand(CommandContext& context);
void calibrateCommand(CommandContext& context);

} // namespace rfprog
