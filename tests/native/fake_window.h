// A scripted main window: field texts, check boxes and the operator's answers are
// set up by the test; every message box and window operation is recorded.
#pragma once

#include "ui/dialog_window.h"
#include "ui/messages.h"
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
    Answer answer; // the button pressed
};

// The catalogue entry whose text, caption and kind the box shows; null for anything else.
inline const MessageEntry* catalogueEntry(const ShownMessage& box) {
    for (const MessageEntry& entry : MessageCatalogue) {
        const bool captionMatches = entry.caption == nullptr
                                        ? !box.hasCaption
                                        : box.hasCaption && box.caption == entry.caption;
        if (box.text == entry.text && captionMatches && box.kind == entry.kind) {
            return &entry;
        }
    }
    return nullptr;
}

inline bool shows(const ShownMessage& box, Message id) {
    const MessageEntry* entry = catalogueEntry(box);
    return entry != nullptr && entry->id == id;
}

class FakeWindow final : public DialogWindow {
  public:
    std::size_t fieldText(int id, std::span<char16_t> buffer) override {
        return copyField(id, fields[id], buffer);
    }
    std::size_t fieldText8(int id, std::span<char> buffer) override {
        return copyField(id, fields8[id], buffer);
    }
    void setFieldText(int id, const char16_t* text) override { fields[id] = text; }
    bool isChecked(int id) override {
        checkReads.push_back(id);
        return checked.count(id) != 0;
    }
    bool isCommandSourceChecked() override {
        ++sourceQueries;
        return sourceChecked;
    }
    void showControl(int id, bool visible) override { shown.push_back({id, visible}); }
    Answer messageBox(const char16_t* text, const char16_t* caption, MessageKind kind) override {
        Answer answer = kind == MessageKind::Question || kind == MessageKind::WarningQuestion
                            ? Answer::Yes
                            : Answer::Ok;
        if (!answers.empty()) {
            answer = answers.front();
            answers.pop_front();
        }
        messages.push_back({text, caption != nullptr, caption ? caption : u"", kind, answer});
        if (onMessage) {
            onMessage(messages.back());
        }
        return answer;
    }
    bool browseForFile(std::span<char16_t> fileName) override {
        browseInitialName = fileName.data();
        browseBufferSize = fileName.size();
        if (!browseChoice) {
            return false;
        }
        std::fill(fileName.begin(), fileName.end(), u'\0');
        const std::size_t count = std::min(browseChoice->size(), fileName.size() - 1);
        std::copy_n(browseChoice->begin(), count, fileName.begin());
        return true;
    }
    void endDialog() override { ++endDialogCalls; }

    // Set-up.
    std::map<int, std::u16string> fields; // UTF-16 texts (the file name)
    std::map<int, std::string> fields8;   // 8-bit texts (the hexadecimal fields)
    std::set<int> checked;
    bool sourceChecked = false;
    std::deque<Answer> answers; // buttons the operator presses, in order; then Yes and OK
    std::function<void(const ShownMessage&)> onMessage; // called while each box is up
    std::optional<std::u16string> browseChoice;

    // Observation.
    std::vector<ShownMessage> messages;
    std::map<int, int> fieldReads;
    std::vector<int> checkReads;
    int sourceQueries = 0;
    std::vector<std::pair<int, bool>> shown;
    std::u16string browseInitialName;
    std::size_t browseBufferSize = 0;
    int endDialogCalls = 0;

  private:
    // A control's text ends at its first zero; the copy is cut to the buffer.
    template <typename Char>
    std::size_t copyField(int id, const std::basic_string<Char>& text, std::span<Char> buffer) {
        ++fieldReads[id];
        const std::size_t count = std::min({text.find(Char{}), text.size(), buffer.size() - 1});
        std::copy_n(text.begin(), count, buffer.begin());
        buffer[count] = 0;
        return count;
    }
};

} // namespace rfprog::test
