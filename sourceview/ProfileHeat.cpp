#include "sourceview/ProfileHeat.h"

#include "sourceview/SourceEdit.h"

#include <QFontMetrics>
#include <QPainter>
#include <cmath>

namespace {

// The ends of the scale: a line that ran once, the hottest line.
const QColor Coolest(0xFF, 0xF0, 0xB4);
const QColor Hottest(0xA0, 0x00, 0x00);

int Blend(int From, int To, double T) {
    return static_cast<int>(std::lround(From + (To - From) * T));
}

} // namespace

QColor ProfileHeatShade(uint64_t Cycles, uint64_t HottestCycles) {
    if (Cycles == 0 || HottestCycles == 0) return {};
    // log(1 + c) / log(1 + max): a line with a tenth of the hottest line's cycles is still
    // clearly warm, one that ran a few times is pale.
    const double t = std::min(1.0, std::log1p(static_cast<double>(Cycles)) /
                                       std::log1p(static_cast<double>(HottestCycles)));
    return QColor(Blend(Coolest.red(), Hottest.red(), t),
                  Blend(Coolest.green(), Hottest.green(), t),
                  Blend(Coolest.blue(), Hottest.blue(), t));
}

QColor ProfileHeatNumberColor(const QColor& Shade) {
    // Perceived brightness (ITU-R BT.601 weights).
    const double y = 0.299 * Shade.red() + 0.587 * Shade.green() + 0.114 * Shade.blue();
    return y < 128 ? QColor(Qt::white) : QColor(Qt::black);
}

TProfileHeatPlugin::TProfileHeatPlugin(TSourceEdit* Editor) : TSourceEditPlugin(Editor) {}

void TProfileHeatPlugin::Show(TCountsOfLine NewCounts, uint64_t NewHottest) {
    const bool wasShowing = Showing();
    Counts = std::move(NewCounts);
    HottestField = NewHottest;
    if ((wasShowing || Showing()) && Editor()) Editor()->InvalidateGutter();
}

void TProfileHeatPlugin::AfterPaint(QPainter& Painter, const QRect& ClipRect, int32_t FirstLine,
                                    int32_t LastLine) {
    if (!Counts || !Editor()) return;
    TSourceEdit& edit = *Editor();
    const int32_t h = edit.LineHeight();
    const int32_t top = edit.TopLine();
    // The line-number column: right of the mark column up to the gutter's border line.
    const int left = TSourceEdit::MarkColumnWidth;
    const int right = edit.ActualGutterWidth() - 1;
    const QFontMetrics fm(edit.font());
    Painter.setFont(edit.font());
    for (int32_t line = FirstLine; line <= LastLine; ++line) {
        const QColor shade = ProfileHeatShade(Counts(line).Cycles, HottestField);
        if (!shade.isValid()) continue;
        const QRect row(left, (line - top) * h, right - left, h);
        if (!row.intersects(ClipRect)) continue;
        Painter.fillRect(row, shade);
        // The number again, readable on the shade.
        const QString number = QString::number(line);
        Painter.setPen(ProfileHeatNumberColor(shade));
        Painter.drawText(right + 1 - TSourceEdit::NumberRightMargin - fm.horizontalAdvance(number),
                         row.top() + fm.ascent(), number);
    }
}
