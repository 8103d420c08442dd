// Test doubles shared by the fault, file and fuzz harnesses: a scripted main window
// that records every message box together with the control value at that moment, a
// port wrapper that counts register accesses, and a clock that runs fast so that a
// silent pulse timer costs milliseconds instead of a second of real time.
#pragma once

#include "device/programmer_port.h"
#include "ui/dialog_window.h"
#include "ui/messages.h"
#include "ui/program_state.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rfprog::hardening {

// Advances one millisecond on every look, so the write's pulse bound of one second is
// reached after about a thousand looks (a quarter of a million status reads).
inline std::uint32_t fastClock() {
    static std::uint32_t now = 0;
    return ++now;
}

struct ShownBox {
    std::u16string text;
    bool hasCaption = false;
    std::u16string caption;
    MessageKind kind = MessageKind::Info;
    std::uint8_t controlWhenShown = 0; // the control register while the box is up
};

// The catalogue entry whose text, caption and kind the box shows; null for anything else.
inline const MessageEntry* catalogueEntry(const ShownBox& box) {
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

inline bool shows(const ShownBox& box, Message id) {
    const MessageEntry* entry = catalogueEntry(box);
    return entry != nullptr && entry->id == id;
}

class ScriptedWindow final : public DialogWindow {
  public:
    std::size_t fieldText(int id, std::span<char16_t> buffer) override {
        ++fieldReads[id];
        const std::u16string& text = fields[id];
        const std::size_t limit = std::min(text.find(u'\0'), text.size());
        const std::size_t count = std::min(limit, buffer.size() - 1);
        std::copy_n(text.begin(), count, buffer.begin());
        buffer[count] = 0;
        return count;
    }
    std::size_t fieldText8(int id, std::span<char> buffer) override {
        ++fieldReads[id];
        const std::string& text = fields8[id];
        const std::size_t limit = std::min(text.find('\0'), text.size());
        const std::size_t count = std::min(limit, buffer.size() - 1);
        std::copy_n(text.begin(), count, buffer.begin());
        buffer[count] = 0;
        return count;
    }
    void setFieldText(int id, const char16_t* text) override { fields[id] = text; }
    bool isChecked(int id) override { return checked.count(id) != 0; }
    bool isSourceChecked(std::intptr_t) override { return sourceChecked; }
    void showControl(int id, bool visible) override { shownControls.push_back({id, visible}); }
    int messageBox(const char16_t* text, const char16_t* caption, MessageKind kind) override {
        ShownBox box{text, caption != nullptr, caption != nullptr ? caption : u"", kind,
                     control ? control() : std::uint8_t{0}};
        boxes.push_back(box);
        if (answer) {
            return answer(box);
        }
        // Questions are answered Yes, every other box with OK.
        return kind == MessageKind::Question || kind == MessageKind::WarningQuestion ? AnswerYes
                                                                                     : 1;
    }
    bool browseForFile() override {
        if (!browseChoice) {
            return false;
        }
        std::fill(FileNameBuffer.begin(), FileNameBuffer.end(), u'\0');
        const std::size_t count = std::min(browseChoice->size(), FileNameBuffer.size() - 1);
        std::copy_n(browseChoice->begin(), count, FileNameBuffer.begin());
        return true;
    }
    void endDialog() override { ++endDialogCalls; }

    // Set-up.
    std::map<int, std::u16string> fields; // UTF-16 texts (file name)
    std::map<int, std::string> fields8;   // 8-bit texts (the hexadecimal fields)
    std::set<int> checked;
    bool sourceChecked = false;
    std::optional<std::u16string> browseChoice;
    std::function<int(const ShownBox&)> answer; // the operator; null: Yes and OK
    std::function<std::uint8_t()> control;      // the board's control register, if any

    // Observation.
    std::vector<ShownBox> boxes;
    std::map<int, int> fieldReads;
    std::vector<std::pair<int, bool>> shownControls;
    int endDialogCalls = 0;
};

// Forwards to another port and counts each kind of access.
class CountingPort final : public ProgrammerPort {
  public:
    explicit CountingPort(ProgrammerPort& inner) : inner_(inner) {}

    void writeControl(ControlValue value) override {
        ++controlWrites;
        inner_.writeControl(value);
    }
    void writeData(std::uint8_t value) override {
        ++dataWrites;
        inner_.writeData(value);
    }
    std::uint8_t readData() override {
        ++dataReads;
        return inner_.readData();
    }
    std::uint8_t readStatus() override {
        ++statusReads;
        return inner_.readStatus();
    }

    std::uint64_t total() const { return controlWrites + dataWrites + dataReads + statusReads; }
    void clear() { controlWrites = dataWrites = dataReads = statusReads = 0; }

    std::uint64_t controlWrites = 0;
    std::uint64_t dataWrites = 0;
    std::uint64_t dataReads = 0;
    std::uint64_t statusReads = 0;

  private:
    ProgrammerPort& inner_;
};

} // namespace rfprog::hardening
