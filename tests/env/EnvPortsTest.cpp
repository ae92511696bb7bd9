// Ports A to E: directions, latches, the port-change events and the port-input operations.
#include "EnvTestSupport.h"

#include <gtest/gtest.h>

namespace {

using Env = TCPU_68HC11_Enviroment;

struct TPortSystem : TEnvSystem {
    int Fired[4] = {0, 0, 0, 0}; // A, B, C, D

    TPortSystem() {
        Env.OnPortAChange = [this] { ++Fired[0]; };
        Env.OnPortBChange = [this] { ++Fired[1]; };
        Env.OnPortCChange = [this] { ++Fired[2]; };
        Env.OnPortDChange = [this] { ++Fired[3]; };
    }
    int TotalFired() const { return Fired[0] + Fired[1] + Fired[2] + Fired[3]; }
};

TEST(EnvPorts, PortAOutputsFollowTheLatchAndPactlBit7) {
    TPortSystem sys;
    sys.Env.SetPortAInput(0x05); // pins 0 and 2 driven high from outside
    sys.Write(0x1000, 0xFF);
    EXPECT_EQ(sys.Read(0x1000), 0x7D); // pins 3-6 from the latch, 0-2 and 7 as driven
    EXPECT_EQ(sys.Fired[0], 1);
    sys.Write(0x1026, 0x80); // pin 7 becomes an output and shows latch bit 7 at once
    EXPECT_EQ(sys.Read(0x1000), 0xFD);
    EXPECT_EQ(sys.Fired[0], 2);
    sys.Write(0x1000, 0x00);
    EXPECT_EQ(sys.Read(0x1000), 0x05);
    EXPECT_EQ(sys.Fired[0], 3);
    EXPECT_EQ(sys.TotalFired(), 3);
}

TEST(EnvPorts, PortBIsOutputOnlyAndFiresOnEveryWrite) {
    TPortSystem sys;
    sys.Write(0x1004, 0x81);
    sys.Write(0x1004, 0x81);
    EXPECT_EQ(sys.Read(0x1004), 0x81);
    EXPECT_EQ(sys.Fired[1], 2); // also when no pin changed
    EXPECT_EQ(sys.Env.PortOutputMask(Env::PortB), 0xFF);
    EXPECT_EQ(sys.TotalFired(), 2);
}

TEST(EnvPorts, PortCOutputsAreTheDdrcBits) {
    TPortSystem sys;
    sys.Env.SetPortCInput(0x30);
    sys.Write(0x1007, 0x0F);
    sys.Write(0x1003, 0xAA);
    EXPECT_EQ(sys.Read(0x1003), 0x3A); // pins 0-3 from the latch, 4-7 keep their input levels
    EXPECT_EQ(sys.Fired[2], 2);
    sys.Write(0x1007, 0xFF); // the new outputs show the latch at once
    EXPECT_EQ(sys.Read(0x1003), 0xAA);
    EXPECT_EQ(sys.Fired[2], 3);
    EXPECT_EQ(sys.TotalFired(), 3);
}

TEST(EnvPorts, PortDIsSixBitsWideAndItsOutputsAreTheDdrdBits) {
    TPortSystem sys;
    sys.Env.SetPortDInput(0xFF);
    EXPECT_EQ(sys.Read(0x1008), 0x3F); // bits 6 and 7 never exist
    sys.Write(0x1009, 0x0F);
    sys.Write(0x1008, 0xF0);
    EXPECT_EQ(sys.Read(0x1008), 0x30);
    // Writing the data first and enabling the outputs afterwards drives the pins at once.
    sys.Write(0x1008, 0x2A);
    sys.Write(0x1009, 0x3F);
    EXPECT_EQ(sys.Read(0x1008), 0x2A);
    EXPECT_EQ(sys.Fired[3], 4);
    EXPECT_EQ(sys.TotalFired(), 4);
}

TEST(EnvPorts, PortEIsInputOnlyAndIgnoresWrites) {
    TPortSystem sys;
    sys.Env.SetPortEInput(0x1C3);
    EXPECT_EQ(sys.Read(0x100A), 0xC3);
    sys.Write(0x100A, 0x00);
    EXPECT_EQ(sys.Read(0x100A), 0xC3);
    EXPECT_EQ(sys.TotalFired(), 0);
    EXPECT_TRUE(sys.Sink.Shown.empty());
}

TEST(EnvPorts, InputOperationsChangeOnlyInputPinsAndFireNothing) {
    struct Row {
        const char* Name;
        void (Env::*Set)(int32_t);
        Env::TPort Port;
        uint32_t Direction; // 0 = none
        int32_t DirectionValue;
        int32_t Latched;  // written to the port first
        int32_t Input;    // then set from outside
        int32_t Expected; // pin levels
    };
    const Row rows[] = {
        {"A", &Env::SetPortAInput, Env::PortA, 0, 0, 0x78, 0xFF, 0xFF},
        {"A", &Env::SetPortAInput, Env::PortA, 0, 0, 0x00, 0xFF, 0x87},
        {"A pin 7 output", &Env::SetPortAInput, Env::PortA, 0x1026, 0x80, 0x00, 0xFF, 0x07},
        {"C", &Env::SetPortCInput, Env::PortC, 0x1007, 0xF0, 0x50, 0xAA, 0x5A},
        {"D", &Env::SetPortDInput, Env::PortD, 0x1009, 0x07, 0x05, 0xF8, 0x3D},
        {"E", &Env::SetPortEInput, Env::PortE, 0, 0, 0x00, 0x5A, 0x5A},
    };
    const uint32_t portAddress[] = {0x1000, 0x1004, 0x1003, 0x1008, 0x100A};
    for (const Row& row : rows) {
        TPortSystem sys;
        if (row.Direction) sys.Write(row.Direction, row.DirectionValue);
        sys.Write(portAddress[row.Port], row.Latched);
        const int before = sys.TotalFired();
        (sys.Env.*row.Set)(row.Input);
        EXPECT_EQ(sys.Env.PortPins[row.Port], row.Expected) << row.Name;
        EXPECT_EQ(sys.Read(portAddress[row.Port]), row.Expected) << row.Name;
        EXPECT_EQ(sys.TotalFired(), before) << row.Name;
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
    const int before = sys.TotalFired();
    sys.Cpu.ResetExternals();
    EXPECT_EQ(sys.Read(0x1000), 0x87); // inputs 0-2 as driven, pin 7 keeps its level, 3-6 low
    EXPECT_EQ(sys.Read(0x1004), 0x00);
    EXPECT_EQ(sys.Read(0x1003), 0x42); // port C is not touched by a reset
    EXPECT_EQ(sys.TotalFired(), before);
    // After the reset pin 7 is an input again: the outside drives it.
    sys.Env.SetPortAInput(0x00);
    EXPECT_EQ(sys.Read(0x1000), 0x00);
}

TEST(EnvPorts, OutputMasksDescribeTheDirections) {
    TEnvSystem sys;
    EXPECT_EQ(sys.Env.PortOutputMask(Env::PortA), 0x78);
    EXPECT_EQ(sys.Env.PortOutputMask(Env::PortE), 0x00);
    sys.Write(0x1026, 0x80);
    sys.Write(0x1007, 0x81);
    sys.Write(0x1009, 0xC1);
    EXPECT_EQ(sys.Env.PortOutputMask(Env::PortA), 0xF8);
    EXPECT_EQ(sys.Env.PortOutputMask(Env::PortC), 0x81);
    EXPECT_EQ(sys.Env.PortOutputMask(Env::PortD), 0x01);
}

} // namespace
