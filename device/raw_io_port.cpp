#include "device/raw_io_port.h"

#include <cerrno>

#if defined(__x86_64__) || defined(__i386__)
#include <sys/io.h>
#define RFPROG_HAS_PORT_IO 1
#endif

namespace rfprog {

namespace {

constexpr std::uint16_t RegisterCount = 3;

#ifdef RFPROG_HAS_PORT_IO
std::uint8_t systemIn(std::uint16_t port) {
    return inb(port);
}
void systemOut(std::uint16_t port, std::uint8_t value) {
    outb(value, port);
}
int systemPermit(std::uint16_t first, std::uint16_t count, bool on) {
    return ioperm(first, count, on ? 1 : 0) == 0 ? 0 : errno;
}
#else
std::uint8_t systemIn(std::uint16_t) {
    return 0xFF;
}
void systemOut(std::uint16_t, std::uint8_t) {}
int systemPermit(std::uint16_t, std::uint16_t, bool) {
    return ENOSYS;
}
#endif

PortOpenError accessError(int error) {
    switch (error) {
    case EPERM:
    case EACCES:
        return PortOpenError::RawAccessDenied; // no CAP_SYS_RAWIO, or lockdown
    case ENOSYS:
        return PortOpenError::Unsupported;
    default:
        return PortOpenError::Failed;
    }
}

bool isUsableEcr(std::uint16_t ecr, std::uint16_t base) {
    return ecr >= 0x100 && (ecr < base || ecr >= base + RegisterCount);
}

} // namespace

PortIo systemPortIo() {
    return {systemIn, systemOut, systemPermit};
}

PortOpenError RawIoPort::open(std::uint16_t base, std::optional<std::uint16_t> ecr) {
    close();
    if (!isUsablePortBase(base) || (ecr && !isUsableEcr(*ecr, base))) {
        return PortOpenError::Failed;
    }
    if (const int error = io_.permit(base, RegisterCount, true); error != 0) {
        return accessError(error);
    }
    base_ = base;
    open_ = true;
    writeControl(ControlValue::Idle);
    if (!ecr) {
        return PortOpenError::None;
    }
    if (const int error = io_.permit(*ecr, 1, true); error != 0) {
        giveUpAccess();
        return accessError(error);
    }
    ecr_ = ecr;
    savedEcr_ = io_.in(*ecr);
    io_.out(*ecr, EcrProbe);
    if (io_.in(*ecr) != EcrProbeAnswer) {
        io_.out(*ecr, savedEcr_); // whatever answered keeps its value
        giveUpAccess();
        return PortOpenError::EcrMissing;
    }
    io_.out(*ecr, byteModeEcr(savedEcr_));
    return PortOpenError::None;
}

void RawIoPort::close() {
    if (!open_) {
        return;
    }
    writeControl(ControlValue::Idle);
    if (ecr_) {
        io_.out(*ecr_, savedEcr_);
    }
    giveUpAccess();
}

void RawIoPort::giveUpAccess() {
    if (ecr_) {
        io_.permit(*ecr_, 1, false);
        ecr_.reset();
    }
    io_.permit(base_, RegisterCount, false);
    open_ = false;
}

// Every access checks that the port is open: a stray access would reach whatever lies at
// the low I/O addresses.
void RawIoPort::writeControl(ControlValue value) {
    if (open_) {
        io_.out(static_cast<std::uint16_t>(base_ + ControlOffset), controlByte(value));
    }
}

void RawIoPort::writeData(std::uint8_t value) {
    if (open_) {
        io_.out(static_cast<std::uint16_t>(base_ + DataOffset), value);
    }
}

std::uint8_t RawIoPort::readData() {
    return open_ ? io_.in(static_cast<std::uint16_t>(base_ + DataOffset)) : 0xFF;
}

std::uint8_t RawIoPort::readStatus() {
    return open_ ? io_.in(static_cast<std::uint16_t>(base_ + StatusOffset)) : 0x00;
}

} // namespace rfprog
