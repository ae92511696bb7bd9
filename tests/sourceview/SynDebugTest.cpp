// The debug marks on a real editor: line adjustments, colours, scrolling and clicks.
#include "sourceview/SynDebug.h"
#include "TestSupport.h"
#include "sourceview/GutterImageList.h"

#include <QTextBlock>
#include <QTextCursor>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace SourceViewTest;

namespace {

struct TMarkedEditor {
    TMarkedEditor(int Lines = 20) {
        Edit.resize(500, 400);
        Edit.SetLines(NumberedLines(Lines));
        Debug.SetSynEdit(&Edit);
        Debug.SetImageList(&Images);
        Images.LoadGutterImages();
    }
    void AddBreakpoint(int32_t Line) {
        Debug.AddMark(std::make_unique<TSynDebugBreakpoint>(12, Line));
    }
    void AddError(int32_t Line) { Debug.AddMark(std::make_unique<TSynDebugError>(10, Line)); }
    std::vector<int32_t> BreakpointLines() const {
        std::vector<int32_t> Lines;
        for (const auto& M : Debug.Breakpoints())
            Lines.push_back(M->Line);
        return Lines;
    }
    QTextCursor LineStart(int32_t Line) {
        return QTextCursor(Edit.document()->findBlockByNumber(Line - 1));
    }

    TSourceEdit Edit;
    TGutterImageList Images;
    TSynDebug Debug;
};

struct TColors {
    bool Special = false;
    QColor FG = Qt::black;
    QColor BG = Qt::yellow;
};

TColors ColorsOf(TSourceEdit& Edit, int32_t Line) {
    TColors C;
    Edit.OnSpecialLineColors(&Edit, Line, C.Special, C.FG, C.BG);
    return C;
}

const QColor Navy(0x00, 0x00, 0x80);

} // namespace

TEST(SynDebug, InsertedLinesMoveMarksAndTheExecutionLine) {
    TMarkedEditor M;
    M.AddBreakpoint(9);
    M.AddBreakpoint(10);
    M.AddError(15);
    M.Debug.SetExecutionLine(10);
    M.LineStart(10).insertText(QStringLiteral("new\nlines\n")); // first 10, count 2
    EXPECT_EQ(M.BreakpointLines(), (std::vector<int32_t>{9, 12}));
    EXPECT_EQ(M.Debug.Errors().front()->Line, 17);
    EXPECT_EQ(M.Debug.ExecutionLine(), 12);
}

TEST(SynDebug, DeletedLinesDropTheirMarksAndShiftTheOthers) {
    TMarkedEditor M;
    M.AddBreakpoint(6);
    M.AddBreakpoint(9);
    M.AddBreakpoint(4);
    M.AddError(5);
    M.Debug.SetExecutionLine(6);
    QTextCursor C = M.LineStart(5); // lines 5 to 7: first 5, count 3
    C.setPosition(M.LineStart(8).position(), QTextCursor::KeepAnchor);
    C.removeSelectedText();
    EXPECT_EQ(M.BreakpointLines(), (std::vector<int32_t>{6, 4}));
    EXPECT_EQ(M.Debug.FindBreakpoint(3), nullptr); // not left behind, hidden, on line 3
    EXPECT_TRUE(M.Debug.Errors().empty());
    EXPECT_EQ(M.Debug.ExecutionLine(), -1);

    M.Debug.SetExecutionLine(10);
    C = M.LineStart(2);
    C.setPosition(M.LineStart(3).position(), QTextCursor::KeepAnchor);
    C.removeSelectedText();
    EXPECT_EQ(M.Debug.ExecutionLine(), 9);
}

