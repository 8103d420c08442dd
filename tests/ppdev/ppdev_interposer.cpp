// libppdev_sim.so: a parallel port reached through /dev/parportN, in software, so that the
// real programs run without a parallel port. Preloaded (LD_PRELOAD) or linked, it answers
// open, ioctl and close on one path (RFPROG_PPDEV_SIM_PATH, default /dev/parport0) as the
// kernel's ppdev and parport_pc drivers do, with the simulated board on the port; every
// other file goes on to the C library.
//
// What the kernel does, and this library with it:
// - PPGETMODES answers before any claim: PCSPP, TRISTATE (not with "notristate"), SAFEININT.
// - PPEXCL counts only before the first PPCLAIM; later it fails with EINVAL (0 when the
//   device is already exclusive). An exclusive claim fails with ENXIO while another driver
//   is registered on the port ("lp").
// - PPCLAIM restores the port's saved state: control 0x0C, data lines driven by the PC.
// - PPWCONTROL keeps bits 0-3; bit 5 turns the data lines to input, and nothing but
//   PPDATADIR turns them back.
// - PPRDATA sees the board only while the lines are input, else the last PPWDATA byte.
// - Every other request needs the claim, and fails with EINVAL without it.
//
// The board's trace (RFPROG_SIM_TRACE) is what the board sees, in the format of
// device/port_trace_line.h at 0x378-0x37A: for the same operation, the same lines as the
// simulated port library writes. The board decodes control bits 0-3 and whether the PC
// drives the data lines; the simulated board names those states by the bytes the dialog
// program writes, where reading is 0xAA (bit 5 with bit 7, which no port line carries).
// Hence:
// - one PPWCONTROL is one control write on the board: bits 0-3, plus 0xA0 while the lines
//   are input;
// - a PPDATADIR is no control write of its own. Turning to input, it comes before its
//   PPWCONTROL, which then carries it. Turning to output, it comes right after its
//   PPWCONTROL, and the board sees that write with the lines already given back. So a
//   control write made while the lines are input reaches the board at the next request,
//   once it is known whether a PPDATADIR(0) follows;
// - a data write while the lines are input does not reach the board; the board sees the
//   byte when the lines turn to output.
// Turning the lines to output while the board drives them (control 0xAA) counts as a
// contention: a real port and board would then both drive the lines.
//
// The board takes RFPROG_SIM_ROM, RFPROG_SIM_EMULATOR, RFPROG_SIM_TIMER and
// RFPROG_SIM_FAULTS as the simulated port library does; each open of the path starts a new
// board from them. RFPROG_PPDEV_SIM_FAULTS scripts the driver's failures and
// RFPROG_PPDEV_SIM_STATS receives counters (tests/ppdev/ppdev_sim.h). One device may be
// open at a time.

// The wrappers below replace open and friends, which the fortified headers define inline.
#undef _FORTIFY_SOURCE

#include "tests/ppdev/ppdev_sim.h"

#include "device/port_trace_line.h"
#include "device/ppdev_port.h"
#include "sim/board_host.h"
#include "sim/sim_settings.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <linux/parport.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#define RFPROG_EXPORT __attribute__((visibility("default")))

