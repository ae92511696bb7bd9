#pragma once
// The simulated 68HC11 system as the main window builds it, without the widgets: the on-chip
// environment and the 100000-cycle timer device attached to a CPU, and the listing loader.
// The headless runner and the benchmarks use it, so both run exactly what the window runs.

#include "cpu/CPUExternal.h"
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"

#include <cstdint>

class TSimulatedSystem {
  public:
    // The CPU is the caller's (the runner passes a CPU that also counts its steps); it must
    // outlive this object.
    explicit TSimulatedSystem(TCPU_68HC11_& Cpu) : CPU(Cpu) {
        using TEnv = TCPU_68HC11_Environment;
        CPU_Environment.SetFlags(TEnv::hc11_ModA | TEnv::hc11_ModB);
        CPU_Environment.SetMode(TEnv::hc11_Normal_Expanded);
        CPU_Environment.SetConfig({});
        CPU_Environment.SetCPU(&CPU);

        CPUExternal.SetTimerClocks(100000);
        CPUExternal.SetMemoryBase(0xFF00);
        CPUExternal.SetMemorySize(0);
        // A tenth of a simulated second, as the window's status bar counts it.
        CPUExternal.OnTimer = [this](int32_t) {
            ++TimeTenths;
            return true;
        };
        // The reset has reached the devices: one reset request gives one reset.
        CPUExternal.OnReset = [this] { CPU.SetPendingInterrupt(TCPU_68HC11_::IrqReset, false); };
        CPUExternal.SetCPU(&CPU);

        ListFileLoader.SetCPU(&CPU);
    }
    TSimulatedSystem(const TSimulatedSystem&) = delete;
    TSimulatedSystem& operator=(const TSimulatedSystem&) = delete;

    // What the window's Reset command (and its Open) does: the next step resets the CPU.
    void RequestReset() { CPU.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true); }

    TCPU_68HC11_& CPU;
    TCPU_68HC11_Environment CPU_Environment;
    TCPUExternal CPUExternal;
    TKV_68HC11_ListFileLoader ListFileLoader;
    int32_t TimeTenths = 0;
};
