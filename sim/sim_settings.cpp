#include "sim/sim_settings.h"

#include <charconv>
#include <utility>

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

// A number in base below limit: a data line, a counter output, a ROM address.
struct NumberForm {
    int base;
    std::uint32_t limit;
};

constexpr NumberForm DataLine{10, DataLines};
constexpr NumberForm AddressLine{10, AddressLines};
constexpr NumberForm RomAddress{16, RomSize};

bool parseBounded(std::string_view text, NumberForm form, std::uint32_t& value) {
    return parseNumber(text, value, form.base) && value < form.limit;
}

// "FIRST<separator>SECOND", two numbers; cut without substr, whose range check would
// bring the exception runtime along.
bool parsePair(std::string_view text, char separator, NumberForm firstForm, std::uint32_t& first,
               NumberForm secondForm, std::uint32_t& second) {
    const std::size_t at = text.find(separator);
    return at != std::string_view::npos &&
           parseBounded(std::string_view(text.data(), at), firstForm, first) &&
           parseBounded(std::string_view(text.data() + at + 1, text.size() - at - 1), secondForm,
                        second);
}

// addr-stuck0=N, addr-stuck1=N: one line more each time; a line stuck both ways is refused.
bool addAddressStuck(std::string_view text, std::uint16_t& stuck, std::uint16_t other) {
    std::uint32_t line = 0;
    if (!parseBounded(text, AddressLine, line) || ((other >> line) & 1) != 0) {
        return false;
    }
    stuck = static_cast<std::uint16_t>(stuck | (1U << line));
    return true;
}

// short=K-L, two different data lines.
bool addShort(BoardFaults& faults, std::string_view text) {
    std::uint32_t k = 0;
    std::uint32_t l = 0;
    if (!parsePair(text, '-', DataLine, k, DataLine, l) || k == l ||
        faults.shortCount == MaxListedFaults) {
        return false;
    }
    faults.shorts[faults.shortCount++] = static_cast<std::uint8_t>((1U << k) | (1U << l));
    return true;
}

// flaky=AAA:B, a hexadecimal ROM address and a data bit; bits of one address share its reads.
bool addFlaky(BoardFaults& faults, std::string_view text) {
    std::uint32_t address = 0;
    std::uint32_t bit = 0;
    if (!parsePair(text, ':', RomAddress, address, DataLine, bit)) {
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

// Faults named by one word alone.
constexpr std::pair<std::string_view, bool BoardFaults::*> WordFaults[] = {
    {"absent", &BoardFaults::absent},
    {"nodriver", &BoardFaults::noDriver},
    {"unprogrammable", &BoardFaults::unprogrammable},
};

// stuck0=HH, stuck1=HH: the data bits that always read 0, or 1.
constexpr std::pair<std::string_view, std::uint8_t BoardFaults::*> StuckDataFaults[] = {
    {"stuck0=", &BoardFaults::stuckAtZero},
    {"stuck1=", &BoardFaults::stuckAtOne},
};

bool applyFault(BoardFaults& faults, std::string_view word) {
    for (const auto& [name, fault] : WordFaults) {
        if (word == name) {
            faults.*fault = true;
            return true;
        }
    }
    for (const auto& [prefix, bits] : StuckDataFaults) {
        if (takePrefix(word, prefix)) {
            return parseNumber(word, faults.*bits, 16);
        }
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
