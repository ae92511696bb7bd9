// The step: prefix pages, addressing with wrap-around, loads/stores/transfers, the memory
// types, the program-counter history, breakpoints and the unknown-opcode report.
#include "HC11TestSupport.h"

namespace {

using Decoder = HC11;

struct TRegs {
    int32_t A = 0, B = 0, IX = 0, IY = 0, CCR = 0;
};

TEST_F(Decoder, PrefixCombinations) {
    struct TCase {
        const char* Name;
        std::initializer_list<int> Code;
        TRegs Before;
        TRegs After;
        int32_t Cycles;
    };
    // Memory: $1002 = $11 $22 (reached as 2,X), $2002 = $33 $44 (reached as 2,Y).
    // clang-format off
    const TCase cases[] = {
        {"18 86: LDAA imm one cycle longer", {0x18, 0x86, 0x05}, {0, 0, 0x1000, 0x2000, fN | fZ | fC}, {0x05, 0, 0x1000, 0x2000, fC}, 3},
        {"1A 08: IX := IY + 1",      {0x1A, 0x08}, {0, 0, 0x1000, 0x1234, fZ},  {0, 0, 0x1235, 0x1234, 0}, 4},
        {"CD 08: IY := IX + 1",      {0xCD, 0x08}, {0, 0, 0xFFFF, 0x2000, 0},   {0, 0, 0xFFFF, 0x0000, fZ}, 4},
        {"18 08: INY",               {0x18, 0x08}, {0, 0, 0x1000, 0x2000, 0},   {0, 0, 0x1000, 0x2001, 0}, 4},
        {"1A 83: CPD imm",           {0x1A, 0x83, 0x12, 0x34}, {0x12, 0x34, 0x1000, 0x2000, fC}, {0x12, 0x34, 0x1000, 0x2000, fZ}, 5},
        {"83: SUBD imm",             {0x83, 0x12, 0x34}, {0x12, 0x34, 0x1000, 0x2000, fC}, {0x00, 0x00, 0x1000, 0x2000, fZ}, 4},
        {"18 83: SUBD imm",          {0x18, 0x83, 0x00, 0x01}, {0x12, 0x34, 0x1000, 0x2000, 0}, {0x12, 0x33, 0x1000, 0x2000, 0}, 5},
        {"18 A3: SUBD 2,Y",          {0x18, 0xA3, 0x02}, {0x33, 0x44, 0x1000, 0x2000, 0}, {0x00, 0x00, 0x1000, 0x2000, fZ}, 7},
        {"1A A3: CPD 2,X",           {0x1A, 0xA3, 0x02}, {0x11, 0x22, 0x1000, 0x2000, 0}, {0x11, 0x22, 0x1000, 0x2000, fZ}, 7},
        {"CD A3: CPD 2,Y",           {0xCD, 0xA3, 0x02}, {0x33, 0x44, 0x1000, 0x2000, 0}, {0x33, 0x44, 0x1000, 0x2000, fZ}, 7},
        {"18 CE: LDY imm",           {0x18, 0xCE, 0x80, 0x00}, {0, 0, 0x1000, 0x2000, 0}, {0, 0, 0x1000, 0x8000, fN}, 4},
        {"1A EE: LDY 2,X",           {0x1A, 0xEE, 0x02}, {0, 0, 0x1000, 0x2000, 0}, {0, 0, 0x1000, 0x1122, 0}, 6},
        {"CD EE: LDX 2,Y",           {0xCD, 0xEE, 0x02}, {0, 0, 0x1000, 0x2000, 0}, {0, 0, 0x3344, 0x2000, 0}, 6},
        {"1A AC: CPY 2,X",           {0x1A, 0xAC, 0x02}, {0, 0, 0x1000, 0x1122, 0}, {0, 0, 0x1000, 0x1122, fZ}, 7},
        {"CD AC: CPX 2,Y",           {0xCD, 0xAC, 0x02}, {0, 0, 0x3344, 0x2000, 0}, {0, 0, 0x3344, 0x2000, fZ}, 7},
        {"18 A6: LDAA 2,Y",          {0x18, 0xA6, 0x02}, {0, 0, 0x1000, 0x2000, 0}, {0x33, 0, 0x1000, 0x2000, 0}, 5},
        {"1A A6: LDAA 2,X",          {0x1A, 0xA6, 0x02}, {0, 0, 0x1000, 0x2000, 0}, {0x11, 0, 0x1000, 0x2000, 0}, 5},
        {"CD E6: LDAB 2,Y",          {0xCD, 0xE6, 0x02}, {0, 0, 0x1000, 0x2000, 0}, {0, 0x33, 0x1000, 0x2000, 0}, 5},
        {"18 8F: XGDY",              {0x18, 0x8F}, {0x12, 0x34, 0x1000, 0x2000, fZ}, {0x20, 0x00, 0x1000, 0x1234, fZ}, 4},
        {"CD 3A: IY := IX + B",      {0xCD, 0x3A}, {0, 0x10, 0x1000, 0x2000, 0}, {0, 0x10, 0x1000, 0x1010, 0}, 4},
    };
    // clang-format on
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Name);
        Put(0x1002, {0x11, 0x22});
        Put(0x2002, {0x33, 0x44});
        Cpu.ACCA = tc.Before.A;
        Cpu.ACCB = tc.Before.B;
        Cpu.IX = tc.Before.IX;
        Cpu.IY = tc.Before.IY;
        Cpu.SetCCR(tc.Before.CCR);
        EXPECT_EQ(Run1(0xE000, tc.Code), tc.Cycles);
        EXPECT_EQ(Cpu.PC, 0xE000 + static_cast<int32_t>(tc.Code.size()));
        EXPECT_EQ(Cpu.ACCA, tc.After.A);
        EXPECT_EQ(Cpu.ACCB, tc.After.B);
        EXPECT_EQ(Cpu.IX, tc.After.IX);
        EXPECT_EQ(Cpu.IY, tc.After.IY);
        EXPECT_EQ(Cpu.GetCCR(), tc.After.CCR);
    }
}

