#include "sim/sim_settings.h"

#include <charconv>

namespace rfprog::sim {

namespace {

template <typename Number>
bool parseNumber(std::string_view text, Number& value, int base) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, base);
    return error == std::errc() && stop == end && !text.empty();
}

constexpr std::uint32_t AddressLines = 11; // A0..A10
constexpr std::uint32_t DataLines = 8;

// "name=" at the start of word, taken off.
bool takePrefix(std::string_view& word, std::string_view name) {
    if (!word.starts_with(name)) {
        return false;
    }
    word.remove_prefix(name.size());
    return true;
}

// "FIRST<separator>SECOND", cut without substr, whose range check would bring the
// exception runtime along.
bool split(std::string_view text, char separator, std::string_view& first,
           std::string_view& second) {
    const std::size_t at = text.find(separator);
    if (at == std::string_view::npos) {
        return false;
    }
    first = std::string_view(text.data(), at);
    second = std::string_view(text.data() + at + 1, text.size() - at - 1);
    return true;
}

// A decimal line number below count.
bool parseLine(std::string_view text, std::uint32_t count, std::uint32_t& line) {
    return parseNumber(text, line, 10) && line < count;
}

// addr-stuck0=N, addr-stuck1=N: one line more each time; a line stuck both ways is refused.
bool addAddressStuck(std::string_view text, std::uint16_t& stuck, std::uint16_t other) {
    std::uint32_t line = 0;
    if (!parseLine(text, AddressLines, line) || ((other >> line) & 1) != 0) {
        return false;
    }
    stuck = static_cast<std::uint16_t>(stuck | (1U << line));
    return true;
}

// short=K-L, two different data lines.
bool addShort(BoardFaults& faults, std::string_view text) {
    std::string_view first;
    std::string_view second;
    std::uint32_t k = 0;
    std::uint32_t l = 0;
    if (!split(text, '-', first, second) || !parseLine(first, DataLines, k) ||
        !parseLine(second, DataLines, l) || k == l || faults.shortCount == MaxListedFaults) {
        return false;
    }
    faults.shorts[faults.shortCount++] = static_cast<std::uint8_t>((1U << k) | (1U << l));
    return true;
}

// flaky=AAA:B, a hexadecimal ROM address and a data bit; bits of one address share its reads.
bool addFlaky(BoardFaults& faults, std::string_view text) {
    std::string_view addressText;
    std::string_view bitText;
    std::uint32_t address = 0;
    std::uint32_t bit = 0;
    if (!split(text, ':', addressText, bitText) || !parseNumber(addressText, address, 16) ||
        address >= RomSize || !parseLine(bitText, DataLines, bit)) {
        return false;
    }
    for (std::size_t i = 0; i < faults.flakyCount; ++i) {
        if (faults.flaky[i].address == address) {
            faults.flaky[i].mask = static_cast<std::uint8_t>(faults.flaky[i].mask | (1U << bit));
            return true;
        }
    }
    if (faults.flakyCount == MaxListedFaults) {
        return false;
    }
    faults.flaky[faults.flakyCount++] = {address, static_cast<std::uint8_t>(1U << bit)};
    return true;
}

bool applyFault(BoardFaults& faults, std::string_view word) {
    if (word == "absent") {
        faults.absent = true;
        return true;
    }
    if (word == "nodriver") {
        faults.noDriver = true;
        return true;
    }
    if (word == "unprogrammable") {
        faults.unprogrammable = true;
        return true;
    }
    if (word.starts_with("stuck0=")) {
        word.remove_prefix(7);
        return parseNumber(word, faults.stuckAtZero, 16);
    }
    if (word.starts_with("stuck1=")) {
        word.remove_prefix(7);
        return parseNumber(word, faults.stuckAtOne, 16);
    }
    if (takePrefix(word, "addr-stuck0=")) {
        return addAddressStuck(word, faults.addressStuckAtZero, faults.addressStuckAtOne);
    }
    if (takePrefix(word, "addr-stuck1=")) {
        return addAddressStuck(word, faults.addressStuckAtOne, faults.addressStuckAtZero);
    }
    if (takePrefix(word, "short=")) {
        return addShort(faults, word);
    }
    if (takePrefix(word, "flaky=")) {
        return addFlaky(faults, word);
    }
    return word.empty();
}

} // namespace

bool applyTimerSetting(SimulatedBoard& board, std::string_view timer) {
    if (timer == "never") {
        board.timerAnswersOnRead = SimulatedBoard::TimerNeverAnswers;
        return true;
    }
    std::uint32_t read = 0;
    if (timer.empty() || !parseNumber(timer, read, 10)) {
        return timer.empty();
    }
    board.timerAnswersOnRead = read;
    return true;
}

bool applyFaultsSetting(SimulatedBoard& board, std::string_view faults) {
    bool understood = true;
    while (!faults.empty()) {
        const std::size_t comma = faults.find(',');
        // Cut without substr, whose range check would bring the exception runtime along.
        const std::size_t end = comma == std::string_view::npos ? faults.size() : comma;
        understood = applyFault(board.faults, std::string_view(faults.data(), end)) && understood;
        faults.remove_prefix(comma == std::string_view::npos ? end : end + 1);
    }
    return understood;
}

bool applySettings(SimulatedBoard& board, std::string_view timer, std::string_view faults) {
    const bool timerUnderstood = applyTimerSetting(board, timer);
    return applyFaultsSetting(board, faults) && timerUnderstood;
}

} // namespace rfprog::sim
