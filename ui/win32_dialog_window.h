// The window operations of the command flows on the Windows dialog manager.
#pragma once

#include "ui/dialog_window.h"

#include <windows.h>

namespace rfprog {

class Win32DialogWindow final : public DialogWindow {
  public:
    explicit Win32DialogWindow(HWND dialog) : dialog_(dialog) {}

    std::size_t fieldText(int id, std::span<char16_t> buffer) override;
    std::size_t fieldText8(int id, std::span<char> buffer) override;
    void setFieldText(int id, const char16_t* text) override;
    bool isChecked(int id) override;
    bool isSourceChecked(std::intptr_t controlHandle) override;
    void showControl(int id, bool visible) override;
    int messageBox(const char16_t* text, const char16_t* caption, MessageKind kind) override;
    bool browseForFile() override;
    void endDialog() override;

    // Set-up of the open-file record: the program's instance, and the owner window.
    static void setInstance(HINSTANCE instance);
    static void setOwner(HWND dialog);

  private:
    HWND dialog_;
};

} // namespace rfprog