TEST_F(Decoder, PrefixedStoresUseTheSelectedRegisterAndIndex) {
    Cpu.IX = 0x1111;
    Cpu.IY = 0x2000;
    Run1(0xE000, {0x18, 0xDF, 0x40}); // STY $40
    EXPECT_EQ(Mem(0x40), 0x20);
    EXPECT_EQ(Mem(0x41), 0x00);
    EXPECT_EQ(Run1(0xE000, {0xCD, 0xEF, 0x04}), 6); // STX 4,Y
    EXPECT_EQ(Mem(0x2004), 0x11);
    EXPECT_EQ(Mem(0x2005), 0x11);
    EXPECT_EQ(Run1(0xE000, {0x1A, 0xEF, 0x00}), 6); // STY 0,X
    EXPECT_EQ(Mem(0x1111), 0x20);
    EXPECT_EQ(Run1(0xE000, {0x18, 0xA7, 0x10}), 5); // STAA $10,Y
    EXPECT_EQ(Mem(0x2010), Cpu.ACCA);
}

TEST_F(Decoder, EffectiveAddressesWrapAtTheTopOfMemory) {
    Put(0x007F, {0x5A});
    Cpu.IX = 0xFF80;
    Run1(0xE000, {0xA6, 0xFF}); // LDAA $FF,X reads $007F
    EXPECT_EQ(Cpu.ACCA, 0x5A);

    Put(0xFFFF, {0x12});
    Put(0x0000, {0x34});
    Run1(0xE000, {0xFC, 0xFF, 0xFF}); // LDD $FFFF
    EXPECT_EQ(Cpu.GetD(), 0x1234);

    Put(0x0001, {0xAB, 0xCD});
    Cpu.IY = 0xFFFF;
    Run1(0xE000, {0xCD, 0xEE, 0x02}); // LDX 2,Y reads $0001 and $0002
    EXPECT_EQ(Cpu.IX, 0xABCD);

    Cpu.SetD(0xBEEF);
    Run1(0xE000, {0xDD, 0xFF}); // STD $FF: $00FF and $0100
    EXPECT_EQ(Mem(0x00FF), 0xBE);
    EXPECT_EQ(Mem(0x0100), 0xEF);
    Run1(0xE000, {0xFD, 0xFF, 0xFF}); // STD $FFFF: $FFFF and $0000
    EXPECT_EQ(Mem(0xFFFF), 0xBE);
    EXPECT_EQ(Mem(0x0000), 0xEF);

    // An instruction at $FFFF takes its operand from $0000 on; PC stays in range.
    Put(0x0000, {0x12, 0x00});
    Put(0x1200, {0x77});
    EXPECT_EQ(Run1(0xFFFF, {0xB6}), 4); // LDAA $1200
    EXPECT_EQ(Cpu.ACCA, 0x77);
    EXPECT_EQ(Cpu.PC, 0x0002);
}

