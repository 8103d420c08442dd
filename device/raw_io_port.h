// The programmer port through raw port I/O (inb/outb after ioperm): reaches a card at any
// base address, including those the kernel's driver does not handle. Needs root or
// CAP_SYS_RAWIO, and Secure Boot lockdown forbids it; /dev/parportN is the way there.
//
// A PCIe card's extended control register (ECR) lies in an I/O range of its own, never
// assumed at base + 0x402: it is used only when its address is given. While the port is
// open the ECR holds byte (PS/2) mode, so that the data lines can turn to input; close()
// puts the old value back.
#pragma once

#include "device/port_open_error.h"
#include "device/programmer_port.h"

#include <cstdint>
#include <optional>

namespace rfprog {

// The system operations that raw port access is made of: the system's own by default,
// scripted in tests.
struct PortIo {
    std::uint8_t (*in)(std::uint16_t port);
    void (*out)(std::uint16_t port, std::uint8_t value);
    // ioperm over count ports from the first: 0, or the errno value of the refusal.
    int (*permit)(std::uint16_t first, std::uint16_t count, bool on);
};

// inb, outb and ioperm; where the system has no port I/O, permit answers ENOSYS.
PortIo systemPortIo();

// The ECR check: a present ECR reads back what was written with bit 0 set (FIFO empty).
inline constexpr std::uint8_t EcrProbe = 0x34;
inline constexpr std::uint8_t EcrProbeAnswer = 0x35;

// Mode bits 7-5 set to 001 (byte mode); the interrupt and DMA bits are kept.
constexpr std::uint8_t byteModeEcr(std::uint8_t ecr) {
    return static_cast<std::uint8_t>((ecr & 0x1F) | 0x20);
}

class RawIoPort final : public ProgrammerPort {
  public:
    explicit RawIoPort(PortIo io = systemPortIo()) : io_(io) {}
    RawIoPort(const RawIoPort&) = delete;
    RawIoPort& operator=(const RawIoPort&) = delete;
    ~RawIoPort() { close(); }

    // base must satisfy isUsablePortBase and the ECR, when given, must lie outside the
    // three registers at 0x100 or above; anything else is refused as Failed. Sets the
    // board idle first. On failure nothing stays open and the ECR keeps its value.
    PortOpenError open(std::uint16_t base, std::optional<std::uint16_t> ecr);
    // Board idle, old ECR value back, access given up; does nothing when not open.
    void close();
    bool isOpen() const { return open_; }

    void writeControl(ControlValue value) override;
    void writeData(std::uint8_t value) override;
    std::uint8_t readData() override;
    std::uint8_t readStatus() override;

  private:
    void giveUpAccess();

    PortIo io_;
    bool open_ = false;
    std::uint16_t base_ = 0;
    std::optional<std::uint16_t> ecr_;
    std::uint8_t savedEcr_ = 0;
};

} // namespace rfprog
