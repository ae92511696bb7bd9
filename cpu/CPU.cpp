#include "cpu/CPU.h"

#include "cpu/CPUExternal.h"

#include <algorithm>
#include <limits>

namespace {

// Countdowns can fall without bound (a timer with a period of 0 or less, instructions longer
// than the message interval): they stop at the end of the range instead of overflowing.
int32_t SaturatingAdd(int32_t A, int64_t B) {
    const int64_t sum = static_cast<int64_t>(A) + B;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

} // namespace

TCustomCPU::TCustomCPU(QObject* Owner) : QObject(Owner) {}

TCustomCPU::~TCustomCPU() {
    // The devices outlive us: they must not call back into a CPU that is gone.
    for (TCustomCPUExternal* ext : Externals) {
        if (ext && ext->CPUField == this) ext->CPUField = nullptr;
    }
}

void TCustomCPU::ReadError() {
    ShowMessage(QStringLiteral("Fehler beim lesen aus dem CPU-Speicher"),
                QStringLiteral("CPU-Fehler!"), TMsgIcon::Warning);
}

void TCustomCPU::WriteError() {
    ShowMessage(QStringLiteral("Fehler beim schreiben in den CPU-Speicher"),
                QStringLiteral("CPU-Fehler!"), TMsgIcon::Warning);
}

int32_t TCustomCPU::AttachExternal(TCustomCPUExternal* Ext) {
    for (int i = 0; i < MaxExternals; ++i) {
        if (!Externals[i]) {
            Externals[i] = Ext;
            ExternalsInUse = std::max(ExternalsInUse, i + 1);
            return i;
        }
    }
    return -1;
}

void TCustomCPU::DetachExternal(TCustomCPUExternal* Ext) {
    // The device's windows and timers go with it: left behind they would reach an empty slot,
    // or the next device that takes the slot, and a re-attach would register them twice.
    bool windowsRemoved = false;
    for (int i = 0; i < MaxExternals; ++i) {
        if (Externals[i] != Ext) continue;
        Externals[i] = nullptr;
        for (TMemoryWindow& w : Windows) {
            if (w.ExternalIndex == i) {
                UnmapExternalMemory(w.Base, w.Size);
                w = TMemoryWindow{};
                windowsRemoved = true;
            }
        }
        for (TCPUTimer& t : TimerTable) {
            if (t.ExternalIndex == i) t = TCPUTimer{};
        }
    }
    UpdateTablesInUse();
    if (windowsRemoved) {
        UpdateWindowsInUse();
        RemapWindows();
    }
}

void TCustomCPU::UpdateWindowsInUse() {
    WindowsInUse = 0;
    for (int i = 0; i < MaxWindows; ++i) {
        if (Windows[i].ExternalIndex >= 0) WindowsInUse = i + 1;
    }
}

void TCustomCPU::RemapWindows() {
    // Unmapping one window also unmaps bytes that another window still covers.
    for (const TMemoryWindow& w : Windows) {
        if (w.ExternalIndex >= 0) MapExternalMemory(w.Base, w.Size);
    }
}

void TCustomCPU::UpdateTablesInUse() {
    TimersInUse = 0;
    for (int i = 0; i < MaxTimers; ++i) {
        if (TimerTable[i].ExternalIndex >= 0) TimersInUse = i + 1;
    }
    ExternalsInUse = 0;
    for (int i = 0; i < MaxExternals; ++i) {
        if (Externals[i]) ExternalsInUse = i + 1;
    }
}

bool TCustomCPU::AddMemoryWindow(int32_t ExternalIndex, uint32_t Base, uint32_t Size) {
    for (TMemoryWindow& w : Windows) {
        if (w.ExternalIndex == -1) {
            w = TMemoryWindow{ExternalIndex, Base, Size};
            UpdateWindowsInUse();
            MapExternalMemory(Base, Size);
            return true;
        }
    }
    return false;
}

void TCustomCPU::RemoveMemoryWindow(int32_t ExternalIndex, uint32_t Base) {
    for (TMemoryWindow& w : Windows) {
        if (w.ExternalIndex == ExternalIndex && w.Base == Base) {
            UnmapExternalMemory(w.Base, w.Size);
            w = TMemoryWindow{};
        }
    }
    UpdateWindowsInUse();
}

bool TCustomCPU::AddTimer(int32_t ExternalIndex, int32_t Period, int32_t MagicNr) {
    for (int i = 0; i < MaxTimers; ++i) {
        TCPUTimer& t = TimerTable[i];
        if (t.ExternalIndex == -1) {
            t = TCPUTimer{ExternalIndex, Period, Period, MagicNr};
            if (Period < CyclesToNextTimer) CyclesToNextTimer = Period;
            TimersInUse = std::max(TimersInUse, i + 1);
            return true;
        }
    }
    return false;
}

void TCustomCPU::RemoveTimer(int32_t ExternalIndex, int32_t MagicNr) {
    for (TCPUTimer& t : TimerTable) {
        if (t.ExternalIndex == ExternalIndex && t.MagicNr == MagicNr) t = TCPUTimer{};
    }
    UpdateTablesInUse();
}

bool TCustomCPU::ExternalRead(uint32_t Address, int32_t& Data) {
    // Every window is asked in table order; free entries past the last used one are skipped.
    for (int i = 0; i < WindowsInUse; ++i) {
        const TMemoryWindow& w = Windows[i];
        if (w.ExternalIndex < 0 || Address < w.Base || Address - w.Base >= w.Size) continue;
        if (TCustomCPUExternal* ext = Externals[w.ExternalIndex]) ext->MemoryRead(Address, Data);
    }
    return true;
}

bool TCustomCPU::ExternalWrite(uint32_t Address, int32_t Data) {
    for (int i = 0; i < WindowsInUse; ++i) {
        const TMemoryWindow& w = Windows[i];
        if (w.ExternalIndex < 0 || Address < w.Base || Address - w.Base >= w.Size) continue;
        if (TCustomCPUExternal* ext = Externals[w.ExternalIndex]) ext->MemoryWrite(Address, Data);
    }
    return true;
}

void TCustomCPU::ResetExternals() {
    for (TCustomCPUExternal* ext : Externals) {
        if (ext) ext->Reset();
    }
}

void TCustomCPU::EventsChanged(const TCustomCPUExternal* Ext) {
    if (!Ext) return;
    const int64_t due = Ext->NextEventCycle();
    if (due == TCustomCPUExternal::NoEvent) return;
    // CycleCount stands at the start of the instruction in progress, and the run loop takes
    // that instruction's cycles from the countdown after it: counted from here, the countdown
    // reaches zero on the event's cycle.
    const int64_t until = std::max<int64_t>(due - CycleCount, 0);
    if (until < CyclesToNextTimer) CyclesToNextTimer = static_cast<int32_t>(until);
}

bool TCustomCPU::AnyExternalMayRequestInterrupt(bool Maskable, bool Xirq) const {
    for (const TCustomCPUExternal* ext : Externals) {
        if (ext && ext->MayRequestInterrupt(Maskable, Xirq)) return true;
    }
    return false;
}

void TCustomCPU::ServiceTimers() {
    MessageCountdown = SaturatingAdd(MessageCountdown, -int64_t{CyclesSinceService});
    if (MessageCountdown < 0) {
        if (MessagePump) MessagePump();
        MessageCountdown = SaturatingAdd(MessageCountdown, MessageInterval);
    }
    int32_t next = MessageCountdown;
    // Free entries past the last used one are skipped: a service comes at every device event.
    for (int i = 0; i < TimersInUse; ++i) {
        TCPUTimer& t = TimerTable[i];
        if (t.ExternalIndex < 0) continue;
        t.Countdown = SaturatingAdd(t.Countdown, -int64_t{CyclesSinceService});
        if (t.Countdown <= 0) {
            t.Countdown = SaturatingAdd(t.Countdown, t.Period);
            if (TCustomCPUExternal* ext = Externals[t.ExternalIndex]) ext->HandleTimer(t.MagicNr);
        }
        if (t.Countdown < next) next = t.Countdown;
    }
    for (int i = 0; i < ExternalsInUse; ++i) {
        TCustomCPUExternal* ext = Externals[i];
        if (!ext) continue;
        if (ext->NextEventCycle() <= CycleCount) ext->HandleEvents(CycleCount);
        const int64_t due = ext->NextEventCycle();
        if (due != TCustomCPUExternal::NoEvent && due - CycleCount < next)
            next = static_cast<int32_t>(due - CycleCount);
    }
    // Anything due already is served after the next instruction; a value below 0 would say
    // the same and could only run towards overflow.
    CyclesToNextTimer = std::max(next, 0);
    CyclesSinceService = 0;
}

template <bool Traced> void TCustomCPU::ExecuteLoop(int32_t Count) {
    int32_t left = Count;
    do {
        --left;
        const int32_t cycles = ExecuteInstruction();
        CycleCount += cycles;
        CyclesSinceService += cycles;
        CyclesToNextTimer -= cycles;
        if constexpr (Traced) {
            ++InstructionCount;
            AfterStep(cycles);
        }
        if (CyclesToNextTimer < 1) ServiceTimers();
    } while (left >= 1 && Running);
    if constexpr (!Traced) InstructionCount += static_cast<uint64_t>(Count - left);
}

void TCustomCPU::Execute(int32_t Count) {
    if (Count < 1) return;
    if (AfterStep) [[unlikely]]
        ExecuteLoop<true>(Count);
    else
        ExecuteLoop<false>(Count);
}

void TCustomCPU::Run() {
    BeginRun();
    try {
        while (Running) Execute(RunChunk);
    } catch (...) {
        Running = false; // a run that failed is over: the next Start must not see it running
        throw;
    }
}

void TCustomCPU::Step(int32_t Count) {
    BeginRun();
    try {
        Execute(Count);
    } catch (...) {
        Running = false;
        throw;
    }
    Running = false;
}

TMsgResult TCustomCPU::ShowMessage(const QString& Text, const QString& Caption, TMsgIcon Icon,
                                   TMsgButtons Buttons) {
    if (MessageSink) return MessageSink->Show(Text, Caption, Icon, Buttons);
    TStderrMessageSink fallback;
    return fallback.Show(Text, Caption, Icon, Buttons);
}
