// RawIoPort through a scripted inb/outb/ioperm: which ports it touches, in what order,
// what the ECR holds while the port is open and after, and what it refuses.
#include "device/raw_io_port.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rfprog {
namespace {

// The machine the scripted seam stands for: port registers, one optional ECR, and the
// ports the process has been permitted to use.
struct Machine {
    std::map<std::uint16_t, std::uint8_t> registers; // reads of any other port give 0xFF
    std::optional<std::uint16_t> ecr;                // bits 0-1 read only, bit 0 reads 1
    int refusal = 0;                                 // errno of every ioperm(on)
    std::optional<std::uint16_t> refusedOnlyAt;      // refuse only there
    std::set<std::uint16_t> permitted;
    std::vector<std::string> log;
    int strayAccesses = 0; // accesses to ports not permitted
};

Machine* Current = nullptr;

std::string hex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

void touch(std::uint16_t port) {
    Current->strayAccesses += Current->permitted.count(port) == 0 ? 1 : 0;
}

std::uint8_t scriptedIn(std::uint16_t port) {
    touch(port);
    const auto found = Current->registers.find(port);
    const std::uint8_t value = found == Current->registers.end() ? 0xFF : found->second;
    Current->log.push_back("in " + hex(port) + " " + hex(value));
    return value;
}

void scriptedOut(std::uint16_t port, std::uint8_t value) {
    touch(port);
    Current->log.push_back("out " + hex(port) + " " + hex(value));
    if (port == Current->ecr) {
        Current->registers[port] = static_cast<std::uint8_t>((value & ~0x03) | 0x01);
    } else if (Current->registers.count(port) != 0) {
        Current->registers[port] = value;
    }
}

int scriptedPermit(std::uint16_t first, std::uint16_t count, bool on) {
    Current->log.push_back("permit " + hex(first) + " " + std::to_string(count) +
                           (on ? " on" : " off"));
    if (on && Current->refusal != 0 &&
        (!Current->refusedOnlyAt || *Current->refusedOnlyAt == first)) {
        return Current->refusal;
    }
    for (std::uint16_t port = first; port < first + count; ++port) {
        if (on) {
            Current->permitted.insert(port);
        } else {
            Current->permitted.erase(port);
        }
    }
    return 0;
}

constexpr PortIo Scripted{scriptedIn, scriptedOut, scriptedPermit};

// A PCIe card: registers at 0xD010, its ECR in a range of its own, in ECP mode with the
// DMA and service-interrupt bits set.
constexpr std::uint16_t Base = 0xD010;
constexpr std::uint16_t Ecr = 0xD002;
constexpr std::uint8_t EcrAtStart = 0x6D;

class RawIoPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Current = &machine;
        machine.registers = {{Base, 0x00}, {Base + 1, 0x47}, {Base + 2, 0xCC}, {Ecr, EcrAtStart}};
        machine.ecr = Ecr;
    }
    void TearDown() override { Current = nullptr; }

    std::vector<std::string> takeLog() { return std::exchange(machine.log, {}); }

    Machine machine;
};

TEST_F(RawIoPortTest, EcrHoldsByteModeWhileOpenAndItsOldValueAfter) {
    EXPECT_EQ(byteModeEcr(EcrAtStart), 0x2D);
    RawIoPort port(Scripted);
    ASSERT_EQ(port.open(Base, Ecr), PortOpenError::None);
    EXPECT_EQ(takeLog(),
              (std::vector<std::string>{"permit D010 3 on", "out D012 0", "permit D002 1 on",
                                        "in D002 6D", "out D002 34", "in D002 35", "out D002 2D"}));
    EXPECT_EQ(machine.registers[Ecr], 0x2D);

    port.close();
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"out D012 0", "out D002 6D", "permit D002 1 off",
                                                   "permit D010 3 off"}));
    EXPECT_EQ(machine.registers[Ecr], EcrAtStart);
    EXPECT_TRUE(machine.permitted.empty());
    port.close(); // a second close touches nothing
    EXPECT_TRUE(takeLog().empty());
    EXPECT_EQ(machine.strayAccesses, 0);
}

TEST_F(RawIoPortTest, RegistersAreBasePlusZeroOneTwoAndControlBytesGoWhole) {
    RawIoPort port(Scripted);
    ASSERT_EQ(port.open(Base, std::nullopt), PortOpenError::None);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"permit D010 3 on", "out D012 0"}));
    port.writeData(0x5A);
    port.writeControl(ControlValue::ReadRom);
    EXPECT_EQ(port.readData(), 0x5A);
    EXPECT_EQ(port.readStatus(), 0x47);
    EXPECT_EQ(takeLog(),
              (std::vector<std::string>{"out D010 5A", "out D012 AA", "in D010 5A", "in D011 47"}));
    EXPECT_EQ(machine.registers[Ecr], EcrAtStart); // no ECR given: never touched
    EXPECT_EQ(machine.strayAccesses, 0);
}

