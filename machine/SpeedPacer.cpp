#include "machine/SpeedPacer.h"

#include <chrono>

SpeedPacer::SpeedPacer(WallClock WallTime) : Clock(std::move(WallTime)) {
    if (!Clock)
        Clock = [] {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
}

void SpeedPacer::start(int64_t Cycle) {
    StartCycle = SampleCycle = Cycle;
    StartNs = SampleNs = Clock();
}

int64_t SpeedPacer::delayFor(int64_t Cycle) {
    if (!paced()) return 0;
    const int64_t now = Clock();
    const auto due = StartNs + static_cast<int64_t>(static_cast<double>(Cycle - StartCycle) * nsPerCycle());
    if (now - due > MaxLagNs) {
        StartCycle = Cycle;
        StartNs = now;
        return 0;
    }
    return due > now ? due - now : 0;
}

double SpeedPacer::achievedFactor(int64_t Cycle) {
    const int64_t now = Clock();
    const int64_t ns = now - SampleNs;
    const int64_t cycles = Cycle - SampleCycle;
    SampleNs = now;
    SampleCycle = Cycle;
    if (ns <= 0) return 0;
    return static_cast<double>(cycles) / EClockField / (static_cast<double>(ns) / 1e9);
}
