// Ports A to E: directions, latches, the port-change events and the port-input operations.
#include "EnvTestSupport.h"

#include <gtest/gtest.h>

namespace {

using Env = TCPU_68HC11_Enviroment;

struct TPortSystem : TEnvSystem {
    std::array<int, 4> Fired{}; // A, B, C, D

    TPortSystem() {
        Env.OnPortAChange = [this] { ++Fired[0]; };
        Env.OnPortBChange = [this] { ++Fired[1]; };
        Env.OnPortCChange = [this] { ++Fired[2]; };
        Env.OnPortDChange = [this] { ++Fired[3]; };
    }
};

// Each step writes a register and checks the pins of the port and the events fired so far.
TEST(EnvPorts, OutputsFollowLatchesAndDirectionsAndEveryWriteFires) {
    struct Step {
        uint32_t Address;
        int32_t Value;
        uint32_t Port;
        int32_t Pins;
        std::array<int, 4> Fired;
    };
    const Step steps[] = {
        {0x1000, 0xFF, 0x1000, 0x7D, {1, 0, 0, 0}}, // pins 3-6 from the latch, 0-2 and 7 as driven
        {0x1026, 0x80, 0x1000, 0xFD, {2, 0, 0, 0}}, // PACTL bit 7: pin 7 shows latch bit 7 at once
        {0x1000, 0x00, 0x1000, 0x05, {3, 0, 0, 0}},
        {0x1004, 0x81, 0x1004, 0x81, {3, 1, 0, 0}},
        {0x1004, 0x81, 0x1004, 0x81, {3, 2, 0, 0}}, // fires although no pin changed
        {0x1007, 0x0F, 0x1003, 0x30, {3, 2, 1, 0}},
        {0x1003, 0xAA, 0x1003, 0x3A, {3, 2, 2, 0}}, // pins 4-7 keep their input levels
        {0x1007, 0xFF, 0x1003, 0xAA, {3, 2, 3, 0}},
        {0x1009, 0xFF, 0x1008, 0x00, {3, 2, 3, 1}}, // new outputs show the latch at once
        {0x1008, 0xEA, 0x1008, 0x2A, {3, 2, 3, 2}}, // six bits
        {0x1009, 0x0F, 0x1008, 0x2A, {3, 2, 3, 3}}, // pins that become inputs keep their level
        {0x100A, 0x00, 0x100A, 0xC3, {3, 2, 3, 3}}, // port E ignores writes
    };
    TPortSystem sys;
    sys.Env.SetPortAInput(0x05);
    sys.Env.SetPortCInput(0x30);
    sys.Env.SetPortDInput(0xF0);
    sys.Env.SetPortEInput(0xC3);
    EXPECT_EQ(sys.Read(0x1008), 0x30); // port D never shows bits 6 and 7
    for (const Step& step : steps) {
        sys.Write(step.Address, step.Value);
        EXPECT_EQ(sys.Read(step.Port), step.Pins) << std::hex << step.Address;
        EXPECT_EQ(sys.Fired, step.Fired) << std::hex << step.Address;
    }
    EXPECT_TRUE(sys.Sink.Shown.empty());
}

TEST(EnvPorts, InputOperationsChangeOnlyInputPinsAndFireNothing) {
    struct Row {
        void (Env::*Set)(int32_t);
        Env::TPort Port;
        uint32_t Direction; // register written first, or 0
        int32_t DirectionValue;
        int32_t Latched; // then written to the port
        int32_t Input;   // then set from outside
        int32_t Expected;
    };
    const Row rows[] = {
        {&Env::SetPortAInput, Env::PortA, 0, 0, 0x78, 0xFF, 0xFF},
        {&Env::SetPortAInput, Env::PortA, 0, 0, 0x00, 0xFF, 0x87},
        {&Env::SetPortAInput, Env::PortA, 0x1026, 0x80, 0x00, 0xFF, 0x07},
        {&Env::SetPortCInput, Env::PortC, 0x1007, 0xF0, 0x50, 0xAA, 0x5A},
        {&Env::SetPortDInput, Env::PortD, 0x1009, 0x07, 0x05, 0xF8, 0x3D},
        {&Env::SetPortEInput, Env::PortE, 0, 0, 0x00, 0x15A, 0x5A},
    };
    const uint32_t portAddress[] = {0x1000, 0x1004, 0x1003, 0x1008, 0x100A};
    for (const Row& row : rows) {
        TPortSystem sys;
        if (row.Direction) sys.Write(row.Direction, row.DirectionValue);
        sys.Write(portAddress[row.Port], row.Latched);
        const auto before = sys.Fired;
        (sys.Env.*row.Set)(row.Input);
        EXPECT_EQ(sys.Read(portAddress[row.Port]), row.Expected) << "port " << row.Port;
        EXPECT_EQ(sys.Fired, before);
    }
}

TEST(EnvPorts, ResetKeepsDrivenInputPinsAndFiresNothing) {
    TPortSystem sys;
    sys.Write(0x1026, 0x80);
    sys.Write(0x1000, 0xF8);
    sys.Env.SetPortAInput(0x07);
    sys.Write(0x1004, 0xFF);
    sys.Write(0x1007, 0xFF);
    sys.Write(0x1003, 0x42);
    const auto before = sys.Fired;
    sys.Cpu.ResetExternals();
    EXPECT_EQ(sys.Read(0x1000), 0x87); // inputs 0-2 as driven, pin 7 keeps its level, 3-6 low
    EXPECT_EQ(sys.Read(0x1004), 0x00);
    EXPECT_EQ(sys.Read(0x1003), 0x42); // port C is not touched by a reset
    EXPECT_EQ(sys.Fired, before);
    EXPECT_EQ(sys.Env.PortOutputMask(Env::PortA), 0x78); // pin 7 is an input again
}

} // namespace
