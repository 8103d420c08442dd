// A scripted main window: field texts, check boxes and the operator's answers are
// set up by the test; every message box and window operation is recorded.
#pragma once

#include "ui/dialog_window.h"
#include "ui/program_state.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rfprog::test {

struct ShownMessage {
    std::u16string text;
    bool hasCaption;
    std::u16string caption;
    MessageKind kind;
};

class FakeWindow final : public DialogWindow {
  public:
    std::size_t fieldText(int id, std::span<char16_t> buffer) override {
        ++fieldReads[id];
        const std::u16string& text = fields[id];
        const std::size_t count = std::min(text.size(), buffer.size() - 1);
        std::copy_n(text.begin(), count, buffer.begin());
        buffer[count] = 0;
        return count;
    }
    std::size_t fieldText8(int id, std::span<char> buffer) override {
        ++fieldReads[id];
        const std::string& text = fields8.count(id) ? fields8[id] : narrow(fields[id]);
        const std::size_t count = std::min(text.size(), buffer.size() - 1);
        std::copy_n(text.begin(), count, buffer.begin());
        buffer[count] = 0;
        return count;
    }
    void setFieldText(int id, const char16_t* text) override { fields[id] = text; }
    bool isChecked(int id) override {
        checkReads.push_back(id);
        return checked.count(id) != 0;
    }
    bool isSourceChecked(std::intptr_t controlHandle) override {
        sourceQueries.push_back(controlHandle);
        return sourceChecked;
    }
    void showControl(int id, bool visible) override { shown.push_back({id, visible}); }
    int messageBox(const char16_t* text, const char16_t* caption, MessageKind kind) override {
        messages.push_back({text, caption != nullptr, caption ? caption : u"", kind});
        if (onMessage) {
            onMessage(messages.back());
        }
        if (answers.empty()) {
            return kind == MessageKind::Question || kind == MessageKind::WarningQuestion ? 7 : 1;
        }
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    bool browseForFile() override {
        browseInitialName = FileNameBuffer.data();
        if (!browseChoice) {
            return false;
        }
        std::fill(FileNameBuffer.begin(), FileNameBuffer.end(), u'\0');
        std::copy(browseChoice->begin(), browseChoice->end(), FileNameBuffer.begin());
        return true;
    }
    void endDialog() override { ++endDialogCalls; }

    // Set-up.
    std::map<int, std::u16string> fields;
    std::map<int, std::string> fields8; // 8-bit texts that differ from the UTF-16 ones
    std::set<int> checked;
    bool sourceChecked = false;
    std::deque<int> answers; // buttons the operator presses, in order
    std::function<void(const ShownMessage&)> onMessage;
    std::optional<std::u16string> browseChoice;

    // Observation.
    std::vector<ShownMessage> messages;
    std::map<int, int> fieldReads;
    std::vector<int> checkReads;
    std::vector<std::intptr_t> sourceQueries;
    std::vector<std::pair<int, bool>> shown;
    std::u16string browseInitialName;
    int endDialogCalls = 0;

  private:
    // Non-ASCII units become '?', as a single-byte code page would show them.
    static std::string narrow(const std::u16string& text) {
        std::string out;
        for (char16_t c : text) {
            out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
        }
        return out;
    }
};

} // namespace rfprog::test