namespace rfprog::test {

namespace {

// What the simulated board adds to bits 0-3 while the lines are input.
constexpr std::uint8_t ReadingBits = controlByte(ControlValue::ReadRom) & ~PpdevControlLines;
// The control value that the claim restores on a port used for the first time: the
// printer default, which on this board is the programming voltage on.
constexpr std::uint8_t RestoredControl = controlByte(ControlValue::VoltageOn);

struct Name {
    std::string_view text;
    unsigned long value;
};

constexpr Name ErrnoNames[] = {
    {"EACCES", EACCES}, {"EPERM", EPERM}, {"ENOENT", ENOENT}, {"ENXIO", ENXIO},
    {"ENODEV", ENODEV}, {"EBUSY", EBUSY}, {"EINTR", EINTR},   {"EIO", EIO},
};

constexpr Name RequestNames[] = {
    {"PPGETMODES", PPGETMODES}, {"PPEXCL", PPEXCL},         {"PPCLAIM", PPCLAIM},
    {"PPRELEASE", PPRELEASE},   {"PPWCONTROL", PPWCONTROL}, {"PPDATADIR", PPDATADIR},
    {"PPWDATA", PPWDATA},       {"PPRDATA", PPRDATA},       {"PPRSTATUS", PPRSTATUS},
};

struct DriverFaults {
    int open = 0; // errno values; 0: that call succeeds
    int excl = 0;
    int claim = 0;
    bool lp = false;
    bool noTristate = false;
};

bool parseErrno(std::string_view text, int& value) {
    for (const Name& name : ErrnoNames) {
        if (name.text == text) {
            value = static_cast<int>(name.value);
            return true;
        }
    }
    return false;
}

bool applyDriverFault(DriverFaults& faults, std::string_view word) {
    if (word == "lp") {
        faults.lp = true;
        return true;
    }
    if (word == "notristate") {
        faults.noTristate = true;
        return true;
    }
    for (auto [prefix, field] : {std::pair{std::string_view("open="), &faults.open},
                                 std::pair{std::string_view("excl="), &faults.excl},
                                 std::pair{std::string_view("claim="), &faults.claim}}) {
        if (word.starts_with(prefix)) {
            return parseErrno(word.substr(prefix.size()), *field);
        }
    }
    return word.empty();
}

bool parseDriverFaults(std::string_view text, DriverFaults& faults) {
    bool understood = true;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        understood = applyDriverFault(faults, text.substr(0, comma)) && understood;
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    }
    return understood;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A file name from the environment as image/ takes it (the same bytes); empty when unset.
std::string fileName(const char* variable) {
    return environment(variable);
}

int refuse(const char* variable, const char* problem) {
    std::fprintf(stderr, "libppdev_sim: %s %s\n", variable, problem);
    return EINVAL;
}

constexpr const char* NotUnderstood = "is not understood";
constexpr const char* CannotBeWritten = "names a file that cannot be written";

PpdevSimStats Stats;

class SimulatedParport {
  public:
    // 0, or the errno value that open fails with.
    int start();
    // 0, or the errno value that ioctl fails with.
    int request(unsigned long code, void* argument);
    void finish() { deliver(linesIn_); }

  private:
    void turnLines(bool in);
    void deliver(bool linesIn);
    void controlToBoard(std::uint8_t value);
    void dataToBoard(std::uint8_t value);

    // The board's trace file, written through at once: readable meanwhile, and complete
    // should the program die.
    class TraceFile final : public TraceSink {
      public:
        std::ofstream file;
        void traceLine(std::string_view line) override {
            file.write(line.data(), static_cast<std::streamsize>(line.size()));
            file.flush();
        }
    };