TEST(SynDebug, LineColoursFollowTheMarkThatWins) {
    TMarkedEditor M;
    M.AddBreakpoint(3);
    M.AddError(4);
    M.AddBreakpoint(4);
    M.AddBreakpoint(5);
    M.Debug.SetExecutionLine(5);
    M.AddError(6);
    M.Debug.Errors().back()->Visible = false;
    M.AddBreakpoint(6);
    M.AddBreakpoint(7);
    M.Debug.Breakpoints().back()->Visible = false;
    M.AddBreakpoint(8);
    M.Debug.Breakpoints().back()->SpecialColors = false;
    M.Debug.Breakpoints().back()->Background = Qt::green;
    M.Debug.Errors().front()->Background = Qt::magenta;

    struct TCase {
        int32_t Line;
        bool Special;
        QColor FG, BG;
    };
    const TCase Cases[] = {
        {2, false, Qt::black, Qt::yellow}, // nothing: left as passed in
        {3, true, Qt::white, Qt::red},     // breakpoint
        {4, true, Qt::white, Qt::magenta}, // error over breakpoint
        {5, true, Qt::white, Navy},        // execution line over breakpoint
        {6, true, Qt::white, Qt::red},     // hidden error: the breakpoint shows
        {7, false, Qt::black, Qt::yellow}, // hidden breakpoint
        {8, false, Qt::white, Qt::green},  // colours taken, special flag from the mark
    };
    for (const auto& C : Cases) {
        const TColors Got = ColorsOf(M.Edit, C.Line);
        EXPECT_EQ(Got.Special, C.Special) << C.Line;
        EXPECT_EQ(Got.FG, C.FG) << C.Line;
        EXPECT_EQ(Got.BG, C.BG) << C.Line;
    }
    M.Debug.SetExecutionLine(-1);
    EXPECT_EQ(ColorsOf(M.Edit, 5).BG, QColor(Qt::red));
}

TEST(SynDebug, ShowLineKeepsTwoLinesOfContextAbove) {
    TMarkedEditor M(200);
    const int H = M.Edit.LineHeight();
    M.Edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    M.Edit.resize(500, 30 * H + 2 * M.Edit.frameWidth() + H / 2);
    M.Edit.show();
    ASSERT_EQ(M.Edit.LinesInWindow(), 30);
    struct TCase {
        int32_t Top, Line, NewTop;
    };
    const TCase Cases[] = {
        {1, 50, 48},  {1, 10, 1}, {1, 29, 1}, {1, 30, 28},   {48, 49, 47},
        {48, 50, 48}, {48, 2, 1}, {1, 1, 1},  {1, 200, 171},
    };
    for (const auto& C : Cases) {
        M.Edit.SetTopLine(C.Top);
        M.Debug.ShowLine(C.Line);
        EXPECT_EQ(M.Edit.TopLine(), C.NewTop) << "top " << C.Top << ", line " << C.Line;
    }
}

TEST(SynDebug, GutterClickFiresOnChangeBreakpoint) {
    TMarkedEditor M(10);
    M.Edit.resize(500, 400);
    M.Edit.show();
    std::vector<int32_t> Lines;
    M.Debug.OnChangeBreakpoint = [&](TSynDebug* Sender, int32_t Line) {
        EXPECT_EQ(Sender, &M.Debug);
        Lines.push_back(Line);
        Sender->ToggleBreakpoint(Line);
    };
    const int H = M.Edit.LineHeight();
    ClickGutter(M.Edit, 16, 4 * H + 3);
    ClickGutter(M.Edit, 16, 11 * H); // below the last line
    EXPECT_EQ(Lines, (std::vector<int32_t>{5}));
    ASSERT_NE(M.Debug.FindBreakpoint(5), nullptr);
    EXPECT_EQ(M.Debug.FindBreakpoint(5)->ImageIndex, TGutterImageList::BreakpointImage);
    ClickGutter(M.Edit, 16, 4 * H + 3);
    EXPECT_EQ(M.Debug.FindBreakpoint(5), nullptr);
}

TEST(SynDebug, LeavesTheEditorsOwnHandlersInPlace) {
    TSourceEdit Edit;
    Edit.SetLines(NumberedLines(10));
    int OwnClicks = 0;
    Edit.OnGutterClick = [&](TSourceEdit*, int, int, int32_t) { ++OwnClicks; };
    TSynDebug Debug;
    int Changes = 0;
    Debug.OnChangeBreakpoint = [&](TSynDebug*, int32_t) { ++Changes; };
    Debug.SetSynEdit(&Edit);
    Edit.resize(300, 300);
    Edit.show();
    ClickGutter(Edit, 16, 2);
    EXPECT_EQ(OwnClicks, 1);
    EXPECT_EQ(Changes, 0);
    EXPECT_TRUE(static_cast<bool>(Edit.OnSpecialLineColors)); // that one was free
    Debug.SetSynEdit(nullptr);
    EXPECT_TRUE(static_cast<bool>(Edit.OnGutterClick)); // still the editor's own
    EXPECT_FALSE(static_cast<bool>(Edit.OnSpecialLineColors));
    EXPECT_EQ(Edit.PluginCount(), 0);
}

