#pragma once
// Paces a run to a chosen speed: at factor 1 one simulated second (E-clock cycles at the chosen
// E clock) takes one wall second, at 0.01 a hundred, at 100 a hundredth. Factor 0 means as fast
// as the host can. The pacer only computes how long to wait; the machine waits at the points
// where the run loop lets the window process its events.

#include <cstdint>
#include <functional>

class SpeedPacer {
  public:
    // Wall time in nanoseconds from any fixed point.
    using WallClock = std::function<int64_t()>;

    explicit SpeedPacer(WallClock Clock = {});

    void setFactor(double Factor) { FactorField = Factor > 0 ? Factor : 0; }
    double factor() const { return FactorField; }
    bool paced() const { return FactorField > 0; }
    void setEClock(double Hertz) { EClockField = Hertz > 0 ? Hertz : 2e6; }
    double eClock() const { return EClockField; }

    // A run starts (or goes on after a pause) at this cycle count.
    void start(int64_t Cycle);
    // How long to wait, in nanoseconds, before the run goes past Cycle; 0 when it is behind
    // or unpaced. A run more than MaxLagNs behind (a modal box held it up) is not made to
    // race to catch up: the pacing starts afresh from there.
    int64_t delayFor(int64_t Cycle);
    // The speed reached since the last call, as a factor of real time (0 before any).
    double achievedFactor(int64_t Cycle);

    static constexpr int64_t MaxLagNs = 100'000'000;

  private:
    double nsPerCycle() const { return 1e9 / (EClockField * FactorField); }

    WallClock Clock;
    double FactorField = 0;
    double EClockField = 2e6;
    int64_t StartCycle = 0, StartNs = 0;
    int64_t SampleCycle = 0, SampleNs = 0;
};
