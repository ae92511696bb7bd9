// The instruction step of the 68HC11 core: interrupt check, prefix decoding, one table dispatch
// for all four opcode pages, and the data-movement instructions (loads, stores, transfers).
#include "hc11/C68HC11.h"

int32_t TCPU_68HC11_::ExecuteInstruction() {
    StartPC = PC;
    UseIYRegister = false;
    UseIYIndex = false;
    CompareD = false;

    // One test while no request line is set and the processor executes: an interrupt entry
    // taken here counts into this step's cycles.
    int32_t cycles = 0;
    if (PendingMask != 0) [[unlikely]] {
        EntryCycles = 0;
        Entering = true;
        AcceptInterrupt();
        Entering = false;
        if (ActivityField != TActivity::Executing || EntryHitBreakpoint) return EndStepAtEntry();
        cycles = EntryCycles;
    }

    // Locals keep the compiler from reloading PC and the cycle count around the stores.
    const auto pc = static_cast<uint32_t>(PC) & 0xFFFF;
    PCHistoryIndex = (PCHistoryIndex + 1) & 15;
    PCHistory[static_cast<size_t>(PCHistoryIndex)] = pc;

    Opcode = FetchRead(pc);
    PC = static_cast<int32_t>(pc + 1);
    // A prefix selects the page: it only sets the switches and costs one cycle. A second
    // prefix byte becomes the opcode (and is reported as unknown).
    if (Opcode == 0x18 || Opcode == 0x1A || Opcode == 0xCD) {
        UseIYRegister = Opcode != 0xCD;
        UseIYIndex = Opcode != 0x1A;
        CompareD = Opcode != 0x18;
        Opcode = FetchByte();
        cycles += 1;
    }

    const TOpcode& op = Ops[Opcode];
    InstructionCycles = cycles + op.Cycles;
    op.Handler(*this);

    PC &= 0xFFFF;
    if (Breakpoints[static_cast<size_t>(PC)]) Stop(StopReason::Breakpoint);
    return InstructionCycles;
}

const TCPU_68HC11_::TOpcodeTable& TCPU_68HC11_::OpcodeTable() {
    static const TOpcodeTable table = [] {
        TOpcodeTable t;
        t.fill(TOpcode{&UnknownOpcode, 0, "???", false});
        InstallDataMovementOps(t);
        InstallArithmeticOps(t);
        InstallControlOps(t);
        return t;
    }();
    return table;
}

// Loads, stores, TAB/TBA and XGDX/XGDY.
struct THC11DataMovementOps {
    using CPU = TCPU_68HC11_;
    using Mode = CPU::TAddressMode;
    static constexpr Mode Imm = CPU::amImmediate, Dir = CPU::amDirect, Ind = CPU::amIndexed,
                          Ext = CPU::amExtended;
    static constexpr int32_t CPU::*A = &CPU::ACCA;
    static constexpr int32_t CPU::*B = &CPU::ACCB;

    template <int32_t CPU::*Acc, Mode M> static void Load8(CPU& c) {
        c.*Acc = c.SetNZ8(c.Operand8<M>());
    }
    template <int32_t CPU::*Acc, Mode M> static void Store8(CPU& c) {
        const uint32_t address = c.EffectiveAddress<M>();
        c.WriteByte(address, c.SetNZ8(c.*Acc));
    }

    template <Mode M> static void LDD(CPU& c) { c.SetD(c.SetNZ16(c.Operand16<M>())); }
    template <Mode M> static void LDX(CPU& c) {
        c.SetIndexRegister(c.SetNZ16(c.Operand16<M>()), c.UseIYRegister);
    }
    template <Mode M> static void LDS(CPU& c) { c.SP = c.SetNZ16(c.Operand16<M>()); }

    template <Mode M> static void STD(CPU& c) {
        const uint32_t address = c.EffectiveAddress<M>();
        c.WriteWord(address, c.SetNZ16(c.GetD()));
    }
    template <Mode M> static void STX(CPU& c) {
        const uint32_t address = c.EffectiveAddress<M>();
        c.WriteWord(address, c.SetNZ16(c.GetIndexRegister(c.UseIYRegister)));
    }
    template <Mode M> static void STS(CPU& c) {
        const uint32_t address = c.EffectiveAddress<M>();
        c.WriteWord(address, c.SetNZ16(c.SP));
    }

    // The transfers set N and Z and clear V, so that a following BEQ/BMI sees the value.
    static void TAB(CPU& c) { c.ACCB = c.SetNZ8(c.ACCA); }
    static void TBA(CPU& c) { c.ACCA = c.SetNZ8(c.ACCB); }
    static void XGDX(CPU& c) {
        const int32_t d = c.GetD();
        c.SetD(c.GetIndexRegister(c.UseIYRegister));
        c.SetIndexRegister(d, c.UseIYRegister);
    }

    // clang-format off
    static constexpr CPU::TOpcodeRow Rows[] = {
        {0x16, "TAB",       2, TAB},
        {0x17, "TBA",       2, TBA},
        {0x8F, "XGDX",      3, XGDX},

        {0x86, "LDAA imm",  2, Load8<A, Imm>},
        {0x96, "LDAA dir",  3, Load8<A, Dir>},
        {0xA6, "LDAA ind",  4, Load8<A, Ind>},
        {0xB6, "LDAA ext",  4, Load8<A, Ext>},
        {0xC6, "LDAB imm",  2, Load8<B, Imm>},
        {0xD6, "LDAB dir",  3, Load8<B, Dir>},
        {0xE6, "LDAB ind",  4, Load8<B, Ind>},
        {0xF6, "LDAB ext",  4, Load8<B, Ext>},

        {0xCC, "LDD imm",   3, LDD<Imm>},
        {0xDC, "LDD dir",   4, LDD<Dir>},
        {0xEC, "LDD ind",   5, LDD<Ind>},
        {0xFC, "LDD ext",   5, LDD<Ext>},
        {0xCE, "LDX imm",   3, LDX<Imm>},
        {0xDE, "LDX dir",   4, LDX<Dir>},
        {0xEE, "LDX ind",   5, LDX<Ind>},
        {0xFE, "LDX ext",   5, LDX<Ext>},
        {0x8E, "LDS imm",   3, LDS<Imm>},
        {0x9E, "LDS dir",   4, LDS<Dir>},
        {0xAE, "LDS ind",   5, LDS<Ind>},
        {0xBE, "LDS ext",   5, LDS<Ext>},

        {0x97, "STAA dir",  3, Store8<A, Dir>},
        {0xA7, "STAA ind",  4, Store8<A, Ind>},
        {0xB7, "STAA ext",  4, Store8<A, Ext>},
        {0xD7, "STAB dir",  3, Store8<B, Dir>},
        {0xE7, "STAB ind",  4, Store8<B, Ind>},
        {0xF7, "STAB ext",  4, Store8<B, Ext>},
        {0xDD, "STD dir",   4, STD<Dir>},
        {0xED, "STD ind",   5, STD<Ind>},
        {0xFD, "STD ext",   5, STD<Ext>},
        {0xDF, "STX dir",   4, STX<Dir>},
        {0xEF, "STX ind",   5, STX<Ind>},
        {0xFF, "STX ext",   5, STX<Ext>},
        {0x9F, "STS dir",   4, STS<Dir>},
        {0xAF, "STS ind",   5, STS<Ind>},
        {0xBF, "STS ext",   5, STS<Ext>},
    };
    // clang-format on
};

void TCPU_68HC11_::InstallDataMovementOps(TOpcodeTable& Table) {
    InstallRows(Table, THC11DataMovementOps::Rows);
}
