// Branches, subroutines, the stack, the condition-code instructions, interrupt acceptance with
// its priorities and masks, and the reset entry.
#include "HC11TestSupport.h"

namespace {

using ControlFlow = HC11;

TEST_F(ControlFlow, ConditionalBranchesAtTheirBoundaries) {
    struct TBranch {
        int Opcode;
        int32_t CCR;
        bool Taken;
    };
    // clang-format off
    const TBranch cases[] = {
        {0x20, 0, true},        {0x21, 0, false},
        {0x22, 0, true},        {0x22, fZ, false},      {0x22, fC, false},     // BHI
        {0x23, 0, false},       {0x23, fZ, true},       {0x23, fC, true},      // BLS
        {0x24, fC, false},      {0x25, fC, true},                              // BCC BCS
        {0x26, fZ, false},      {0x27, fZ, true},       {0x27, 0, false},      // BNE BEQ
        {0x28, fV, false},      {0x29, fV, true},                              // BVC BVS
        {0x2A, fN, false},      {0x2B, fN, true},                              // BPL BMI
        {0x2C, fN | fV, true},  {0x2C, fN, false},      {0x2D, fV, true},      // BGE BLT
        {0x2D, fN | fV, false},
        {0x2E, fZ, false},      {0x2E, fN | fV, true},  {0x2E, fN, false},     // BGT
        {0x2F, fZ | fN | fV, true}, {0x2F, fV, true},   {0x2F, fN | fV, false},// BLE
    };
    // clang-format on
    for (const TBranch& b : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << b.Opcode << " ccr " << b.CCR);
        Cpu.SetCCR(b.CCR);
        EXPECT_EQ(Run1(0xE000, {b.Opcode, 0x10}), 3);
        EXPECT_EQ(Cpu.PC, b.Taken ? 0xE012 : 0xE002);
        EXPECT_EQ(Cpu.GetCCR(), b.CCR);
    }
}

TEST_F(ControlFlow, BranchTargetsWrapAroundTheAddressSpace) {
    Run1(0x0000, {0x20, 0x80}); // BRA -128 from $0002
    EXPECT_EQ(Cpu.PC, 0xFF82);
    Run1(0xFFF0, {0x20, 0x7F}); // BRA +127 from $FFF2
    EXPECT_EQ(Cpu.PC, 0x0071);
    // BSR at $FFFE with offset 2: the return address $0000 is pushed.
    Cpu.SP = 0x00FF;
    EXPECT_EQ(Run1(0xFFFE, {0x8D, 0x02}), 6);
    EXPECT_EQ(Cpu.PC, 0x0002);
    EXPECT_EQ(Cpu.SP, 0x00FD);
    EXPECT_EQ(Mem(0x00FE), 0x00);
    EXPECT_EQ(Mem(0x00FF), 0x00);
}

TEST_F(ControlFlow, BrsetAndBrclrTestTheMaskedBits) {
    struct TCase {
        std::initializer_list<int> Code;
        int Value;
        bool Taken;
        int32_t Cycles;
    };
    // clang-format off
    const TCase cases[] = {
        {{0x12, 0x40, 0x81, 0x10}, 0x81, true, 6},        // BRSET dir, all mask bits set
        {{0x12, 0x40, 0x81, 0x10}, 0x80, false, 6},
        {{0x12, 0x40, 0x00, 0x10}, 0x00, true, 6},        // zero mask always branches
        {{0x13, 0x40, 0x81, 0x10}, 0x7E, true, 6},        // BRCLR dir, all mask bits clear
        {{0x13, 0x40, 0x81, 0x10}, 0x01, false, 6},
        {{0x13, 0x40, 0x00, 0x10}, 0xFF, true, 6},
        {{0x1E, 0x40, 0x0F, 0x10}, 0x3F, true, 7},        // BRSET ind,X
        {{0x18, 0x1F, 0x40, 0x0F, 0x10}, 0xF0, true, 8},  // BRCLR ind,Y
    };
    // clang-format on
    Cpu.IX = 0x0000;
    Cpu.IY = 0x0000;
    for (const TCase& tc : cases) {
        SCOPED_TRACE(tc.Value);
        Cpu.Memory[0x40] = static_cast<uint8_t>(tc.Value);
        Cpu.SetCCR(0);
        EXPECT_EQ(Run1(0xE000, tc.Code), tc.Cycles);
        const int32_t next = 0xE000 + static_cast<int32_t>(tc.Code.size());
        EXPECT_EQ(Cpu.PC, tc.Taken ? next + 0x10 : next);
        EXPECT_EQ(Cpu.GetCCR(), 0);
    }
}

