// Which icon a message box of another process shows.
//
// How this was decided (Wine 8.0): the message box has a static control with id 0x440
// (stc1) and style SS_ICON in every box, visible even when the box has no icon, so
// presence and visibility of that control say nothing. STM_GETICON / STM_GETIMAGE on
// it return NULL when the box has no icon and an icon handle otherwise, which tells
// "icon or no icon" reliably. Which icon it is cannot be told from the handle: the
// box's process loads its own shared copy of IDI_HAND etc., so the handle differs
// from what LoadIcon(NULL, IDI_HAND) gives in the test process, and GetIconInfo /
// DrawIconEx refuse a foreign icon handle (ERROR_INVALID_CURSOR_HANDLE, 1402), as do
// reads through the foreign window's DC. What works, exactly and repeatably, is
// reading the icon control's pixels from the screen (BitBlt from the screen DC) and
// comparing them with LoadIcon(NULL, IDI_HAND / IDI_EXCLAMATION / IDI_ASTERISK /
// IDI_QUESTION) drawn by DrawIconEx in this process: every opaque pixel of exactly
// one of the four system icons matches. Opaque pixels are those that come out the
// same on a black and on a white background, so the box's background does not matter.
// The message boxes must not be covered by another window, which is why the e2e
// suite runs alone on its display (RESOURCE_LOCK in cmake/wine_tests.cmake).
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

enum class IconKind {
    None,        // STM_GETICON gives NULL
    Error,       // IDI_HAND (MB_ICONERROR)
    Warning,     // IDI_EXCLAMATION (MB_ICONWARNING)
    Information, // IDI_ASTERISK
    Question,    // IDI_QUESTION
    Unknown,     // an icon that matched none of the four (not painted yet, covered, ...)
};

const char* toString(IconKind kind);

// The icon shown by the icon control (id 0x440) of a message box; polls the screen
// until the pixels match a system icon or the time is over (then Unknown).
IconKind messageBoxIcon(HWND box, DWORD timeoutMs);

} // namespace e2e
