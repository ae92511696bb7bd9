// The editor widget: text, line notifications, bookmarks, gutter clicks and view geometry.
#include "TestSupport.h"
#include "sourceview/GutterImageList.h"
#include "sourceview/KvMAssemSyn.h"
#include "sourceview/SourceEditPlugin.h"

#include <QFontInfo>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace SourceViewTest;

namespace {

class TRecorder : public TSourceEditPlugin {
  public:
    using TSourceEditPlugin::TSourceEditPlugin;
    void LinesInserted(int32_t First, int32_t Count) override {
        Events.push_back("ins " + std::to_string(First) + " " + std::to_string(Count));
    }
    void LinesDeleted(int32_t First, int32_t Count) override {
        Events.push_back("del " + std::to_string(First) + " " + std::to_string(Count));
    }
    void AfterPaint(QPainter&, const QRect&, int32_t First, int32_t Last) override {
        Painted.emplace_back(First, Last);
    }
    std::vector<std::string> Events;
    std::vector<std::pair<int32_t, int32_t>> Painted;
};

// A cursor at (1-based line, column).
QTextCursor At(TSourceEdit& Edit, int32_t Line, int Column) {
    QTextCursor C(Edit.document()->findBlockByNumber(Line - 1));
    C.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, Column);
    return C;
}

QTextCursor Selection(TSourceEdit& Edit, int32_t Line1, int Column1, int32_t Line2, int Column2) {
    QTextCursor C = At(Edit, Line1, Column1);
    C.setPosition(At(Edit, Line2, Column2).position(), QTextCursor::KeepAnchor);
    return C;
}

void PressKey(QWidget& W, int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier,
              const QString& Text = QString()) {
    QKeyEvent Press(QEvent::KeyPress, Key, Mods, Text);
    QApplication::sendEvent(&W, &Press);
}

} // namespace

TEST(SourceEdit, UsesAMonospacedThirteenPixelFont) {
    TSourceEdit Edit;
    const QFontInfo Info(Edit.font());
    EXPECT_TRUE(Info.family() == QLatin1String("Courier New") ||
                Info.family() == QLatin1String("Liberation Mono"))
        << Info.family().toStdString();
    EXPECT_EQ(Info.pixelSize(), 13);
    const QFontMetrics FM(Edit.font());
    EXPECT_EQ(FM.horizontalAdvance(QLatin1Char('i')), FM.horizontalAdvance(QLatin1Char('W')));
    EXPECT_GE(Edit.ActualGutterWidth(), 40);

    // Another font: line height, character width and the gutter follow it.
    Edit.SetLines(NumberedLines(5));
    const int OldGutter = Edit.ActualGutterWidth();
    QFont Big = Edit.font();
    Big.setPixelSize(26);
    Edit.setFont(Big);
    EXPECT_EQ(Edit.LineHeight(), Edit.cursorRect(At(Edit, 2, 0)).top());
    EXPECT_EQ(Edit.CharWidth(), QFontMetrics(Big).horizontalAdvance(QLatin1Char('0')));
    EXPECT_GT(Edit.ActualGutterWidth(), OldGutter);
}

