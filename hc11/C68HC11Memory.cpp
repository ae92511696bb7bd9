// Registers, memory model and the primitive operations of the 68HC11 core.
#include "hc11/C68HC11.h"

TCPU_68HC11_::TCPU_68HC11_(QObject* Owner) : TCustomCPU(Owner), Ops(OpcodeTable().data()) {}

int32_t TCPU_68HC11_::FetchSlow(uint32_t Address) {
    if (BaseMemoryType(Address) == mtExternal) {
        int32_t data = 0; // what a device without a read handler yields
        ExternalRead(Address, data);
        // The data bus is 8 bits wide: whatever a device answers, the core sees one byte (an
        // opcode outside 0..255 would otherwise index past the opcode table).
        return data & 0xFF;
    }
    return Memory[Address];
}

int32_t TCPU_68HC11_::ReadByteSlow(uint32_t Address) {
    const int32_t data = FetchSlow(Address);
    if (WatchKinds[Address] & WatchRead) [[unlikely]]
        WatchHit(Address, data, false);
    return data;
}

void TCPU_68HC11_::WriteByteSlow(uint32_t Address, int32_t Value) {
    const uint8_t type = BaseMemoryType(Address);
    if (type == mtRAM) {
        Memory[Address] = static_cast<uint8_t>(Value);
    } else if (type == mtExternal) {
        ExternalWrite(Address, Value);
    } else {
        ShowMessage(QStringLiteral("Write-Zugriff auf ROM!"), QStringLiteral("Speicher-Fehler!"),
                    TMsgIcon::Warning);
    }
    if (WatchKinds[Address] & WatchWrite) [[unlikely]]
        WatchHit(Address, Value, true);
}

void TCPU_68HC11_::SetWatch(uint32_t Address, uint8_t Kinds) {
    Address &= 0xFFFF;
    WatchKinds[Address] = Kinds & (WatchRead | WatchWrite);
    MemoryType[Address] = static_cast<uint8_t>(BaseMemoryType(Address) | (Kinds ? mtWatched : 0));
}

void TCPU_68HC11_::WatchHit(uint32_t Address, int32_t Value, bool Write) {
    // The first watched access of a step is the one reported.
    if (LastStopReason() == StopReason::Watch) return;
    LastWatchHit = {Entering ? static_cast<uint32_t>(StartPC) & 0xFFFF : InstructionPC(), Address,
                    static_cast<uint8_t>(Value), Write, Entering};
    Stop(StopReason::Watch);
}

void TCPU_68HC11_::MapExternalMemory(uint32_t Base, uint32_t Size) {
    // A window reaching past $FFFF is cut at the end of the address space.
    for (uint32_t a = Base; a < 0x10000 && a - Base < Size; ++a)
        MemoryType[a] = static_cast<uint8_t>(mtExternal | (MemoryType[a] & mtWatched));
}

void TCPU_68HC11_::UnmapExternalMemory(uint32_t Base, uint32_t Size) {
    for (uint32_t a = Base; a < 0x10000 && a - Base < Size; ++a)
        MemoryType[a] = static_cast<uint8_t>(mtRAM | (MemoryType[a] & mtWatched));
}

void TCPU_68HC11_::NoteCall(uint32_t CallPC, uint32_t ReturnPC, int Line) {
    // A frame nests below the ones still open; one at or below the new frame's place was
    // abandoned (its return address pulled or overwritten without a return).
    const auto top = static_cast<uint32_t>(SP) & 0xFFFF;
    while (!CallFrames.empty() && CallFrames.back().StackTop <= top)
        CallFrames.pop_back();
    if (CallFrames.size() >= MaxCallFrames) CallFrames.erase(CallFrames.begin());
    CallFrames.push_back({CallPC & 0xFFFF, static_cast<uint32_t>(PC) & 0xFFFF, ReturnPC & 0xFFFF,
                          static_cast<uint32_t>(SP) & 0xFFFF, Line});
}

void TCPU_68HC11_::DropReturnedCalls() {
    // The stack grows down: a frame whose return address lies at StackTop+1 is gone once SP
    // has risen past StackTop.
    while (!CallFrames.empty() && static_cast<uint32_t>(SP) > CallFrames.back().StackTop)
        CallFrames.pop_back();
}

void TCPU_68HC11_::StackRegisters() {
    PushWord(PC);
    PushWord(IY);
    PushWord(IX);
    PushByte(ACCA);
    PushByte(ACCB);
    PushByte(GetCCR());
}

int32_t TCPU_68HC11_::GetCCR() const {
    return (S << 7) | (X << 6) | (H << 5) | (I << 4) | (N << 3) | (Z << 2) | (V << 1) | int(C);
}

void TCPU_68HC11_::SetCCR(int32_t Value) {
    S = Value & 0x80;
    X = Value & 0x40;
    H = Value & 0x20;
    I = Value & 0x10;
    N = Value & 0x08;
    Z = Value & 0x04;
    V = Value & 0x02;
    C = Value & 0x01;
}
