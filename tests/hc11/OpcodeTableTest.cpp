// Length and cycle count of every opcode on every prefix page against the reference opcode map,
// the opcodes that stop with the unknown-opcode report, and the text of that report.
#include "HC11TestSupport.h"

namespace {

// The unprefixed opcode map: length * 100 + cycles. An instruction that jumps has length 0 (its
// length is not checked here), 0 = not implemented, -1 = prefix. Operand bytes are zero in this
// test, so branches go to the next instruction either way.
// clang-format off
const int Map[256] = {
      0, 102, 141, 141, 103, 103, 102, 102, 103, 103, 102, 102, 102, 102, 102, 102, // 0x
    102, 102, 406, 406, 306, 306, 102, 102,  -1, 102,  -1, 102, 307, 307, 407, 407, // 1x
    203, 203, 203, 203, 203, 203, 203, 203, 203, 203, 203, 203, 203, 203, 203, 203, // 2x
    103, 103, 104, 104, 103, 103, 103, 103, 105,   5, 103,  12, 104, 110, 112,  14, // 3x
    102,   0,   0, 102, 102,   0, 102, 102, 102, 102, 102,   0, 102, 102,   0, 102, // 4x
    102,   0,   0, 102, 102,   0, 102, 102, 102, 102, 102,   0, 102, 102,   0, 102, // 5x
    206,   0,   0, 206, 206,   0, 206, 206, 206, 206, 206,   0, 206, 206,   3, 206, // 6x
    306,   0,   0, 306, 306,   0, 306, 306, 306, 306, 306,   0, 306, 306,   3, 306, // 7x
    202, 202, 202, 304, 202, 202, 202,   0, 202, 202, 202, 202, 304, 206, 303, 103, // 8x
    203, 203, 203, 205, 203, 203, 203, 203, 203, 203, 203, 203, 205,   5, 204, 204, // 9x
    204, 204, 204, 206, 204, 204, 204, 204, 204, 204, 204, 204, 206,   6, 205, 205, // Ax
    304, 304, 304, 306, 304, 304, 304, 304, 304, 304, 304, 304, 306,   6, 305, 305, // Bx
    202, 202, 202, 304, 202, 202, 202,   0, 202, 202, 202, 202, 303,  -1, 303, 102, // Cx
    203, 203, 203, 205, 203, 203, 203, 203, 203, 203, 203, 203, 204, 204, 204, 204, // Dx
    204, 204, 204, 206, 204, 204, 204, 204, 204, 204, 204, 204, 205, 205, 205, 205, // Ex
    304, 304, 304, 306, 304, 304, 304, 304, 304, 304, 304, 304, 305, 305, 305, 305, // Fx
};
// clang-format on

// A prefix adds one byte and one cycle; an unimplemented opcode (on a prefixed page also a
// second prefix) costs only the prefix's cycle, reports once and stops the run.
TEST(OpcodeTable, LengthAndCyclesOfEveryOpcodeOnEveryPageAndTheUnimplementedReport) {
    for (const int prefix : {-1, 0x18, 0x1A, 0xCD}) {
        const int extra = prefix < 0 ? 0 : 1;
        int reported = 0;
        for (int op = 0; op < 256; ++op) {
            if (prefix < 0 && Map[op] < 0) continue;
            SCOPED_TRACE(testing::Message() << std::hex << "prefix " << prefix << " opcode " << op);
            TCPU_68HC11_ cpu;
            TRecordingSink sink;
            cpu.MessageSink = &sink;
            uint32_t at = 0xC000;
            if (prefix >= 0) cpu.Memory[at++] = static_cast<uint8_t>(prefix);
            cpu.Memory[at] = static_cast<uint8_t>(op);
            cpu.PC = 0xC000;
            const bool implemented = Map[op] > 0;
            reported += implemented ? 0 : 1;
            EXPECT_EQ(cpu.ExecuteInstruction(), (implemented ? Map[op] % 100 : 0) + extra);
            if (!implemented || Map[op] >= 100) {
                EXPECT_EQ((cpu.PC - 0xC000) & 0xFFFF, (implemented ? Map[op] / 100 : 1) + extra);
            }
            EXPECT_EQ(sink.Boxes.size(), implemented ? 0u : 1u);
            // STOP with S clear (as S is on a new core) stops the clock.
            EXPECT_EQ(cpu.LastStopReason(), !implemented ? StopReason::UnknownOpcode
                                            : op == 0xCF ? StopReason::Halt
                                                         : StopReason::None);
        }
        // TEST and twenty illegal bytes; on a prefixed page also the three prefixes.
        EXPECT_EQ(reported, prefix < 0 ? 21 : 24);
    }
}

TEST_F(HC11, UnknownOpcodeReportForAnUnprefixedAndAPrefixedByte) {
    Put(0xDFFE, {0x01, 0x01, 0x41, 0x18, 0x45}); // NOP NOP $41; $18 $45
    Cpu.PC = 0xDFFE;
    SetRegs(0x1234, 0x5678, 0x9ABC, 0x00FF, 0xC9);
    Cpu.Step(3); // the report stops the run: one more step for the second byte
    Cpu.Step(1);
    EXPECT_EQ(Cpu.PC, 0xE003);
    // The history lists the last 16 instruction addresses, oldest first; unused entries are 0.
    const QString zero = " $0000", regs = " ACCD: $1234 IX: $5678 IY: $9ABC SP: $00FF Flags: $C9";
    const QString texts[] = {"Unbekannter OP-Code: $41 PC: $E000 History: " + zero.repeated(13) +
                                 " $DFFE $DFFF $E000" + regs,
                             "Unbekannter OP-Code: $45 PC: $E001 History: " + zero.repeated(12) +
                                 " $DFFE $DFFF $E000 $E001" + regs};
    ASSERT_EQ(Sink.Boxes.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(Sink.Boxes[i].Text.toStdString(), texts[i].toStdString());
        EXPECT_EQ(Sink.Boxes[i].Caption, "CPU-Fehler!");
        EXPECT_EQ(Sink.Boxes[i].Icon, TMsgIcon::Error);
        EXPECT_EQ(Sink.Boxes[i].Buttons, TMsgButtons::Ok);
    }
}

} // namespace
