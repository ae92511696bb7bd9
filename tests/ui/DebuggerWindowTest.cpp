// The debugger in the window, driven as a user would: watches typed into the grid, stepping
// over and out of subroutines, running to the cursor, the Haltepunkte and Aufrufe windows, data
// breakpoints and the dock arrangement.
#include "UiTestSupport.h"

#include "machine/Machine.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SynDebug.h"
#include "ui/BreakpointsView.h"
#include "ui/CallStackView.h"
#include "ui/Kv68HC11Control.h"
#include "ui/MainForm.h"
#include "ui/WatchView.h"

namespace {

struct DebuggerWindow : ::testing::Test {
    void SetUp() override {
        Form.SetMessageSink(&Sink);
        Form.show();
        Open(TARVIK_EXAMPLES_DIR "/demo.lst");
    }
    void Open(const QString& Name) {
        Form.AskOpenFileName = [Name] { return Name; };
        Form.MenOpenClick();
    }
    int32_t LineOf(uint32_t Address) { return Form.System->program().LineOfAddress(Address) + 1; }
    void ClickGutter(int32_t Line) { Form.SynEdit->OnGutterClick(Form.SynEdit, 5, 0, Line); }
    // Types Text into a cell of the watch grid.
    void TypeWatch(int Row, int Column, const QString& Text) {
        QTableWidget* grid = Form.StringGridSymbols;
        if (!grid->item(Row, Column)) grid->setItem(Row, Column, new QTableWidgetItem);
        grid->item(Row, Column)->setText(Text);
    }
    QString WatchValue(int Row) {
        const QTableWidgetItem* item = Form.StringGridSymbols->item(Row, 1);
        return item ? item->text() : QString();
    }
    bool WatchRed(int Row) {
        return Form.StringGridSymbols->item(Row, 1)->foreground().color() == QColor(Qt::red);
    }
    void PutCursorOn(int32_t Line) {
        QTextCursor cursor(Form.SynEdit->document()->findBlockByNumber(Line - 1));
        Form.SynEdit->setTextCursor(cursor);
    }
    TRecordingSink Sink;
    TFormMain Form;
};

TEST_F(DebuggerWindow, WatchesShowValuesMarkChangesWriteAndComeBackWithTheListing) {
    TypeWatch(0, 0, "TICKS,w");
    TypeWatch(1, 0, "A");
    TypeWatch(2, 0, "nosuch");
    TypeWatch(3, 0, "PC");
    EXPECT_EQ(WatchValue(2), "Unbekanntes Symbol „nosuch“");
    ClickGutter(LineOf(0xE047)); // std TICKS in the interrupt routine
    Form.MenRunClick();
    EXPECT_EQ(Form.System->lastStopReason(), StopReason::Breakpoint);
    EXPECT_EQ(WatchValue(0), "$0000");
    EXPECT_EQ(WatchValue(3), "$E047 (RTIISR+12)");
    EXPECT_EQ(Form.StatusPC->text(), "PC: $E047 (RTIISR+12)");
    Form.MenRunClick();
    EXPECT_EQ(WatchValue(0), "$0001");
    EXPECT_TRUE(WatchRed(0));
    Form.MenSingleStepClick(); // std TICKS
    EXPECT_EQ(WatchValue(0), "$0002");
    EXPECT_TRUE(WatchRed(0));
    Form.MenSingleStepClick(); // stab PORTB,x: TICKS stays
    EXPECT_FALSE(WatchRed(0));

    TypeWatch(0, 1, "$1234"); // typed into "Wert": written
    EXPECT_EQ(Form.System->peek(0), 0x12);
    EXPECT_EQ(Form.System->peek(1), 0x34);
    TypeWatch(1, 1, "$42"); // a register: the register panel shows it at once
    EXPECT_EQ(Form.CPUControl->Edit(TKV68HC11Control::rACCA)->text(), "$42");
    TypeWatch(1, 1, "$123"); // does not fit: nothing written, the status bar says why
    EXPECT_EQ(Form.StatusPanels[2]->text(), "Nicht geschrieben: Wert passt nicht in ein Byte");

    Open(TARVIK_EXAMPLES_DIR "/bench.lst");
    EXPECT_TRUE(Form.WatchView->expressions().isEmpty());
    Open(TARVIK_EXAMPLES_DIR "/demo.lst");
    EXPECT_EQ(Form.WatchView->expressions(), (QStringList{"TICKS,w", "A", "nosuch", "PC"}));
}

TEST_F(DebuggerWindow, StepOverStepOutRunToCursorAndGoToPC) {
    Open(TARVIK_EXAMPLES_DIR "/bench.lst");
    ClickGutter(LineOf(0xE04E)); // fill1: bsr rand
    Form.MenRunClick();
    ClickGutter(LineOf(0xE04E));
    ASSERT_EQ(Form.CPU->PC, 0xE04E);
    const int sp = Form.CPU->SP;
    Form.MenNoSubroutines->trigger(); // F8 over the BSR
    EXPECT_EQ(Form.CPU->PC, 0xE050);
    EXPECT_EQ(Form.CPU->SP, sp);
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), LineOf(0xE050));

    // Into rand and out again.
    Form.MenRunToCursorClick(); // the cursor is on line 1: no code line
    EXPECT_EQ(Form.StatusPanels[2]->text(), "Die Zeile mit dem Cursor ist keine Codezeile.");
    PutCursorOn(LineOf(0xE04E));
    Form.MenRunToCursor->trigger();
    EXPECT_EQ(Form.CPU->PC, 0xE04E);
    Form.MenSingleStep->trigger();
    EXPECT_NE(Form.CPU->PC, 0xE050);
    Form.MenStepOut->trigger();
    EXPECT_EQ(Form.CPU->PC, 0xE050);
    EXPECT_EQ(Form.CPU->SP, sp);

    Form.SynEdit->verticalScrollBar()->setValue(Form.SynEdit->verticalScrollBar()->maximum());
    Form.MenGoToPC->trigger();
    // The execution line lies between the first and the last line in view.
    const int top = Form.SynEdit->cursorForPosition(QPoint(1, 1)).blockNumber();
    const int bottom =
        Form.SynEdit->cursorForPosition(QPoint(1, Form.SynEdit->viewport()->height() - 2))
            .blockNumber();
    EXPECT_GE(LineOf(0xE050) - 1, top);
    EXPECT_LE(LineOf(0xE050) - 1, bottom);
}

