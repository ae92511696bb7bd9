// The IO register block: read and write masks, write-1-to-clear flags, reset values, the INIT
// move and the report of unimplemented addresses.
#include "EnvTestSupport.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using Env = TCPU_68HC11_Enviroment;

TEST(EnvRegisters, WritesKeepOnlyTheImplementedBits) {
    struct Row {
        uint32_t Offset;
        int32_t Env::*Preset; // flags register set before the write, or none
        int32_t Written;
        int32_t ReadBack;
    };
    const Row rows[] = {
        {Env::RegPORTB, nullptr, 0x1A5, 0xA5},    {Env::RegDDRC, nullptr, 0xFF, 0xFF},
        {Env::RegDDRD, nullptr, 0xFF, 0x3F},      {Env::RegTMSK1, nullptr, 0xFF, 0xFF},
        {Env::RegTMSK2, nullptr, 0xFF, 0xF3},     {Env::RegPACTL, nullptr, 0xFF, 0xF3},
        {Env::RegSPCR, nullptr, 0x5A, 0x5A},      {Env::RegBAUD, nullptr, 0x33, 0x33},
        {Env::RegSCCR2, nullptr, 0xC3, 0xC3},     {Env::RegOPTION, nullptr, 0x93, 0x93},
        {Env::RegTFLG1, &Env::TFLG1, 0x0F, 0xF0}, {Env::RegTFLG1, &Env::TFLG1, 0x00, 0xFF},
        {Env::RegTFLG2, &Env::TFLG2, 0x50, 0xA0}, {Env::RegTFLG2, &Env::TFLG2, 0x0F, 0xF0},
    };
    for (const Row& row : rows) {
        TEnvSystem sys;
        if (row.Preset) sys.Env.*row.Preset = row.Offset == Env::RegTFLG2 ? 0xF0 : 0xFF;
        sys.Write(0x1000 + row.Offset, row.Written);
        EXPECT_EQ(sys.Read(0x1000 + row.Offset), row.ReadBack) << "offset " << row.Offset;
        EXPECT_EQ(sys.Cpu.Memory[0x1000 + row.Offset], 0) << "memory behind the block";
        EXPECT_TRUE(sys.Sink.Shown.empty());
    }
}

TEST(EnvRegisters, ResetSetsModeAndConfigurationValuesAndClearsTheTimerRegisters) {
    struct Row {
        Env::THC11Mode Mode;
        Env::THC11Config Config;
        int32_t Hprio;
        int32_t ConfigValue;
    };
    const Row rows[] = {
        {Env::hc11_Normal_Single_Chip, {}, 0x05, 0x00},
        {Env::hc11_Normal_Expanded, Env::hc11_NOCOP | Env::hc11_EEON, 0x25, 0x05},
        {Env::hc11_Special_Bootstrap, Env::hc11_ROMON, 0xD5, 0x02},
        {Env::hc11_Special_Test, Env::hc11_NOSEC | Env::hc11_NOCOP | Env::hc11_ROMON, 0x75, 0x0E},
    };
    for (const Row& row : rows) {
        TEnvSystem sys;
        sys.Env.SetMode(row.Mode);
        sys.Env.SetConfig(row.Config);
        for (uint32_t a : {0x1022u, 0x1024u, 0x1026u, 0x1028u, 0x1004u, 0x1007u, 0x1039u})
            sys.Write(a, 0xFF);
        sys.Env.TFLG1 = 0xFF;
        sys.Env.TFLG2 = 0xF0;
        sys.Cpu.ResetExternals();
        EXPECT_EQ(sys.Read(0x103C), row.Hprio) << "mode " << row.Mode;
        EXPECT_EQ(sys.Read(0x103F), row.ConfigValue);
        EXPECT_EQ(sys.Read(0x103D), 0x01);
        EXPECT_EQ(sys.Read(0x1039), 0x10);
        for (uint32_t cleared : {0x1022u, 0x1023u, 0x1024u, 0x1025u, 0x1026u, 0x1004u})
            EXPECT_EQ(sys.Read(cleared), 0) << std::hex << cleared;
        EXPECT_EQ(sys.Read(0x1028), 0xFF); // SPCR and DDRC keep their values
        EXPECT_EQ(sys.Read(0x1007), 0xFF);
        EXPECT_EQ(sys.Env.RTIDivider, 2);
        EXPECT_TRUE(sys.Sink.Shown.empty());
    }
}

