// Control flow of the 68HC11 core: branches, jumps and subroutines, the stack and
// condition-code instructions, interrupt acceptance and reset, and the unknown-opcode report.
#include "hc11/C68HC11.h"

#include <algorithm>
#include <bit>
#include <iterator>

namespace {
constexpr uint64_t Line(int Number) {
    return uint64_t{1} << Number;
}
// Lines 11 (SCI) to 25 (IRQ) are masked by I.
constexpr uint64_t MaskableLines = (Line(26) - 1) & ~(Line(11) - 1);

// The fixed priority of the maskable sources (reference manual, resets and interrupts: the
// interrupt priority resolution), highest first: IRQ, real-time interrupt, input captures 1,
// 2, 3, output compares 1, 2, 3, 4, IC4/OC5, timer overflow, pulse accumulator overflow,
// pulse accumulator input edge, SPI, SCI. As request lines (vector $FFC0 + 2n):
constexpr int MaskablePriority[] = {25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11};
// This order is that of the line numbers, highest first, so among the pending lines the highest
// number wins; HPRIO's promoted line goes before all of them.
constexpr bool HighestNumberFirst() {
    uint64_t covered = 0;
    for (size_t k = 0; k < std::size(MaskablePriority); ++k) {
        if (k > 0 && MaskablePriority[k] >= MaskablePriority[k - 1]) return false;
        covered |= Line(MaskablePriority[k]);
    }
    return covered == MaskableLines;
}
static_assert(HighestNumberFirst(), "the priority resolution below relies on this order");
} // namespace

void TCPU_68HC11_::AcceptInterrupt() {
    if (PendingMask & Line(IrqReset)) return EnterReset(0xFE);
    if (PendingMask & Line(IrqClockMonitor)) return EnterReset(0xFC);
    if (PendingMask & Line(IrqCOP)) return EnterReset(0xFA);
    if (ActivityField == TActivity::ClockStopped) {
        // Leaving STOP (reference manual, low-power modes): XIRQ restarts the clock whatever
        // X says, and with X set the program goes on after the STOP instead of being
        // interrupted; IRQ restarts it only with I clear. Nothing else runs without a clock.
        if (PendingMask & Line(IrqXIRQ)) {
            SetActivity(TActivity::Executing);
            if (X) return;
        } else if (!I && (PendingMask & Line(IrqIRQ))) {
            SetActivity(TActivity::Executing);
        } else {
            return;
        }
    }
    if (!X && (PendingMask & Line(IrqXIRQ))) {
        EnterInterrupt(0xF4, IrqXIRQ);
        // XIRQ masks both itself and the maskable interrupts for its service routine.
        X = true;
        return;
    }
    if (I) return;
    const uint64_t maskable = PendingMask & MaskableLines;
    if (maskable == 0) return;
    const int number = (maskable & Line(HighestLine)) ? HighestLine : std::bit_width(maskable) - 1;
    // The vector fetch clears an edge latch (IRQ in edge-sensitive mode).
    PendingMask &= ~(Line(number) & LatchedLines);
    EnterInterrupt(static_cast<uint32_t>(0xC0 + 2 * number), number);
}

void TCPU_68HC11_::EnterInterrupt(uint32_t VectorOffset, int Line) {
    if (OnInterruptEntry) OnInterruptEntry(Line);
    if (ActivityField == TActivity::Waiting) {
        EntryCycles = WakeFromWaitCycles;
    } else {
        StackRegisters();
        EntryCycles = InterruptEntryCycles;
    }
    SetActivity(TActivity::Executing);
    I = true;
    const int32_t back = PC;
    PC = ReadWord(static_cast<uint32_t>(VectorBase) + VectorOffset);
    EntryHitBreakpoint = Breakpoints[static_cast<size_t>(PC & 0xFFFF)];
    if (TrackCalls) NoteCall(static_cast<uint32_t>(back), static_cast<uint32_t>(back), Line);
}

void TCPU_68HC11_::EnterReset(uint32_t VectorOffset) {
    SetActivity(TActivity::Executing);
    VectorBase = 0xFF00;
    CallFrames.clear();
    ResetExternals();
    PC = ReadWord(static_cast<uint32_t>(VectorBase) + VectorOffset);
    SetCCR(0xD0);
}