TEST_F(DebuggerWindow, TheBreakpointsWindowListsConditionsHitCountsAndDataBreakpoints) {
    QTableWidget* table = Form.BreakpointsView->table();
    ClickGutter(LineOf(0xE047));
    ASSERT_EQ(table->rowCount(), 1);
    EXPECT_EQ(table->item(0, TBreakpointsView::ColAddress)->text(), "$E047");
    EXPECT_EQ(table->item(0, TBreakpointsView::ColSymbol)->text(), "RTIISR+12");
    EXPECT_EQ(table->item(0, TBreakpointsView::ColLine)->text().toInt(), LineOf(0xE047));

    table->item(0, TBreakpointsView::ColCondition)->setText("B=3"); // TICKS becomes 3
    Form.MenRunClick();
    EXPECT_EQ(Form.System->peek(1), 2); // stopped before the std: B = 3, TICKS still 2
    table->item(0, TBreakpointsView::ColCondition)->setText("B=");
    EXPECT_EQ(Form.StatusPanels[2]->text(), "Bedingung nicht übernommen: Wert fehlt");
    EXPECT_EQ(table->item(0, TBreakpointsView::ColCondition)->text(), "B=3");
    table->item(0, TBreakpointsView::ColCondition)->setText("");
    table->item(0, TBreakpointsView::ColPasses)->setText("2");
    Form.MenRunClick();
    EXPECT_EQ(Form.System->peek(1), 4);
    EXPECT_EQ(table->item(0, TBreakpointsView::ColHits)->text(), "2");

    // Disabled: the gutter mark goes; the run goes past.
    table->item(0, TBreakpointsView::ColEnabled)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(Form.SynDebug->FindBreakpoint(LineOf(0xE047)), nullptr);

    // A data breakpoint on the light's variable, typed as a watch expression.
    Form.BreakpointsView->dataRange()->setText("LIGHT");
    Form.BreakpointsView->addDataButton()->click();
    ASSERT_EQ(Form.BreakpointsView->dataTable()->rowCount(), 1);
    EXPECT_EQ(Form.BreakpointsView->dataTable()->item(0, 1)->text(), "Schreiben");
    Form.MenRunClick();
    EXPECT_EQ(Form.System->lastStopReason(), StopReason::Watch);
    EXPECT_TRUE(Form.StatusPanels[2]->text().startsWith("Datenhaltepunkt: $E05"))
        << Form.StatusPanels[2]->text().toStdString();
    EXPECT_TRUE(Form.StatusPanels[2]->text().contains("nach $0004"));
    Form.BreakpointsView->dataRange()->setText("$FFFF:2");
    Form.BreakpointsView->addDataButton()->click();
    EXPECT_EQ(Form.StatusPanels[2]->text(),
              "Kein Datenhaltepunkt: Der Bereich reicht über $FFFF hinaus.");

    Form.BreakpointsView->clearButton()->click();
    EXPECT_EQ(table->rowCount(), 0);
    EXPECT_EQ(Form.BreakpointsView->dataTable()->rowCount(), 0);
}

