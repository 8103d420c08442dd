#include "ui/commands.h"

#include "image/image_file.h"
#include "ui/block_parameters.h"
#include "ui/messages.h"
#include "ui/program_state.h"
#include "ui/resource_ids.h"

#include <span>

namespace rfprog {

namespace {

constexpr CommandEntry CommandTable[] = {
    {IDOK, browseForImageFile},        {IDCANCEL, closeWindow},
    {IDC_CALIBRATE, calibrateCommand}, {IDC_WRITE, writeCommand},
    {IDC_READ, readCommand},           {IDC_EXTRA, toggleBlockParameters},
    {IDC_COMPARE, compareCommand},     {IDC_BLANK, blankCheckCommand},
};

// The parameter group, in the order it is shown or hidden.
constexpr int BlockParameterControls[] = {IDC_FILE_OFFSET, IDC_FILE_OFFSET_LABEL,
                                          IDC_ROM_OFFSET,  IDC_ROM_OFFSET_LABEL,
                                          IDC_LENGTH,      IDC_LENGTH_LABEL};

std::span<std::uint8_t> imageBlock(const BlockParameters& block) {
    return std::span(ImageBuffer).first(block.length);
}

// The file name for a device command, in FileNameBuffer; null when the field holds
// more than a file name may, so that no other file than the one shown is touched.
const char16_t* commandFileName(DialogWindow& window) {
    const std::size_t length = window.fieldText(IDC_FILENAME, FileNameBuffer);
    return length > MaxCommandFileName ? nullptr : FileNameBuffer.data();
}

// Fills the image block from the file; on failure, whatever the cause, the read error
// has been shown.
bool loadCommandFileBlock(DialogWindow& window, const BlockParameters& block) {
    if (loadFileBlock(commandFileName(window), block, ImageBuffer) != FileBlockLoad::Loaded) {
        showMessage(window, Message::FileReadError);
        return false;
    }
    return true;
}

} // namespace

bool dispatchCommand(CommandContext& context, int commandId) {
    for (const CommandEntry& entry : CommandTable) {
        if (entry.id == commandId) {
            entry.run(context);
            return true;
        }
    }
    return false;
}

void browseForImageFile(CommandContext& context) {
    context.window.fieldText(IDC_FILENAME, FileNameBuffer);
    if (context.window.browseForFile(FileNameBuffer)) {
        context.window.setFieldText(IDC_FILENAME, FileNameBuffer.data());
    }
}

void closeWindow(CommandContext& context) {
    context.window.endDialog();
}

void toggleBlockParameters(CommandContext& context) {
    const bool visible = context.window.isCommandSourceChecked();
    for (const int id : BlockParameterControls) {
        context.window.showControl(id, visible);
    }
}

void blankCheckCommand(CommandContext& context) {
    const int result = context.device.blankCheck();
    showMessage(context.window, result == 0 ? Message::RomErased : Message::RomNotErased);
}

void readCommand(CommandContext& context) {
    const auto block = parseBlockParameters(context.window);
    if (!block) {
        return;
    }
    // The ROM is read first, before the file name is looked at.
    context.device.readRomBlock(imageBlock(*block), block->romOffset);
    const char16_t* name = commandFileName(context.window);
    const int result = name == nullptr
                           ? ImageCannotOpen
                           : writeImageBlock(name, imageBlock(*block), block->fileOffset);
    showMessage(context.window,
                result == ImageTransferred ? Message::FileWritten : Message::FileWriteError);
}

void compareCommand(CommandContext& context) {
    const auto block = parseBlockParameters(context.window);
    if (!block || !loadCommandFileBlock(context.window, *block)) {
        return;
    }
    const int result = context.device.verifyRomBlock(imageBlock(*block), block->romOffset);
    showMessage(context.window, result == 0 ? Message::DataMatch : Message::CompareError);
}

void writeCommand(CommandContext& context) {
    const auto block = parseBlockParameters(context.window);
    if (!block || !loadCommandFileBlock(context.window, *block)) {
        return;
    }
    if (showMessage(context.window, Message::ConfirmWrite) != Answer::Yes) {
        return;
    }
    // The emulator box is looked at only after the operator has said Yes.
    if (context.window.isChecked(IDC_EMULATOR)) {
        showMessage(context.window, Message::EmulatorToWrite);
        context.device.loadEmulatorBlock(imageBlock(*block), block->romOffset);
        showMessage(context.window, Message::EmulatorToRead);
    } else {
        context.device.programRomBlock(imageBlock(*block), block->romOffset);
    }
    const int result = context.device.verifyRomBlock(imageBlock(*block), block->romOffset);
    showMessage(context.window, result == 0 ? Message::WriteDone : Message::WriteError);
}

void calibrateCommand(CommandContext& context) {
    if (showMessage(context.window, Message::RemoveRom) != Answer::Yes) {
        return;
    }
    if (context.device.testPulseTimer() == 0) {
        // A failed test is no measurement: the voltage goes off before the operator reads why.
        context.device.switchOff();
        showMessage(context.window, Message::TimerError);
        return;
    }
    context.device.holdProgrammingVoltage();
    showMessage(context.window, Message::VoltageOn); // the voltage stays on until OK
    context.device.switchOff();
}

} // namespace rfprog
