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

using Command = void (*)(CommandContext& context, std::intptr_t lParam);

struct CommandEntry {
    std::uint32_t wParam;
    Command run;
};

// Longest file name a device command accepts; a longer one would be cut to another file.
inline constexpr std::size_t MaxCommandFileName = 259;

// Looks the whole 32-bit wParam up in the command table and runs the command; false
// when nothing matched (so notifications with a non-zero code never act).
bool dispatchCommand(CommandContext& context, std::uint32_t wParam, std::intptr_t lParam);

// The window-only and device commands, reachable through the table.
void browseForImageFile(CommandContext& context, std::intptr_t lParam);
void closeWindow(CommandContext& context, std::intptr_t lParam);
void toggleBlockParameters(CommandContext& context, std::intptr_t lParam);
void blankCheckCommand(CommandContext& context, std::intptr_t lParam);
void readCommand(CommandContext& context, std::intptr_t lParam);
void compareCommand(CommandContext& context, std::intptr_t lParam);
void writeCommand(CommandContext& context, std::intptr_t lParam);
void calibrateCommand(CommandContext& context, std::intptr_t lParam);

} // namespace rfprog