TEST_F(DebuggerWindow, TheCallsWindowShowsTheInterruptAndTheRecentInstructions) {
    ClickGutter(LineOf(0xE047));
    Form.MenRunClick();
    QTableWidget* calls = Form.CallStackView->callTable();
    ASSERT_EQ(calls->rowCount(), 2);
    EXPECT_EQ(calls->item(0, 1)->text(), "$E047");
    EXPECT_EQ(calls->item(1, 0)->text(), "Interrupt RTI");
    EXPECT_EQ(calls->item(1, 2)->text().left(4), "IDLE");
    QTableWidget* history = Form.CallStackView->historyTable();
    EXPECT_EQ(history->rowCount(), 16);
    EXPECT_EQ(history->item(0, 1)->text(), "$E044");
    Form.MenSingleStepClick();
    Form.MenSingleStepClick();
    // Double-click shows the line.
    Form.SynEdit->verticalScrollBar()->setValue(0);
    emit calls->cellDoubleClicked(1, 0);
    EXPECT_GT(Form.SynEdit->verticalScrollBar()->value(), 0);
}

TEST_F(DebuggerWindow, DocksAroundTheSourceViewAndTheDefaultArrangementComesBack) {
    for (QDockWidget* dock :
         {Form.ToolbarCPU, Form.ToolbarSymbols, Form.ToolbarBreakpoints, Form.ToolbarCalls}) {
        EXPECT_TRUE(dock->isVisible()) << dock->windowTitle().toStdString();
        EXPECT_FALSE(dock->isFloating()) << dock->windowTitle().toStdString();
        EXPECT_FALSE(dock->geometry().intersects(Form.SynEdit->geometry()));
    }
    EXPECT_LE(Form.width(), 1366);
    EXPECT_LE(Form.frameGeometry().height(), 720); // room for a title bar and a task bar
    Form.ToolbarSymbols->setFloating(true);
    Form.ToolbarCalls->close();
    EXPECT_FALSE(Form.MenCalls->isChecked());
    Form.MenDefaultLayout->trigger();
    EXPECT_FALSE(Form.ToolbarSymbols->isFloating());
    EXPECT_TRUE(Form.ToolbarCalls->isVisible());
    EXPECT_TRUE(Form.MenCalls->isChecked());
    EXPECT_EQ(Form.dockWidgetArea(Form.ToolbarSymbols), Qt::RightDockWidgetArea);
    EXPECT_EQ(Form.dockWidgetArea(Form.ToolbarBreakpoints), Qt::BottomDockWidgetArea);
}

} // namespace
