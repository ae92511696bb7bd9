// The editor widget with its highlighter and debug marks: line notifications, highlighting by
// the listing's bytes, mark adjustments, line colours, scrolling, clicks and one rendering.
#include "sourceview/KvMAssemSyn.h"
#include "sourceview/SourceEditPlugin.h"
#include "sourceview/SynDebug.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <tuple>

namespace {

struct TRecorder : TSourceEditPlugin {
    using TSourceEditPlugin::TSourceEditPlugin;
    void LinesInserted(int32_t First, int32_t Count) override { Log(" ins ", First, Count); }
    void LinesDeleted(int32_t First, int32_t Count) override { Log(" del ", First, Count); }
    void Log(const char* What, int32_t First, int32_t Count) {
        Events.append(What).append(std::to_string(First)).append(":").append(std::to_string(Count));
    }
    std::string Events;
};

// An editor of the lines "line 1" to "line N" with debug marks, recording line changes.
struct TMarked {
    explicit TMarked(int Lines) {
        QList<QByteArray> Text;
        for (int I = 1; I <= Lines; ++I)
            Text.append("line " + QByteArray::number(I));
        Edit.resize(500, 400);
        Edit.SetLines(Text);
        Debug.SetSynEdit(&Edit);
    }
    // Adds breakpoints or errors on the lines; returns the last one.
    TSynDebugMark* Add(bool Error, std::initializer_list<int32_t> Lines) {
        for (int32_t Line : Lines)
            Debug.AddMark(Error ? std::unique_ptr<TSynDebugMark>(new TSynDebugError(10, Line))
                                : std::make_unique<TSynDebugBreakpoint>(12, Line));
        return (Error ? Debug.Errors() : Debug.Breakpoints()).back().get();
    }
    // The lines of the breakpoints (B), errors (E) and the execution line (X).
    std::string Marks() const {
        std::string S;
        for (const auto* List : {&Debug.Breakpoints(), &Debug.Errors()})
            for (const auto& M : *List)
                S.append(List == &Debug.Errors() ? " E" : " B").append(std::to_string(M->Line));
        return S.append(" X").append(std::to_string(Debug.ExecutionLine()));
    }
    // A cursor selecting from (line, column) to (line, column).
    QTextCursor Select(int32_t L1, int C1, int32_t L2, int C2) {
        QTextCursor Cursor(Edit.document());
        Cursor.setPosition(Edit.document()->findBlockByNumber(L1 - 1).position() + C1);
        Cursor.setPosition(Edit.document()->findBlockByNumber(L2 - 1).position() + C2,
                           QTextCursor::KeepAnchor);
        return Cursor;
    }
    // The gutter is the editor's child at its left edge.
    QWidget* Gutter() { return Edit.childAt(Edit.contentsRect().topLeft() + QPoint(1, 1)); }
    TSourceEdit Edit;
    TSynDebug Debug;
    TRecorder* Recorder = new TRecorder(&Edit); // owned and freed by the editor
};

} // namespace

TEST(SourceEdit, ReportsInsertedAndDeletedLinesOfEveryKindOfEdit) {
    // The selection (line, column, line, column) replaced by a text, then maybe undone.
    const std::tuple<int32_t, int, int32_t, int, const char*, bool, const char*> Cases[] = {
        {3, 6, 3, 6, "\n", false, " ins 4:1"},            // Enter at the end of line 3
        {3, 0, 3, 0, "\n", false, " ins 3:1"},            // ... at its start
        {5, 0, 5, 0, "a\nb\nc\n", false, " ins 5:3"},     // whole lines pasted
        {5, 3, 5, 3, "a\nb", false, " ins 6:1"},          // a line break pasted inside a line
        {4, 0, 7, 0, "", false, " del 4:3"},              // whole lines deleted
        {4, 2, 6, 3, "", false, " del 5:2"},              // from inside a line into another
        {5, 6, 6, 0, "", false, " del 6:1"},              // one line break deleted
        {2, 0, 5, 0, "x\n", false, " del 2:2"},           // three lines replaced by one
        {2, 0, 4, 0, "x\ny\n", false, ""},                // two lines replaced by two
        {5, 0, 5, 0, "a\nb\n", true, " ins 5:2 del 5:2"}, // a paste undone
        {1, 0, 10, 7, "", false, " del 1:9"},             // everything deleted
    };
    for (const auto& [L1, C1, L2, C2, Text, Undo, Expected] : Cases) {
        TMarked M(10);
        M.Select(L1, C1, L2, C2).insertText(QString::fromLatin1(Text));
        if (Undo) M.Edit.undo();
        EXPECT_EQ(M.Recorder->Events, Expected) << L1 << ":" << C1 << " «" << Text << "»";
    }
}

