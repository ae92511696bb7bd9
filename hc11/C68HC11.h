#pragma once
// The 68HC11 processor: register file, 64 KiB memory with a per-address memory type,
// breakpoints, interrupt request lines, and the instruction executor.

#include "cpu/CPU.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

enum TMemoryType : uint8_t { mtRAM = 0, mtROM = 1, mtExternal = 2 };
// Set on top of an address's memory type while a data breakpoint watches it: the address then
// fails the RAM test of the fast path, so that only watched addresses pay for the check.
constexpr uint8_t mtWatched = 0x80;

class TCPU_68HC11_ : public TCustomCPU {
    Q_OBJECT
public:
    // Interrupt request line numbers: line n has its vector at VectorBase + $C0 + 2n.
    static constexpr int IrqSCI = 11;
    static constexpr int IrqRTI = 24;
    static constexpr int IrqIRQ = 25;
    static constexpr int IrqXIRQ = 26;
    static constexpr int IrqCOP = 29;
    static constexpr int IrqClockMonitor = 30;
    static constexpr int IrqReset = 31;

    // Accepting an interrupt stacks nine bytes and fetches the vector; leaving WAI only
    // fetches the vector, the registers being stacked already.
    static constexpr int32_t InterruptEntryCycles = 14;
    static constexpr int32_t WakeFromWaitCycles = 2;

    // What the processor does between instructions: execute them, wait for an interrupt
    // (WAI), or nothing at all with its clock stopped (STOP).
    enum class TActivity : uint8_t { Executing, Waiting, ClockStopped };

    explicit TCPU_68HC11_(QObject* Owner = nullptr);

    // Framework operations.
    int32_t ReadMemory(uint32_t Address) override { return ReadByte(Address); }
    void WriteMemory(uint32_t Address, int32_t Value) override { WriteByte(Address, Value); }
    void MapExternalMemory(uint32_t Base, uint32_t Size) override;
    void UnmapExternalMemory(uint32_t Base, uint32_t Size) override;
    bool IsBreakpoint(uint32_t Address) override { return Breakpoints[Address & 0xFFFF]; }
    void SetBreakpoint(uint32_t Address, bool Value) override {
        Breakpoints[Address & 0xFFFF] = Value;
    }
    void ReadError() override {}
    void WriteError() override {}
    int32_t ExecuteInstruction() override;

    // Memory primitives; every address is taken modulo 65536.
    int32_t ReadByte(uint32_t Address) {
        Address &= 0xFFFF;
        if (MemoryType[Address] == mtRAM) [[likely]]
            return Memory[Address];
        return ReadByteSlow(Address);
    }
    void WriteByte(uint32_t Address, int32_t Value) {
        Address &= 0xFFFF;
        if (MemoryType[Address] == mtRAM) [[likely]] {
            Memory[Address] = static_cast<uint8_t>(Value);
            return;
        }
        WriteByteSlow(Address, Value);
    }
    // High byte first, as the chip reads it; the order matters for device registers.
    int32_t ReadWord(uint32_t Address) {
        const int32_t high = ReadByte(Address);
        return high * 256 + ReadByte(Address + 1);
    }
    void WriteWord(uint32_t Address, int32_t Value) {
        WriteByte(Address, (Value >> 8) & 0xFF);
        WriteByte(Address + 1, Value & 0xFF);
    }
    // Instruction bytes: as ReadByte, except that a data breakpoint does not see them.
    int32_t FetchRead(uint32_t Address) {
        Address &= 0xFFFF;
        if (MemoryType[Address] == mtRAM) [[likely]]
            return Memory[Address];
        return FetchSlow(Address);
    }
    int32_t FetchByte() { return FetchRead(static_cast<uint32_t>(PC++)); }
    int32_t FetchWord() {
        const int32_t high = FetchRead(static_cast<uint32_t>(PC));
        const int32_t w = high * 256 + FetchRead(static_cast<uint32_t>(PC + 1));
        PC += 2;
        return w;
    }

