#pragma once
// Input that changes over time: a stimulus file names, cycle by cycle, what the outside world
// does to the chip's input pins. Lines are
//     CYCLE PIN=LEVEL      e.g.  120000 PA0=1    500000 IRQ=0
//     CYCLE PORTX=VALUE    e.g.  200000 PORTE=$A5
//     CYCLE PEn=VOLTSV     e.g.  300000 PE3=1.25V   (0 to 5 V, the A/D converter's input)
//     CYCLE SCI=BREAK      e.g.  400000 SCI=BREAK   (a break character for the SCI's receiver)
// with PIN one of PA0-PA7, PC0-PC7, PD0-PD5, PE0-PE7, IRQ, XIRQ (the pins are active low:
// IRQ=0 asserts the request), X one of A, C, D, E, numbers as everywhere ($, 0x or decimal),
// and comments from ";" or "#" to the end of the line. Each change takes effect at the first
// instruction boundary at which the cycle count has reached its CYCLE.

#include "cpu/CPUExternal.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct StimulusEvent {
    enum class Target : uint8_t { PortPin, Port, IrqPin, XirqPin, AnalogPin, SciBreak };
    int64_t cycle = 0;
    Target target = Target::PortPin;
    int port = 0;  // 0..4 for ports A..E
    int bit = 0;   // for PortPin and AnalogPin
    int value = 0; // the level (0/1) of a pin, the byte of a port
    double volts = 0; // for AnalogPin (port E, bit = the pin)
};

// Reads a stimulus text. The events come out in the order of their cycles (lines with the
// same cycle keep their order). On a bad line: empty, and *Error says in German which line of
// FileName is wrong and why.
std::optional<std::vector<StimulusEvent>> parseStimulus(const QByteArray& Text,
                                                        const QString& FileName,
                                                        QString* Error = nullptr);

// Plays a stimulus into a machine: a device without memory whose events are the stimulus
// lines; Apply carries out one line.
class StimulusPlayer : public TCustomCPUExternal {
    Q_OBJECT
  public:
    using TCustomCPUExternal::TCustomCPUExternal;

    void setEvents(std::vector<StimulusEvent> Events);
    bool isEmpty() const { return Events.empty(); }
    int64_t NextEventCycle() const override;
    void HandleEvents(int64_t Now) override;

    std::function<void(const StimulusEvent&)> Apply;

  protected:
    void Attached(TCustomCPU*) override {}

  private:
    std::vector<StimulusEvent> Events;
    size_t Next = 0;
};
