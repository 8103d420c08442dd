// The window operations of the command flows on the Windows dialog manager.
#pragma once

#include "ui/dialog_window.h"

#include <windows.h>

namespace rfprog {

class Win32DialogWindow final : public DialogWindow {
  public:
    // source: the control that sent the command being run, if any. A null dialog owns
    // nothing: its message boxes stand alone (at start-up, before the window exists).
    explicit Win32DialogWindow(HWND dialog, HWND source = nullptr)
        : dialog_(dialog), source_(source) {}

    std::size_t fieldText(int id, std::span<char16_t> buffer) override;
    std::size_t fieldText8(int id, std::span<char> buffer) override;
    void setFieldText(int id, const char16_t* text) override;
    bool isChecked(int id) override;
    bool isCommandSourceChecked() override;
    void showControl(int id, bool visible) override;
    Answer messageBox(const char16_t* text, const char16_t* caption, MessageKind kind) override;
    bool browseForFile(std::span<char16_t> fileName) override;
    void endDialog() override;

    // Set-up of the open-file record: the program's instance, and the owner window.
    static void setInstance(HINSTANCE instance);
    static void setOwner(HWND dialog);

  private:
    HWND dialog_;
    HWND source_;
};

} // namespace rfprog
