// The window operations that the command flows need, and nothing more. The
// program implements them on the Windows dialog manager; tests script them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace rfprog {

// Message-box kinds; the window turns each into its buttons, icon and default button.
enum class MessageKind {
    Info,            // OK, no icon
    Error,           // OK, error icon
    Warning,         // OK, warning icon
    Question,        // Yes/No, no icon, No is the default
    WarningQuestion, // Yes/No, warning icon, No is the default
};

// The button that ended a message box; a question proceeds only on Yes.
enum class Answer {
    Ok,
    Yes,
    No,
    Other, // the box was closed some other way
};

class DialogWindow {
  public:
    // Copies at most buffer.size() - 1 units and a terminating zero; returns the units copied.
    virtual std::size_t fieldText(int id, std::span<char16_t> buffer) = 0;
    // The same in 8-bit characters.
    virtual std::size_t fieldText8(int id, std::span<char> buffer) = 0;
    virtual void setFieldText(int id, const char16_t* text) = 0;
    virtual bool isChecked(int id) = 0;
    // Check state asked of the control that sent the command being run.
    virtual bool isCommandSourceChecked() = 0;
    virtual void showControl(int id, bool visible) = 0;
    // caption may be null: the system's default title shows. Returns the button pressed.
    virtual Answer messageBox(const char16_t* text, const char16_t* caption, MessageKind kind) = 0;
    // The open-file dialog, starting from the name in fileName; true when a file was chosen,
    // its full path then stands in fileName (zero-terminated).
    virtual bool browseForFile(std::span<char16_t> fileName) = 0;
    virtual void endDialog() = 0;

  protected:
    DialogWindow() = default;
    DialogWindow(const DialogWindow&) = default;
    DialogWindow& operator=(const DialogWindow&) = default;
    ~DialogWindow() = default;
};

} // namespace rfprog