TEST_F(Decoder, LoadsAndStoresSetNZClearVKeepC) {
    Cpu.SetCCR(fV | fC);
    Run1(0xE000, {0x86, 0x00}); // LDAA #0
    EXPECT_EQ(Cpu.GetCCR(), fZ | fC);
    Run1(0xE000, {0xCC, 0x80, 0x00}); // LDD #$8000
    EXPECT_EQ(Cpu.GetCCR(), fN | fC);
    Run1(0xE000, {0x8E, 0x00, 0x00}); // LDS #0
    EXPECT_EQ(Cpu.SP, 0);
    EXPECT_EQ(Cpu.GetCCR(), fZ | fC);
    Cpu.ACCB = 0x80;
    Cpu.SetCCR(fZ | fV);
    Run1(0xE000, {0xD7, 0x30}); // STAB $30
    EXPECT_EQ(Mem(0x30), 0x80);
    EXPECT_EQ(Cpu.GetCCR(), fN);
    Cpu.SP = 0x4000;
    Run1(0xE000, {0xBF, 0x01, 0x00}); // STS $0100
    EXPECT_EQ(Mem(0x100), 0x40);
    EXPECT_EQ(Cpu.GetCCR(), 0);
}

TEST_F(Decoder, StoreIntoRomIsRefusedWithItsMessageAndTheRunGoesOn) {
    Cpu.MemoryType[0x8000] = mtROM;
    Cpu.Memory[0x8000] = 0x99;
    Cpu.ACCA = 0;
    Cpu.Running = true;
    EXPECT_EQ(Run1(0xE000, {0xB7, 0x80, 0x00}), 4);
    EXPECT_EQ(Mem(0x8000), 0x99);
    EXPECT_TRUE(Cpu.Z); // the flags are set all the same
    EXPECT_TRUE(Cpu.Running);
    ASSERT_EQ(Sink.Boxes.size(), 1u);
    EXPECT_EQ(Sink.Boxes[0].Text, "Write-Zugriff auf ROM!");
    EXPECT_EQ(Sink.Boxes[0].Caption, "Speicher-Fehler!");
}

TEST_F(Decoder, DeviceServedBytesReachTheDeviceAndAreReducedToOneByte) {
    TCPUExternal device;
    std::vector<std::pair<uint32_t, int32_t>> writes;
    device.OnMemoryRead = [](uint32_t Address, int32_t& Data) {
        // Code at $1000: $xx01 = NOP whatever the upper bits; data at $1010: $1FF.
        Data = Address == 0x1010 ? 0x1FF : 0x3C01;
        return true;
    };
    device.OnMemoryWrite = [&](uint32_t Address, int32_t Data) {
        writes.emplace_back(Address, Data);
        return true;
    };
    device.SetMemoryBase(0x1000);
    device.SetMemorySize(0x40);
    device.SetTimerClocks(1000000);
    device.SetCPU(&Cpu);

    Cpu.PC = 0x1000;
    EXPECT_EQ(Cpu.ExecuteInstruction(), 2);
    EXPECT_EQ(Cpu.PC, 0x1001);
    Run1(0xE000, {0xB6, 0x10, 0x10}); // LDAA $1010
    EXPECT_EQ(Cpu.ACCA, 0xFF);
    Cpu.ACCB = 0x42;
    Run1(0xE000, {0xF7, 0x10, 0x20}); // STAB $1020
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], std::make_pair(0x1020u, 0x42));
    EXPECT_EQ(Mem(0x1020), 0);
}

TEST_F(Decoder, UnknownOpcodeReportNamesOpcodePcHistoryAndRegisters) {
    Put(0xDFFE, {0x01, 0x01, 0x41});
    Cpu.PC = 0xDFFE;
    Cpu.SetD(0x1234);
    Cpu.IX = 0x5678;
    Cpu.IY = 0x9ABC;
    Cpu.SP = 0x00FF;
    Cpu.SetCCR(0xC9);
    Cpu.Running = true;
    Cpu.ExecuteInstruction();
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.ExecuteInstruction(), 0);
    EXPECT_FALSE(Cpu.Running);
    EXPECT_EQ(Cpu.PC, 0xE001);
    ASSERT_EQ(Sink.Boxes.size(), 1u);
    EXPECT_EQ(Sink.Boxes[0].Text,
              "Unbekannter OP-Code: $41 PC: $E000 History:  $0000 $0000 $0000 $0000 $0000 $0000 "
              "$0000 $0000 $0000 $0000 $0000 $0000 $0000 $DFFE $DFFF $E000 ACCD: $1234 IX: $5678 "
              "IY: $9ABC SP: $00FF Flags: $C9");
    EXPECT_EQ(Sink.Boxes[0].Caption, "CPU-Fehler!");
    EXPECT_EQ(Sink.Boxes[0].Icon, TMsgIcon::Error);
    EXPECT_EQ(Sink.Boxes[0].Buttons, TMsgButtons::Ok);
    EXPECT_EQ(Cpu.GetD(), 0x1234);
    EXPECT_EQ(Cpu.GetCCR(), 0xC9);
}

