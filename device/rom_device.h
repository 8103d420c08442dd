// RomDevice: the board's address counter, ROM reading and programming, expressed
// as sequences of register accesses on a ProgrammerPort.
#pragma once

#include "device/monotonic_clock.h"
#include "device/programmer_port.h"

#include <cstdint>
#include <span>

namespace rfprog {

// Told after each byte of a block operation; answering false stops the operation there,
// between two bytes. Observers add no port access, so the traffic stays that of the board.
class ByteObserver {
  public:
    virtual bool byteDone(std::uint32_t bytesDone, std::uint32_t bytesTotal) = 0;

  protected:
    ByteObserver() = default;
    ByteObserver(const ByteObserver&) = default;
    ByteObserver& operator=(const ByteObserver&) = default;
    ~ByteObserver() = default;
};

// How a programming run ended. stoppedAt is the ROM address of the first byte the run did
// not finish: the one whose pulse the timer never ended, the one after the byte at which
// the observer stopped it, or the block's end.
struct ProgrammingResult {
    std::uint32_t stoppedAt = 0;
    std::uint32_t pulsesGiven = 0; // pulses the timer ended; an unanswered one is not counted
    bool timerSilent = false;      // a pulse went unanswered: no byte after it got one
    bool interrupted = false;      // the observer stopped the run before the block's end

    bool finished() const { return !timerSilent && !interrupted; }
};

class RomDevice {
  public:
    explicit RomDevice(ProgrammerPort& port, MillisecondClock clock = monotonicMilliseconds)
        : port_(port), clock_(clock) {}

    // Primitives.
    void resetAddress();
    void advanceAddress(std::uint32_t count);
    std::uint8_t readRomByte();

    // Block operations; callers guarantee 1 <= size and romOffset + size <= RomSize.
    void readRomBlock(std::span<std::uint8_t> buffer, std::uint32_t romOffset);
    // Compares the block with buffer and stops at the first difference: -1 right after the
    // differing byte is read (no step, no further reads), 0 when every byte is equal.
    // readAndCompareWholeBlock (device/whole_block_comparison.h) reads every byte instead.
    int verifyRomBlock(std::span<const std::uint8_t> buffer, std::uint32_t romOffset);
    int blankCheck();

    // Programming and the emulator; same guarantees as above. A pulse the timer has not
    // ended within PulseTimeoutMs ends the write: the voltage goes off (control 0x00) and
    // the port is not touched again.
    ProgrammingResult programRomBlock(std::span<const std::uint8_t> buffer,
                                      std::uint32_t romOffset);
    void loadEmulatorBlock(std::span<const std::uint8_t> buffer, std::uint32_t romOffset);
    // Fires one pulse; the status reads still allowed when the timer answered (counting
    // that read), 0 when it never did. Leaves the programming voltage on.
    int testPulseTimer();
    // The calibration hold: programming voltage on alone, or everything off.
    void holdProgrammingVoltage();
    void switchOff();

    // Progress and interruption for block operations; none by default.
    void setObserver(ByteObserver* observer) { observer_ = observer; }

    // Programming that passes over bytes: buffer[i] gets its pulse only where pulse[i] is
    // set (pulse is as long as buffer). A byte passed over gets no data write and no pulse,
    // only the counter step 0x0D, 0x0C with the voltage kept on, so the voltage still goes
    // on and off once for the block. When no byte is marked there is no port access at
    // all. The observer is told after every byte, passed over or not, with the pulses
    // given and the pulses marked: the time of a write is in its pulses.
    ProgrammingResult programSelectedBytes(std::span<const std::uint8_t> buffer,
                                           std::span<const bool> pulse, std::uint32_t romOffset);

    static constexpr int PulseTimerReads = 20000;
    // A pulse whose timer has not answered by then is abandoned with the voltage off.
    static constexpr std::uint32_t PulseTimeoutMs = 1000;
    // Status reads between two looks at the clock; keeps the poll free of pauses.
    static constexpr std::uint32_t StatusReadsPerClockCheck = 256;

  private:
    bool waitForPulseEnd();
    // The programming sequence of both writes; an empty pulse marks every byte.
    ProgrammingResult programBytes(std::span<const std::uint8_t> buffer,
                                   std::span<const bool> pulse, std::uint32_t pulsesMarked,
                                   std::uint32_t romOffset);
    bool proceed(std::size_t bytesDone, std::size_t bytesTotal);

    ProgrammerPort& port_;
    MillisecondClock clock_;
    ByteObserver* observer_ = nullptr;
};

} // namespace rfprog
