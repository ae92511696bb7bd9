#pragma once
// The 68HC11 serial peripheral interface as the reference manual describes it: SPCR ($28),
// SPSR ($29) and SPDR ($2A).
//
// As master (SPE and MSTR set) a write to SPDR shifts the byte out in eight bit times of E/2,
// E/4, E/16 or E/32 (SPR1:SPR0); the end of the transfer is an event at a cycle of its own: SPIF
// rises, the byte shifted in (the simulated slave's next answer, $FF when it has none) is in
// SPDR's read buffer, and with SPIE the SPI requests its interrupt (vector $FFD8). A write to
// SPDR during a transfer sets WCOL and is lost; while SPIF is set, a write is inhibited until
// SPSR has been read with SPIF set. SPIF and WCOL clear by a read of SPSR with the flag set
// followed by an access of SPDR; MODF by a read of SPSR with MODF set followed by a write of
// SPCR.
//
// Slave mode: no outside master is simulated, so a slave never shifts; a byte written to SPDR
// waits for a master that does not come. Mode fault: while the chip is master with PD5 (SS) an
// input (DDRD bit 5 clear), a falling edge driven on PD5 sets MODF, clears SPE and MSTR and
// forces DDRD's four SPI bits (2-5) to zero. SS held low before the master was enabled is not
// checked: a pin nobody drives reads low in the simulator.

#include <cstdint>
#include <deque>
#include <functional>

class TCPU_68HC11_Environment;

class THC11Spi {
  public:
    static constexpr uint32_t RegSPCR = 0x28, RegSPSR = 0x29, RegSPDR = 0x2A;
    static constexpr bool Owns(uint32_t Offset) { return Offset >= RegSPCR && Offset <= RegSPDR; }

    // SPCR bits.
    static constexpr int32_t SPIE = 0x80, SPE = 0x40, DWOM = 0x20, MSTR = 0x10, CPOL = 0x08,
                             CPHA = 0x04, SPR = 0x03;
    // SPSR bits.
    static constexpr int32_t SPIF = 0x80, WCOL = 0x40, MODF = 0x10;
    // Port D's SS pin (PD5) and the four SPI pins PD2-PD5.
    static constexpr int32_t SSPin = 0x20, SpiPins = 0x3C;

    explicit THC11Spi(TCPU_68HC11_Environment& Env);

    int32_t Read(uint32_t Offset);
    int32_t Peek(uint32_t Offset) const;
    void Write(uint32_t Offset, int32_t Value);
    // Reset at cycle Now: SPCR = 0000 01xx (SPR1:SPR0 keep their value), SPSR clear, no
    // transfer. The slave's queued answers stay: they belong to the outside world.
    void Reset();

    // E cycles of one bit time (2, 4, 16 or 32 by SPR1:SPR0) and of a byte (eight of them).
    int32_t BitCycles() const;
    int64_t TransferCycles() const { return 8 * static_cast<int64_t>(BitCycles()); }
    bool Transferring() const { return EndCycle != INT64_MAX; }

    int64_t NextEventCycle() const { return EndCycle; }
    void HandleEvents(int64_t Now);
    // Port D's pins changed from Old to New by the outside: a falling edge on SS may be a mode
    // fault.
    void PortDChanged(int32_t Old, int32_t New);
    // Whether the SPI could still raise an interrupt that ends a wait.
    bool MayRequestInterrupt(bool Maskable) const;
    // Whether the SPI's request line is raised.
    bool Requesting() const { return (SPCR & SPIE) && (SPSR & (SPIF | MODF)); }

    // The answers of the simulated slave, shifted in one per transfer; $FF when it is empty.
    std::deque<uint8_t> Answers;
    // Each byte the master shifted out, at the end of its transfer.
    std::function<void(uint8_t)> OnTransmit;

    int32_t SPCR = CPHA, SPSR = 0;
    // SPDR's read buffer: the byte received last.
    int32_t Received = 0;

  private:
    int64_t Now() const;
    // An access of SPDR ends the clearing sequences SPSR's read began.
    void AccessSPDR();
    void Changed();

    TCPU_68HC11_Environment& Env;
    int64_t EndCycle = INT64_MAX; // the cycle the transfer in progress ends, or none
    int32_t Sending = 0;
    // The flags that were set when SPSR was last read (the first half of their clearing).
    int32_t SeenFlags = 0;
};
