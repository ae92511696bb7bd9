// The machine's debugger services: step over, step out, run to an address, breakpoint
// conditions and hit counts, data breakpoints, the call stack and the recent PCs.
#include "DebugTestSupport.h"

namespace {

using Reg = Machine::Register;

// A main program that calls a recursive routine (three levels), then an SWI; an IRQ routine
// that counts in $60.
struct DebuggerTest : DebugMachineTest {
    DebuggerTest() {
        Program(0xE000, {
                            0x8E, 0x00, 0xFF, // E000 lds #$00FF
                            0x0E,             // E003 cli
                            0x86, 0x03,       // E004 ldaa #3
                            0xBD, 0xE1, 0x00, // E006 jsr RECURSE
                            0x01,             // E009 nop
                            0x3F,             // E00A swi
                            0x01,             // E00B nop
                            0x20, 0xFE,       // E00C bra *
                        });
        Place(0xE100, {
                          0x4A,       // E100 RECURSE: deca
                          0x27, 0x02, // E101 beq E105
                          0x8D, 0xFB, // E103 bsr RECURSE
                          0x39,       // E105 rts
                      });
        Place(0xE300, {0x7C, 0x00, 0x60, 0x3B}); // IRQ: inc $60, rti
        Place(0xE310, {0x01, 0x3B});             // SWI: nop, rti
        Place(0xFFF2, {0xE3, 0x00});
        Place(0xFFF6, {0xE3, 0x10});
    }
    void StepTo(uint32_t Address) {
        for (int i = 0; i < 100 && reg(Reg::PC) != Address; ++i)
            M.step();
        ASSERT_EQ(reg(Reg::PC), Address);
    }
    // The IRQ pin low until its routine has begun: one interrupt.
    void OneInterrupt() {
        M.setIrqPin(true);
        M.setStepHook([this](int32_t) {
            if (reg(Reg::PC) == 0xE303) M.setIrqPin(false);
        });
    }
};

TEST_F(DebuggerTest, StepOverRunsACallToItsReturnWithTheStackBackWhereItWas) {
    StepTo(0xE006);
    EXPECT_EQ(M.stepOver(), StopReason::None);
    EXPECT_EQ(reg(Reg::PC), 0xE009u);
    EXPECT_EQ(reg(Reg::SP), 0xFFu);
    EXPECT_EQ(reg(Reg::A), 0u);
    EXPECT_FALSE(M.hasBreakpoint(0xE009)); // the run's own mark is gone

    // Inside the recursion: deeper levels return to E105 first, with a lower SP.
    M.setRegister(Reg::PC, 0xE004);
    EXPECT_EQ(M.runTo(0xE103), StopReason::None);
    EXPECT_EQ(std::pair(reg(Reg::A), reg(Reg::SP)), std::pair(2u, 0xFDu));
    EXPECT_EQ(M.stepOver(), StopReason::None);
    EXPECT_EQ(std::pair(reg(Reg::PC), reg(Reg::SP)), std::pair(0xE105u, 0xFDu));

    // Not a call: one step. SWI: its routine runs to the RTI.
    EXPECT_EQ(M.stepOver(), StopReason::None);
    EXPECT_EQ(reg(Reg::PC), 0xE009u);
    StepTo(0xE00A);
    EXPECT_EQ(M.stepOver(), StopReason::None);
    EXPECT_EQ(std::pair(reg(Reg::PC), reg(Reg::SP)), std::pair(0xE00Bu, 0xFFu));
}

TEST_F(DebuggerTest, StepOverLetsAnInterruptRunAndStopsAtBreakpointsInside) {
    StepTo(0xE006);
    OneInterrupt();
    EXPECT_EQ(M.stepOver(), StopReason::None);
    EXPECT_EQ(std::pair(reg(Reg::PC), reg(Reg::SP)), std::pair(0xE009u, 0xFFu));
    EXPECT_EQ(M.peek(0x60), 1); // the interrupt routine ran in between

    M.setRegister(Reg::PC, 0xE004);
    StepTo(0xE006);
    M.setBreakpoint(0xE105, true);
    EXPECT_EQ(M.stepOver(), StopReason::Breakpoint);
    EXPECT_EQ(reg(Reg::PC), 0xE105u);
    EXPECT_TRUE(M.hasBreakpoint(0xE105));
    // A user breakpoint at the return address stays after the step over reached it.
    M.clearBreakpoints();
    M.setBreakpoint(0xE009, true);
    M.setRegister(Reg::PC, 0xE004);
    M.setRegister(Reg::SP, 0xFF);
    StepTo(0xE006);
    EXPECT_EQ(M.stepOver(), StopReason::Breakpoint);
    EXPECT_TRUE(M.hasBreakpoint(0xE009));
}

// The window lets the user click the gutter during a run: a breakpoint set or cleared at the
// run's own target then stays as the user left it.
TEST_F(DebuggerTest, BreakpointsChangedAtTheTargetDuringARunToItStayAsTheUserLeftThem) {
    for (const bool set : {true, false}) {
        M.setRegister(Reg::PC, 0xE004);
        M.setRegister(Reg::SP, 0xFF);
        M.setBreakpoint(0xE009, !set);
        bool clicked = false;
        M.setStepHook([this, set, &clicked](int32_t) {
            if (reg(Reg::PC) == 0xE100 && !clicked) {
                EXPECT_EQ(M.hasBreakpoint(0xE009), !set);
                M.toggleBreakpoint(0xE009);
                clicked = true;
            }
        });
        EXPECT_EQ(M.runTo(0xE009), set ? StopReason::Breakpoint : StopReason::None);
        EXPECT_EQ(M.hasBreakpoint(0xE009), set);
        EXPECT_EQ(M.breakpoints().size(), set ? 1u : 0u);
        M.setStepHook(nullptr);
    }
}

TEST_F(DebuggerTest, StepOutLeavesNestedCallsOneByOneAndInterruptRoutines) {
    EXPECT_EQ(M.runTo(0xE105), StopReason::None); // the deepest level: A = 0
    EXPECT_EQ(reg(Reg::SP), 0xF9u);
    const std::pair<uint32_t, uint32_t> returns[] = {
        {0xE105, 0xFB}, {0xE105, 0xFD}, {0xE009, 0xFF}};
    for (const auto& [pc, sp] : returns) {
        EXPECT_EQ(M.stepOut(), StopReason::None);
        EXPECT_EQ(std::pair(reg(Reg::PC), reg(Reg::SP)), std::pair(pc, sp));
    }
    // From inside an interrupt routine: back to the interrupted instruction.
    M.setIrqPin(true);
    EXPECT_EQ(M.step(), StopReason::None); // entry and inc
    EXPECT_EQ(reg(Reg::PC), 0xE303u);
    M.setIrqPin(false);
    EXPECT_EQ(M.stepOut(), StopReason::None);
    EXPECT_EQ(std::pair(reg(Reg::PC), reg(Reg::SP)), std::pair(0xE009u, 0xFFu));
    // A stop inside ends it with its own reason.
    StepTo(0xE00A);
    M.step(); // swi
    M.setBreakpoint(0xE311, true);
    EXPECT_EQ(M.stepOut(), StopReason::Breakpoint);
}

TEST_F(DebuggerTest, ConditionsAndHitCountsDecideWhetherABreakpointStops) {
    // E200: ldaa #0; loop: inca; bra loop (the breakpoint on the bra sees A = 1, 2, 3, ...)
    Program(0xE200, {0x86, 0x00, 0x4C, 0x20, 0xFD});
    struct Case {
        const char* Condition;
        uint32_t Passes;
        uint32_t StopsAtA;
    };
    const Case cases[] = {
        {"", 0, 1}, {"A=5", 0, 5}, {"", 3, 3}, {"A>2", 2, 4}, {"A,s<0", 0, 0x80},
    };
    for (const Case& c : cases) {
        M.setRegister(Reg::PC, 0xE200);
        M.setBreakpoint(0xE203, true);
        QString error;
        ASSERT_TRUE(M.setBreakpointCondition(0xE203, QString::fromUtf8(c.Condition), &error));
        M.setBreakpointHitTarget(0xE203, c.Passes);
        EXPECT_EQ(M.run({100000, {}}), StopReason::Breakpoint) << c.Condition;
        EXPECT_EQ(reg(Reg::A), c.StopsAtA) << c.Condition << " " << c.Passes;
    }
    // A bad condition changes nothing.
    QString error;
    EXPECT_FALSE(M.setBreakpointCondition(0xE203, QStringLiteral("A=="), &error));
    EXPECT_EQ(error.toStdString(), "Wert fehlt");
    EXPECT_EQ(M.breakpointList().at(0).Condition.toStdString(), "A,s<0");
    // Disabled: the run goes to its limit; the list still shows it.
    M.setBreakpointEnabled(0xE203, false);
    EXPECT_EQ(M.run({1000, {}}), StopReason::StepLimit);
    ASSERT_EQ(M.breakpointList().size(), 1u);
    EXPECT_FALSE(M.breakpointList()[0].Enabled);
    EXPECT_TRUE(M.breakpoints().empty());
    EXPECT_TRUE(M.toggleBreakpoint(0xE203)); // a click in the gutter enables it again
    EXPECT_EQ(M.breakpointList()[0].Condition.toStdString(), "A,s<0");
    M.setBreakpoint(0xE203, false);
    EXPECT_TRUE(M.breakpointList().empty());
    // A breakpoint that does not stop still counts as passed under the step limit.
    M.setBreakpointCondition(0xE203, QStringLiteral("A=0"), &error);
    M.setRegister(Reg::PC, 0xE200);
    EXPECT_EQ(M.run({3, {}}), StopReason::StepLimit);
    EXPECT_EQ(reg(Reg::PC), 0xE202u);
}

TEST_F(DebuggerTest, DataBreakpointsStopAfterTheAccessingInstruction) {
    struct Case {
        const char* Name;
        std::initializer_list<uint8_t> Code; // at E400, after ldx #$0100 / ldy #$0100
        uint32_t Watched;
        Machine::Access Kind;
        uint32_t Address;
        uint8_t Value;
        bool Write;
    };
    const Case cases[] = {
        {"direct", {0x97, 0x40}, 0x40, Machine::Access::Write, 0x40, 0x5A, true},
        {"extended", {0xB7, 0x01, 0x23}, 0x0123, Machine::Access::Write, 0x0123, 0x5A, true},
        {"indexed X", {0xA7, 0x05}, 0x0105, Machine::Access::Either, 0x0105, 0x5A, true},
        {"indexed Y", {0x18, 0xA7, 0x07}, 0x0107, Machine::Access::Write, 0x0107, 0x5A, true},
        {"word", {0xDD, 0x41}, 0x42, Machine::Access::Write, 0x42, 0x00, true},
        {"stack", {0x36}, 0xF0, Machine::Access::Write, 0xF0, 0x5A, true},
        {"read", {0x96, 0x40}, 0x40, Machine::Access::Read, 0x40, 0x00, false},
        {"IO register", {0xB7, 0x10, 0x04}, 0x1004, Machine::Access::Write, 0x1004, 0x5A, true},
    };
    for (const Case& c : cases) {
        M.clearDataBreakpoints();
        M.poke(0x40, 0);
        Program(0xE3F0, {0xCE, 0x01, 0x00, 0x18, 0xCE, 0x01, 0x00, 0x86, 0x5A, 0x5F, 0x8E, 0x00,
                         0xF0, 0x20, 0x01, 0x01});
        Place(0xE400, c.Code);
        Place(0xE400 + static_cast<uint32_t>(c.Code.size()), {0x01, 0x20, 0xFE});
        ASSERT_TRUE(M.addDataBreakpoint(c.Watched, 1, c.Kind));
        EXPECT_EQ(M.run({100, {}}), StopReason::Watch) << c.Name;
        const auto& hit = M.lastWatchHit();
        EXPECT_EQ(hit.PC, 0xE400u) << c.Name;
        EXPECT_EQ(hit.Address, c.Address) << c.Name;
        EXPECT_EQ(hit.Value, c.Value) << c.Name;
        EXPECT_EQ(hit.Write, c.Write) << c.Name;
        EXPECT_EQ(reg(Reg::PC), 0xE400u + c.Code.size()) << c.Name; // after the instruction
    }
    // The watched IO register was written all the same: port B shows it.
    EXPECT_EQ(M.peek(0x1004), 0x5A);
    EXPECT_EQ(M.watchHitText().toStdString(), "$E400 schrieb $5A nach $1004");
}

TEST_F(DebuggerTest, DataBreakpointsCoverRangesInterruptStackingAndNotInstructionFetches) {
    QString error;
    EXPECT_FALSE(M.addDataBreakpoint(0xFFF0, 0x20, Machine::Access::Write, &error));
    EXPECT_EQ(error.toStdString(), "Der Bereich reicht über $FFFF hinaus.");
    EXPECT_FALSE(M.addDataBreakpoint(0x40, 0, Machine::Access::Write, &error));

    // Fetching the watched code is no access; the interrupt entry's stacking is.
    ASSERT_TRUE(M.addDataBreakpoint(0xE000, 0x10, Machine::Access::Either));
    EXPECT_EQ(M.run({4, {}}), StopReason::StepLimit); // lds, cli, ldaa, jsr
    M.clearDataBreakpoints();
    ASSERT_TRUE(M.addDataBreakpoint(0xF0, 0x10, Machine::Access::Write));
    M.setIrqPin(true);
    EXPECT_EQ(M.step(), StopReason::Watch);
    EXPECT_TRUE(M.lastWatchHit().InterruptEntry);
    EXPECT_EQ(M.lastWatchHit().Address, 0xFDu); // the first byte stacked: the low byte of PC
    EXPECT_EQ(M.watchHitText().toStdString(),
              "Interrupt-Eintritt bei $E100 (LOOP+253) schrieb $00 nach $00FD (TABLE+173)");
    M.setIrqPin(false);
    // Removed, the addresses are plain RAM on the fast path again.
    M.clearDataBreakpoints();
    EXPECT_EQ(M.cpu().MemoryType[0xF5], mtRAM);
    EXPECT_EQ(M.cpu().MemoryType[0x1004], mtExternal);
}

TEST_F(DebuggerTest, TheCallStackFollowsCallsReturnsAndInterruptsAndSurvivesStackTricks) {
    M.setCallTracking(true);
    EXPECT_EQ(M.runTo(0xE105), StopReason::None);
    const auto frames = M.callStack();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].CallPC, 0xE006u);
    EXPECT_EQ(frames[0].Target, 0xE100u);
    EXPECT_EQ(frames[0].ReturnPC, 0xE009u);
    EXPECT_EQ(frames[2].CallPC, 0xE103u);
    EXPECT_EQ(frames[2].Line, -1);
    M.step(); // rts
    EXPECT_EQ(M.callStack().size(), 2u);
    M.runTo(0xE009);
    EXPECT_TRUE(M.callStack().empty());

    M.setIrqPin(true);
    M.step();
    M.setIrqPin(false);
    ASSERT_EQ(M.callStack().size(), 1u);
    EXPECT_EQ(M.callStack()[0].Line, TCPU_68HC11_::IrqIRQ);
    EXPECT_EQ(M.callStack()[0].ReturnPC, 0xE009u);
    M.step(); // rti
    EXPECT_TRUE(M.callStack().empty());
    M.step();
    M.step(); // swi
    ASSERT_EQ(M.callStack().size(), 1u);
    EXPECT_EQ(M.callStack()[0].Line, TCPU_68HC11_::SwiLine);
    EXPECT_EQ(M.callStack()[0].CallPC, 0xE00Au);
    M.runTo(0xE00B);
    EXPECT_TRUE(M.callStack().empty());

    // A routine that drops its return address (pula, pula) and jumps back: no stale frame.
    Program(0xE500, {0xBD, 0xE6, 0x00, 0x20, 0xFE});
    Place(0xE600, {0x32, 0x32, 0x7E, 0xE5, 0x03}); // pula; pula; jmp E503
    M.run({4, {}});
    EXPECT_EQ(reg(Reg::PC), 0xE503u);
    EXPECT_TRUE(M.callStack().empty());
    // Reloading SP below a frame keeps it; above drops it.
    M.setRegister(Reg::PC, 0xE500);
    M.step();
    EXPECT_EQ(M.callStack().size(), 1u);
    M.setRegister(Reg::SP, 0x80);
    EXPECT_EQ(M.callStack().size(), 1u);
    M.setRegister(Reg::SP, 0x1FF);
    EXPECT_TRUE(M.callStack().empty());
}

TEST_F(DebuggerTest, RecentPCsListTheLastSixteenInstructionsOldestFirst) {
    M.step();
    M.step();
    EXPECT_EQ(M.recentPCs(), (std::vector<uint32_t>{0xE000, 0xE003}));
    M.run({40, {}});
    const auto pcs = M.recentPCs();
    ASSERT_EQ(pcs.size(), 16u);
    EXPECT_EQ(pcs.back(), M.cpu().InstructionPC());
}

} // namespace