int32_t TCPU_68HC11_::EndStepAtEntry() {
    if (!EntryHitBreakpoint) return IdleStep();
    EntryHitBreakpoint = false;
    InstructionCycles = EntryCycles;
    Stop(StopReason::Breakpoint);
    return EntryCycles;
}

int32_t TCPU_68HC11_::IdleStep() {
    // PC stands after the WAI or STOP that began the idle state.
    const QString at = QString::asprintf("$%04X", static_cast<unsigned>((PC - 1) & 0xFFFF));
    if (ActivityField == TActivity::ClockStopped) {
        // A Start that finds the clock stopped: only a reset or a pin interrupt restarts it.
        ShowMessage(QStringLiteral("Der Takt steht (STOP-Befehl bei %1). Nur ein Reset, XIRQ "
                                   "oder IRQ bei gelöschtem I-Bit startet ihn wieder.")
                        .arg(at),
                    QStringLiteral("Takt angehalten"), TMsgIcon::Information);
        Stop(StopReason::Halt);
        return 0;
    }
    // Waiting: time passes up to the next timer or peripheral event, which may raise the
    // request that ends the wait; no host time is spent per simulated cycle.
    if (!AnyExternalMayRequestInterrupt(!I, !X)) {
        ShowMessage(QStringLiteral("WAI bei %1: Der Prozessor wartet auf einen Interrupt, den "
                                   "keine Quelle mehr auslösen kann (alle Interrupts gesperrt).")
                        .arg(at),
                    QStringLiteral("CPU-Fehler!"), TMsgIcon::Error);
        Stop(StopReason::Deadlock);
        return 0;
    }
    int64_t cycles = std::max(CyclesToNextTimer, 1);
    if (CycleHorizon - CycleCount <= cycles) {
        // A front end's cycle limit falls within the wait: the run ends on it.
        cycles = std::max<int64_t>(CycleHorizon - CycleCount, 1);
        Stop(StopReason::CycleLimit);
    }
    return static_cast<int32_t>(cycles);
}

void TCPU_68HC11_::UnknownOpcode(TCPU_68HC11_& Cpu) {
    Cpu.ReportUnknownOpcode();
}

void TCPU_68HC11_::ReportUnknownOpcode() {
    QString history;
    for (int k = 1; k <= 16; ++k)
        history += QString::asprintf(" $%04X", PCHistory[(PCHistoryIndex + k) & 15] & 0xFFFFu);
    const auto hex = [](int32_t value, int digits) {
        return QString::asprintf("%0*X", digits, static_cast<unsigned>(value));
    };
    const QString text = QStringLiteral("Unbekannter OP-Code: $") + hex(Opcode & 0xFF, 2) +
                         QStringLiteral(" PC: $") + hex(StartPC & 0xFFFF, 4) +
                         QStringLiteral(" History: ") + history + QStringLiteral(" ACCD: $") +
                         hex(GetD(), 4) + QStringLiteral(" IX: $") + hex(IX, 4) +
                         QStringLiteral(" IY: $") + hex(IY, 4) + QStringLiteral(" SP: $") +
                         hex(SP, 4) + QStringLiteral(" Flags: $") + hex(GetCCR(), 2);
    ShowMessage(text, QStringLiteral("CPU-Fehler!"), TMsgIcon::Error, TMsgButtons::Ok);
    Stop(StopReason::UnknownOpcode);
}

struct THC11ControlOps {
    using CPU = TCPU_68HC11_;
    using Mode = CPU::TAddressMode;
    static constexpr Mode Dir = CPU::amDirect, Ind = CPU::amIndexed, Ext = CPU::amExtended;

    static void NOP(CPU&) {}

