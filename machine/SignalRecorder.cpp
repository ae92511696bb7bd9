#include "machine/SignalRecorder.h"

#include "machine/FileErrorText.h"

#include <QByteArray>
#include <algorithm>
#include <cmath>

namespace {

constexpr int PinsOfPort[5] = {8, 8, 8, 6, 8};

} // namespace

SignalRecorder::SignalRecorder(size_t MaxChanges) : Capacity(MaxChanges > 0 ? MaxChanges : 1) {}

void SignalRecorder::restart(int64_t Cycle, const std::array<int32_t, 5>& Ports, bool IrqLevel,
                             bool XirqLevel) {
    Ring.clear();
    First = Count = 0;
    Added = Dropped = 0;
    Checkpoints.clear();
    CompleteFrom = Cycle;
    for (int p = 0; p < 5; ++p)
        for (int b = 0; b < 8; ++b) Now[static_cast<size_t>(p * 8 + b)] = (Ports[p] >> b) & 1;
    Now[IrqSignal] = IrqLevel;
    Now[XirqSignal] = XirqLevel;
    Now[InterruptSignal] = 0;
    Start = Now;
}

void SignalRecorder::add(int64_t Cycle, int Signal, uint8_t Value) {
    if (Added % CheckpointSpacing == 0) Checkpoints.push_back({Added, Now});
    ++Added;
    Now[static_cast<size_t>(Signal)] = Value;
    const Change change{Cycle, static_cast<uint8_t>(Signal), Value};
    if (Ring.size() < Capacity) { // still growing: no slot to reuse
        Ring.push_back(change);
        ++Count;
        return;
    }
    // Full: the oldest change drops and its level becomes the level at the start.
    const Change& oldest = Ring[First];
    Start[oldest.Signal] = oldest.Signal == InterruptSignal ? 0 : oldest.Value;
    Ring[First] = change;
    ++Dropped;
    First = (First + 1) % Ring.size();
    CompleteFrom = at(0).Cycle;
    // A checkpoint before the oldest change held is of no use any more.
    while (!Checkpoints.empty() && Checkpoints.front().Serial < Dropped) Checkpoints.pop_front();
}

SignalRecorder::Levels SignalRecorder::levelsBefore(size_t I) const {
    I = std::min(I, Count);
    const uint64_t target = Dropped + I; // serial numbers count from the restart
    // The last checkpoint at or before the target (all held ones are at or after the oldest
    // change); without one, the levels at the start.
    Levels levels = Start;
    uint64_t serial = Dropped;
    const auto after = std::upper_bound(Checkpoints.begin(), Checkpoints.end(), target,
                                        [](uint64_t S, const Checkpoint& C) { return S < C.Serial; });
    if (after != Checkpoints.begin()) {
        levels = std::prev(after)->Before;
        serial = std::prev(after)->Serial;
    }
    for (; serial < target; ++serial) {
        const Change& c = at(static_cast<size_t>(serial - Dropped));
        levels[c.Signal] = c.Value;
    }
    return levels;
}

void SignalRecorder::port(int64_t Cycle, int Port, int32_t NewPins) {
    if (Port < 0 || Port > 4) return;
    for (int b = 0; b < PinsOfPort[Port]; ++b) {
        const uint8_t level = (NewPins >> b) & 1;
        if (Now[static_cast<size_t>(Port * 8 + b)] != level) add(Cycle, Port * 8 + b, level);
    }
}

void SignalRecorder::pin(int64_t Cycle, int Signal, bool Level) {
    if (Signal < IrqSignal || Signal > XirqSignal) return;
    if (Now[static_cast<size_t>(Signal)] != Level) add(Cycle, Signal, Level);
}

void SignalRecorder::interrupt(int64_t Cycle, int Line) {
    add(Cycle, InterruptSignal, static_cast<uint8_t>(Line));
}

QString SignalRecorder::signalName(int Signal) {
    if (Signal >= 0 && Signal < PinSignals)
        return QStringLiteral("P%1%2").arg(QChar(u'A' + Signal / 8)).arg(Signal % 8);
    if (Signal == IrqSignal) return QStringLiteral("IRQ");
    if (Signal == XirqSignal) return QStringLiteral("XIRQ");
    return QStringLiteral("Interrupt");
}

