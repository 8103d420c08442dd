#include "cli/progress.h"

#include "cli/platform.h"
#include "device/monotonic_clock.h"

namespace rfprog::cli {

namespace {

constexpr std::uint32_t BarWidth = 30;
constexpr std::uint32_t RedrawMs = 200; // between redraws at the same percent

void addTime(Line& line, std::uint32_t ms) {
    const std::uint32_t seconds = ms / 1000;
    const Number minutes = Number::decimal(seconds / 60);
    const Number rest = Number::decimal(seconds % 60);
    line.add(minutes.view()).add(':');
    if (seconds % 60 < 10) {
        line.add('0');
    }
    line.add(rest.view());
}

} // namespace

void Progress::begin(Text operation, bool estimate) {
    operation_ = operation;
    estimate_ = estimate;
    passIndex_ = 0;
    passCount_ = 1;
    start_ = monotonicMilliseconds();
    lastDraw_ = start_;
    lastPercent_ = 0;
    drawnWidth_ = 0;
    complete_ = false;
    if (shown_) {
        draw(0, 1, 0);
    }
}

void Progress::pass(std::uint32_t index, std::uint32_t count) {
    passIndex_ = index;
    passCount_ = count;
}

void Progress::end() {
    if (shown_ && drawnWidth_ > 0) {
        Line line;
        line.add('\r').add(' ', drawnWidth_).add('\r');
        writeText(Stream::Err, line.view());
    }
    drawnWidth_ = 0;
}

bool Progress::byteDone(std::uint32_t passBytesDone, std::uint32_t passBytes) {
    if (interruptRequested()) {
        return false;
    }
    // A write passes over the bytes after its last pulse still at 100%: that line is
    // drawn once.
    if (!shown_ || passBytes == 0 || complete_) {
        return true;
    }
    const std::uint32_t bytesDone = passIndex_ * passBytes + passBytesDone;
    const std::uint32_t bytesTotal = passCount_ * passBytes;
    const std::uint32_t now = monotonicMilliseconds();
    const std::uint32_t percent = bytesDone * 100 / bytesTotal;
    if (percent != lastPercent_ || now - lastDraw_ >= RedrawMs || bytesDone == bytesTotal) {
        lastPercent_ = percent;
        lastDraw_ = now;
        complete_ = bytesDone == bytesTotal;
        draw(bytesDone, bytesTotal, now - start_);
    }
    return true;
}

void Progress::draw(std::uint32_t bytesDone, std::uint32_t bytesTotal, std::uint32_t elapsed) {
    const std::uint32_t filled = bytesDone * BarWidth / bytesTotal;
    const Number percent = Number::decimal(bytesDone * 100 / bytesTotal);
    Line line;
    line.add('\r').add(console_.text(operation_)).add(" [").add('#', filled);
    line.add('.', BarWidth - filled).add("] ");
    line.add(' ', 3 - percent.view().size()).add(percent.view()).add("%  ");
    addTime(line, elapsed);
    if (estimate_ && bytesDone > 0 && bytesDone < bytesTotal) {
        const std::uint64_t left =
            static_cast<std::uint64_t>(elapsed) * (bytesTotal - bytesDone) / bytesDone;
        Line time;
        addTime(time, static_cast<std::uint32_t>(left));
        line.add("  ").format(console_.text(Text::ProgressLeft), {time.view()});
    }
    // Blanks over whatever a longer line before left behind.
    const std::size_t width = line.size();
    if (width < drawnWidth_) {
        line.add(' ', drawnWidth_ - width);
    }
    drawnWidth_ = width > drawnWidth_ ? width : drawnWidth_;
    writeText(Stream::Err, line.view());
}

} // namespace rfprog::cli
