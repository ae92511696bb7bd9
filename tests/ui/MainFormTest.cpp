// The whole window driven as a user would: open the demo listing, step, run to a breakpoint set
// by a gutter click, watch the ports, the status bar and the menus.
#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SynDebug.h"
#include "ui/KVCPUPortPanel.h"
#include "ui/Kv68HC11Control.h"
#include "ui/MainForm.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using Env = TCPU_68HC11_Enviroment;

const QString DemoListing = QStringLiteral(TARVIK_EXAMPLES_DIR "/demo.lst");

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form.SetMessageSink(&Sink);
        Form.resize(820, 600);
        Form.show();
        QApplication::processEvents();
    }

    // Sets or clears a breakpoint as a click in the gutter beside the line does.
    void ClickGutter(int32_t Line) {
        ASSERT_TRUE(Form.SynEdit->OnGutterClick);
        Form.SynEdit->OnGutterClick(Form.SynEdit, 5, 0, Line);
    }

    // The 1-based view line of the code line at Address.
    int32_t LineOf(uint32_t Address) const {
        return Form.ListFileLoader->LineOfAddress(Address) + 1;
    }

    QString Status(int Panel) const { return Form.StatusPanels[static_cast<size_t>(Panel)]->text(); }

    TRecordingSink Sink;
    TFormMain Form;
};

TEST_F(MainFormTest, StartsWithTheDocumentedMenusPanelsAndStatus) {
    EXPECT_EQ(Form.windowTitle(), QStringLiteral("Tarvik68HC11"));
    EXPECT_EQ(Status(0), QStringLiteral("Time: 0.0 s"));
    EXPECT_EQ(Status(1), QStringLiteral("Cycles: 0"));
    EXPECT_EQ(Status(2), QString());
    for (QAction* item : {Form.MenPrint, Form.MenPrinterSettings, Form.MenNoSubroutines,
                          Form.Inhalt1, Form.Suchen1, Form.Hilfebenutzen1})
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
    EXPECT_EQ(Form.MenRun->shortcut(), QKeySequence(Qt::Key_F9));
    EXPECT_EQ(Form.MenSingleStep->shortcut(), QKeySequence(Qt::Key_F7));
    EXPECT_TRUE(Form.ToolbarCPU->isVisible());
    EXPECT_TRUE(Form.ToolbarPorts->isVisible());
    EXPECT_FALSE(Form.ToolbarSymbols->isVisible());
    const bool shown[5] = {true, false, false, true, true};
    for (size_t p = 0; p < 5; ++p) EXPECT_EQ(Form.PortPanelActions[p]->isVisible(), shown[p]);
    EXPECT_EQ(Form.StringGridSymbols->item(0, 0)->text(), QStringLiteral("Not implemen"));
    EXPECT_EQ(Form.SynDebug->ExecutionMark()->ImageIndex, TFormMain::ExecutionImage);
}

TEST_F(MainFormTest, OpenLoadsAndTheFirstStepResetsAndExecutesTheFirstInstruction) {
    Form.AskOpenFileName = [] { return DemoListing; };
    Form.MenOpenClick();
    EXPECT_EQ(Status(2), QStringLiteral("File loaded."));
    EXPECT_EQ(Form.SynEdit->LineCount(), Form.ListFileLoader->LineCount());
    EXPECT_EQ(Form.CPU->PC, 0); // nothing runs before the first command
    EXPECT_TRUE(Form.CPU->PendingInterrupt(TCPU_68HC11_::IrqReset));

    Form.MenSingleStepClick(); // reset, then lds #$00ff at $E000
    EXPECT_EQ(Status(2), QStringLiteral("Processor reset."));
    EXPECT_FALSE(Form.CPU->PendingInterrupt(TCPU_68HC11_::IrqReset));
    EXPECT_EQ(Form.CPU->PC, 0xE003);
    EXPECT_EQ(Form.CPU->SP, 0x00FF);
    EXPECT_EQ(Form.CPUControl->Edit(TKV68HC11Control::rPC)->text(), QStringLiteral("$E003"));
    EXPECT_EQ(Status(1), QStringLiteral("Cycles: 3"));
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), LineOf(0xE003));
    EXPECT_TRUE(Sink.Messages.empty());
}

