// Shared expectations of the end-to-end tests: the message kinds, test
// data, and the start-up traffic.
#pragma once

#include "tests/e2e/rfprog_process.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace e2e {

// One message box as the program shows it.
struct ExpectedBox {
    std::wstring text;
    std::wstring caption;
    IconKind icon;
    std::vector<int> buttons;
    int defaultButton;
};

// The message kinds. Button ids: IDOK 1, IDYES 6, IDNO 7.
inline ExpectedBox infoBox(const std::wstring& text, const std::wstring& caption = ProgramCaption) {
    return {text, caption, IconKind::None, {IDOK}, IDOK};
}
inline ExpectedBox errorBox(const std::wstring& text,
                            const std::wstring& caption = ProgramCaption) {
    return {text, caption, IconKind::Error, {IDOK}, IDOK};
}
inline ExpectedBox warningBox(const std::wstring& text) {
    return {text, ProgramCaption, IconKind::Warning, {IDOK}, IDOK};
}
inline ExpectedBox questionBox(const std::wstring& text) {
    return {text, ProgramCaption, IconKind::None, {IDYES, IDNO}, IDNO};
}
inline ExpectedBox warningQuestionBox(const std::wstring& text) {
    return {text, ProgramCaption, IconKind::Warning, {IDYES, IDNO}, IDNO};
}

inline std::string describeButtons(const std::vector<int>& buttons) {
    std::string text;
    for (const int id : buttons) {
        text += (text.empty() ? "" : ",") + std::to_string(id);
    }
    return "{" + text + "}";
}

// The box shows the expected text, caption, icon and buttons and is owned by the dialog.
inline ::testing::AssertionResult isMessage(const MessageBoxInfo& box, const ExpectedBox& expected,
                                            HWND mainDialog) {
    std::string problems;
    if (box.text != expected.text) {
        problems += "\n  text \"" + utf8(box.text) + "\", expected \"" + utf8(expected.text) + "\"";
    }
    if (box.caption != expected.caption) {
        problems += "\n  caption \"" + utf8(box.caption) + "\", expected \"" +
                    utf8(expected.caption) + "\"";
    }
    if (box.icon != expected.icon) {
        problems +=
            std::string("\n  ") + toString(box.icon) + ", expected " + toString(expected.icon);
    }
    if (box.buttons != expected.buttons) {
        problems += "\n  buttons " + describeButtons(box.buttons) + ", expected " +
                    describeButtons(expected.buttons);
    }
    if (box.defaultButton != expected.defaultButton) {
        problems += "\n  default button " + std::to_string(box.defaultButton) + ", expected " +
                    std::to_string(expected.defaultButton);
    }
    if (box.owner != mainDialog) {
        problems += "\n  the box is not owned by the main dialog";
    }
    if (problems.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "message box \"" << utf8(box.text) << "\":" << problems;
}

// Posts a command to the main dialog and waits for the message box it shows.
inline std::optional<MessageBoxInfo> commandToMessage(RfprogProcess& program, int id) {
    program.command(id);
    return program.waitMessageBox();
}

// Dismisses the command's last message with OK and closes the program (exit code 0).
inline void dismissAndClose(RfprogProcess& program, const MessageBoxInfo& box) {
    ASSERT_TRUE(program.answer(box, IDOK));
    EXPECT_TRUE(program.closeAndWait());
}

// The traffic of start-up: the single control write 0x00.
inline Traffic startupTraffic() {
    return Traffic().control(0x00);
}

// Nothing shown and no port access beyond start-up; then the program closes (exit code 0).
inline void expectQuietAndClose(RfprogProcess& program) {
    EXPECT_TRUE(program.noMessageBox());
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
    EXPECT_TRUE(program.closeAndWait());
}

// The program ends by itself with exit code 0, having done no more than start-up on the port.
inline void expectExitCodeZero(RfprogProcess& program) {
    const auto code = program.waitExit();
    ASSERT_TRUE(code.has_value()) << "rfprog.exe did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_TRUE(sameTraffic(program.trace().accesses(), startupTraffic().accesses()));
}

inline Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t length) {
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                 bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
}

} // namespace e2e
