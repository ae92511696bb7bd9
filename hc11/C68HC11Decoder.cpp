// PLACEHOLDER until the decoder lands: executes nothing.
#include "hc11/C68HC11.h"

int32_t TCPU_68HC11_::ExecuteInstruction() {
    PC = (PC + 1) & 0xFFFF;
    return 1;
}
