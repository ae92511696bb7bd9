#pragma once
// The 68HC11 processor: register file, 64 KiB memory with a per-address memory type,
// breakpoints, interrupt request lines, and the instruction executor.

#include "cpu/CPU.h"

#include <array>
#include <cstdint>

enum TMemoryType : uint8_t { mtRAM = 0, mtROM = 1, mtExternal = 2 };

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
    void TraceFrom(uint32_t Address) override;

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
    int32_t ReadWord(uint32_t Address) { return ReadByte(Address) * 256 + ReadByte(Address + 1); }
    void WriteWord(uint32_t Address, int32_t Value) {
        WriteByte(Address, (Value >> 8) & 0xFF);
        WriteByte(Address + 1, Value & 0xFF);
    }
    int32_t FetchByte() { return ReadByte(static_cast<uint32_t>(PC++)); }
    int32_t FetchWord() {
        const int32_t w = ReadWord(static_cast<uint32_t>(PC));
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

    // Interrupt request lines (0..63). The core only reads them; their sources set and clear.
    void SetPendingInterrupt(int Number, bool Value) {
        const uint64_t bit = uint64_t{1} << (Number & 63);
        PendingMask = Value ? (PendingMask | bit) : (PendingMask & ~bit);
    }
    bool PendingInterrupt(int Number) const { return (PendingMask >> (Number & 63)) & 1; }

    // Ring of the addresses of the last 16 instructions; the entry at PCHistoryIndex is the
    // instruction being executed, the following ones (modulo 16) are older, oldest first.
    std::array<uint32_t, 16> PCHistory{};
    int32_t PCHistoryIndex = 0;

    std::array<uint8_t, 65536> Memory{};
    std::array<uint8_t, 65536> MemoryType{}; // TMemoryType per address
    std::array<uint8_t, 65536> TraceMarks{}; // bit 0 = start here, bit 5 = already walked
    std::array<bool, 65536> Breakpoints{};

    int32_t InstructionCycles = 0;
    int32_t PC = 0;
    int32_t ACCA = 0;
    int32_t ACCB = 0;
    int32_t IX = 0;
    int32_t IY = 0;
    int32_t SP = 0;
    bool S = false, X = false, H = false, I = false, N = false, Z = false, V = false, C = false;
    int32_t VectorBase = 0;

private:
    int32_t ReadByteSlow(uint32_t Address);
    void WriteByteSlow(uint32_t Address, int32_t Value);

    uint64_t PendingMask = 0; // bit n = request line n
};
