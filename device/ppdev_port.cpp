#include "device/ppdev_port.h"

#include <cerrno>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace rfprog {

namespace {

PortOpenError errorFromErrno(int error) {
    switch (error) {
    case EACCES:
    case EPERM:
        return PortOpenError::PermissionDenied;
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return PortOpenError::DeviceMissing;
    case EBUSY:
        return PortOpenError::PortBusy;
    default:
        return PortOpenError::Failed;
    }
}

bool request(int fd, unsigned long code, void* argument) {
    return ::ioctl(fd, code, argument) == 0;
}

bool setLinesIn(int fd, bool in) {
    int direction = in ? 1 : 0;
    return request(fd, PPDATADIR, &direction);
}

} // namespace

PortOpenError PpdevPort::open(const char* path) {
    close();
    const int fd = ::open(path, O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return errorFromErrno(errno);
    }
    // Asked before the claim, so that a port that cannot read never gets the claim's 0x0C.
    unsigned int modes = 0;
    if (!request(fd, PPGETMODES, &modes)) {
        const int error = errno;
        ::close(fd);
        return errorFromErrno(error);
    }
    if ((modes & PARPORT_MODE_TRISTATE) == 0) {
        ::close(fd);
        return PortOpenError::NotBidirectional;
    }
    // PPEXCL only counts before the first claim. With it the claim fails with ENXIO while
    // another driver (lp) is registered on the port, instead of sharing the port with it.
    if (!request(fd, PPEXCL, nullptr)) {
        const int error = errno;
        ::close(fd);
        return errorFromErrno(error);
    }
    if (!request(fd, PPCLAIM, nullptr)) {
        const int error = errno;
        ::close(fd);
        return error == ENXIO ? PortOpenError::PortBusy : errorFromErrno(error);
    }
    fd_ = fd;
    linesIn_ = false; // the claim's saved state drives the lines
    writeControl(ControlValue::Idle);
    return PortOpenError::None;
}

void PpdevPort::close() {
    if (fd_ < 0) {
        return;
    }
    writeControl(ControlValue::Idle);
    request(fd_, PPRELEASE, nullptr);
    ::close(fd_);
    fd_ = -1;
    linesIn_ = false;
}

void PpdevPort::writeControl(ControlValue value) {
    const std::uint8_t byte = controlByte(value);
    const bool in = (byte & LinesInBit) != 0;
    if (in && !linesIn_) {
        linesIn_ = setLinesIn(fd_, true);
    }
    unsigned char lines = byte & PpdevControlLines;
    request(fd_, PPWCONTROL, &lines);
    if (!in && linesIn_) {
        linesIn_ = !setLinesIn(fd_, false);
    }
}

void PpdevPort::writeData(std::uint8_t value) {
    unsigned char byte = value;
    request(fd_, PPWDATA, &byte);
}

std::uint8_t PpdevPort::readData() {
    unsigned char byte = 0xFF; // what floating lines read, should the driver refuse
    request(fd_, PPRDATA, &byte);
    return byte;
}

std::uint8_t PpdevPort::readStatus() {
    unsigned char byte = 0x00; // no timer answer: a pulse that cannot be watched times out
    request(fd_, PPRSTATUS, &byte);
    return byte;
}

} // namespace rfprog
