#pragma once
// The runner's output lines. Other tools parse them: keep them exactly as they are.

#include <cstddef>
#include <cstdint>
#include <string>

class TCPU_68HC11_;

// "PC=XXXX A=XX B=XX X=XXXX Y=XXXX SP=XXXX CCR=XX" (upper-case hex).
std::string RegisterText(const TCPU_68HC11_& Cpu);

// One --trace line with its newline: "n startPC cyc " and the register text.
// Writes into Buffer (at least TraceLineMax bytes) and returns the length.
constexpr size_t TraceLineMax = 96;
size_t FormatTraceLine(char* Buffer, uint64_t Step, uint32_t StartPC, int32_t Cycles,
                       const TCPU_68HC11_& Cpu);

// --dump: Length bytes of Memory from Start (addresses wrap at $FFFF), 16 per line,
// "XXXX: XX XX ...", each line with its newline.
std::string DumpText(const uint8_t* Memory, uint32_t Start, uint32_t Length);