TEST_F(MainFormTest, GutterClicksToggleTheBreakpointAndARunStopsThere) {
    ASSERT_TRUE(Form.OpenListing(DemoListing));
    const uint32_t idle = 0xE025; // ldy ROUNDS, the head of the main loop
    const int32_t line = LineOf(idle);
    ClickGutter(line);
    EXPECT_TRUE(Form.CPU->IsBreakpoint(idle));
    EXPECT_NE(Form.SynDebug->FindBreakpoint(line), nullptr);

    Form.MenRunClick();
    EXPECT_FALSE(Form.CPU->Running);
    EXPECT_EQ(Form.CPU->PC, static_cast<int32_t>(idle));
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), line);
    EXPECT_EQ(Status(1), QStringLiteral("Cycles: %1").arg(Form.CPU->CycleCount));

    ClickGutter(line);
    EXPECT_FALSE(Form.CPU->IsBreakpoint(idle));
    EXPECT_EQ(Form.SynDebug->FindBreakpoint(line), nullptr);
}

TEST_F(MainFormTest, ABreakpointGoesWithItsDeletedLineAndSurvivesInsertedOnes) {
    ASSERT_TRUE(Form.OpenListing(DemoListing));
    const int32_t line = LineOf(0xE025);
    ClickGutter(line);
    // A line typed above the breakpoint moves the mark; a click on it still clears the
    // breakpoint of the listing line it was set on.
    Form.SynEdit->SetCaretLine(1);
    Form.SynEdit->insertPlainText(QStringLiteral("; note\n"));
    ASSERT_NE(Form.SynDebug->FindBreakpoint(line + 1), nullptr);
    ClickGutter(line + 1);
    EXPECT_FALSE(Form.CPU->IsBreakpoint(0xE025));

    // Clicks name lines of the listing as loaded: view line + 1 is now listing line + 1, the
    // iny at $E028.
    ClickGutter(line + 1);
    ASSERT_TRUE(Form.CPU->IsBreakpoint(0xE028));
    QTextCursor cursor(Form.SynEdit->document()->findBlockByNumber(line)); // 0-based: line + 1
    cursor.select(QTextCursor::BlockUnderCursor);
    cursor.removeSelectedText();
    EXPECT_EQ(Form.SynDebug->FindBreakpoint(line + 1), nullptr);
    EXPECT_FALSE(Form.CPU->IsBreakpoint(0xE028));
}

TEST_F(MainFormTest, ARunStaysResponsiveAndShowsTimeAndPortsWhenStopped) {
    ASSERT_TRUE(Form.OpenListing(DemoListing));
    // Stop arrives through the window's message processing while the program runs.
    QTimer::singleShot(300, &Form, [this] { Form.MenStopClick(); });
    Form.MenRunClick();
    EXPECT_FALSE(Form.CPU->Running);
    EXPECT_GT(Form.CPU->CycleCount, 100000);
    EXPECT_EQ(Status(0), QStringLiteral("Time: %1.%2 s")
                             .arg(Form.TimeTenths / 10)
                             .arg(Form.TimeTenths % 10));
    EXPECT_EQ(Form.TimeTenths, static_cast<int32_t>(Form.CPU->CycleCount / 100000));
    // Port B shows the low byte of the interrupt count the program keeps at $0000.
    EXPECT_EQ(Form.PortPanels[Env::PortB]->Value(), Form.CPU->Memory[0x0001]);
    EXPECT_EQ(Form.PortPanels[Env::PortA]->Value(), Form.CPU_Enviroment->PortPins[Env::PortA]);
}

TEST_F(MainFormTest, PortInputClicksReachTheProgram) {
    ASSERT_TRUE(Form.OpenListing(DemoListing));
    TKVCPUPortPanel* portE = Form.PortPanels[Env::PortE];
    portE->BitButtons[7]->click(); // PE0
    portE->BitButtons[5]->click(); // PE2
    EXPECT_EQ(Form.CPU_Enviroment->PortPins[Env::PortE], 0x05);
    EXPECT_EQ(portE->Value(), 0x05);
    // The demo copies port E to port D in its main loop.
    Form.CPU->SetBreakpoint(0xE039, true); // the bra idle after staa PORTD,x
    Form.MenRunClick();
    EXPECT_EQ(Form.CPU->PC, 0xE039);
    EXPECT_EQ(Form.PortPanels[Env::PortD]->Value(), 0x05);
}

