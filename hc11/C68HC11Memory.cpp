// Registers, memory model and the primitive operations of the 68HC11 core.
#include "hc11/C68HC11.h"

TCPU_68HC11_::TCPU_68HC11_(QObject* Owner) : TCustomCPU(Owner), Ops(OpcodeTable().data()) {}

int32_t TCPU_68HC11_::ReadByteSlow(uint32_t Address) {
    if (MemoryType[Address] == mtExternal) {
        int32_t data = 0; // what a device without a read handler yields
        ExternalRead(Address, data);
        // The data bus is 8 bits wide: whatever a device answers, the core sees one byte (an
        // opcode outside 0..255 would otherwise index past the opcode table).
        return data & 0xFF;
    }
    return Memory[Address];
}

void TCPU_68HC11_::WriteByteSlow(uint32_t Address, int32_t Value) {
    if (MemoryType[Address] == mtExternal) {
        ExternalWrite(Address, Value);
        return;
    }
    ShowMessage(QStringLiteral("Write-Zugriff auf ROM!"), QStringLiteral("Speicher-Fehler!"),
                TMsgIcon::Warning);
}

void TCPU_68HC11_::MapExternalMemory(uint32_t Base, uint32_t Size) {
    // A window reaching past $FFFF is cut at the end of the address space.
    for (uint32_t a = Base; a < 0x10000 && a - Base < Size; ++a)
        MemoryType[a] = mtExternal;
}

void TCPU_68HC11_::UnmapExternalMemory(uint32_t Base, uint32_t Size) {
    for (uint32_t a = Base; a < 0x10000 && a - Base < Size; ++a)
        MemoryType[a] = mtRAM;
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
