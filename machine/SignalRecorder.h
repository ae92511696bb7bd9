#pragma once
// A record of the chip's signals over time: every change of a port pin (ports A to E, inputs
// and outputs), of the IRQ and XIRQ pins, and every interrupt entry, each with its cycle count.
// It costs only where a signal changes. The record is a ring: when it is full the oldest
// changes drop, and the record is complete from the cycle of the oldest change it still holds
// (the levels before it are kept, so that every signal's level is known from there on).

#include <QIODevice>
#include <QString>
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

class SignalRecorder {
  public:
    // Signals: pin b of port p is p * 8 + b (port D has six pins), then the interrupt pins
    // (level as on the pin: 0 = request), then interrupt entries (the value is the request line
    // taken; the signal has no level).
    static constexpr int PinSignals = 40;
    static constexpr int IrqSignal = 40;
    static constexpr int XirqSignal = 41;
    static constexpr int InterruptSignal = 42;
    static constexpr int SignalCount = 43;

    struct Change {
        int64_t Cycle;
        uint8_t Signal;
        uint8_t Value;
    };

    explicit SignalRecorder(size_t Capacity = 10'000'000);

    // Starts a new record at Cycle with the given levels (ports A..E; IRQ/XIRQ high = idle).
    void restart(int64_t Cycle, const std::array<int32_t, 5>& Ports, bool IrqLevel = true,
                 bool XirqLevel = true);
    // A port now shows NewPins: one change per pin that differs from what the record holds.
    void port(int64_t Cycle, int Port, int32_t NewPins);
    void pin(int64_t Cycle, int Signal, bool Level);
    void interrupt(int64_t Cycle, int Line);

    size_t size() const { return Count; }
    // The i-th change, oldest first.
    const Change& at(size_t I) const { return Ring[(First + I) % Ring.size()]; }
    // From this cycle on the record is complete.
    int64_t completeFrom() const { return CompleteFrom; }
    // The level of a signal just before the oldest change held.
    uint8_t levelAtStart(int Signal) const { return Start[static_cast<size_t>(Signal)]; }
    // The level of a signal at the end of the record.
    uint8_t level(int Signal) const { return Now[static_cast<size_t>(Signal)]; }
    // Changes dropped by the ring since the last restart (the record is complete when none).
    uint64_t dropped() const { return Dropped; }

    using Levels = std::array<uint8_t, SignalCount>;
    // The level of every signal just before the I-th change (I = size(): at the end), for a
    // viewer that starts drawing anywhere in the record. The record keeps the levels every
    // CheckpointSpacing changes as it goes (where they cost a copy, not a pass over the ring),
    // so this takes at most CheckpointSpacing steps. The interrupt signal's entry means nothing.
    Levels levelsBefore(size_t I) const;
    static constexpr uint64_t CheckpointSpacing = 1024;

    // Writes the record as a value change dump (IEEE 1364) with a time scale that matches the
    // E clock: one wire per pin, IRQ and XIRQ, an 8-bit bus per port, and the interrupt
    // entries as an integer that holds the line taken. False with a German message on error.
    bool writeVcd(QIODevice& Out, double EClockHertz, QString* Error = nullptr) const;

    // The name of a signal ("PA0" ... "PE7", "IRQ", "XIRQ", "Interrupt").
    static QString signalName(int Signal);

  private:
    void add(int64_t Cycle, int Signal, uint8_t Value);

    std::vector<Change> Ring;
    size_t Capacity;
    size_t First = 0, Count = 0;
    // Changes taken since the restart (the serial number of the next one), changes dropped.
    uint64_t Added = 0, Dropped = 0;
    int64_t CompleteFrom = 0;
    Levels Start{}, Now{};
    struct Checkpoint {
        uint64_t Serial; // the levels before the change with this serial number
        Levels Before;
    };
    std::deque<Checkpoint> Checkpoints;
};