TEST_F(MainFormTest, TimePanelCountsTenthsOfASecond) {
    for (int i = 0; i < 25; ++i) Form.CPUExternalTimer(1);
    EXPECT_EQ(Status(0), QStringLiteral("Time: 2.5 s"));
}

TEST_F(MainFormTest, ViewMenuAndToolbarClosingKeepEachOtherInStep) {
    Form.MenIOPorts->trigger();
    EXPECT_FALSE(Form.MenIOPorts->isChecked());
    EXPECT_FALSE(Form.ToolbarPorts->isVisible());
    Form.MenIOPorts->trigger();
    EXPECT_TRUE(Form.ToolbarPorts->isVisible());

    Form.MenSymbols->trigger();
    EXPECT_TRUE(Form.ToolbarSymbols->isVisible());
    Form.ToolbarSymbols->close(); // the tool window's close button
    QApplication::processEvents();
    EXPECT_FALSE(Form.MenSymbols->isChecked());
    EXPECT_TRUE(Form.MenCPURegister->isChecked());

    Form.PMenPorts[Env::PortB]->trigger();
    EXPECT_TRUE(Form.PMenPorts[Env::PortB]->isChecked());
    EXPECT_TRUE(Form.PortPanelActions[Env::PortB]->isVisible());
    EXPECT_TRUE(Form.ToolbarSepPorts[Env::PortB]->isVisible());
    Form.PMenPorts[Env::PortA]->trigger();
    EXPECT_FALSE(Form.PortPanelActions[Env::PortA]->isVisible());
    EXPECT_FALSE(Form.ToolbarSepPorts[Env::PortA]->isVisible());
}

TEST_F(MainFormTest, AFileThatCannotBeOpenedIsReportedAndTheListingStays) {
    ASSERT_TRUE(Form.OpenListing(DemoListing));
    const int32_t lines = Form.SynEdit->LineCount();
    Form.AskOpenFileName = [] { return QStringLiteral("/nonexistent/missing.lst"); };
    Form.MenOpenClick();
    ASSERT_EQ(Sink.Messages.size(), 1u);
    EXPECT_TRUE(Sink.Messages[0].Text.contains(QStringLiteral("missing.lst")));
    EXPECT_EQ(Form.SynEdit->LineCount(), lines);

    Form.AskOpenFileName = [] { return QString(); }; // cancelled
    Form.MenOpenClick();
    EXPECT_EQ(Sink.Messages.size(), 1u);
}

TEST_F(MainFormTest, TypingIntoTheLastWatchRowAddsARow) {
    QTableWidget* grid = Form.StringGridSymbols;
    const int rows = grid->rowCount();
    grid->setItem(rows - 1, 1, new QTableWidgetItem(QStringLiteral("x")));
    EXPECT_EQ(grid->rowCount(), rows);
    grid->setItem(rows - 1, 0, new QTableWidgetItem(QString()));
    EXPECT_EQ(grid->rowCount(), rows);
    grid->item(rows - 1, 0)->setText(QStringLiteral("TICKS"));
    EXPECT_EQ(grid->rowCount(), rows + 1);
}

TEST_F(MainFormTest, ProgramCounterLineSearchFallsBackToTheEditedView) {
    ASSERT_TRUE(Form.OpenListing(DemoListing));
    const int32_t line = LineOf(0xE000);
    EXPECT_EQ(Form.LineOfProgramCounter(0xE000), line);
    EXPECT_EQ(Form.LineOfProgramCounter(0x4321), -1);
    Form.SynEdit->SetCaretLine(1);
    Form.SynEdit->insertPlainText(QStringLiteral("new line\n"));
    EXPECT_EQ(Form.LineOfProgramCounter(0xE000), line + 1);
}

TEST_F(MainFormTest, SnapshotOfTheWindow) {
    ASSERT_TRUE(Form.OpenListing(DemoListing));
    Form.MenSingleStepClick();
    const QString path = SaveSnapshot(Form, QStringLiteral("MainForm"));
    EXPECT_FALSE(path.isEmpty());
}

} // namespace
