// The cycle profile's heat shade in the gutter: the scale from counts to colours, and what the
// plug-in paints where.
#include "sourceview/ProfileHeat.h"
#include "sourceview/SourceEdit.h"

#include <QImage>
#include <gtest/gtest.h>

#include <map>

namespace {

// No cycles, or no profile at all: no shade. Otherwise the shade darkens towards red as the
// cycles grow, on a log scale: a line with a tenth of the hottest line's cycles is clearly
// warmer than one that ran once; the hottest line takes the darkest shade; the line number is
// black on the light end, white on the dark one.
TEST(ProfileHeat, ShadesDarkenWithTheCyclesOnALogScale) {
    EXPECT_FALSE(ProfileHeatShade(0, 1000).isValid());
    EXPECT_FALSE(ProfileHeatShade(5, 0).isValid());
    const QColor hottest = ProfileHeatShade(1'000'000, 1'000'000);
    EXPECT_EQ(hottest, QColor(0xA0, 0x00, 0x00));
    EXPECT_EQ(ProfileHeatShade(2'000'000, 1'000'000), hottest); // clamped
    const uint64_t rows[] = {1, 3, 10, 100, 1000, 10'000, 100'000, 1'000'000};
    int lastLightness = 256;
    for (uint64_t cycles : rows) {
        const QColor c = ProfileHeatShade(cycles, 1'000'000);
        ASSERT_TRUE(c.isValid()) << cycles;
        EXPECT_LT(c.lightness(), lastLightness) << cycles;
        EXPECT_GE(c.red(), c.green()) << cycles;
        lastLightness = c.lightness();
    }
    EXPECT_GT(ProfileHeatShade(1, 1'000'000).lightness(), 200);
    EXPECT_LT(ProfileHeatShade(100'000, 1'000'000).lightness(), 110);
    EXPECT_EQ(ProfileHeatNumberColor(ProfileHeatShade(1, 1'000'000)), QColor(Qt::black));
    EXPECT_EQ(ProfileHeatNumberColor(hottest), QColor(Qt::white));
}

// The plug-in fills the line-number column of the lines with cycles and leaves the others, the
// mark column and the text alone; it asks only for the lines it paints. Off, it paints nothing.
TEST(ProfileHeat, PluginShadesTheNumberColumnOfLinesWithCycles) {
    TSourceEdit edit;
    edit.resize(500, 300);
    QList<QByteArray> lines;
    for (int i = 1; i <= 200; ++i)
        lines.append("line " + QByteArray::number(i));
    edit.SetLines(lines);
    edit.show();
    auto* plugin = new TProfileHeatPlugin(&edit); // owned by the editor
    const std::map<int32_t, uint64_t> cycles = {{2, 5000}, {3, 2}, {150, 9}};
    int32_t asked = 0;
    plugin->Show(
        [&](int32_t Line) {
            asked = std::max(asked, Line);
            const auto it = cycles.find(Line);
            return TProfileHeatPlugin::TLineCounts{1, it == cycles.end() ? 0 : it->second};
        },
        5000);
    QWidget* gutter = edit.childAt(edit.contentsRect().topLeft() + QPoint(1, 1));
    ASSERT_TRUE(gutter);
    const auto pixel = [&](int X, int32_t Line) {
        const QImage image = edit.grab(QRect(gutter->pos(), edit.size())).toImage();
        return image.pixelColor(X, (Line - 1) * edit.LineHeight() + 1);
    };
    const int numberX = TSourceEdit::MarkColumnWidth + 1, markX = 3;
    const QColor plain = pixel(numberX, 1);
    EXPECT_EQ(pixel(numberX, 2), ProfileHeatShade(5000, 5000));
    EXPECT_EQ(pixel(numberX, 3), ProfileHeatShade(2, 5000));
    EXPECT_EQ(pixel(markX, 2), plain);
    EXPECT_EQ(pixel(edit.ActualGutterWidth() + 50, 2), edit.palette().base().color());
    EXPECT_GT(asked, 3);
    EXPECT_LT(asked, 150); // the lines out of view were never asked for
    plugin->Show({}, 0);
    EXPECT_FALSE(plugin->Showing());
    EXPECT_EQ(pixel(numberX, 2), plain);
}

} // namespace