TEST_F(RawIoPortTest, DestructorSetsIdleAndPutsTheEcrBack) {
    {
        RawIoPort port(Scripted);
        ASSERT_EQ(port.open(Base, Ecr), PortOpenError::None);
        port.writeControl(ControlValue::VoltageOn);
    }
    EXPECT_EQ(machine.registers[Base + 2], 0x00);
    EXPECT_EQ(machine.registers[Ecr], EcrAtStart);
    EXPECT_TRUE(machine.permitted.empty());
}

TEST_F(RawIoPortTest, AbsentEcrIsRefusedAndWhatAnsweredKeepsItsValue) {
    machine.ecr.reset();
    machine.registers[Ecr] = 0x12; // some other register that ignores the probe's low bits
    RawIoPort port(Scripted);
    EXPECT_EQ(port.open(Base, Ecr), PortOpenError::EcrMissing);
    EXPECT_EQ(takeLog(),
              (std::vector<std::string>{"permit D010 3 on", "out D012 0", "permit D002 1 on",
                                        "in D002 12", "out D002 34", "in D002 34", "out D002 12",
                                        "permit D002 1 off", "permit D010 3 off"}));
    EXPECT_EQ(machine.registers[Ecr], 0x12);
    EXPECT_FALSE(port.isOpen());
    EXPECT_TRUE(machine.permitted.empty());

    // Nothing at all at that address: the lines float high.
    machine.registers.erase(Ecr);
    EXPECT_EQ(port.open(Base, Ecr), PortOpenError::EcrMissing);
    EXPECT_EQ(machine.strayAccesses, 0);
}

TEST_F(RawIoPortTest, RefusedAccessTouchesNoRegister) {
    struct Case {
        int error;
        PortOpenError expected;
    };
    for (const Case& c :
         {Case{EPERM, PortOpenError::RawAccessDenied}, Case{EACCES, PortOpenError::RawAccessDenied},
          Case{ENOSYS, PortOpenError::Unsupported}, Case{EINVAL, PortOpenError::Failed}}) {
        machine.refusal = c.error;
        RawIoPort port(Scripted);
        EXPECT_EQ(port.open(Base, Ecr), c.expected) << c.error;
        EXPECT_EQ(takeLog(), (std::vector<std::string>{"permit D010 3 on"})) << c.error;
        EXPECT_FALSE(port.isOpen());
    }

    // Refused at the ECR alone: the registers' access is given back, the board left idle.
    machine.refusal = EPERM;
    machine.refusedOnlyAt = Ecr;
    RawIoPort port(Scripted);
    EXPECT_EQ(port.open(Base, Ecr), PortOpenError::RawAccessDenied);
    EXPECT_EQ(takeLog(), (std::vector<std::string>{"permit D010 3 on", "out D012 0",
                                                   "permit D002 1 on", "permit D010 3 off"}));
    EXPECT_TRUE(machine.permitted.empty());
    EXPECT_EQ(machine.registers[Ecr], EcrAtStart);
}

TEST_F(RawIoPortTest, OnlyUsableAddressesAreOpened) {
    RawIoPort port(Scripted);
    for (const std::uint16_t base :
         {Lpt1Base, Lpt2Base, Lpt3Base, std::uint16_t{0x100}, std::uint16_t{0xFFF8}}) {
        EXPECT_EQ(port.open(base, std::nullopt), PortOpenError::None) << hex(base);
    }
    port.close();
    takeLog();
    for (const std::uint16_t base : {std::uint16_t{0x0}, std::uint16_t{0xFC}, std::uint16_t{0x37A},
                                     std::uint16_t{0xD011}, std::uint16_t{0xFFFC}}) {
        EXPECT_EQ(port.open(base, std::nullopt), PortOpenError::Failed) << hex(base);
    }
    // An ECR below 0x100 or on the port's own registers.
    for (const std::uint16_t ecr : {std::uint16_t{0x7A}, Base, std::uint16_t{Base + 2}}) {
        EXPECT_EQ(port.open(Base, ecr), PortOpenError::Failed) << hex(ecr);
    }
    EXPECT_TRUE(takeLog().empty());
    // Right after the registers or right before them, as some cards have it.
    for (const std::uint16_t ecr : {std::uint16_t{Base + 3}, std::uint16_t{Base - 1}}) {
        machine.ecr = ecr;
        machine.registers[ecr] = EcrAtStart;
        EXPECT_EQ(port.open(Base, ecr), PortOpenError::None) << hex(ecr);
        port.close();
    }
}

TEST_F(RawIoPortTest, AClosedPortTouchesNoPort) {
    RawIoPort port(Scripted);
    port.writeControl(ControlValue::VoltageOn);
    port.writeData(0x12);
    EXPECT_EQ(port.readData(), 0xFF);
    EXPECT_EQ(port.readStatus(), 0x00);
    EXPECT_TRUE(takeLog().empty());
}

} // namespace
} // namespace rfprog