TEST(SourceEdit, HighlightsLinesByTheirBytesInEitherEncoding) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    TMarked M(0);
    M.Edit.SetHighlighter(&Syn);
    auto FormatAt = [&M](int Column) {
        for (const auto& R : M.Edit.document()->firstBlock().layout()->formats())
            if (Column >= R.start && Column < R.start + R.length) return R.format;
        return QTextCharFormat();
    };
    // "ä😀" is three UTF-16 characters in six bytes of UTF-8; "\xE4\xFF\xFE" (no UTF-8, so
    // Latin-1) three characters of a byte each. Either way the keyword takes characters 4 to
    // 7 and the comment starts at 9, and every byte survives in the encoding chosen.
    for (const QByteArray Line : {"\xC3\xA4\xF0\x9F\x98\x80 LDAA ;x", "\xE4\xFF\xFE LDAA ;x"}) {
        M.Edit.SetLines(QList<QByteArray>{Line});
        const QString Text = M.Edit.LineText(1);
        EXPECT_EQ(M.Edit.Encoding() == TTextEncoding::Utf8 ? Text.toUtf8() : Text.toLatin1(), Line);
        for (int Column : {3, 4, 7, 8})
            EXPECT_EQ(FormatAt(Column).fontWeight() == QFont::Bold, Column == 4 || Column == 7);
        EXPECT_TRUE(FormatAt(9).fontItalic());
    }
    // An attribute change re-highlights, and is no edit of lines.
    Syn.KeyAttri()->SetForeground(Qt::magenta);
    EXPECT_EQ(FormatAt(4).foreground().color(), QColor(Qt::magenta));
    EXPECT_EQ(M.Recorder->Events, "");
}

TEST(SynDebug, MarksFollowInsertedLinesAndDieWithDeletedOnes) {
    TMarked M(20);
    M.Add(false, {4, 6, 9, 10});
    M.Add(true, {5, 15});
    M.Debug.SetExecutionLine(10);
    M.Select(10, 0, 10, 0).insertText(QStringLiteral("new\nlines\n")); // 2 before line 10
    EXPECT_EQ(M.Marks(), " B4 B6 B9 B12 E5 E17 X12");
    M.Debug.SetExecutionLine(6);
    M.Select(5, 0, 8, 0).removeSelectedText(); // lines 5 to 7: their marks go, not hidden
    EXPECT_EQ(M.Marks(), " B4 B6 B9 E14 X-1");
    M.Debug.SetExecutionLine(10);
    M.Select(2, 3, 3, 3).removeSelectedText(); // joins lines 2 and 3
    EXPECT_EQ(M.Marks(), " B3 B5 B8 E13 X9");
}

TEST(SynDebug, LineColoursFollowTheMarkThatWins) {
    TMarked M(10);
    M.Add(false, {3, 4, 5, 6});
    M.Add(true, {4})->Background = Qt::magenta;
    M.Add(true, {6})->Visible = false;
    M.Add(false, {7})->Visible = false;
    M.Debug.SetExecutionLine(5);
    TSynDebugMark* Plain = M.Add(false, {8});
    Plain->SpecialColors = false;
    Plain->Background = Qt::green;
    const std::tuple<int32_t, bool, QColor, QColor> Cases[] = {
        {2, false, Qt::black, Qt::yellow},              // no mark: colours left as passed in
        {3, true, Qt::white, Qt::red},                  // breakpoint
        {4, true, Qt::white, Qt::magenta},              // error over breakpoint
        {5, true, Qt::white, QColor(0x00, 0x00, 0x80)}, // execution line over breakpoint
        {6, true, Qt::white, Qt::red},                  // hidden error: the breakpoint shows
        {7, false, Qt::black, Qt::yellow},              // hidden breakpoint
        {8, false, Qt::white, Qt::green},               // colours taken, special flag from the mark
    };
    for (const auto& [Line, WantSpecial, WantFG, WantBG] : Cases) {
        bool Special = false;
        QColor FG = Qt::black, BG = Qt::yellow;
        M.Edit.OnSpecialLineColors(&M.Edit, Line, Special, FG, BG);
        EXPECT_EQ(std::tie(Special, FG, BG), std::tie(WantSpecial, WantFG, WantBG)) << Line;
    }
}

