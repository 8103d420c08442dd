// The programmer port through the kernel's parallel-port driver, /dev/parportN: it needs
// only membership of group lp and still works under Secure Boot lockdown.
//
// The kernel shapes how the four accesses become ioctls:
// - PPCLAIM restores the port's saved state, control 0x0C: programming voltage on for
//   this board. open() writes 0x00 straight after the claim, close() before the release.
// - PPWCONTROL passes bits 0-3 only. Bit 5 turns the data lines to input but never back,
//   so the direction is kept here and set with PPDATADIR: before the control write when
//   the lines turn to input, after it when they turn to output, so that the PC and the
//   board never drive the lines at the same time. 0xAA is PPDATADIR(1) + PPWCONTROL(0x0A).
// - PPRDATA, PPWDATA and PPRSTATUS are the plain register accesses; PPRSTATUS gives the
//   raw status byte.
#pragma once

#include "device/port_open_error.h"
#include "device/programmer_port.h"

#include <linux/parport.h>

#include <cstdint>

namespace rfprog {

// The control bits that PPWCONTROL passes on, and the data-direction bit (1: input).
inline constexpr std::uint8_t PpdevControlLines =
    PARPORT_CONTROL_STROBE | PARPORT_CONTROL_AUTOFD | PARPORT_CONTROL_INIT | PARPORT_CONTROL_SELECT;
inline constexpr std::uint8_t LinesInBit = 0x20;

class PpdevPort final : public ProgrammerPort {
  public:
    PpdevPort() = default;
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;
    ~PpdevPort() { close(); }

    // Opens, checks that the port can turn its data lines to input, claims it
    // exclusively and sets the board idle. On failure nothing stays open.
    PortOpenError open(const char* path);
    // Board idle, lines back to output, port released and closed; does nothing when
    // not open.
    void close();
    bool isOpen() const { return fd_ >= 0; }

    void writeControl(ControlValue value) override;
    void writeData(std::uint8_t value) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;

  private:
    int fd_ = -1;
    bool linesIn_ = false; // data lines turned to input
};

} // namespace rfprog