TEST_F(ControlFlow, JumpsAndSubroutines) {
    Cpu.SP = 0x01FF;
    Cpu.IX = 0x2000;
    Cpu.IY = 0x3000;
    EXPECT_EQ(Run1(0xE000, {0x7E, 0x12, 0x34}), 3); // JMP $1234
    EXPECT_EQ(Cpu.PC, 0x1234);
    EXPECT_EQ(Run1(0xE000, {0x18, 0x6E, 0x10}), 4); // JMP $10,Y
    EXPECT_EQ(Cpu.PC, 0x3010);
    EXPECT_EQ(Run1(0xE000, {0xBD, 0x40, 0x00}), 6); // JSR $4000
    EXPECT_EQ(Cpu.PC, 0x4000);
    EXPECT_EQ(Cpu.SP, 0x01FD);
    EXPECT_EQ(Mem(0x01FE), 0xE0);
    EXPECT_EQ(Mem(0x01FF), 0x03);
    EXPECT_EQ(Run1(0x4000, {0xAD, 0x05}), 6); // JSR $05,X
    EXPECT_EQ(Cpu.PC, 0x2005);
    EXPECT_EQ(Run1(0x2005, {0x39}), 5); // RTS
    EXPECT_EQ(Cpu.PC, 0x4002);
    EXPECT_EQ(Run1(0x4002, {0x9D, 0x80}), 5); // JSR $80
    EXPECT_EQ(Cpu.PC, 0x0080);
    EXPECT_EQ(Run1(0x0080, {0x39}), 5);
    EXPECT_EQ(Cpu.PC, 0x4004);
    EXPECT_EQ(Run1(0x4004, {0x39}), 5);
    EXPECT_EQ(Cpu.PC, 0xE003);
    EXPECT_EQ(Cpu.SP, 0x01FF);
}

TEST_F(ControlFlow, PushPullAndStackPointerTransfers) {
    Cpu.SP = 0x0001;
    Cpu.ACCA = 0x11;
    Cpu.ACCB = 0x22;
    Cpu.IX = 0x3344;
    Cpu.IY = 0x5566;
    Put(0xE000, {0x36, 0x37, 0x3C, 0x18, 0x3C, 0x32, 0x33, 0x38, 0x18, 0x38});
    Cpu.PC = 0xE000;
    EXPECT_EQ(Cpu.ExecuteInstruction(), 3); // PSHA writes at $0001
    EXPECT_EQ(Cpu.ExecuteInstruction(), 3); // PSHB writes at $0000
    EXPECT_EQ(Cpu.SP, 0xFFFF);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 4); // PSHX
    EXPECT_EQ(Cpu.ExecuteInstruction(), 5); // PSHY
    EXPECT_EQ(Mem(0x0001), 0x11);
    EXPECT_EQ(Mem(0x0000), 0x22);
    EXPECT_EQ(Mem(0xFFFE), 0x33);
    EXPECT_EQ(Mem(0xFFFF), 0x44);
    EXPECT_EQ(Mem(0xFFFC), 0x55);
    EXPECT_EQ(Mem(0xFFFD), 0x66);
    EXPECT_EQ(Cpu.SP, 0xFFFB);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 4); // PULA gets $55
    EXPECT_EQ(Cpu.ExecuteInstruction(), 4); // PULB gets $66
    EXPECT_EQ(Cpu.ExecuteInstruction(), 5); // PULX gets $3344
    EXPECT_EQ(Cpu.ExecuteInstruction(), 6); // PULY wraps to $0000/$0001: $2211
    EXPECT_EQ(Cpu.ACCA, 0x55);
    EXPECT_EQ(Cpu.ACCB, 0x66);
    EXPECT_EQ(Cpu.IX, 0x3344);
    EXPECT_EQ(Cpu.IY, 0x2211);
    EXPECT_EQ(Cpu.SP, 0x0001);

    Cpu.SP = 0xFFFF;
    Run1(0xE000, {0x30}); // TSX
    EXPECT_EQ(Cpu.IX, 0x0000);
    Run1(0xE000, {0x35}); // TXS
    EXPECT_EQ(Cpu.SP, 0xFFFF);
    Cpu.IY = 0x1000;
    EXPECT_EQ(Run1(0xE000, {0x18, 0x35}), 4); // TYS
    EXPECT_EQ(Cpu.SP, 0x0FFF);
    EXPECT_EQ(Run1(0xE000, {0x18, 0x30}), 4); // TSY
    EXPECT_EQ(Cpu.IY, 0x1000);
    Cpu.SP = 0xFFFF;
    Run1(0xE000, {0x31}); // INS
    EXPECT_EQ(Cpu.SP, 0x0000);
    Run1(0xE000, {0x34}); // DES
    EXPECT_EQ(Cpu.SP, 0xFFFF);
}

