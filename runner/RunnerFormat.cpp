#include "runner/RunnerFormat.h"

#include "hc11/C68HC11.h"

#include <charconv>

namespace {

constexpr char HexDigits[] = "0123456789ABCDEF";

char* PutHex(char* p, uint32_t Value, int Digits) {
    for (int i = Digits - 1; i >= 0; --i)
        p[Digits - 1 - i] = HexDigits[(Value >> (4 * i)) & 0xF];
    return p + Digits;
}

char* PutText(char* p, const char* Text) {
    while (*Text)
        *p++ = *Text++;
    return p;
}

// The register text without a line end; needs at most 48 bytes.
char* PutRegisters(char* p, const TCPU_68HC11_& Cpu) {
    p = PutHex(PutText(p, "PC="), static_cast<uint32_t>(Cpu.PC), 4);
    p = PutHex(PutText(p, " A="), static_cast<uint32_t>(Cpu.ACCA), 2);
    p = PutHex(PutText(p, " B="), static_cast<uint32_t>(Cpu.ACCB), 2);
    p = PutHex(PutText(p, " X="), static_cast<uint32_t>(Cpu.IX), 4);
    p = PutHex(PutText(p, " Y="), static_cast<uint32_t>(Cpu.IY), 4);
    p = PutHex(PutText(p, " SP="), static_cast<uint32_t>(Cpu.SP), 4);
    return PutHex(PutText(p, " CCR="), static_cast<uint32_t>(Cpu.GetCCR()), 2);
}

} // namespace

std::string RegisterText(const TCPU_68HC11_& Cpu) {
    char buffer[64];
    return std::string(buffer, PutRegisters(buffer, Cpu));
}

size_t FormatTraceLine(char* Buffer, uint64_t Step, uint32_t StartPC, int32_t Cycles,
                       const TCPU_68HC11_& Cpu) {
    char* p = std::to_chars(Buffer, Buffer + 20, Step).ptr;
    *p++ = ' ';
    p = PutHex(p, StartPC & 0xFFFF, 4);
    *p++ = ' ';
    p = std::to_chars(p, p + 11, Cycles).ptr;
    *p++ = ' ';
    p = PutRegisters(p, Cpu);
    *p++ = '\n';
    return static_cast<size_t>(p - Buffer);
}

std::string DumpText(const uint8_t* Memory, uint32_t Start, uint32_t Length) {
    std::string out;
    out.reserve(static_cast<size_t>(Length) / 16 * 55 + 55);
    char line[64];
    for (uint32_t offset = 0; offset < Length; offset += 16) {
        const uint32_t lineStart = (Start + offset) & 0xFFFF;
        char* p = PutHex(line, lineStart, 4);
        *p++ = ':';
        for (uint32_t k = 0; k < 16 && offset + k < Length; ++k) {
            *p++ = ' ';
            p = PutHex(p, Memory[(lineStart + k) & 0xFFFF], 2);
        }
        *p++ = '\n';
        out.append(line, p);
    }
    return out;
}