TEST(SynDebug, ShowLineKeepsTwoLinesOfContextAbove) {
    TMarked M(200);
    const int H = M.Edit.LineHeight();
    M.Edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    M.Edit.resize(500, 30 * H + 2 * M.Edit.frameWidth() + H / 2);
    M.Edit.show();
    ASSERT_EQ(M.Edit.LinesInWindow(), 30);
    // Top line, line shown, top line afterwards.
    const int32_t Cases[][3] = {{1, 50, 48},  {1, 10, 1}, {1, 29, 1}, {1, 30, 28},   {48, 49, 47},
                                {48, 50, 48}, {48, 2, 1}, {1, 1, 1},  {1, 200, 171}, {-3, 1, 1}};
    for (const auto& [Top, Line, NewTop] : Cases) {
        M.Edit.SetTopLine(Top);
        M.Debug.ShowLine(Line);
        EXPECT_EQ(M.Edit.TopLine(), NewTop) << "top " << Top << ", line " << Line;
    }
}

TEST(SynDebug, GutterClickFiresOnChangeBreakpointWithTheLine) {
    TMarked M(10);
    M.Edit.show();
    std::string Lines;
    M.Debug.OnChangeBreakpoint = [&](TSynDebug* Sender, int32_t Line) {
        Lines.append(Sender == &M.Debug ? " " : " ?").append(std::to_string(Line));
        Sender->ToggleBreakpoint(Line);
    };
    const int H = M.Edit.LineHeight();
    for (int Y : {4 * H + 1, 5 * H - 1, 11 * H, 4 * H + 3}) { // the third below the last line
        QMouseEvent Press(QEvent::MouseButtonPress, QPointF(16, Y), QPointF(16, Y), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(M.Gutter(), &Press);
    }
    EXPECT_EQ(Lines, " 5 5 5");
    EXPECT_NE(M.Debug.FindBreakpoint(5), nullptr); // toggled on, off and on again
}

// Renders the bundled demo listing with a bookmark, breakpoints and the execution line, writes it
// to a PNG for a look, and checks that every mark lands on its line. All marked lines are code
// lines (address, bytes and an instruction).
TEST(SourceViewRender, ListingWithBookmarkBreakpointsAndExecutionLine) {
    QFile File(QStringLiteral(TARVIK_EXAMPLES_DIR "/demo.lst"));
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    TKvMAssemSyn Syn;
    Syn.SetCPUType(TKvCPUType::KvCPU_6811);
    TGutterImageList Images;
    Images.LoadGutterImages();
    TMarked M(0);
    M.Edit.SetHighlighter(&Syn);
    M.Edit.SetBookmarkImages(&Images);
    M.Edit.SetLines(File.readAll().replace('\r', "").split('\n'));
    M.Debug.SetImageList(&Images);
    M.Debug.ExecutionMark()->ImageIndex = TGutterImageList::ExecutionImage;
    M.Edit.show();
    M.Add(false, {47, 52, 59});
    M.Debug.SetExecutionLine(52);
    M.Edit.SetBookmark(7, 43);
    M.Edit.SetTopLine(35);
    // x = 0 at the gutter's left edge, y = 0 at the top of line 35.
    const QImage Image = M.Edit.grab(QRect(M.Gutter()->pos(), M.Edit.size())).toImage();
    Image.save(QStringLiteral(TARVIK_TEST_OUTPUT_DIR "/sourceview.png"));
    const int H = M.Edit.LineHeight(), TextX = M.Edit.ActualGutterWidth() + 300;
    auto Pixel = [&](int X, int32_t Line) { return Image.pixelColor(X, (Line - 35) * H + H / 2); };
    auto Red = [](QColor C) { return C.red() > 150 && C.green() < 120 && C.blue() < 120; };
    EXPECT_EQ(Pixel(TextX, 47), QColor(Qt::red));
    EXPECT_EQ(Pixel(TextX, 52), QColor(0x00, 0x00, 0x80)); // execution line over breakpoint
    EXPECT_EQ(Pixel(TextX, 48), M.Edit.palette().base().color());
    const int MarkX = TSynDebug::ImageX + 5; // inside the red dot and the green arrow
    EXPECT_TRUE(Red(Pixel(MarkX, 47)));
    EXPECT_FALSE(Red(Pixel(MarkX, 48)));
    const QColor Arrow = Pixel(MarkX, 52), Tag = Pixel(TSourceEdit::BookmarkX + 4, 43);
    EXPECT_TRUE(Arrow.green() > 120 && Arrow.red() < 100 && Arrow.blue() < 100);
    EXPECT_TRUE(Tag.blue() > 150 && Tag.red() < 120);
    // The text of a marked line is white: no dark pixel in the row.
    for (int Y = (47 - 35) * H; Y < (48 - 35) * H; ++Y)
        for (int X = M.Edit.ActualGutterWidth() + 4; X < Image.width() - 30; ++X)
            ASSERT_GT(QColor(Image.pixel(X, Y)).lightness(), 70) << X << "," << Y;
}