TEST_F(ControlFlow, ConditionCodeInstructions) {
    Cpu.SetCCR(0);
    for (int op : {0x0B, 0x0D, 0x0F})
        Run1(0xE000, {op}); // SEV SEC SEI
    EXPECT_EQ(Cpu.GetCCR(), fV | fC | fI);
    for (int op : {0x0A, 0x0C, 0x0E})
        Run1(0xE000, {op}); // CLV CLC CLI
    EXPECT_EQ(Cpu.GetCCR(), 0);
    // TAP takes every bit except that it can never set X.
    Cpu.ACCA = 0xFF;
    Run1(0xE000, {0x06});
    EXPECT_EQ(Cpu.GetCCR(), 0xBF);
    Cpu.SetCCR(0xFF);
    Cpu.ACCA = 0x00;
    Run1(0xE000, {0x06});
    EXPECT_EQ(Cpu.GetCCR(), 0x00); // ... but can clear it
    Cpu.SetCCR(fX | fN);
    Cpu.ACCA = 0xC5;
    Run1(0xE000, {0x06});
    EXPECT_EQ(Cpu.GetCCR(), 0xC5); // X stays set when the new byte has it set
    Run1(0xE000, {0x07});          // TPA
    EXPECT_EQ(Cpu.ACCA, 0xC5);
}

TEST_F(ControlFlow, SwiStacksTheFrameSetsIAndRtiRestoresEverything) {
    Cpu.VectorBase = 0xFF00;
    Put(0xFFF6, {0x80, 0x00});
    Cpu.SP = 0x00FF;
    Cpu.ACCA = 0x11;
    Cpu.ACCB = 0x22;
    Cpu.IX = 0x3344;
    Cpu.IY = 0x5566;
    Cpu.SetCCR(fS | fN | fC);
    EXPECT_EQ(Run1(0xE000, {0x3F}), 14);
    EXPECT_EQ(Cpu.PC, 0x8000);
    EXPECT_EQ(Cpu.SP, 0x00F6);
    const std::vector<uint8_t> frame(Cpu.Memory.begin() + 0xF7, Cpu.Memory.begin() + 0x100);
    EXPECT_EQ(frame,
              (std::vector<uint8_t>{fS | fN | fC, 0x22, 0x11, 0x33, 0x44, 0x55, 0x66, 0xE0, 0x01}));
    EXPECT_EQ(Cpu.GetCCR(), fS | fI | fN | fC);

    // The service routine changes every register, then returns.
    Cpu.ACCA = Cpu.ACCB = 0;
    Cpu.IX = Cpu.IY = 0;
    Cpu.SetCCR(fX | fZ);
    EXPECT_EQ(Run1(0x8000, {0x3B}), 12);
    EXPECT_EQ(Cpu.PC, 0xE001);
    EXPECT_EQ(Cpu.SP, 0x00FF);
    EXPECT_EQ(Cpu.ACCA, 0x11);
    EXPECT_EQ(Cpu.ACCB, 0x22);
    EXPECT_EQ(Cpu.IX, 0x3344);
    EXPECT_EQ(Cpu.IY, 0x5566);
    EXPECT_EQ(Cpu.GetCCR(), fS | fN | fC); // X cleared by the stacked byte
}

TEST_F(ControlFlow, RtiCannotSetX) {
    Cpu.SP = 0x00F6;
    Put(0x00F7, {0xFF, 0, 0, 0, 0, 0, 0, 0xE0, 0x00});
    Cpu.SetCCR(0);
    Run1(0x8000, {0x3B});
    EXPECT_EQ(Cpu.GetCCR(), 0xBF);
}

TEST_F(ControlFlow, SwiBeforeAnyResetReadsItsVectorFromPageZero) {
    Put(0x00F6, {0x12, 0x34});
    Cpu.SP = 0x0200;
    Run1(0xE000, {0x3F});
    EXPECT_EQ(Cpu.PC, 0x1234);
}

