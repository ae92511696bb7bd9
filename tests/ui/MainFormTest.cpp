// The whole window driven as a user would: open the demo listing, step, run to a breakpoint set
// by a gutter click, watch the ports, the status bar and the menus.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SynDebug.h"
#include "ui/KVCPUPortPanel.h"
#include "ui/Kv68HC11Control.h"
#include "ui/MainForm.h"

#include <QAction>
#include <QCoreApplication>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

using Env = TCPU_68HC11_Enviroment;

struct MainForm : ::testing::Test {
    void SetUp() override {
        Form.SetMessageSink(&Sink);
        Form.show();
        Form.AskOpenFileName = [] { return QStringLiteral(TARVIK_EXAMPLES_DIR "/demo.lst"); };
        Form.MenOpenClick();
    }
    // Sets or clears a breakpoint as a click in the gutter beside the line does.
    void ClickGutter(int32_t Line) { Form.SynEdit->OnGutterClick(Form.SynEdit, 5, 0, Line); }
    // The 1-based view line of the code at Address in the listing as loaded.
    int32_t LineOf(uint32_t Address) const {
        return Form.ListFileLoader->LineOfAddress(Address) + 1;
    }
    QString Status(int Panel) const { return Form.StatusPanels[size_t(Panel)]->text(); }
    TRecordingSink Sink;
    TFormMain Form;
};

TEST_F(MainForm, OpenLoadsTheListingAndTheFirstStepResetsAndExecutes) {
    EXPECT_EQ(Status(0) + '|' + Status(1) + '|' + Status(2), "Time: 0.0 s|Cycles: 0|File loaded.");
    EXPECT_EQ(Form.SynEdit->LineCount(), Form.ListFileLoader->LineCount());
    EXPECT_EQ(Form.CPU->PC, 0); // nothing runs before the first command
    for (int i = 0; i < 25; ++i)
        Form.CPUExternalTimer(1);
    EXPECT_EQ(Status(0), "Time: 2.5 s");
    Form.MenSingleStepClick(); // reset, then lds #$00ff at $E000
    EXPECT_EQ(Status(1) + '|' + Status(2), "Cycles: 3|Processor reset.");
    EXPECT_EQ(std::pair(Form.CPU->PC, Form.CPU->SP), std::pair(0xE003, 0x00FF));
    EXPECT_EQ(Form.CPUControl->Edit(TKV68HC11Control::rPC)->text(), "$E003");
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), LineOf(0xE003));
    EXPECT_TRUE(Sink.Messages.empty());
}

TEST_F(MainForm, AGutterClickSetsABreakpointThatARunStopsAtAndASecondClearsIt) {
    const int32_t line = LineOf(0xE025); // ldy ROUNDS, the head of the main loop
    ClickGutter(line);
    Form.MenRunClick();
    EXPECT_EQ(Form.CPU->PC, 0xE025);
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), line);
    EXPECT_EQ(Status(1), QStringLiteral("Cycles: %1").arg(Form.CPU->CycleCount));
    ClickGutter(line);
    EXPECT_FALSE(Form.CPU->IsBreakpoint(0xE025));
    EXPECT_EQ(Form.SynDebug->FindBreakpoint(line), nullptr);
}

TEST_F(MainForm, MarksAndTheProgramCounterSearchFollowEditsOfTheView) {
    const int32_t line = LineOf(0xE025);
    ClickGutter(line);
    Form.SynEdit->SetCaretLine(1);
    Form.SynEdit->insertPlainText("; note\n");
    EXPECT_EQ(Form.LineOfProgramCounter(0xE025), line + 1); // found by the view's text now
    EXPECT_EQ(Form.LineOfProgramCounter(0x4321), -1);
    // The moved mark still owns the breakpoint of the listing line it was set on.
    ClickGutter(line + 1);
    EXPECT_FALSE(Form.CPU->IsBreakpoint(0xE025));
    // A click names a line of the listing as loaded: line + 1 is the iny at $E028. Deleting the
    // marked line takes its breakpoint along.
    ClickGutter(line + 1);
    ASSERT_TRUE(Form.CPU->IsBreakpoint(0xE028));
    QTextCursor cursor(Form.SynEdit->document()->findBlockByNumber(line)); // 0-based: line + 1
    cursor.select(QTextCursor::BlockUnderCursor);
    cursor.removeSelectedText();
    EXPECT_EQ(Form.SynDebug->FindBreakpoint(line + 1), nullptr);
    EXPECT_FALSE(Form.CPU->IsBreakpoint(0xE028));
}