    sim::BoardHost board_;
    DriverFaults faults_;
    std::string romFile_;
    std::string emulatorFile_;
    TraceFile trace_;
    bool registered_ = false;
    bool exclusive_ = false;
    bool claimed_ = false;
    bool linesIn_ = false;
    bool pending_ = false;       // a control write not yet handed to the board
    std::uint8_t lines_ = 0;     // control bits 0-3 as last written
    std::uint8_t latch_ = 0;     // the port's data latch
    std::uint8_t boardData_ = 0; // the byte the board last saw on the lines
    std::uint8_t boardControl_ = 0;
};

int SimulatedParport::start() {
    if (!parseDriverFaults(environment(PpdevFaultsVariable), faults_)) {
        return refuse(PpdevFaultsVariable, NotUnderstood);
    }
    if (faults_.open != 0) {
        return faults_.open;
    }
    for (const sim::BoardSetting& setting : sim::BoardSettings) {
        if (!setting.apply(board_.board, environment(setting.variable))) {
            return refuse(setting.variable, NotUnderstood);
        }
    }
    romFile_ = fileName(sim::RomVariable);
    emulatorFile_ = fileName(sim::EmulatorVariable);
    const std::string tracePath = environment(sim::TraceVariable);
    board_.setUp(romFile_.empty() ? nullptr : romFile_.c_str(),
                 emulatorFile_.empty() ? nullptr : emulatorFile_.c_str(),
                 tracePath.empty() ? nullptr : &trace_);
    switch (board_.open()) {
    case sim::SimFile::Rom:
        return refuse(sim::RomVariable, CannotBeWritten);
    case sim::SimFile::Emulator:
        return refuse(sim::EmulatorVariable, CannotBeWritten);
    case sim::SimFile::None:
        break;
    }
    if (!tracePath.empty()) {
        trace_.file.open(tracePath, std::ios::binary | std::ios::trunc);
    }
    return 0;
}

int SimulatedParport::request(unsigned long code, void* argument) {
    int given = 0;
    if (code == PPWCONTROL || code == PPWDATA) {
        given = *static_cast<const unsigned char*>(argument);
    } else if (code == PPDATADIR) {
        given = *static_cast<const int*>(argument);
    }
    Stats.requests.push_back({code, given});

    switch (code) {
    case PPGETMODES: {
        unsigned int modes = PARPORT_MODE_PCSPP | PARPORT_MODE_SAFEININT;
        if (!faults_.noTristate) {
            modes |= PARPORT_MODE_TRISTATE;
        }
        *static_cast<unsigned int*>(argument) = modes;
        return 0;
    }
    case PPEXCL:
        if (registered_) {
            return exclusive_ ? 0 : EINVAL;
        }
        if (faults_.excl != 0) {
            return faults_.excl;
        }
        exclusive_ = true;
        return 0;
    case PPCLAIM:
        if (claimed_) {
            return EINVAL;
        }
        if (faults_.claim != 0) {
            return faults_.claim;
        }
        if (!registered_) {
            if (faults_.lp && exclusive_) {
                return ENXIO; // the driver cannot grant exclusive access
            }
            registered_ = true;
        }
        claimed_ = true;
        deliver(linesIn_);
        linesIn_ = false;
        lines_ = RestoredControl;
        controlToBoard(RestoredControl);
        return 0;
    default:
        break;
    }

    if (!claimed_) {
        return EINVAL;
    }
    switch (code) {
    case PPRELEASE:
        deliver(linesIn_);
        claimed_ = false;
        return 0;
    case PPWCONTROL:
        deliver(linesIn_);
        if ((given & LinesInBit) != 0) {
            linesIn_ = true;
        }
        lines_ = static_cast<std::uint8_t>(given & PpdevControlLines);
        pending_ = true;
        if (!linesIn_) {
            deliver(false); // no direction change can follow that would belong to it
        }
        return 0;
    case PPDATADIR:
        turnLines(given != 0);
        return 0;
    case PPWDATA:
        deliver(linesIn_);
        latch_ = static_cast<std::uint8_t>(given);
        if (linesIn_) {
            ++Stats.writesWhileLinesIn;
        } else {
            dataToBoard(latch_);
        }
        return 0;
    case PPRDATA: {
        deliver(linesIn_);
        std::uint8_t value = latch_;
        if (linesIn_) {
            value = board_.readData();
        } else {
            board_.trace(PortAccess::Read, DataRegister, value);
        }
        *static_cast<unsigned char*>(argument) = value;
        return 0;
    }
    case PPRSTATUS: {
        deliver(linesIn_);
        *static_cast<unsigned char*>(argument) = board_.readStatus();
        return 0;
    }
    default:
        return EINVAL; // not used by the programs; not simulated
    }
}

void SimulatedParport::turnLines(bool in) {
    const bool toOutput = linesIn_ && !in;
    if (toOutput && pending_) {
        deliver(false); // the control write that this direction change follows
    } else {
        deliver(linesIn_);
        if (toOutput && boardControl_ == controlByte(ControlValue::ReadRom)) {
            ++Stats.contentions;
        }
    }
    if (toOutput && latch_ != boardData_) {
        dataToBoard(latch_);
    }
    linesIn_ = in;
}

void SimulatedParport::deliver(bool linesIn) {
    if (pending_) {
        pending_ = false;
        controlToBoard(static_cast<std::uint8_t>(lines_ | (linesIn ? ReadingBits : 0)));
    }
}

void SimulatedParport::controlToBoard(std::uint8_t value) {
    board_.writeControl(static_cast<ControlValue>(value)); // traced; keeps the memory files
    boardControl_ = value;
}

void SimulatedParport::dataToBoard(std::uint8_t value) {
    board_.writeData(value);
    boardData_ = value;
}

void saveStats() {
    const std::string path = environment(PpdevStatsVariable);
    if (path.empty()) {
        return;
    }
    std::ofstream out(path, std::ios::trunc);
    out << "attempts " << Stats.attempts << "\nopens " << Stats.opens << "\ncloses " << Stats.closes
        << "\ncontentions " << Stats.contentions << "\nwrites_while_lines_in "
        << Stats.writesWhileLinesIn << "\nioctls " << Stats.requests.size() << '\n';
    for (const Name& name : RequestNames) {
        out << name.text << ' '
            << std::count_if(Stats.requests.begin(), Stats.requests.end(),
                             [&](const PpdevRequest& r) { return r.code == name.value; })
            << '\n';
    }
}

std::optional<SimulatedParport> Device;
int DeviceFd = -1;

bool isSimulatedPath(const char* path) {
    const char* configured = std::getenv(PpdevPathVariable);
    const char* simulated =
        configured != nullptr && *configured != 0 ? configured : "/dev/parport0";
    return path != nullptr && std::strcmp(path, simulated) == 0;
}

template <typename Function>
Function next(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using OpenFunction = int (*)(const char*, int, ...);
using OpenAtFunction = int (*)(int, const char*, int, ...);
using IoctlFunction = int (*)(int, unsigned long, ...);
using CloseFunction = int (*)(int);

int openSimulated() {
    ++Stats.attempts;
    Stats.contentions = 0;
    Stats.writesWhileLinesIn = 0;
    Stats.requests.clear();
    if (Device) {
        errno = EBUSY;
        return -1;
    }
    // The descriptor is a real one, so that it is unique and its close is ordinary.
    static const auto realOpen = next<OpenFunction>("open");
    const int fd = realOpen("/dev/null", O_RDWR | O_CLOEXEC);
    const int error = fd < 0 ? errno : Device.emplace().start();
    if (error != 0) {
        Device.reset();
        if (fd >= 0) {
            next<CloseFunction>("close")(fd);
        }
        saveStats();
        errno = error;
        return -1;
    }
    DeviceFd = fd;
    ++Stats.opens;
    return fd;
}

int modeArgument(int flags, va_list arguments) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, int) : 0;
}

} // namespace

