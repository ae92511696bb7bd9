#include "ui/SignalTimeline.h"

#include <algorithm>
#include <cmath>

namespace SignalTimeline {

bool isValidRow(int Row) {
    if (Row >= 0 && Row < SignalRecorder::PinSignals) return Row % 8 < PinsOfPort[Row / 8];
    return Row >= SignalRecorder::PinSignals && Row < RowCount;
}

QString rowLabel(int Row) {
    if (isBusRow(Row)) return QStringLiteral("Port %1").arg(QChar(u'A' + (Row - FirstBusRow)));
    if (Row == InterruptRow) return QStringLiteral("Interrupts");
    return SignalRecorder::signalName(Row);
}

uint64_t rowSignals(int Row) {
    if (!isValidRow(Row)) return 0;
    if (isBusRow(Row)) {
        const int port = Row - FirstBusRow;
        return ((uint64_t{1} << PinsOfPort[port]) - 1) << (port * 8);
    }
    return uint64_t{1} << Row;
}

std::vector<int> defaultRows() {
    return {3, 4, 5, 6, busRow(1), 8, IrqRow, InterruptRow};
}

Scale Scale::zoomedAround(double X, double Factor) const {
    Scale zoomed;
    zoomed.CyclesPerPixel = std::clamp(CyclesPerPixel * Factor, MinCyclesPerPixel, MaxCyclesPerPixel);
    zoomed.Origin = cycle(X) - X * zoomed.CyclesPerPixel;
    return zoomed;
}

size_t firstChangeFrom(const SignalRecorder& Record, int64_t Cycle) {
    size_t low = 0, high = Record.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (Record.at(middle).Cycle < Cycle) low = middle + 1;
        else high = middle;
    }
    return low;
}

std::pair<size_t, size_t> changesBetween(const SignalRecorder& Record, int64_t First, int64_t Last) {
    if (Last < First) return {0, 0};
    const size_t begin = firstChangeFrom(Record, First);
    const size_t end = Last == INT64_MAX ? Record.size() : firstChangeFrom(Record, Last + 1);
    return {begin, std::max(begin, end)};
}

std::optional<int64_t> nextEdge(const SignalRecorder& Record, uint64_t Signals, int64_t Cycle) {
    if (Cycle == INT64_MAX) return std::nullopt;
    for (size_t i = firstChangeFrom(Record, Cycle + 1); i < Record.size(); ++i) {
        const SignalRecorder::Change& c = Record.at(i);
        if (Signals >> c.Signal & 1) return c.Cycle;
    }
    return std::nullopt;
}

std::optional<int64_t> previousEdge(const SignalRecorder& Record, uint64_t Signals, int64_t Cycle) {
    for (size_t i = firstChangeFrom(Record, Cycle); i > 0; --i) {
        const SignalRecorder::Change& c = Record.at(i - 1);
        if (Signals >> c.Signal & 1) return c.Cycle;
    }
    return std::nullopt;
}

SignalRecorder::Levels levelsBefore(const SignalRecorder& Record, int64_t Cycle, size_t* FirstAfter) {
    const size_t index = firstChangeFrom(Record, Cycle);
    if (FirstAfter) *FirstAfter = index;
    return Record.levelsBefore(index);
}

namespace {

QString decimal(double Value, int Decimals) {
    return QString::number(Value, 'f', std::clamp(Decimals, 0, 6)).replace(u'.', u',');
}

// Value in the largest of Units (factor, name; ascending) that leaves at least 1, with four
// significant digits; rounding up to 1000 moves on to the next unit.
QString significant(double Value, const std::vector<std::pair<double, const char*>>& Units) {
    if (!std::isfinite(Value)) return QStringLiteral("–");
    size_t unit = 0;
    if (Value == 0) {
        while (Units[unit].first < 1) ++unit; // zero in the base unit
        return QStringLiteral("0 ") + QString::fromUtf8(Units[unit].second);
    }
    const double magnitude = std::abs(Value);
    while (unit + 1 < Units.size() && magnitude >= Units[unit + 1].first) ++unit;
    for (;;) {
        const double mantissa = magnitude / Units[unit].first;
        const int decimals = std::clamp(3 - static_cast<int>(std::floor(std::log10(mantissa))), 0, 3);
        const double scale = std::pow(10.0, decimals);
        const double rounded = std::round(mantissa * scale) / scale;
        if (rounded >= 1000 && unit + 1 < Units.size()) {
            ++unit;
            continue;
        }
        return (Value < 0 ? QStringLiteral("-") : QString()) + decimal(rounded, decimals) + ' ' +
               QString::fromUtf8(Units[unit].second);
    }
}

} // namespace

QString formatDuration(double Seconds) {
    return significant(Seconds, {{1e-9, "ns"}, {1e-6, "µs"}, {1e-3, "ms"}, {1, "s"}});
}

QString formatFrequency(double Hertz) {
    return significant(Hertz, {{1e-3, "mHz"}, {1, "Hz"}, {1e3, "kHz"}, {1e6, "MHz"}, {1e9, "GHz"}});
}

QString formatCycles(int64_t Cycles) {
    return QStringLiteral("%1 %2").arg(Cycles).arg(Cycles == 1 || Cycles == -1 ? QStringLiteral("Zyklus")
                                                                              : QStringLiteral("Zyklen"));
}

double niceStep(double Raw) {
    if (!(Raw > 0) || !std::isfinite(Raw)) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(Raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= Raw * (1 - 1e-9)) return m * power;
    return 10 * power;
}

QString formatTimeTick(double Seconds, double Step) {
    // The largest unit in which the step needs no more than two decimals.
    double unit = 1;
    const char* name = "s";
    if (Step < 1e-8) unit = 1e-9, name = "ns";
    else if (Step < 1e-5) unit = 1e-6, name = "µs";
    else if (Step < 1e-2) unit = 1e-3, name = "ms";
    const int decimals = std::max(0, -static_cast<int>(std::floor(std::log10(Step / unit) + 1e-9)));
    return decimal(Seconds / unit, decimals) + ' ' + QString::fromUtf8(name);
}

} // namespace SignalTimeline
