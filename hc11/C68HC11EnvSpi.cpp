// The serial peripheral interface: SPCR, SPSR, SPDR, the master's transfers and the mode fault.
#include "hc11/C68HC11EnvSpi.h"

#include "cpu/CPU.h"
#include "hc11/C68HC11Env.h"

THC11Spi::THC11Spi(TCPU_68HC11_Environment& Environment) : Env(Environment) {}

int64_t THC11Spi::Now() const {
    return Env.CPU() ? Env.CPU()->CycleCount : 0;
}

int32_t THC11Spi::BitCycles() const {
    // SPR1:SPR0: the internal clock divided by 2, 4, 16 or 32 (reference manual, SPI rate
    // selection).
    static constexpr int32_t Dividers[] = {2, 4, 16, 32};
    return Dividers[SPCR & SPR];
}

void THC11Spi::Changed() {
    if (Env.CPU() && Env.ExternalIndex() >= 0) Env.CPU()->EventsChanged(&Env);
    Env.UpdateInterruptLines();
}

int32_t THC11Spi::Peek(uint32_t Offset) const {
    switch (Offset) {
    case RegSPCR: return SPCR;
    case RegSPSR: return SPSR;
    default: return Received;
    }
}

int32_t THC11Spi::Read(uint32_t Offset) {
    if (Offset == RegSPSR) SeenFlags = SPSR & (SPIF | WCOL | MODF);
    if (Offset == RegSPDR) AccessSPDR();
    return Peek(Offset);
}

void THC11Spi::AccessSPDR() {
    const int32_t cleared = SeenFlags & (SPIF | WCOL);
    SeenFlags &= ~cleared;
    if (!cleared) return;
    SPSR &= ~cleared;
    Changed();
}

void THC11Spi::Write(uint32_t Offset, int32_t Value) {
    switch (Offset) {
    case RegSPCR: {
        // A read of SPSR with MODF set, then this write, clears MODF.
        if (SeenFlags & MODF) {
            SeenFlags &= ~MODF;
            SPSR &= ~MODF;
        }
        SPCR = Value & 0xFF;
        // Disabling the SPI or leaving master mode ends a transfer in progress.
        if (Transferring() && (SPCR & (SPE | MSTR)) != (SPE | MSTR)) EndCycle = INT64_MAX;
        Changed();
        break;
    }
    case RegSPSR: break; // read-only
    case RegSPDR: {
        // The write is the access that ends the clearing sequence of SPIF or WCOL.
        const bool spifSeen = SeenFlags & SPIF;
        AccessSPDR();
        if (Transferring()) {
            SPSR |= WCOL; // the byte in the shifter goes on; this one is lost
            Changed();
            break;
        }
        // Unless SPSR was read with SPIF set first, a write while SPIF is set is inhibited.
        if ((SPSR & SPIF) && !spifSeen) break;
        Sending = Value & 0xFF;
        if ((SPCR & (SPE | MSTR)) == (SPE | MSTR)) {
            EndCycle = Now() + TransferCycles();
            Changed();
        }
        break;
    }
    default: break;
    }
}

void THC11Spi::HandleEvents(int64_t Now_) {
    if (Now_ < EndCycle) return;
    EndCycle = INT64_MAX;
    Received = 0xFF; // MISO idles high when no slave answers
    if (!Answers.empty()) {
        Received = Answers.front();
        Answers.pop_front();
    }
    SPSR |= SPIF;
    if (OnTransmit) OnTransmit(static_cast<uint8_t>(Sending));
    Changed();
}

void THC11Spi::PortDChanged(int32_t Old, int32_t New) {
    const bool master = (SPCR & (SPE | MSTR)) == (SPE | MSTR);
    const bool ssInput = !(Env.DDRD & SSPin);
    if (!master || !ssInput || !(Old & SSPin) || (New & SSPin)) return;
    // Mode fault (reference manual, MODF): the master's SS pin was pulled low.
    SPSR |= MODF;
    SPCR &= ~(SPE | MSTR);
    EndCycle = INT64_MAX;
    Env.ForceDDRD(Env.DDRD & ~SpiPins);
    Changed();
}

bool THC11Spi::MayRequestInterrupt(bool Maskable) const {
    if (!Maskable || !(SPCR & SPIE)) return false;
    // A flag already set, or a transfer in progress that will set SPIF.
    return (SPSR & (SPIF | MODF)) || Transferring();
}

void THC11Spi::Reset() {
    SPCR = CPHA | (SPCR & SPR);
    SPSR = 0;
    SeenFlags = 0;
    EndCycle = INT64_MAX;
    Changed();
}