TEST_F(ControlFlow, MaskableRequestWaitsForClearIAndTheHighestNumberWins) {
    Cpu.VectorBase = 0xFF00;
    Put(0xFFF0, {0x90, 0x00}); // 24: real-time interrupt
    Put(0xFFE8, {0x91, 0x00}); // 20: output compare 1
    Put(0x9000, {0x3B});       // RTI
    Put(0x9100, {0x3B});
    Put(0xE000, {0x01, 0x0E, 0x01, 0x01});
    Cpu.SP = 0x00FF;
    Cpu.SetCCR(fI);
    Cpu.PC = 0xE000;
    Cpu.SetPendingInterrupt(24, true);
    Cpu.SetPendingInterrupt(20, true);

    EXPECT_EQ(Cpu.ExecuteInstruction(), 2); // NOP: masked
    EXPECT_EQ(Cpu.PC, 0xE001);
    EXPECT_EQ(Cpu.ExecuteInstruction(), 2); // CLI
    // Taken at the very next step; the frame holds I clear; the step runs the RTI at $9000.
    EXPECT_EQ(Cpu.ExecuteInstruction(), 12);
    EXPECT_EQ(Mem(0x00F7) & fI, 0);
    EXPECT_EQ(Cpu.PC, 0xE002); // RTI returned; I is clear again
    // Request 24 is still pending, so it is taken again before 20.
    Put(0x9000, {0x01});
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PC, 0x9001);
    EXPECT_TRUE(Cpu.I);
    EXPECT_EQ(Cpu.SP, 0x00F6);
    // With 24 cleared, the next acceptance picks 20; its RTI returns into the first routine.
    Cpu.SetPendingInterrupt(24, false);
    Cpu.I = false;
    EXPECT_EQ(Cpu.ExecuteInstruction(), 12);
    EXPECT_EQ(Cpu.PC, 0x9001);
    EXPECT_EQ(Cpu.SP, 0x00F6);
    EXPECT_TRUE(Cpu.PendingInterrupt(20)); // the core never clears a line
}

TEST_F(ControlFlow, XirqIgnoresIButRespectsXAndSetsBoth) {
    Cpu.VectorBase = 0xFF00;
    Put(0xFFF4, {0xA0, 0x00});
    Put(0xA000, {0x01});
    Put(0xE000, {0x01, 0x01});
    Cpu.SP = 0x00FF;
    Cpu.PC = 0xE000;
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, true);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqIRQ, true);
    Cpu.SetCCR(fX | fI);
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PC, 0xE001);
    Cpu.SetCCR(fI);
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PC, 0xA001);
    EXPECT_EQ(Cpu.GetCCR(), fX | fI);
    EXPECT_EQ(Mem(0x00F7), fI); // stacked CCR
    EXPECT_EQ(Mem(0x00FE), 0xE0);
    EXPECT_EQ(Mem(0x00FF), 0x01);
}

TEST_F(ControlFlow, ResetEntryWhileTheLineIsHeld) {
    TResetCounter device(Cpu);
    device.ClearLine = false;
    Put(0xFFFE, {0xB0, 0x00});
    Put(0xB000, {0x01});
    Cpu.SP = 0x1234;
    Cpu.ACCA = 0x56;
    Cpu.IX = 0x789A;
    Cpu.SetCCR(0x0F);
    Cpu.PC = 0xE000;
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, true);
    for (int step = 1; step <= 3; ++step) {
        EXPECT_EQ(Cpu.ExecuteInstruction(), 2);
        EXPECT_EQ(device.Resets, step);
        EXPECT_EQ(Cpu.PC, 0xB001);
    }
    EXPECT_EQ(Cpu.VectorBase, 0xFF00);
    EXPECT_EQ(Cpu.GetCCR(), 0xD0);
    EXPECT_EQ(Cpu.SP, 0x1234);
    EXPECT_EQ(Cpu.ACCA, 0x56);
    EXPECT_EQ(Cpu.IX, 0x789A);
    EXPECT_TRUE(Cpu.PendingInterrupt(TCPU_68HC11_::IrqReset));
}

TEST_F(ControlFlow, OtherResetClassLinesUseTheirVectors) {
    TResetCounter device(Cpu);
    Put(0xFFFA, {0xC0, 0x00, 0xC1, 0x00}); // COP, clock monitor
    Put(0xC000, {0x01});
    Put(0xC100, {0x01});
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqCOP, true);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqClockMonitor, true);
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PC, 0xC101);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqClockMonitor, false);
    Cpu.ExecuteInstruction();
    EXPECT_EQ(Cpu.PC, 0xC001);
    EXPECT_EQ(device.Resets, 2);
}

} // namespace