    // Branches: the offset byte is always fetched; the condition is the low nibble of the
    // opcode ($20 BRA ... $2F BLE).
    template <int Condition> static bool Holds(const CPU& c) {
        switch (Condition) {
        case 0x0: return true;               // BRA
        case 0x1: return false;              // BRN
        case 0x2: return !c.C && !c.Z;       // BHI
        case 0x3: return c.C || c.Z;         // BLS
        case 0x4: return !c.C;               // BCC
        case 0x5: return c.C;                // BCS
        case 0x6: return !c.Z;               // BNE
        case 0x7: return c.Z;                // BEQ
        case 0x8: return !c.V;               // BVC
        case 0x9: return c.V;                // BVS
        case 0xA: return !c.N;               // BPL
        case 0xB: return c.N;                // BMI
        case 0xC: return c.N == c.V;         // BGE
        case 0xD: return c.N != c.V;         // BLT
        case 0xE: return !c.Z && c.N == c.V; // BGT
        default: return c.Z || c.N != c.V;   // BLE
        }
    }
    template <int Condition> static void Branch(CPU& c) {
        const uint32_t target = c.RelativeTarget();
        if (Holds<Condition>(c)) c.PC = static_cast<int32_t>(target);
    }

    // BRSET/BRCLR: address (direct or indexed), mask, offset. A zero mask always branches.
    template <Mode M, bool WhenSet> static void BranchOnBits(CPU& c) {
        const int32_t value = c.ReadByte(c.EffectiveAddress<M>());
        const int32_t mask = c.FetchByte();
        const uint32_t target = c.RelativeTarget();
        if (((WhenSet ? ~value : value) & mask) == 0) c.PC = static_cast<int32_t>(target);
    }

    static void JMPInd(CPU& c) { c.PC = static_cast<int32_t>(c.IndexedAddress()); }
    static void JMPExt(CPU& c) { c.PC = c.FetchWord(); }
    static void Call(CPU& c, uint32_t Target) {
        const int32_t back = c.PC;
        c.PushWord(back);
        c.PC = static_cast<int32_t>(Target);
        if (c.TrackCalls) [[unlikely]]
            c.NoteCall(c.InstructionPC(), static_cast<uint32_t>(back), -1);
    }
    template <Mode M> static void JSR(CPU& c) { Call(c, c.EffectiveAddress<M>()); }
    static void BSR(CPU& c) { Call(c, c.RelativeTarget()); }
    static void RTS(CPU& c) {
        c.PC = c.PullWord();
        if (c.TrackCalls) [[unlikely]]
            c.DropReturnedCalls();
    }
    static void RTI(CPU& c) {
        c.RestoreCCR(c.PullByte());
        c.ACCB = c.PullByte();
        c.ACCA = c.PullByte();
        c.IX = c.PullWord();
        c.IY = c.PullWord();
        c.PC = c.PullWord();
        if (c.TrackCalls) [[unlikely]]
            c.DropReturnedCalls();
    }
    static void SWI(CPU& c) {
        const int32_t back = c.PC;
        c.StackRegisters();
        c.I = true;
        c.PC = c.ReadWord(static_cast<uint32_t>(c.VectorBase) + 0xF6);
        if (c.TrackCalls) [[unlikely]]
            c.NoteCall(c.InstructionPC(), static_cast<uint32_t>(back), CPU::SwiLine);
    }
    // WAI stacks the registers as an interrupt would, then the processor waits; the
    // interrupt that ends the wait only fetches its vector.
    static void WAI(CPU& c) {
        c.StackRegisters();
        c.SetActivity(CPU::TActivity::Waiting);
    }
    // STOP with S set is a NOP; with S clear the clock stops and the run ends with it.
    static void STOP(CPU& c) {
        if (c.S) return;
        c.SetActivity(CPU::TActivity::ClockStopped);
        c.Stop(StopReason::Halt);
    }

    // Stack; the X forms use IY after a prefix that selects the IY register.
    static void PSHA(CPU& c) { c.PushByte(c.ACCA); }
    static void PSHB(CPU& c) { c.PushByte(c.ACCB); }
    static void PULA(CPU& c) { c.ACCA = c.PullByte(); }
    static void PULB(CPU& c) { c.ACCB = c.PullByte(); }
    static void PSHX(CPU& c) { c.PushWord(c.GetIndexRegister(c.UseIYRegister)); }
    static void PULX(CPU& c) { c.SetIndexRegister(c.PullWord(), c.UseIYRegister); }
    static void INS(CPU& c) { c.SP = (c.SP + 1) & 0xFFFF; }
    static void DES(CPU& c) { c.SP = (c.SP - 1) & 0xFFFF; }
    static void TSX(CPU& c) { c.SetIndexRegister(c.SP + 1, c.UseIYRegister); }
    static void TXS(CPU& c) { c.SP = (c.GetIndexRegister(c.UseIYRegister) - 1) & 0xFFFF; }

