// Start-up and the main dialog's procedure.
#include "device/port_library.h"
#include "device/rom_device.h"
#include "ui/commands.h"
#include "ui/messages.h"
#include "ui/resource_ids.h"
#include "ui/win32_dialog_window.h"

#include <windows.h>

namespace {

HINSTANCE Instance = nullptr;

INT_PTR CALLBACK mainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    case WM_INITDIALOG: {
        rfprog::Win32DialogWindow::setOwner(dialog);
        HICON icon = LoadIconW(Instance, MAKEINTRESOURCEW(IDI_MAIN));
        SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
        return TRUE; // the focus goes to the file-name field
    }
    case WM_COMMAND: {
        // Only clicks, Enter and Esc act: their notification code, the high word, is 0.
        // The whole wParam decides, so no other notification of a control runs a command.
        if (wParam > 0xFFFF) {
            return FALSE;
        }
        rfprog::PortLibraryPort<rfprog::LinkedPortLibrary> port;
        rfprog::RomDevice device(port);
        rfprog::Win32DialogWindow window(dialog, reinterpret_cast<HWND>(lParam));
        rfprog::CommandContext context{window, device};
        return rfprog::dispatchCommand(context, static_cast<int>(wParam)) ? TRUE : FALSE;
    }
    default:
        return FALSE;
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    {
        // The board starts idle, with the programming voltage off, before any window.
        rfprog::PortLibraryPort<rfprog::LinkedPortLibrary> port;
        rfprog::RomDevice(port).switchOff();
    }
    if (!rfprog::LinkedPortLibrary::driverOpen()) {
        // Without its driver the port reads 0 and every command would report success on
        // nothing: say what to do, and open no window.
        rfprog::Win32DialogWindow noWindow(nullptr);
        rfprog::showMessage(noWindow, rfprog::Message::DriverNotOpen);
        ExitProcess(0);
    }
    Instance = GetModuleHandleW(nullptr);
    rfprog::Win32DialogWindow::setInstance(Instance);
    // A window that could not be made is a failure, not an operator's normal exit.
    const INT_PTR ended =
        DialogBoxParamW(Instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, mainDialogProc, 0);
    ExitProcess(ended == -1 ? 1 : 0);
}
