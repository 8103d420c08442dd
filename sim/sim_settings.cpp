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