TEST_F(MainForm, ARunStaysResponsiveAndShowsTimeAndPortsWhenStopped) {
    TKVCPUPortPanel* portE = Form.PortPanels[Env::PortE];
    portE->BitButtons[7]->click(); // PE0
    portE->BitButtons[5]->click(); // PE2
    EXPECT_EQ(Form.CPU_Enviroment->PortPins[Env::PortE], 0x05);
    // Stop arrives through the window's message processing while the program runs.
    QTimer::singleShot(300, &Form, [this] { Form.MenStopClick(); });
    Form.MenRunClick();
    EXPECT_GT(Form.CPU->CycleCount, 100000);
    EXPECT_EQ(Form.TimeTenths, int32_t(Form.CPU->CycleCount / 100000));
    EXPECT_EQ(Status(0),
              QStringLiteral("Time: %1.%2 s").arg(Form.TimeTenths / 10).arg(Form.TimeTenths % 10));
    // Port B shows the interrupt count the program keeps at $0000; it copies port E to port D.
    EXPECT_EQ(Form.PortPanels[Env::PortB]->Value(), Form.CPU->Memory[0x0001]);
    EXPECT_EQ(Form.PortPanels[Env::PortD]->Value(), 0x05);
}

TEST_F(MainForm, ViewMenuToolbarCloseAndPortsMenuKeepEachOtherInStep) {
    auto shownPorts = [this] {
        QString shown;
        for (size_t p = 0; p < 5; ++p)
            shown += Form.PortPanelActions[p]->isVisible() ? "ABCDE"[p] : '-';
        return shown;
    };
    EXPECT_EQ(shownPorts(), "A--DE");
    Form.PMenPorts[Env::PortB]->trigger();
    Form.PMenPorts[Env::PortA]->trigger();
    EXPECT_EQ(shownPorts(), "-B-DE");
    EXPECT_TRUE(Form.PMenPorts[Env::PortB]->isChecked() &&
                Form.ToolbarSepPorts[Env::PortB]->isVisible());
    EXPECT_FALSE(Form.ToolbarSepPorts[Env::PortA]->isVisible());
    Form.MenIOPorts->trigger();
    EXPECT_FALSE(Form.MenIOPorts->isChecked() || Form.ToolbarPorts->isVisible());
    Form.MenSymbols->trigger();
    EXPECT_TRUE(Form.ToolbarSymbols->isVisible());
    Form.ToolbarSymbols->close(); // the tool window's close button
    QCoreApplication::processEvents();
    EXPECT_FALSE(Form.MenSymbols->isChecked());
    EXPECT_TRUE(Form.MenCPURegister->isChecked());
}

TEST_F(MainForm, AFileThatCannotBeOpenedIsReportedAndTheListingStays) {
    const int32_t lines = Form.SynEdit->LineCount();
    Form.AskOpenFileName = [] { return QStringLiteral("/nonexistent/missing.lst"); };
    Form.MenOpenClick();
    Form.AskOpenFileName = [] { return QString(); }; // cancelled
    Form.MenOpenClick();
    ASSERT_EQ(Sink.Messages.size(), 1u);
    EXPECT_TRUE(Sink.Messages[0].first.contains("missing.lst"));
    EXPECT_EQ(Form.SynEdit->LineCount(), lines);
}

TEST_F(MainForm, TypingANameIntoTheLastWatchRowAddsARow) {
    QTableWidget* grid = Form.StringGridSymbols;
    const int rows = grid->rowCount();
    grid->setItem(rows - 1, 1, new QTableWidgetItem("x")); // not the name column
    grid->setItem(rows - 1, 0, new QTableWidgetItem(""));  // no name
    EXPECT_EQ(grid->rowCount(), rows);
    grid->item(rows - 1, 0)->setText("TICKS");
    EXPECT_EQ(grid->rowCount(), rows + 1);
}

} // namespace