TEST(EnvRegisters, InitMovesTheBlockAndResetBringsItBack) {
    TEnvSystem sys;
    sys.Write(0x103D, 0x08);
    EXPECT_EQ(sys.Read(0x803D), 0x08);
    EXPECT_EQ(sys.Cpu.MemoryType[0x803F], mtExternal);
    EXPECT_EQ(sys.Cpu.MemoryType[0x1000], mtRAM);
    sys.Write(0x1004, 0x5A); // plain memory again
    EXPECT_EQ(sys.Cpu.Memory[0x1004], 0x5A);
    sys.Write(0x8004, 0x3C);
    EXPECT_EQ(sys.Env.PortPins[Env::PortB], 0x3C);

    sys.Write(0x803D, 0xF3); // only the low nibble moves the registers
    EXPECT_EQ(sys.Read(0x303D), 0xF3);
    EXPECT_EQ(sys.Cpu.MemoryType[0x8000], mtRAM);

    sys.Cpu.ResetExternals();
    EXPECT_EQ(sys.Env.RegisterBase, 0x1000u);
    EXPECT_EQ(sys.Cpu.MemoryType[0x103F], mtExternal);
    EXPECT_EQ(sys.Cpu.MemoryType[0x3000], mtRAM);
    int windows = 0;
    for (const TMemoryWindow& w : sys.Cpu.MemoryWindows())
        windows += w.ExternalIndex == sys.Env.ExternalIndex();
    EXPECT_EQ(windows, 1);
    EXPECT_TRUE(sys.Sink.Shown.empty());
}

TEST(EnvRegisters, UnimplementedAddressesAreReportedAndStopTheRun) {
    const std::set<uint32_t> readable = {0x00, 0x03, 0x04, 0x07, 0x08, 0x09, 0x0A, 0x22, 0x23, 0x24,
                                         0x25, 0x26, 0x28, 0x2B, 0x2D, 0x39, 0x3C, 0x3D, 0x3F};
    std::set<uint32_t> writable = readable;
    writable.erase(0x3C); // HPRIO: readable, but priorities are not modelled
    writable.erase(0x3F); // CONFIG
    for (uint32_t offset = 0; offset < 0x40; ++offset) {
        const QString text = QStringLiteral("Nicht implementierte IO-Adresse: $%1")
                                 .arg(QString::number(offset, 16).toUpper().rightJustified(2, '0'));
        for (bool write : {false, true}) {
            if (write && offset == 0x3D) continue; // INIT moves the block
            TEnvSystem sys;
            sys.Env.SetConfig(Env::hc11_NOCOP);
            sys.Cpu.ResetExternals();
            sys.Cpu.Running = true;
            sys.Cpu.Memory[0x1000 + offset] = 0x77;
            int32_t value = -1;
            if (write)
                sys.Write(0x1000 + offset, 0x0F);
            else
                value = sys.Read(0x1000 + offset);
            const bool implemented = write ? writable.count(offset) : readable.count(offset);
            SCOPED_TRACE(testing::Message() << (write ? "write " : "read ") << offset);
            EXPECT_EQ(sys.Cpu.Running, implemented);
            if (implemented) {
                EXPECT_TRUE(sys.Sink.Shown.empty());
                continue;
            }
            EXPECT_EQ(value, write ? -1 : 0);
            ASSERT_EQ(sys.Sink.Shown.size(), 1u);
            EXPECT_EQ(sys.Sink.Shown[0].Text, text);
            EXPECT_EQ(sys.Sink.Shown[0].Caption,
                      write ? "68HC11Env-Fehler - MemoryWrite" : "68HC11Env-Fehler - MemoryRead");
            EXPECT_EQ(sys.Sink.Shown[0].Icon, TMsgIcon::Warning);
            EXPECT_EQ(sys.Sink.Shown[0].Buttons, TMsgButtons::Ok);
            EXPECT_EQ(sys.Env.CONFIG, 0x04); // a failed write changes nothing
        }
    }
}

} // namespace