    // Condition-code register.
    static void TAP(CPU& c) { c.RestoreCCR(c.ACCA); }
    static void TPA(CPU& c) { c.ACCA = c.GetCCR(); }
    static void CLV(CPU& c) { c.V = false; }
    static void SEV(CPU& c) { c.V = true; }
    static void CLC(CPU& c) { c.C = false; }
    static void SEC(CPU& c) { c.C = true; }
    static void CLI(CPU& c) { c.I = false; }
    static void SEI(CPU& c) { c.I = true; }

    // clang-format off
    static constexpr CPU::TOpcodeRow Rows[] = {
        {0x01, "NOP",        2, NOP},
        {0x06, "TAP",        2, TAP},
        {0x07, "TPA",        2, TPA},
        {0x0A, "CLV",        2, CLV},
        {0x0B, "SEV",        2, SEV},
        {0x0C, "CLC",        2, CLC},
        {0x0D, "SEC",        2, SEC},
        {0x0E, "CLI",        2, CLI},
        {0x0F, "SEI",        2, SEI},
        {0x12, "BRSET dir",  6, BranchOnBits<Dir, true>},
        {0x13, "BRCLR dir",  6, BranchOnBits<Dir, false>},
        {0x1E, "BRSET ind",  7, BranchOnBits<Ind, true>},
        {0x1F, "BRCLR ind",  7, BranchOnBits<Ind, false>},

        {0x20, "BRA",        3, Branch<0x0>},
        {0x21, "BRN",        3, Branch<0x1>},
        {0x22, "BHI",        3, Branch<0x2>},
        {0x23, "BLS",        3, Branch<0x3>},
        {0x24, "BCC",        3, Branch<0x4>},
        {0x25, "BCS",        3, Branch<0x5>},
        {0x26, "BNE",        3, Branch<0x6>},
        {0x27, "BEQ",        3, Branch<0x7>},
        {0x28, "BVC",        3, Branch<0x8>},
        {0x29, "BVS",        3, Branch<0x9>},
        {0x2A, "BPL",        3, Branch<0xA>},
        {0x2B, "BMI",        3, Branch<0xB>},
        {0x2C, "BGE",        3, Branch<0xC>},
        {0x2D, "BLT",        3, Branch<0xD>},
        {0x2E, "BGT",        3, Branch<0xE>},
        {0x2F, "BLE",        3, Branch<0xF>},

        {0x30, "TSX",        3, TSX},
        {0x31, "INS",        3, INS},
        {0x32, "PULA",       4, PULA},
        {0x33, "PULB",       4, PULB},
        {0x34, "DES",        3, DES},
        {0x35, "TXS",        3, TXS},
        {0x36, "PSHA",       3, PSHA},
        {0x37, "PSHB",       3, PSHB},
        {0x38, "PULX",       5, PULX},
        {0x39, "RTS",        5, RTS},
        {0x3B, "RTI",       12, RTI},
        {0x3C, "PSHX",       4, PSHX},
        {0x3E, "WAI",       12, WAI},
        {0x3F, "SWI",       14, SWI},

        {0x6E, "JMP ind",    3, JMPInd},
        {0x7E, "JMP ext",    3, JMPExt},
        {0x8D, "BSR",        6, BSR},
        {0x9D, "JSR dir",    5, JSR<Dir>},
        {0xAD, "JSR ind",    6, JSR<Ind>},
        {0xBD, "JSR ext",    6, JSR<Ext>},
        {0xCF, "STOP",       2, STOP},
    };
    // clang-format on
};

void TCPU_68HC11_::InstallControlOps(TOpcodeTable& Table) {
    InstallRows(Table, THC11ControlOps::Rows);
}
