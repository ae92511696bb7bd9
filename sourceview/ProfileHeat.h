#pragma once
// The cycle profile in the source view: the line-number part of the gutter takes a heat shade
// per code line, pale yellow for a line that took few cycles up to dark red for the hottest,
// on a logarithmic scale (the counts of a program span many orders of magnitude). A line that
// took no cycle keeps the plain gutter. The plug-in asks for the counts of the visible lines
// only, while it paints; switched off it paints nothing and asks nothing.

#include "sourceview/SourceEditPlugin.h"

#include <QColor>
#include <cstdint>
#include <functional>

// The shade of a line that took Cycles of the hottest line's Hottest (invalid: no shade), and
// the colour the line number takes on it (black on light shades, white on dark ones).
QColor ProfileHeatShade(uint64_t Cycles, uint64_t Hottest);
QColor ProfileHeatNumberColor(const QColor& Shade);

class TProfileHeatPlugin : public TSourceEditPlugin {
  public:
    struct TLineCounts {
        uint64_t Executions = 0;
        uint64_t Cycles = 0;
    };
    using TCountsOfLine = std::function<TLineCounts(int32_t Line)>;

    explicit TProfileHeatPlugin(TSourceEdit* Editor);

    // On with the counts of a line (1-based) and the cycles of the hottest line; off with an
    // empty function. Repaints the gutter.
    void Show(TCountsOfLine Counts, uint64_t Hottest);
    bool Showing() const { return static_cast<bool>(Counts); }
    uint64_t Hottest() const { return HottestField; }

    void AfterPaint(QPainter& Painter, const QRect& ClipRect, int32_t FirstLine,
                    int32_t LastLine) override;

  private:
    TCountsOfLine Counts;
    uint64_t HottestField = 0;
};
