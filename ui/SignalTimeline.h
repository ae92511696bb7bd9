#pragma once
// The arithmetic behind the signal timeline, free of widgets: the rows it can show, the mapping
// between cycles and pixels, the search for changes and edges in the signal record (ordered by
// cycle, so every search is a binary search), and the German texts for times, frequencies and
// the time axis.

#include "machine/SignalRecorder.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace SignalTimeline {

// Rows: a pin (0..39 as in the record), IRQ, XIRQ, the interrupt entries, then one bus row per
// port (the port's pins as a hex value).
constexpr int IrqRow = SignalRecorder::IrqSignal;
constexpr int XirqRow = SignalRecorder::XirqSignal;
constexpr int InterruptRow = SignalRecorder::InterruptSignal;
constexpr int FirstBusRow = SignalRecorder::SignalCount;
constexpr int RowCount = FirstBusRow + 5;

constexpr int PinsOfPort[5] = {8, 8, 8, 6, 8};

inline int busRow(int Port) { return FirstBusRow + Port; }
inline bool isBusRow(int Row) { return Row >= FirstBusRow && Row < RowCount; }
// Whether Row names something the chip has (port D has six pins).
bool isValidRow(int Row);
// "PA0" ... "PE7", "Port A" ... "Port E", "IRQ", "XIRQ", "Interrupts".
QString rowLabel(int Row);
// The signals whose changes make the edges of a row, one bit per signal.
uint64_t rowSignals(int Row);
// The rows shown at first: port A pins 3 to 6, port B as a bus and its pin 0, IRQ, interrupts.
std::vector<int> defaultRows();

// Cycles along the x axis: Origin is the cycle at pixel 0 of the time area.
struct Scale {
    double Origin = 0;
    double CyclesPerPixel = 1;

    double x(double Cycle) const { return (Cycle - Origin) / CyclesPerPixel; }
    double cycle(double X) const { return Origin + X * CyclesPerPixel; }
    // Zoomed by Factor (> 1 shows more cycles) with the cycle at pixel X staying at X.
    Scale zoomedAround(double X, double Factor) const;
};
// Bounds of the zoom: a tenth of a cycle per pixel up to ten billion.
constexpr double MinCyclesPerPixel = 0.1;
constexpr double MaxCyclesPerPixel = 1e10;

// Index of the first change at or after Cycle (size() when there is none).
size_t firstChangeFrom(const SignalRecorder& Record, int64_t Cycle);
// The changes with a cycle in [First, Last], as an index range [begin, end).
std::pair<size_t, size_t> changesBetween(const SignalRecorder& Record, int64_t First, int64_t Last);

// The first change of one of Signals (a bit mask as rowSignals gives) strictly after Cycle,
// and the last one strictly before it.
std::optional<int64_t> nextEdge(const SignalRecorder& Record, uint64_t Signals, int64_t Cycle);
std::optional<int64_t> previousEdge(const SignalRecorder& Record, uint64_t Signals, int64_t Cycle);

using Levels = SignalRecorder::Levels;

// The levels of every signal just before Cycle (every change before it applied), and the
// index of the first change at or after it.
SignalRecorder::Levels levelsBefore(const SignalRecorder& Record, int64_t Cycle, size_t* FirstAfter = nullptr);

// German texts: four significant digits with a decimal comma and the fitting unit.
QString formatDuration(double Seconds);  // "4,096 ms", "500,0 ns", "1,500 s"
QString formatFrequency(double Hertz);   // "244,1 Hz", "1,000 MHz"
// A cycle count with thin-space groups is easy to misread; plain digits it is.
QString formatCycles(int64_t Cycles);    // "8192 Zyklen", "1 Zyklus"

// A step of the axis (in cycles or seconds) of 1, 2 or 5 times a power of ten, not below Raw.
double niceStep(double Raw);
// The label of an axis tick at Seconds for ticks Step seconds apart: in the largest unit that
// needs at most two decimals for the step, and as few as it needs ("12,5 ms").
QString formatTimeTick(double Seconds, double Step);

} // namespace SignalTimeline