TEST(SourceEdit, ReportsInsertedAndDeletedLinesOfEveryKindOfEdit) {
    struct TCase {
        const char* What;
        std::function<void(TSourceEdit&)> Edit;
        std::vector<std::string> Expected;
    };
    const std::vector<TCase> Cases = {
        {"Enter at the end of line 3",
         [](TSourceEdit& E) {
             E.setTextCursor(At(E, 3, 6));
             PressKey(E, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
         },
         {"ins 4 1"}},
        {"Enter at the start of line 3",
         [](TSourceEdit& E) {
             E.setTextCursor(At(E, 3, 0));
             PressKey(E, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
         },
         {"ins 3 1"}},
        {"Enter inside line 3",
         [](TSourceEdit& E) {
             E.setTextCursor(At(E, 3, 2));
             PressKey(E, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
         },
         {"ins 4 1"}},
        {"three whole lines pasted at the start of line 5",
         [](TSourceEdit& E) { At(E, 5, 0).insertText(QStringLiteral("a\nb\nc\n")); },
         {"ins 5 3"}},
        {"text with a line break pasted inside line 5",
         [](TSourceEdit& E) { At(E, 5, 3).insertText(QStringLiteral("a\nb")); },
         {"ins 6 1"}},
        {"lines 4 to 6 selected from their starts and deleted",
         [](TSourceEdit& E) { Selection(E, 4, 0, 7, 0).removeSelectedText(); },
         {"del 4 3"}},
        {"from inside line 4 to inside line 6 deleted",
         [](TSourceEdit& E) { Selection(E, 4, 2, 6, 3).removeSelectedText(); },
         {"del 5 2"}},
        {"Backspace at the start of line 6",
         [](TSourceEdit& E) {
             E.setTextCursor(At(E, 6, 0));
             PressKey(E, Qt::Key_Backspace);
         },
         {"del 6 1"}},
        {"Delete at the end of line 6",
         [](TSourceEdit& E) {
             E.setTextCursor(At(E, 6, 6));
             PressKey(E, Qt::Key_Delete);
         },
         {"del 7 1"}},
        {"three lines replaced by one",
         [](TSourceEdit& E) { Selection(E, 2, 0, 5, 0).insertText(QStringLiteral("x\n")); },
         {"del 2 2"}},
        {"two lines replaced by two others",
         [](TSourceEdit& E) { Selection(E, 2, 0, 4, 0).insertText(QStringLiteral("x\ny\n")); },
         {}},
        {"a typed character",
         [](TSourceEdit& E) {
             E.setTextCursor(At(E, 2, 1));
             PressKey(E, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
         },
         {}},
        {"a paste undone",
         [](TSourceEdit& E) {
             At(E, 5, 0).insertText(QStringLiteral("a\nb\n"));
             E.undo();
         },
         {"ins 5 2", "del 5 2"}},
        {"everything deleted",
         [](TSourceEdit& E) { Selection(E, 1, 0, 10, 7).removeSelectedText(); },
         {"del 1 9"}},
        {"the whole text replaced", [](TSourceEdit& E) { E.SetLines(NumberedLines(4)); }, {}},
    };
    for (const auto& C : Cases) {
        TSourceEdit Edit;
        Edit.SetLines(NumberedLines(10));
        auto* Recorder = new TRecorder(&Edit); // freed by the editor
        C.Edit(Edit);
        EXPECT_EQ(Recorder->Events, C.Expected) << C.What;
    }
}

TEST(SourceEdit, BookmarksAreSetJumpedToAndFollowTheirLines) {
    TSourceEdit Edit;
    Edit.SetLines(NumberedLines(20));
    const QString Text = Edit.toPlainText();
    Edit.SetCaretLine(4);
    PressKey(Edit, Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Edit.Bookmark(3), 4);
    PressKey(Edit, Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Edit.Bookmark(3), 0); // toggled off on the same line
    PressKey(Edit, Qt::Key_3, Qt::ControlModifier | Qt::ShiftModifier);
    Edit.SetCaretLine(9);
    PressKey(Edit, Qt::Key_0, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Edit.Bookmark(0), 9);
    PressKey(Edit, Qt::Key_3, Qt::ControlModifier);
    EXPECT_EQ(Edit.CaretLine(), 4);
    PressKey(Edit, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Edit.CaretLine(), 9);
    PressKey(Edit, Qt::Key_5, Qt::ControlModifier); // unset: no jump
    EXPECT_EQ(Edit.CaretLine(), 9);
    EXPECT_EQ(Edit.toPlainText(), Text); // no digit was typed

    At(Edit, 2, 0).insertText(QStringLiteral("a\nb\n"));
    EXPECT_EQ(Edit.Bookmark(3), 6);
    EXPECT_EQ(Edit.Bookmark(0), 11);
    Selection(Edit, 6, 0, 7, 0).removeSelectedText();
    EXPECT_EQ(Edit.Bookmark(3), 0); // its line is gone
    EXPECT_EQ(Edit.Bookmark(0), 10);
}

TEST(SourceEdit, DrawsBookmarksInTheGutter) {
    TGutterImageList Images;
    Images.LoadGutterImages();
    TSourceEdit Edit;
    Edit.resize(400, 300);
    Edit.SetBookmarkImages(&Images);
    Edit.SetLines(NumberedLines(30));
    Edit.SetBookmark(7, 3);
    Edit.show();
    const QImage Image = Render(Edit);
    const int H = Edit.LineHeight();
    const QColor Tag = Image.pixelColor(TSourceEdit::BookmarkX + 4, 2 * H + H / 2 - 4);
    EXPECT_GT(Tag.blue(), 150);
    EXPECT_LT(Tag.red(), 120);
    const QColor NoTag = Image.pixelColor(TSourceEdit::BookmarkX + 4, 3 * H + H / 2 - 4);
    EXPECT_LT(NoTag.blue() - NoTag.red(), 20);
}

TEST(SourceEdit, GutterClickNamesTheLineBesideIt) {
    TSourceEdit Edit;
    Edit.resize(400, 400);
    Edit.SetLines(NumberedLines(10));
    Edit.show();
    std::vector<int32_t> Clicked;
    Edit.OnGutterClick = [&](TSourceEdit* Sender, int, int, int32_t Line) {
        EXPECT_EQ(Sender, &Edit);
        Clicked.push_back(Line);
    };
    const int H = Edit.LineHeight();
    ClickGutter(Edit, 5, 4 * H + 1);
    ClickGutter(Edit, 30, 5 * H - 1);
    ClickGutter(Edit, 5, 10 * H + 2); // below the last line
    EXPECT_EQ(Clicked, (std::vector<int32_t>{5, 5}));
}

TEST(SourceEdit, TopLineAndVisibleLinesFollowTheScrollPosition) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    TSourceEdit Edit;
    Edit.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Edit.SetHighlighter(&Syn);
    QList<QByteArray> Lines;
    for (int I = 0; I < 200; ++I)
        Lines.append(I % 2 ? "\tldaa\t#$10\t; load" : "label:\torg\t'x'");
    Edit.SetLines(Lines);
    const int H = Edit.LineHeight();
    Edit.resize(400, 20 * H + 2 * Edit.frameWidth() + H / 2);
    Edit.show();
    EXPECT_EQ(Edit.LinesInWindow(), 20);
    EXPECT_EQ(Edit.TopLine(), 1);
    Edit.SetTopLine(50);
    EXPECT_EQ(Edit.TopLine(), 50);
    // Every row, bold and italic ones included, lies at (line - top) * line height.
    for (int32_t Line = 50; Line < 70; ++Line)
        EXPECT_EQ(Edit.cursorRect(At(Edit, Line, 0)).top(), (Line - 50) * H) << Line;
    Edit.SetTopLine(-3);
    EXPECT_EQ(Edit.TopLine(), 1);
    Edit.SetTopLine(100000);
    EXPECT_EQ(Edit.TopLine(), 200 - 20 + 1);
}

TEST(SourceEdit, PluginsHearWhichLinesWerePaintedAndDieWithTheEditor) {
    auto* Edit = new TSourceEdit;
    Edit->resize(400, 300);
    Edit->SetLines(NumberedLines(100));
    auto* Recorder = new TRecorder(Edit);
    EXPECT_EQ(Edit->PluginCount(), 1);
    Edit->SetTopLine(10);
    Edit->show();
    Edit->grab();
    ASSERT_FALSE(Recorder->Painted.empty());
    EXPECT_EQ(Recorder->Painted.back().first, 10);
    EXPECT_EQ(Recorder->Painted.back().second, 10 + Edit->LinesInWindow());
    delete Edit; // frees the recorder; a leak or double free shows under the sanitizers

    TSourceEdit Other;
    {
        TRecorder Own(&Other);
        EXPECT_EQ(Other.PluginCount(), 1);
    }
    EXPECT_EQ(Other.PluginCount(), 0);
}

TEST(SourceEdit, HighlightsLinesByTheirBytes) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    TSourceEdit Edit;
    Edit.SetHighlighter(&Syn);
    auto FormatAt = [&Edit](int32_t Line, int Column) {
        const QTextBlock B = Edit.document()->findBlockByNumber(Line - 1);
        for (const QTextLayout::FormatRange& R : B.layout()->formats())
            if (Column >= R.start && Column < R.start + R.length) return R.format;
        return QTextCharFormat();
    };
    // "ä" is one character: two bytes in UTF-8 text, one in Latin-1 text. Either way the
    // keyword after it starts at character 2 and the comment at character 7.
    for (const QByteArray& Bad : {QByteArray(), QByteArray("\xFF")}) {
        QList<QByteArray> Lines = {
            Bad.isEmpty() ? QByteArray("\xC3\xA4 LDAA ;x") : QByteArray("\xE4 LDAA ;x"), Bad};
        Edit.SetLines(Lines);
        EXPECT_EQ(Edit.LineText(1), QString::fromUtf8("ä LDAA ;x"));
        EXPECT_EQ(Edit.Encoding(), Bad.isEmpty() ? TTextEncoding::Utf8 : TTextEncoding::Latin1);
        EXPECT_FALSE(FormatAt(1, 1).fontWeight() == QFont::Bold);
        EXPECT_EQ(FormatAt(1, 2).fontWeight(), QFont::Bold);
        EXPECT_EQ(FormatAt(1, 5).fontWeight(), QFont::Bold);
        EXPECT_FALSE(FormatAt(1, 6).fontWeight() == QFont::Bold);
        EXPECT_TRUE(FormatAt(1, 7).fontItalic());
    }

    // An attribute change re-highlights, and is no edit of lines.
    auto* Recorder = new TRecorder(&Edit);
    Syn.KeyAttri()->SetForeground(Qt::magenta);
    EXPECT_EQ(FormatAt(1, 3).foreground().color(), QColor(Qt::magenta));
    Syn.SetCPUTypeString(QStringLiteral("8051"));
    EXPECT_FALSE(FormatAt(1, 3).fontWeight() == QFont::Bold);
    EXPECT_TRUE(Recorder->Events.empty());
}
