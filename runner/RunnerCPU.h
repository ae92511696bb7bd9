#pragma once
// The 68HC11 core as the runner drives it: the same executor, plus a step counter and an
// optional per-step hook for the trace. Both cost one increment and one test per step.

#include "hc11/C68HC11.h"

#include <cstdint>
#include <functional>

class TRunnerCPU : public TCPU_68HC11_ {
  public:
    using TCPU_68HC11_::TCPU_68HC11_;

    int32_t ExecuteInstruction() override {
        const int32_t startPC = PC;
        const int32_t cycles = TCPU_68HC11_::ExecuteInstruction();
        ++Steps;
        if (AfterStep) [[unlikely]]
            AfterStep(startPC, cycles);
        return cycles;
    }

    // Instructions executed so far (each call of ExecuteInstruction is one step).
    uint64_t Steps = 0;
    // Called after every step with the PC at the step's start and the step's cycles.
    std::function<void(int32_t StartPC, int32_t Cycles)> AfterStep;
};
