// The A/D converter: ADCTL, ADR1-ADR4 and the analog inputs on port E.
#include "hc11/C68HC11EnvAdc.h"

#include "cpu/CPU.h"
#include "hc11/C68HC11Env.h"

#include <algorithm>
#include <cmath>

THC11Adc::THC11Adc(TCPU_68HC11_Environment& Environment) : Env(Environment) {}

int THC11Adc::ConverterValue(double Volts) {
    if (!(Volts > VRL)) return 0x00; // also NaN
    if (Volts >= VRH) return 0xFF;
    const double counts = (Volts - VRL) / (VRH - VRL) * 255.0;
    return std::clamp(static_cast<int>(std::floor(counts + 0.5)), 0x00, 0xFF);
}

int64_t THC11Adc::Now() const {
    return Env.CPU() ? Env.CPU()->CycleCount : 0;
}

int64_t THC11Adc::CompletedAt(int64_t Cycle) const {
    if (!Running || Cycle <= Start) return 0;
    const int64_t done = (Cycle - Start) / ConversionCycles;
    // Without SCAN the sequence ends after four conversions.
    return (ADCTL & SCAN) ? done : std::min<int64_t>(done, 4);
}

int32_t THC11Adc::ChannelOf(int64_t Conversion) const {
    // MULT: CD:CC select the group, the conversion's place in the sequence the channel in it
    // (CB and CA have no meaning). Otherwise CD:CC:CB:CA name the one channel.
    if (ADCTL & MULT) return (ADCTL & 0x0C) | static_cast<int32_t>(Conversion & 3);
    return ADCTL & Channel;
}

int32_t THC11Adc::Convert(int32_t Ch) const {
    if (Ch < InputCount) return ConverterValue(Volts[static_cast<size_t>(Ch)]);
    switch (Ch) {
    case 12: return ConverterValue(VRH);
    case 13: return ConverterValue(VRL);
    case 14: return ConverterValue((VRH + VRL) / 2);
    default: return 0x00; // reserved
    }
}

void THC11Adc::StateAt(int64_t Cycle, std::array<int32_t, 4>& Results, int32_t& Control) const {
    Results = ADR;
    Control = ADCTL;
    const int64_t done = CompletedAt(Cycle);
    // Only the last conversion into each result register counts: at most the last four.
    for (int64_t k = std::max(Settled, done - 4); k < done; ++k)
        Results[static_cast<size_t>(k & 3)] = Convert(ChannelOf(k));
    if (done >= 4) Control |= CCF;
}

void THC11Adc::Settle(int64_t Cycle) {
    StateAt(Cycle, ADR, ADCTL);
    Settled = std::max(Settled, CompletedAt(Cycle));
    // A sequence without SCAN is over after its fourth conversion.
    if (Running && !(ADCTL & SCAN) && Settled >= 4) Running = false;
}

int32_t THC11Adc::Read(uint32_t Offset) {
    Settle(Now());
    return Offset == RegADCTL ? ADCTL : ADR[Offset - RegADR1];
}

int32_t THC11Adc::Peek(uint32_t Offset) const {
    std::array<int32_t, 4> results;
    int32_t control = 0;
    StateAt(Now(), results, control);
    return Offset == RegADCTL ? control : results[Offset - RegADR1];
}

void THC11Adc::Write(uint32_t Offset, int32_t Value) {
    if (Offset != RegADCTL) return; // the result registers are read-only
    const int64_t now = Now();
    Settle(now);
    // A write to ADCTL ends the sequence in progress, clears CCF (bit 7 and bit 6 read as
    // written zero here) and starts a new one if the converter is powered.
    ADCTL = Value & 0x3F;
    Running = (Env.OPTION & ADPU) != 0;
    Start = now;
    Settled = 0;
}

void THC11Adc::OptionChanged(int32_t Option) {
    if (Option & ADPU) return;
    Settle(Now());
    Running = false;
}

void THC11Adc::Reset() {
    ADCTL &= ~CCF;
    Running = false;
    Settled = 0;
}

void THC11Adc::SetInput(int Pin, double Volts_) {
    if (Pin < 0 || Pin >= InputCount) return;
    Settle(Now());
    double v = std::isnan(Volts_) ? VRL : Volts_;
    Volts[static_cast<size_t>(Pin)] = std::clamp(v, VRL, VRH);
}

double THC11Adc::Input(int Pin) const {
    return Pin >= 0 && Pin < InputCount ? Volts[static_cast<size_t>(Pin)] : 0.0;
}
