// The window operations that the command flows need, and nothing more. The
// program implements them on the Windows dialog manager; tests script them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace rfprog {

// Message-box kinds, by their style value.
enum class MessageKind : std::uint32_t {
    Info = 0x000,            // OK, no icon
    Error = 0x010,           // OK, error icon
    Warning = 0x030,         // OK, warning icon
    Question = 0x104,        // Yes/No, no icon, No is the default
    WarningQuestion = 0x134, // Yes/No, warning icon, No is the default
};

inline constexpr int AnswerYes = 6; // IDYES

class DialogWindow {
  public:
    // Copies at most buffer.size() - 1 units and a terminating zero; returns the units copied.
    virtual std::size_t fieldText(int id, std::span<char16_t> buffer) = 0;
    // The same in 8-bit characters.
    virtual std::size_t fieldText8(int id, std::span<char> buffer) = 0;
    virtual void setFieldText(int id, const char16_t* text) = 0;
    virtual bool isChecked(int id) = 0;
    // Check state asked of the control whose handle came with a command.
    virtual bool isSourceChecked(std::intptr_t controlHandle) = 0;
    virtual void showControl(int id, bool visible) = 0;
    // caption may be null: the system's default title shows. Returns the button pressed.
    virtual int messageBox(const char16_t* text, const char16_t* caption, MessageKind kind) = 0;
    // The open-file dialog on the program's open-file record; true when a file was chosen,
    // its full path then stands in FileNameBuffer.
    virtual bool browseForFile() = 0;
    virtual void endDialog() = 0;

  protected:
    DialogWindow() = default;
    DialogWindow(const DialogWindow&) = default;
    DialogWindow& operator=(const DialogWindow&) = default;
    ~DialogWindow() = default;
};

} // namespace rfprog