    // Stack primitives; SP wraps modulo 65536.
    void PushByte(int32_t Value) {
        WriteByte(static_cast<uint32_t>(SP), Value);
        SP = (SP - 1) & 0xFFFF;
    }
    int32_t PullByte() {
        SP = (SP + 1) & 0xFFFF;
        return ReadByte(static_cast<uint32_t>(SP));
    }
    void PushWord(int32_t Value) {
        PushByte(Value & 0xFF);
        PushByte((Value >> 8) & 0xFF);
    }
    int32_t PullWord() {
        const int32_t high = PullByte();
        return high * 256 + PullByte();
    }
    // The PC at which the step in progress (or the last one) began, before any interrupt entry.
    int32_t StepStartPC() const { return StartPC; }
    // The address of the instruction the last step executed (after any interrupt or reset
    // entry); a step that only waited leaves the WAI's.
    uint32_t InstructionPC() const { return PCHistory[static_cast<size_t>(PCHistoryIndex)]; }
    // Pushes the interrupt frame: PC, IY, IX, ACCA, ACCB, CCR (CCR at the lowest address).
    void StackRegisters();

    // Register views.
    int32_t GetCCR() const;
    void SetCCR(int32_t Value);
    int32_t GetD() const { return ACCA * 256 + ACCB; }
    void SetD(int32_t Value) {
        ACCA = (Value >> 8) & 0xFF;
        ACCB = Value & 0xFF;
    }
    int32_t GetIndexRegister(bool UseIY) const { return UseIY ? IY : IX; }
    void SetIndexRegister(int32_t Value, bool UseIY) { (UseIY ? IY : IX) = Value & 0xFFFF; }
    int32_t CarryValue() const { return C ? 1 : 0; }

    // Interrupt request lines (0..62). The core only reads them; their sources set and clear.
    void SetPendingInterrupt(int Number, bool Value) {
        const uint64_t bit = uint64_t{1} << (Number % IdleBit);
        PendingMask = Value ? (PendingMask | bit) : (PendingMask & ~bit);
    }
    bool PendingInterrupt(int Number) const { return (PendingMask >> (Number % IdleBit)) & 1; }
    // A line whose request is a latch that the acceptance of its interrupt clears (the vector
    // fetch clears the edge latch of an edge-sensitive IRQ); the requests of the other lines
    // stay until their source withdraws them.
    void SetLatchedLine(int Number, bool Value) {
        const uint64_t bit = uint64_t{1} << (Number % IdleBit);
        LatchedLines = Value ? (LatchedLines | bit) : (LatchedLines & ~bit);
    }
    // The maskable line that HPRIO's PSEL bits raise to the highest maskable priority; IRQ
    // after reset. A number outside the maskable lines 11 to 25 selects IRQ.
    void SetHighestPriorityLine(int Number) {
        HighestLine = Number >= IrqSCI && Number <= IrqIRQ ? Number : IrqIRQ;
    }
    int HighestPriorityLine() const { return HighestLine; }

    TActivity Activity() const { return ActivityField; }
    void SetActivity(TActivity Value) {
        ActivityField = Value;
        const uint64_t idle = uint64_t{1} << IdleBit;
        PendingMask = Value == TActivity::Executing ? (PendingMask & ~idle) : (PendingMask | idle);
    }

    // Arithmetic and condition-code routines (C68HC11Arithmetic.cpp). Operands enter as
    // 8-bit (0..255) or 16-bit (0..65535) values; results leave reduced to that width.
    // Add8 writes H N Z V C; Sub8 N Z V C; Add16 and Sub16 the chosen of N Z V C (a TFlagSet
    // mask); the logic routines and SetNZ N Z V; the shifts and rotates C N Z V.
    enum TFlagSet : uint8_t { fC = 0x01, fV = 0x02, fZ = 0x04, fN = 0x08 }; // CCR bit positions
    int32_t Add8(int32_t A, int32_t M, int32_t CarryIn);
    int32_t Sub8(int32_t A, int32_t M, int32_t BorrowIn);
    int32_t Add16(int32_t A, int32_t M, uint8_t Flags);
    int32_t Sub16(int32_t A, int32_t M, uint8_t Flags);
    int32_t And8(int32_t A, int32_t M) { return SetNZ8(A & M); }
    int32_t Or8(int32_t A, int32_t M) { return SetNZ8(A | M); }
    int32_t Eor8(int32_t A, int32_t M) { return SetNZ8(A ^ M); }
    int32_t SetNZ8(int32_t Value) {
        N = Value & 0x80;
        Z = Value == 0;
        V = false;
        return Value;
    }
    int32_t SetNZ16(int32_t Value) {
        N = Value & 0x8000;
        Z = Value == 0;
        V = false;
        return Value;
    }
    // The 8-bit shifts and rotates: the bit shifted out goes to C, BitIn (0 or 1 on the left,
    // 0 or $80 on the right) fills the vacated bit: 0 for ASL/LSR, bit 7 for ASR, C for ROL/ROR.
    int32_t ShiftLeft8(int32_t Value, int32_t BitIn);
    int32_t ShiftRight8(int32_t Value, int32_t BitIn);
    int32_t ShiftLeft16(int32_t Value);
    int32_t ShiftRight16(int32_t Value);