const PpdevSimStats& ppdevSimStats() {
    return Stats;
}

} // namespace rfprog::test

using namespace rfprog::test;

extern "C" {

RFPROG_EXPORT int open(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int mode = modeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = next<OpenFunction>("open");
    return isSimulatedPath(path) ? openSimulated() : real(path, flags, mode);
}

RFPROG_EXPORT int openat(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int mode = modeArgument(flags, arguments);
    va_end(arguments);
    static const auto real = next<OpenAtFunction>("openat");
    return isSimulatedPath(path) ? openSimulated() : real(directory, path, flags, mode);
}

// The 64-bit entry points are the plain ones with large files allowed, as in the C library.
RFPROG_EXPORT int open64(const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int mode = modeArgument(flags, arguments);
    va_end(arguments);
    return open(path, flags | O_LARGEFILE, mode);
}

RFPROG_EXPORT int openat64(int directory, const char* path, int flags, ...) {
    va_list arguments;
    va_start(arguments, flags);
    const int mode = modeArgument(flags, arguments);
    va_end(arguments);
    return openat(directory, path, flags | O_LARGEFILE, mode);
}

// The checked entry points that fortified builds call instead of open.
RFPROG_EXPORT int __open_2(const char* path, int flags) {
    return open(path, flags);
}

RFPROG_EXPORT int __open64_2(const char* path, int flags) {
    return open64(path, flags);
}

RFPROG_EXPORT int ioctl(int fd, unsigned long code, ...) noexcept {
    va_list arguments;
    va_start(arguments, code);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    if (Device && fd == DeviceFd) {
        const int error = Device->request(code, argument);
        if (error != 0) {
            errno = error;
            return -1;
        }
        return 0;
    }
    static const auto real = next<IoctlFunction>("ioctl");
    return real(fd, code, argument);
}

RFPROG_EXPORT int close(int fd) {
    if (Device && fd == DeviceFd) {
        Device->finish();
        Device.reset();
        DeviceFd = -1;
        ++Stats.closes;
        saveStats();
    }
    static const auto real = next<CloseFunction>("close");
    return real(fd);
}

} // extern "C"