TEST_F(Decoder, UnknownOpcodeAfterAPrefixNamesTheSecondByte) {
    struct TCase {
        std::initializer_list<int> Code;
        const char* Opcode;
    };
    const TCase cases[] = {
        {{0x18, 0x46}, "$46"}, {{0x18, 0x18}, "$18"}, {{0xCD, 0x1A}, "$1A"}, {{0x1A, 0x69}, "$69"}};
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Opcode);
        Sink.Boxes.clear();
        Cpu.Running = true;
        EXPECT_EQ(Run1(0xE000, tc.Code), 1);
        EXPECT_EQ(Cpu.PC, 0xE002);
        EXPECT_FALSE(Cpu.Running);
        ASSERT_EQ(Sink.Boxes.size(), 1u);
        EXPECT_TRUE(Sink.Boxes[0].Text.startsWith(
            QStringLiteral("Unbekannter OP-Code: %1 PC: $E000 History:  $").arg(tc.Opcode)))
            << Sink.Boxes[0].Text.toStdString();
    }
}

TEST_F(Decoder, UnknownOpcodeInAServiceRoutineShowsThePcBeforeTheInterrupt) {
    Cpu.VectorBase = 0xFF00;
    Put(0xFFF2, {0x90, 0x00}); // IRQ
    Put(0x9000, {0x41});
    Put(0xE000, {0x01});
    Cpu.PC = 0xE000;
    Cpu.SP = 0x00FF;
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqIRQ, true);
    Cpu.ExecuteInstruction();
    ASSERT_EQ(Sink.Boxes.size(), 1u);
    const QString& text = Sink.Boxes[0].Text;
    EXPECT_TRUE(text.startsWith("Unbekannter OP-Code: $41 PC: $E000 History: "))
        << text.toStdString();
    EXPECT_TRUE(text.contains(" $0000 $9000 ACCD: $0000 IX: $0000 IY: $0000 SP: $00F6 Flags: $10"))
        << text.toStdString();
}

TEST_F(Decoder, HistoryRingWrapsAfterSixteenStepsAndSurvivesAReset) {
    for (uint32_t a = 0x0100; a < 0x0120; ++a)
        Cpu.Memory[a] = 0x01; // NOPs
    Cpu.PC = 0x0100;
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PCHistoryIndex, 1);
    EXPECT_EQ(Cpu.PCHistory[1], 0x0100u);
    for (int i = 0; i < 16; ++i)
        Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PCHistoryIndex, 1);
    EXPECT_EQ(Cpu.PCHistory[1], 0x0110u); // the 17th step overwrote the first
    EXPECT_EQ(Cpu.PCHistory[2], 0x0101u); // now the oldest

    TResetCounter device(Cpu);
    Put(0xFFFE, {0x01, 0x18});
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PCHistoryIndex, 2);
    EXPECT_EQ(Cpu.PCHistory[2], 0x0118u); // the reset vector's instruction
    EXPECT_EQ(Cpu.PCHistory[1], 0x0110u);
}

TEST_F(Decoder, TakenBranchOntoABreakpointStopsTheRun) {
    Cpu.SetBreakpoint(0xE010, true);
    Cpu.Running = true;
    EXPECT_EQ(Run1(0xE000, {0x20, 0x0E}), 3);
    EXPECT_EQ(Cpu.PC, 0xE010);
    EXPECT_FALSE(Cpu.Running);
    // Not reached: the run goes on.
    Cpu.Running = true;
    Cpu.SetCCR(fZ);
    Run1(0xE000, {0x26, 0x0E});
    EXPECT_TRUE(Cpu.Running);
}

TEST_F(Decoder, TraceFromWalksThePathOnce) {
    // E000 LDAA #1 ; E002 INCA ; E003 BRA E000
    Put(0xE000, {0x86, 0x01, 0x4C, 0x20, 0xFB});
    Cpu.TraceFrom(0xE000);
    EXPECT_EQ(Cpu.TraceMarks[0xE000], 0x20);
    EXPECT_EQ(Cpu.TraceMarks[0xE002], 0x20);
    EXPECT_EQ(Cpu.TraceMarks[0xE003], 0x20);
    EXPECT_EQ(Cpu.TraceMarks[0xE001], 0x00);
    EXPECT_EQ(Cpu.ACCA, 2);
}

} // namespace