bool SignalRecorder::writeVcd(QIODevice& Out, double EClockHertz, QString* Error) const {
    // A time unit that makes every cycle a whole number of units: ns when the E clock divides
    // 10^9 Hz evenly (1, 2, 4 MHz), else ps.
    const double nsPerCycle = 1e9 / EClockHertz;
    const bool wholeNs = std::abs(nsPerCycle - std::round(nsPerCycle)) < 1e-9;
    const double unitsPerCycle = wholeNs ? std::round(nsPerCycle) : nsPerCycle * 1000;
    const auto time = [&](int64_t Cycle) {
        return QByteArray::number(static_cast<qint64>(std::llround(
            static_cast<double>(Cycle - CompleteFrom) * unitsPerCycle)));
    };
    // Identifiers: one printable character per signal, then the buses.
    const auto id = [](int Signal) { return QByteArray(1, static_cast<char>('!' + Signal)); };
    const auto bus = [](int Port) { return QByteArray(1, static_cast<char>('a' + Port)); };
    const auto busValue = [&](const std::array<uint8_t, SignalCount>& Levels, int Port) {
        QByteArray bits = "b";
        for (int b = 7; b >= 0; --b) bits += Levels[static_cast<size_t>(Port * 8 + b)] ? '1' : '0';
        return bits + ' ' + bus(Port) + '\n';
    };
    const auto binary = [](int Value) { return "b" + QByteArray::number(Value, 2); };

    QByteArray text;
    text += "$comment Tarvik68HC11 signal record, E clock " +
            QByteArray::number(EClockHertz, 'f', 0) + " Hz, time 0 = cycle " +
            QByteArray::number(static_cast<qint64>(CompleteFrom)) + " $end\n";
    text += wholeNs ? "$timescale 1 ns $end\n" : "$timescale 1 ps $end\n";
    text += "$scope module hc11 $end\n";
    for (int s = 0; s < PinSignals; ++s) {
        if (s % 8 >= PinsOfPort[s / 8]) continue;
        text += "$var wire 1 " + id(s) + ' ' + signalName(s).toLatin1() + " $end\n";
    }
    text += "$var wire 1 " + id(IrqSignal) + " IRQ $end\n";
    text += "$var wire 1 " + id(XirqSignal) + " XIRQ $end\n";
    text += "$var integer 8 " + id(InterruptSignal) + " Interrupt $end\n";
    for (int p = 0; p < 5; ++p)
        text += "$var wire 8 " + bus(p) + " PORT" + QByteArray(1, static_cast<char>('A' + p)) +
                " [7:0] $end\n";
    text += "$upscope $end\n$enddefinitions $end\n#0\n$dumpvars\n";
    std::array<uint8_t, SignalCount> levels = Start;
    for (int s = 0; s < InterruptSignal; ++s) {
        if (s < PinSignals && s % 8 >= PinsOfPort[s / 8]) continue;
        text += QByteArray(levels[static_cast<size_t>(s)] ? "1" : "0") + id(s) + '\n';
    }
    text += binary(0) + ' ' + id(InterruptSignal) + '\n';
    for (int p = 0; p < 5; ++p) text += busValue(levels, p);
    text += "$end\n";

    int64_t last = CompleteFrom;
    std::array<bool, 5> busChanged{};
    const auto flushBuses = [&] {
        for (int p = 0; p < 5; ++p)
            if (busChanged[static_cast<size_t>(p)]) text += busValue(levels, p);
        busChanged = {};
    };
    bool written = true;
    for (size_t i = 0; i < Count && written; ++i) {
        const Change& c = at(i);
        if (c.Cycle != last) {
            flushBuses();
            text += '#' + time(c.Cycle) + '\n';
            last = c.Cycle;
        }
        levels[c.Signal] = c.Value;
        if (c.Signal == InterruptSignal) {
            text += binary(c.Value) + ' ' + id(c.Signal) + '\n';
        } else {
            text += QByteArray(c.Value ? "1" : "0") + id(c.Signal) + '\n';
            if (c.Signal < PinSignals) busChanged[c.Signal / 8] = true;
        }
        if (text.size() > (1 << 20)) { // write in blocks
            written = Out.write(text) == text.size();
            text.clear();
        }
    }
    flushBuses();
    if (!written || Out.write(text) != text.size()) {
        if (Error) *Error = QStringLiteral("Fehler beim Schreiben der VCD-Datei: %1").arg(fileErrorText(Out));
        return false;
    }
    return true;
}
