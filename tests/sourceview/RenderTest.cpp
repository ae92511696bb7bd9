// Renders the source view with a real listing, breakpoints and the execution line, writes it
// to a PNG for a look, and checks that the marks land where they belong.
#include "TestSupport.h"
#include "sourceview/GutterImageList.h"
#include "sourceview/KvMAssemSyn.h"
#include "sourceview/SynDebug.h"

#include <gtest/gtest.h>

using namespace SourceViewTest;

namespace {

bool IsReddish(QColor C) {
    return C.red() > 150 && C.green() < 120 && C.blue() < 120;
}
bool IsGreenish(QColor C) {
    return C.green() > 120 && C.red() < 100 && C.blue() < 100;
}

} // namespace

TEST(SourceViewRender, ListingWithBreakpointsAndExecutionLine) {
    const QList<QByteArray> Lines =
        ReadLines(QStringLiteral(TARVIK_SHARED_EXAMPLES_DIR "/bubble_sort.lst"));
    ASSERT_GT(Lines.size(), 60);

    TKvMAssemSyn Syn;
    Syn.SetListMode(true);
    Syn.SetCPUType(TKvCPUType::KvCPU_6811);
    Syn.CommentAttri()->SetForeground(Qt::red);
    Syn.DirecAttri()->SetForeground(QColor(0x00, 0x00, 0x80));
    Syn.NumberAttri()->SetForeground(QColor(0x00, 0x80, 0x80));
    Syn.StringAttri()->SetForeground(QColor(0x00, 0x80, 0x00));
    TGutterImageList Images;
    Images.LoadGutterImages();

    TSourceEdit Edit;
    Edit.resize(760, 520);
    Edit.SetHighlighter(&Syn);
    Edit.SetBookmarkImages(&Images);
    Edit.SetLines(Lines);
    TSynDebug Debug;
    Debug.SetSynEdit(&Edit);
    Debug.SetImageList(&Images);
    Debug.ExecutionMark()->ImageIndex = TGutterImageList::ExecutionImage;
    Edit.show();

    for (int32_t Line : {26, 31, 38})
        Debug.ToggleBreakpoint(Line);
    Debug.SetExecutionLine(31);
    Edit.SetBookmark(1, 22);
    Edit.SetTopLine(14);
    Debug.ShowLine(31);
    EXPECT_EQ(Edit.TopLine(), 14);

    const QImage Image = Render(Edit);
    Image.save(QStringLiteral(TARVIK_TEST_OUTPUT_DIR "/sourceview.png"));

    const int H = Edit.LineHeight();
    const int TextX = Edit.ActualGutterWidth() + 300;
    auto RowY = [&](int32_t Line) { return (Line - Edit.TopLine()) * H + H / 2; };
    // Line colours: navy execution line (over its breakpoint), red breakpoint lines.
    EXPECT_EQ(Image.pixelColor(TextX, RowY(31)), QColor(0x00, 0x00, 0x80));
    EXPECT_EQ(Image.pixelColor(TextX, RowY(26)), QColor(Qt::red));
    EXPECT_EQ(Image.pixelColor(TextX, RowY(38)), QColor(Qt::red));
    EXPECT_EQ(Image.pixelColor(TextX, RowY(27)), Edit.palette().base().color());
    // Gutter images at x = 14: red dots, and the green arrow drawn over the dot on line 31.
    const int MarkX = TSynDebug::ImageX + 8;
    EXPECT_TRUE(IsReddish(Image.pixelColor(MarkX, RowY(26))));
    EXPECT_TRUE(IsGreenish(Image.pixelColor(MarkX - 3, RowY(31))));
    EXPECT_FALSE(IsReddish(Image.pixelColor(MarkX, RowY(27))));
    // The text of a marked line is white: no dark pixel anywhere in the row.
    for (int32_t Line : {26, 31}) {
        int Dark = 0;
        const int Top = (Line - Edit.TopLine()) * H;
        for (int Y = Top; Y < Top + H; ++Y)
            for (int X = Edit.ActualGutterWidth() + 4; X < Image.width() - 30; ++X) {
                const QColor C = Image.pixelColor(X, Y);
                Dark += C.red() < 90 && C.green() < 90 && C.blue() < 90 ? 1 : 0;
            }
        EXPECT_EQ(Dark, 0) << "line " << Line;
    }
}
