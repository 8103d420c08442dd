// The byte observer of the program's block operations: it stops them between bytes when
// the operator interrupts, and, while a terminal shows standard error, draws the progress
// line: operation, bar, percent, elapsed time and, for writes, an estimate of the rest
// (a write counts its pulses, which take its time, not the bytes it passes over).
// It never touches the port.
#pragma once

#include "cli/output.h"
#include "device/rom_device.h"

#include <cstdint>

namespace rfprog::cli {

class Progress final : public ByteObserver {
  public:
    Progress(const Console& console, bool shown) : console_(console), shown_(shown) {}

    void begin(Text operation, bool estimate);
    // For an operation made of count passes over one block, before pass index (from 0):
    // the display counts the bytes of every pass.
    void pass(std::uint32_t index, std::uint32_t count);
    void end(); // clears the progress line
    bool byteDone(std::uint32_t bytesDone, std::uint32_t bytesTotal) override;

  private:
    void draw(std::uint32_t bytesDone, std::uint32_t bytesTotal, std::uint32_t elapsed);

    const Console& console_;
    bool shown_;
    Text operation_ = Text::ProgressRead;
    bool estimate_ = false;
    std::uint32_t passIndex_ = 0;
    std::uint32_t passCount_ = 1;
    std::uint32_t start_ = 0;
    std::uint32_t lastDraw_ = 0;
    std::uint32_t lastPercent_ = 0;
    bool complete_ = false; // the 100% line is drawn
    std::size_t drawnWidth_ = 0;
};

} // namespace rfprog::cli
