// WAI and STOP in the machine with its real-time interrupt: waking, the cycles of the wait and
// of the wake-up, the stacked state, a wait nothing can end, and the stopped clock.
#include "machine/Machine.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

struct TRecordingSink : TMessageSink {
    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon, TMsgButtons) override {
        Boxes.push_back((Caption + "|" + Text).toStdString());
        return TMsgResult::Ok;
    }
    std::vector<std::string> Boxes;
};

using R = Machine::Register;

struct WaitStop : ::testing::Test {
    WaitStop() {
        M.setMessageSink(&Sink);
        Cpu.VectorBase = 0xFF00; // as after a reset
        Put(0xFFFE, {0xE0, 0x00}); // reset
        Put(0xFFF0, {0xE1, 0x00}); // real-time interrupt
        Put(0xFFF4, {0xE2, 0x00}); // XIRQ
        Put(0xFFF2, {0xE2, 0x00}); // IRQ
        Put(0xE200, {0x3B});       // XIRQ routine: RTI
    }
    void Put(uint32_t Address, std::initializer_list<uint8_t> Bytes) {
        for (uint8_t b : Bytes) M.poke(Address++, b);
    }
    uint32_t Reg(R Register) const { return M.registerValue(Register); }
    Machine M;
    TRecordingSink Sink;
    TCPU_68HC11_& Cpu = M.cpu();
};

// The main loop sleeps in WAI; each real-time interrupt (one every 8192 cycles) wakes it. The
// routine's first instruction starts 2 cycles after the flag rose: the registers were stacked
// by WAI already.
TEST_F(WaitStop, TheRealTimeInterruptEndsEachWaitTwoCyclesAfterItsFlagRises) {
    Put(0xE000, {0x8E, 0x00, 0xFF,  // lds  #$00FF
                 0xCE, 0x10, 0x00,  // ldx  #$1000
                 0x86, 0x40,        // ldaa #$40
                 0xA7, 0x24,        // staa TMSK2,x   RTI enabled
                 0x0E,              // cli
                 0x3E,              // E00B wait: wai
                 0x7C, 0x00, 0x10,  // inc  $0010
                 0x20, 0xFA});      // bra  wait
    Put(0xE100, {0x86, 0x40,        // ldaa #$40
                 0xA7, 0x25,        // E102 staa TFLG2,x   acknowledge
                 0x3B});            // rti
    M.requestReset();
    M.setBreakpoint(0xE102, true);
    for (int64_t k = 1; k <= 50; ++k) {
        ASSERT_EQ(M.run(), StopReason::Breakpoint) << k;
        // Woken at 8192 k: 2 cycles for the vector, 2 for the LDAA.
        EXPECT_EQ(Cpu.CycleCount, 8192 * k + 4) << k;
        EXPECT_EQ(M.peek(0x0010), (k - 1) & 0xFF);
        // The frame WAI stacked: CCR with I clear, B, A, X, Y, and the PC after the WAI.
        EXPECT_EQ(Reg(R::SP), 0xF6u);
        const uint8_t frame[] = {0xC0, 0x00, 0x40, 0x10, 0x00, 0x00, 0x00, 0xE0, 0x0C};
        for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(M.peek(0xF7 + i), frame[i]) << k << ' ' << i;
    }
    // The waits passed in large steps, not cycle by cycle.
    EXPECT_LT(Cpu.InstructionCount, 50u * 40u);
    EXPECT_TRUE(Sink.Boxes.empty());
}

TEST_F(WaitStop, AWaitThatNothingCanEndStopsTheRunAndACycleLimitIsMetExactly) {
    // I clear but the real-time interrupt off: no source could wake the processor.
    Put(0xE000, {0x8E, 0x00, 0xFF, 0x0E, 0x3E, 0x20, 0xFE}); // lds, cli, wai, bra *
    M.requestReset();
    EXPECT_EQ(M.run(), StopReason::Deadlock);
    EXPECT_EQ(Reg(R::PC), 0xE005u);
    ASSERT_EQ(Sink.Boxes.size(), 1u);
    EXPECT_EQ(Sink.Boxes[0], "CPU-Fehler!|WAI bei $E004: Der Prozessor wartet auf einen "
                             "Interrupt, den keine Quelle mehr auslösen kann (alle Interrupts "
                             "gesperrt).");
    // With the real-time interrupt enabled it waits; a cycle limit ends the wait on the cycle.
    M.poke(0x1024, 0x40);
    const int64_t start = Cpu.CycleCount;
    EXPECT_EQ(M.run({{}, 5000}), StopReason::CycleLimit);
    EXPECT_EQ(Cpu.CycleCount - start, 5000);
    EXPECT_EQ(Cpu.Activity(), TCPU_68HC11_::TActivity::Waiting);
}