    // The opcode table: one entry per opcode byte, shared by all four prefix pages. The
    // handler fetches the operands and carries out the instruction; Cycles is the base count
    // of the unprefixed instruction (a prefix byte adds one).
    using TOpHandler = void (*)(TCPU_68HC11_&);
    struct TOpcode {
        TOpHandler Handler = nullptr;
        int32_t Cycles = 0;
        const char* Mnemonic = "";
        bool Implemented = false;
    };
    using TOpcodeTable = std::array<TOpcode, 256>;
    static const TOpcodeTable& OpcodeTable();

    // Ring of the addresses of the last 16 instructions; the entry at PCHistoryIndex is the
    // instruction being executed, the following ones (modulo 16) are older, oldest first.
    std::array<uint32_t, 16> PCHistory{};
    int32_t PCHistoryIndex = 0;

    std::array<uint8_t, 65536> Memory{};
    std::array<uint8_t, 65536> MemoryType{}; // TMemoryType per address, with mtWatched
    // The memory type of an address without the watch mark.
    uint8_t BaseMemoryType(uint32_t Address) const {
        return MemoryType[Address & 0xFFFF] & static_cast<uint8_t>(~mtWatched);
    }

    // Data breakpoints: the accesses watched per address (WatchRead | WatchWrite, 0 for none).
    // An access to a watched address by an instruction (or an interrupt entry's stacking) stops
    // the run after that instruction with StopReason::Watch and records the first such access
    // of the step in LastWatchHit. Instruction fetches are not watched.
    static constexpr uint8_t WatchRead = 1;
    static constexpr uint8_t WatchWrite = 2;
    void SetWatch(uint32_t Address, uint8_t Kinds);
    uint8_t Watch(uint32_t Address) const { return WatchKinds[Address & 0xFFFF]; }
    struct TWatchHit {
        uint32_t PC = 0;      // the instruction's address (the interrupted PC for an entry)
        uint32_t Address = 0; // the address accessed
        uint8_t Value = 0;    // the byte read or written
        bool Write = false;
        bool InterruptEntry = false; // the interrupt entry's stacking made the access
    };

    // Calls and interrupt entries not yet returned from, oldest first; kept only while
    // TrackCalls is set (the call and return instructions check it, nothing else). A frame
    // is dropped as soon as the stack pointer rises above the place of its return address, so
    // that programs which pull return addresses or reload SP leave no stale frames behind.
    struct TCallFrame {
        uint32_t CallPC = 0;   // the JSR/BSR/SWI, or the interrupted PC
        uint32_t Target = 0;   // the routine entered
        uint32_t ReturnPC = 0; // where its RTS or RTI goes back to
        uint32_t StackTop = 0; // SP after the return address (or interrupt frame) was stacked
        int Line = -1;         // -1 for JSR/BSR, SwiLine for SWI, else the interrupt line
    };
    static constexpr int SwiLine = 64;
    static constexpr size_t MaxCallFrames = 1024;
    // Drops the frames whose return address lies above SP.
    void DropReturnedCalls();
    std::array<bool, 65536> Breakpoints{};

    int32_t InstructionCycles = 0;
    // Called with the request line whenever an interrupt (not a reset) is taken; unset costs
    // nothing, entries being rare.
    std::function<void(int Line)> OnInterruptEntry;
    int32_t PC = 0;
    int32_t ACCA = 0;
    int32_t ACCB = 0;
    int32_t IX = 0;
    int32_t IY = 0;
    int32_t SP = 0;
    bool S = false, X = false, H = false, I = false, N = false, Z = false, V = false, C = false;
    int32_t VectorBase = 0;

private:
    // The instruction groups; each installs its entries into the opcode table.
    friend struct THC11DataMovementOps; // C68HC11Decoder.cpp
    friend struct THC11ArithmeticOps;   // C68HC11Arithmetic.cpp
    friend struct THC11ControlOps;      // C68HC11Control.cpp
    struct TOpcodeRow {
        uint8_t Opcode;
        const char* Mnemonic;
        int32_t Cycles;
        TOpHandler Handler;
    };
    template <size_t Count>
    static void InstallRows(TOpcodeTable& Table, const TOpcodeRow (&Rows)[Count]) {
        for (const TOpcodeRow& row : Rows)
            Table[row.Opcode] = TOpcode{row.Handler, row.Cycles, row.Mnemonic, true};
    }
    static void InstallDataMovementOps(TOpcodeTable& Table);
    static void InstallArithmeticOps(TOpcodeTable& Table);
    static void InstallControlOps(TOpcodeTable& Table);
    static void UnknownOpcode(TCPU_68HC11_& Cpu);