TEST(SynDebug, EditorAndComponentMayGoAwayInEitherOrder) {
    TSynDebug Debug;
    {
        TSourceEdit Edit;
        Debug.SetSynEdit(&Edit);
        EXPECT_EQ(Edit.PluginCount(), 1);
    }
    EXPECT_EQ(Debug.SynEdit(), nullptr);
    Debug.ToggleBreakpoint(3); // no editor to repaint: just kept
    Debug.ShowLine(3);
    Debug.SetExecutionLine(3);
    EXPECT_NE(Debug.FindBreakpoint(3), nullptr);

    TSourceEdit A;
    TSourceEdit B;
    {
        TSynDebug Short;
        Short.SetSynEdit(&A);
        Short.SetSynEdit(&B);
        EXPECT_EQ(A.PluginCount(), 0);
        EXPECT_FALSE(static_cast<bool>(A.OnGutterClick));
        EXPECT_EQ(B.PluginCount(), 1);
    }
    EXPECT_EQ(B.PluginCount(), 0);
    EXPECT_FALSE(static_cast<bool>(B.OnGutterClick));
    EXPECT_FALSE(static_cast<bool>(B.OnSpecialLineColors));
}

TEST(SynDebug, MarksAreFoundAddedAndRemovedByKind) {
    TSynDebug Debug;
    Debug.AddMark(std::make_unique<TSynDebugBreakpoint>(12, 4));
    Debug.AddMark(std::make_unique<TSynDebugBreakpoint>(12, 4));
    Debug.AddMark(std::make_unique<TSynDebugError>(10, 4));
    Debug.AddMark(std::make_unique<TSynDebugMark>(0, 4)); // neither kind: goes nowhere
    EXPECT_EQ(Debug.Breakpoints().size(), 2u);
    EXPECT_EQ(Debug.Errors().size(), 1u);
    TSynDebugBreakpoint* First = Debug.FindBreakpoint(4);
    EXPECT_EQ(First, Debug.Breakpoints().front().get());
    First->Visible = false;
    EXPECT_EQ(Debug.FindBreakpoint(4), First); // found whatever its visible flag
    std::unique_ptr<TSynDebugMark> Removed = Debug.RemoveMark(First);
    EXPECT_EQ(Removed.get(), First);
    EXPECT_EQ(Debug.RemoveMark(First), nullptr);
    EXPECT_EQ(Debug.Breakpoints().size(), 1u);
    EXPECT_NE(Debug.FindError(4), nullptr);
    EXPECT_EQ(Debug.FindError(5), nullptr);
    Debug.ClearErrors();
    EXPECT_EQ(Debug.FindError(4), nullptr);
    EXPECT_NE(Debug.FindBreakpoint(4), nullptr);
    Debug.ClearBreakpoints();
    EXPECT_TRUE(Debug.Breakpoints().empty());
    EXPECT_EQ(Debug.ExecutionLine(), -1);
    EXPECT_EQ(Debug.ExecutionMark()->Background, Navy);
    EXPECT_EQ(Debug.ExecutionMark()->Foreground, QColor(Qt::white));
}

TEST(SynDebug, ClearingTheExecutionLineRemovesItsColourAndImage) {
    TMarkedEditor M(40);
    M.Debug.ExecutionMark()->ImageIndex = TGutterImageList::ExecutionImage;
    M.Edit.show();
    const int H = M.Edit.LineHeight();
    const int Row = 6 * H + H / 2; // line 7
    const int TextX = M.Edit.ActualGutterWidth() + 200;
    M.Debug.SetExecutionLine(7);
    QImage Image = Render(M.Edit);
    EXPECT_EQ(Image.pixelColor(TextX, Row), Navy);
    EXPECT_GT(Image.pixelColor(TSynDebug::ImageX + 4, Row).green(), 120);
    M.Debug.SetExecutionLine(-1);
    Image = Render(M.Edit);
    EXPECT_EQ(Image.pixelColor(TextX, Row), M.Edit.palette().base().color());
    EXPECT_LT(Image.pixelColor(TSynDebug::ImageX + 4, Row).green(), 240);
}