TEST_F(WaitStop, StopIsANopWithSSetAndOtherwiseStopsTheClockUntilResetOrAPinInterrupt) {
    Put(0xE000, {0xCF, 0x01, 0x20, 0xFE}); // stop, nop, bra *
    // S set: a NOP.
    M.setRegister(R::PC, 0xE000), M.setRegister(R::CCR, 0xD0);
    EXPECT_EQ(M.step(), StopReason::None);
    EXPECT_EQ(std::pair(Reg(R::PC), Cpu.CycleCount), std::pair(0xE001u, int64_t{2}));
    // S clear: the clock stops and the run ends after the STOP.
    M.setRegister(R::PC, 0xE000), M.setRegister(R::CCR, 0x50);
    EXPECT_EQ(M.run(), StopReason::Halt);
    EXPECT_EQ(std::pair(Reg(R::PC), Cpu.CycleCount), std::pair(0xE001u, int64_t{4}));
    // A Start finds the clock stopped, says so, and no time passes.
    EXPECT_EQ(M.run(), StopReason::Halt);
    EXPECT_EQ(std::pair(Reg(R::PC), Cpu.CycleCount), std::pair(0xE001u, int64_t{4}));
    ASSERT_EQ(Sink.Boxes.size(), 1u);
    EXPECT_EQ(Sink.Boxes[0], "Takt angehalten|Der Takt steht (STOP-Befehl bei $E000). Nur ein "
                             "Reset, XIRQ oder IRQ bei gelöschtem I-Bit startet ihn wieder.");
    // XIRQ with X set restarts the clock and the program goes on after the STOP.
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, true);
    EXPECT_EQ(M.step(), StopReason::None);
    EXPECT_EQ(std::pair(Reg(R::PC), Cpu.CycleCount), std::pair(0xE002u, int64_t{6}));
    // With X clear it is served: stacked, 14 cycles for the entry, then the routine's RTI.
    M.setRegister(R::PC, 0xE000), M.setRegister(R::SP, 0x00FF), M.setRegister(R::CCR, 0x00);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, false);
    EXPECT_EQ(M.run(), StopReason::Halt);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, true);
    const int64_t before = Cpu.CycleCount;
    EXPECT_EQ(M.step(), StopReason::None);
    EXPECT_EQ(Cpu.CycleCount - before, 14 + 12);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqXIRQ, false);
    EXPECT_EQ(std::pair(Reg(R::PC), Reg(R::SP)), std::pair(0xE001u, 0xFFu));
    // IRQ restarts it only with I clear; a reset always does.
    M.setRegister(R::PC, 0xE000), M.setRegister(R::CCR, 0x10);
    EXPECT_EQ(M.run(), StopReason::Halt);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqIRQ, true);
    EXPECT_EQ(M.run({3, {}}), StopReason::Halt);
    M.setRegister(R::CCR, 0x40); // I clear: IRQ restarts the clock and is served
    const int64_t stopped = Cpu.CycleCount;
    EXPECT_EQ(M.step(), StopReason::None);
    EXPECT_EQ(std::pair(Reg(R::PC), Cpu.CycleCount - stopped), std::pair(0xE001u, int64_t{26}));
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqIRQ, false);
    M.setRegister(R::PC, 0xE000), M.setRegister(R::CCR, 0x10);
    EXPECT_EQ(M.run(), StopReason::Halt);
    M.requestReset(); // the clock runs again, and the reset sets S: the STOP is a NOP now
    EXPECT_EQ(M.step(), StopReason::None);
    EXPECT_EQ(std::pair(Reg(R::PC), Cpu.Activity()),
              std::pair(0xE001u, TCPU_68HC11_::TActivity::Executing));
}

} // namespace