    int32_t ReadByteSlow(uint32_t Address);
    int32_t FetchSlow(uint32_t Address);
    void WriteByteSlow(uint32_t Address, int32_t Value);
    void WatchHit(uint32_t Address, int32_t Value, bool Write);
    void NoteCall(uint32_t CallPC, uint32_t ReturnPC, int Line);

    // Addressing modes of the operand-taking instructions.
    enum TAddressMode { amImmediate, amDirect, amIndexed, amExtended };
    // Fetches the offset byte and adds IX, or IY after a prefix that selects it.
    uint32_t IndexedAddress() {
        const auto offset = static_cast<uint32_t>(FetchByte());
        return (offset + static_cast<uint32_t>(UseIYIndex ? IY : IX)) & 0xFFFF;
    }
    // Fetches a signed offset byte and adds it to the PC that follows it.
    uint32_t RelativeTarget() {
        const int32_t offset = static_cast<int8_t>(FetchByte());
        return static_cast<uint32_t>(PC + offset) & 0xFFFF;
    }
    template <TAddressMode Mode> uint32_t EffectiveAddress() {
        static_assert(Mode != amImmediate);
        if constexpr (Mode == amDirect)
            return static_cast<uint32_t>(FetchByte());
        else if constexpr (Mode == amExtended)
            return static_cast<uint32_t>(FetchWord());
        else
            return IndexedAddress();
    }
    template <TAddressMode Mode> int32_t Operand8() {
        if constexpr (Mode == amImmediate)
            return FetchByte();
        else
            return ReadByte(EffectiveAddress<Mode>());
    }
    template <TAddressMode Mode> int32_t Operand16() {
        if constexpr (Mode == amImmediate)
            return FetchWord();
        else
            return ReadWord(EffectiveAddress<Mode>());
    }
    // CCR from an instruction (TAP, RTI): X can be cleared this way but never set.
    void RestoreCCR(int32_t Value) {
        const bool keepX = X;
        SetCCR(Value);
        X = X && keepX;
    }

    void AcceptInterrupt();
    // Enters the routine of the vector at VectorOffset: stacks the registers (unless WAI did)
    // and charges the entry's cycles to the step.
    void EnterInterrupt(uint32_t VectorOffset, int Line);
    void EnterReset(uint32_t VectorOffset);
    // A step in which no instruction runs: the processor waits or its clock is stopped.
    int32_t IdleStep();
    // A step that ends with the request it took: an idle step, or an interrupt entry whose
    // routine starts at a breakpoint (the run stops there, before the routine's first
    // instruction, as at a breakpoint anywhere else; the check after each instruction never
    // sees that address). Out of the hot path.
    int32_t EndStepAtEntry();
    void ReportUnknownOpcode();

    // Not a request line: set while the processor waits or its clock is stopped, so that the
    // one test of PendingMask per step also finds the idle states.
    static constexpr int IdleBit = 63;

    const TOpcode* Ops;        // OpcodeTable().data()
    uint64_t PendingMask = 0;  // bit n = request line n, and IdleBit
    uint64_t LatchedLines = 0; // bit n: accepting line n clears its request
    int HighestLine = IrqIRQ;  // promoted by HPRIO's PSEL bits
    TActivity ActivityField = TActivity::Executing;

    // State of the step in progress.
    int32_t StartPC = 0;        // PC before interrupt acceptance
    int32_t EntryCycles = 0;    // cycles of an interrupt entry taken in this step
    bool EntryHitBreakpoint = false; // that entry's routine starts at a breakpoint
    int32_t Opcode = 0;         // the byte dispatched on (after any prefix)
    bool UseIYRegister = false; // the 16-bit register operand is IY
    bool UseIYIndex = false;    // indexed addresses (and INX/DEX/ABX results) use IY
    bool CompareD = false;      // SUBD compares only (CPD)

    // The debugger's state, after everything the hot loop touches.
    std::array<uint8_t, 65536> WatchKinds{}; // per address: WatchRead | WatchWrite
    bool Entering = false;                   // an interrupt entry is in progress

public:
    TWatchHit LastWatchHit;
    bool TrackCalls = false;
    std::vector<TCallFrame> CallFrames;
};
