// The whole window driven as a user would: open the demo listing, step, run to a breakpoint set
// by a gutter click, watch the ports, the status bar and the menus.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "hc11/C68HC11Env.h"
#include "hc11/ListFileLoader.h"
#include "machine/Machine.h"
#include "sourceview/SynDebug.h"
#include "ui/KVCPUPortPanel.h"
#include "ui/Kv68HC11Control.h"
#include "ui/MainForm.h"
#include "ui/InterruptPinsBar.h"
#include "ui/SpeedControl.h"
#include "ui/TerminalView.h"

using Env = TCPU_68HC11_Environment;

struct MainForm : ::testing::Test {
    void SetUp() override {
        Form.SetMessageSink(&Sink);
        Form.show();
        Open(TARVIK_EXAMPLES_DIR "/demo.lst");
    }
    void Open(const QString& Name) { // the Open command, its dialog answering Name
        Form.AskOpenFileName = [Name] { return Name; };
        Form.MenOpenClick();
    }
    // A click in the gutter beside Line, as the user sets or clears a breakpoint.
    void ClickGutter(int32_t Line) { Form.SynEdit->OnGutterClick(Form.SynEdit, 5, 0, Line); }
    // The 1-based line of the code at Address in the listing as loaded.
    int32_t LineOf(uint32_t Address) { return Form.System->program().LineOfAddress(Address) + 1; }
    QString Status() const {
        return Form.StatusPanels[0]->text() + '|' + Form.StatusPanels[1]->text() + '|' +
               Form.StatusPanels[2]->text();
    }
    TRecordingSink Sink;
    TFormMain Form;
};

TEST_F(MainForm, MenusStartWithTheirCaptionsShortcutsAndStates) {
    QStringList items;
    for (QAction* menu : Form.menuBar()->actions()) {
        items << menu->text();
        for (QAction* item : menu->menu()->actions()) {
            if (item->isSeparator()) continue;
            items << item->text() + (item->isEnabled() ? "" : " -") +
                         (item->isChecked() ? " +" : "") + ' ' + item->shortcut().toString();
        }
    }
    EXPECT_EQ(items.join('|'),
              "&Datei|Ö&ffnen... |&Zuletzt geöffnet |&Drucken... - |Drucker&einrichtung... - |&Beenden |&Emulator|"
              "&Start F9|&Unterprogramme komplett F8|&Einzelschritt F7|Bis &Rücksprung Shift+F8|"
              "Bis &Cursor F4|&Gehe zu PC |Sto&p - Esc|Rese&t |"
              "&Geschwindigkeit |E-&Takt |&COP-Watchdog |"
              "&Ansicht|&CPU Register + |IO &Ports + |&Toolbar + |Überwachte &Ausdrücke + |"
              "&Signale |P&rofil |Analog&eingänge |Te&rminal |Speic&her |&Haltepunkte + |A&ufrufe + |"
              "Standard&anordnung |"
              "&Hilfe|&Inhalt - |&Suchen... - |&Hilfe benutzen - |In&fo... ");
}

TEST_F(MainForm, OpenLoadsTheListingStepsFromResetAndReportsAFileThatCannotBeOpened) {
    EXPECT_EQ(Status(), "Time: 0.0 s|Cycles: 0|File loaded.");
    const int32_t lines = Form.SynEdit->LineCount();
    EXPECT_EQ(lines, Form.System->program().LineCount());
    Form.MenSingleStepClick(); // reset, then lds #$00ff at $E000
    EXPECT_EQ(Status(), "Time: 0.0 s|Cycles: 3|Processor reset.");
    EXPECT_EQ(std::pair(Form.CPU->PC, Form.CPU->SP), std::pair(0xE003, 0x00FF));
    EXPECT_EQ(Form.CPUControl->Edit(TKV68HC11Control::rPC)->text(), "$E003");
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), LineOf(0xE003));
    Form.System->run({{}, 250000});
    Form.MenSingleStepClick(); // the window shows the time its machine has counted
    EXPECT_TRUE(Status().startsWith("Time: 0.2 s|"));
    Open("/nonexistent/missing.lst"); // reported; the listing stays
    Open("");                         // cancelled: nothing happens
    ASSERT_EQ(Sink.Messages.size(), 1u);
    EXPECT_TRUE(Sink.Messages[0].first.contains("missing.lst"));
    EXPECT_EQ(Form.SynEdit->LineCount(), lines);
}

// The Open dialog shows listings first (and every other program format), starts in the folder
// of the last listing opened and completes a name typed without extension to the listing's.
TEST_F(MainForm, OpenDialogStartsInTheLastListingsFolderAndCompletesTheExtension) {
    const auto dialogFolder = [](const TFormMain& Window) {
        QFileDialog dialog;
        Window.SetUpOpenDialog(dialog);
        return dialog.directory().absolutePath().toStdString();
    };
    const std::string examples = QDir(TARVIK_EXAMPLES_DIR).absolutePath().toStdString();
    QTemporaryDir other;
    const QString prog = other.filePath("prog.lst");
    ASSERT_TRUE(QFile::copy(TARVIK_EXAMPLES_DIR "/demo.lst", prog));
    const std::pair<QString, std::string> opened[] = {
        // the listing the command opens (empty: cancelled), the dialog's folder afterwards
        {"", examples}, // the demo, opened by SetUp
        {prog, other.path().toStdString()},
        {"/nonexistent/missing.lst", other.path().toStdString()}, // not opened
        {TARVIK_EXAMPLES_DIR "/demo.lst", examples},
        {prog, other.path().toStdString()},
    };
    for (const auto& [name, folder] : opened) {
        Open(name);
        EXPECT_EQ(dialogFolder(Form), folder) << name.toStdString();
    }

    QFileDialog dialog(&Form);
    Form.SetUpOpenDialog(dialog);
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Öffnen");
    EXPECT_EQ(dialog.nameFilters().join('|').toStdString(),
              "Listfiles (*.lst)|Programmdateien (*.lst *.s19 *.s28 *.s37 *.hex *.elf)|"
              "Motorola S-Records (*.s19 *.s28 *.s37)|Intel HEX (*.hex)|ELF-Programme (*.elf)|"
              "Alle Dateien (*)");
    EXPECT_EQ(dialog.defaultSuffix().toStdString(), "lst");
    dialog.show();
    auto* nameEdit = dialog.findChild<QLineEdit*>("fileNameEdit");
    auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
    ASSERT_TRUE(nameEdit && buttons);
    nameEdit->setText("prog"); // typed without extension
    buttons->button(QDialogButtonBox::Open)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.selectedFiles().join('|').toStdString(), prog.toStdString());

    // Before the first listing, and once the last listing's folder is gone: the current folder.
    EXPECT_EQ(dialogFolder(TFormMain()), QDir::currentPath().toStdString());
    other.remove();
    EXPECT_EQ(dialogFolder(Form), QDir::currentPath().toStdString());
}

// Which lines carry a breakpoint mark, as "line,line,...".
QString MarkedLines(const TFormMain& Form) {
    QStringList lines;
    for (const auto& mark : Form.SynDebug->Breakpoints()) lines << QString::number(mark->Line);
    lines.sort();
    return lines.join(',');
}

TEST_F(MainForm, AGutterClickTogglesTheBreakpointOfTheAddressTheLineShowsEvenAfterEdits) {
    const int32_t line = LineOf(0xE025); // idle: ldy ROUNDS
    ClickGutter(line);
    EXPECT_EQ(Form.System->breakpoints(), std::vector<uint32_t>{0xE025});
    EXPECT_EQ(MarkedLines(Form), QString::number(line));
    Form.MenRunClick();
    EXPECT_EQ(std::pair(Form.CPU->PC, Form.SynDebug->ExecutionLine()), std::pair(0xE025, line));
    EXPECT_EQ(Status(), QStringLiteral("Time: 0.0 s|Cycles: %1|Haltepunkt erreicht.")
                            .arg(Form.CPU->CycleCount));
    // A line typed above moves the marks; the program counter is then found by the view's text.
    Form.SynEdit->SetCaretLine(1);
    Form.SynEdit->insertPlainText("; note\n");
    EXPECT_EQ(Form.LineOfProgramCounter(0xE025), line + 1);
    EXPECT_EQ(Form.LineOfProgramCounter(0x4321), -1);
    // The line below the marked one now shows the iny at $E028: its breakpoint goes there, and
    // the run stops at the marked instruction.
    ClickGutter(line + 2);
    EXPECT_EQ(Form.System->breakpoints(), (std::vector<uint32_t>{0xE025, 0xE028}));
    Form.MenRunClick();
    EXPECT_EQ(std::pair(Form.CPU->PC, Form.SynDebug->ExecutionLine()), std::pair(0xE028, line + 2));
    ClickGutter(line + 1); // the moved mark's line clears $E025
    EXPECT_EQ(Form.System->breakpoints(), std::vector<uint32_t>{0xE028});
    EXPECT_EQ(MarkedLines(Form), QString::number(line + 2));
    ClickGutter(line); // a line without code (the blank one above idle): nothing to toggle
    ClickGutter(1);
    EXPECT_EQ(MarkedLines(Form), QString::number(line + 2));
    // Another listing starts without the old breakpoints and marks.
    Open(TARVIK_EXAMPLES_DIR "/bench.lst");
    EXPECT_EQ(Form.System->breakpoints(), std::vector<uint32_t>{});
    EXPECT_EQ(MarkedLines(Form), "");
}

TEST_F(MainForm, AFileWithoutCodeIsRefusedAndTheListingStays) {
    const int32_t lines = Form.SynEdit->LineCount();
    Open(TARVIK_EXAMPLES_DIR "/demo.asm");
    ASSERT_EQ(Sink.Messages.size(), 1u);
    EXPECT_EQ(Sink.Messages[0].first, "Die Datei \"demo.asm\" enthält keine einzige Codezeile "
                                      "eines 68HC11-Listings und wurde nicht geladen.");
    EXPECT_EQ(Form.SynEdit->LineCount(), lines);
    Form.MenSingleStepClick(); // the demo's first instruction, not an unknown opcode
    EXPECT_EQ(Form.CPU->PC, 0xE003);
    EXPECT_EQ(Sink.Messages.size(), 1u);
}

TEST_F(MainForm, ARegisterValueTypedButNotConfirmedCountsBeforeTheStep) {
    Form.MenSingleStepClick(); // reset, lds #$00ff
    QLineEdit* y = Form.CPUControl->Edit(TKV68HC11Control::rIY);
    y->setText("$1234");
    y->setModified(true); // as typing does; no Return, the focus stays
    Form.MenSingleStepClick(); // ldx #REGS
    EXPECT_EQ(std::pair(Form.CPU->PC, Form.CPU->IY), std::pair(0xE006, 0x1234));
    EXPECT_EQ(y->text(), "$1234");
    y->setText("$12345"); // refused: reported, and nothing runs
    y->setModified(true);
    Form.MenRunClick();
    EXPECT_EQ(Form.CPU->PC, 0xE006);
    ASSERT_EQ(Sink.Messages.size(), 1u);
    EXPECT_TRUE(Sink.Messages[0].first.contains("Wertebereich"));
}

// While a run is in progress Start and Einzelschritt are disabled and Stop enabled, the status
// bar says so and the registers follow; closing the window ends the run.
TEST_F(MainForm, ARunShowsItselfAndClosingTheWindowEndsIt) {
    const auto states = [this] {
        QString s;
        for (QAction* a : {Form.MenRun, Form.MenSingleStep, Form.MenStop, Form.ToolbarRun,
                           Form.ToolbarSingleStep, Form.ToolbarStop})
            s += a->isEnabled() ? '1' : '0';
        return s;
    };
    EXPECT_EQ(states(), "110110");
    Form.MenSingleStepClick(); // the reset, so that its message is not what the run shows
    QString during, pcShown;
    QTimer::singleShot(200, &Form, [&] {
        during = states() + ' ' + Form.StatusPanels[2]->text();
        pcShown = Form.CPUControl->Edit(TKV68HC11Control::rPC)->text();
        Form.close(); // the window's close button
    });
    Form.MenRunClick(); // returns: the close has ended the run
    EXPECT_EQ(during, QStringLiteral("001001 Läuft…"));
    EXPECT_NE(pcShown, "$0000");
    EXPECT_FALSE(Form.System->isRunning());
    EXPECT_EQ(Form.System->lastStopReason(), StopReason::User);
    EXPECT_EQ(states(), "110110");
    EXPECT_EQ(Form.StatusPanels[2]->text(), "Angehalten.");
}

TEST_F(MainForm, ARunStaysResponsiveAndShowsTimeAndPortsWhenStopped) {
    Form.PortPanels[Env::PortE]->BitButtons[7]->click(); // PE0
    Form.PortPanels[Env::PortE]->BitButtons[5]->click(); // PE2
    // Stop arrives through the window's message processing while the program runs.
    QTimer::singleShot(300, &Form, [this] { Form.MenStopClick(); });
    Form.MenRunClick();
    EXPECT_GT(Form.CPU->CycleCount, 100000);
    const double seconds = double(Form.CPU->CycleCount / 100000) / 10; // whole tenths shown
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Time: %1 s|").arg(seconds, 0, 'f', 1)));
    // Port B shows the interrupt count the program keeps at $0000; it copies port E to port D.
    EXPECT_EQ(Form.PortPanels[Env::PortB]->Value(), Form.CPU->Memory[0x0001]);
    EXPECT_EQ(Form.PortPanels[Env::PortD]->Value(), 0x05);
}

TEST_F(MainForm, ViewMenuToolWindowsPortsMenuAndWatchGridFollowTheirRules) {
    const auto& ports = Form.PortPanelActions;
    Form.PMenPorts[Env::PortB]->trigger(); // shows the panel and the separator after it
    Form.PMenPorts[Env::PortA]->trigger();
    EXPECT_TRUE(ports[Env::PortB]->isVisible() && Form.ToolbarSepPorts[Env::PortB]->isVisible());
    EXPECT_FALSE(ports[Env::PortA]->isVisible() || Form.ToolbarSepPorts[Env::PortA]->isVisible());
    Form.MenIOPorts->trigger();
    EXPECT_FALSE(Form.MenIOPorts->isChecked() || Form.ToolbarPorts->isVisible());
    EXPECT_TRUE(Form.ToolbarSymbols->isVisible()); // docked beside the source view
    Form.MenSymbols->trigger();
    EXPECT_FALSE(Form.ToolbarSymbols->isVisible());
    Form.MenSymbols->trigger();
    EXPECT_TRUE(Form.ToolbarSymbols->isVisible());
    Form.ToolbarSymbols->close(); // the tool window's close button
    EXPECT_FALSE(Form.MenSymbols->isChecked());
    // Typing a name into the last watch row adds a row.
    QTableWidget* grid = Form.StringGridSymbols;
    const int rows = grid->rowCount();
    grid->setItem(rows - 1, 1, new QTableWidgetItem("x")); // not the name column
    grid->setItem(rows - 1, 0, new QTableWidgetItem(""));  // no name
    EXPECT_EQ(grid->rowCount(), rows);
    grid->item(rows - 1, 0)->setText("TICKS");
    EXPECT_EQ(grid->rowCount(), rows + 1);
}

// The window's own default size has room for the ports toolbar with all five panels shown: none
// of them is pushed behind the toolbar's extension button.
TEST_F(MainForm, DefaultSizeShowsAllFivePortPanels) {
    for (QAction* item : Form.PMenPorts)
        if (!item->isChecked()) item->trigger(); // Port B and C, off at start
    QApplication::processEvents();               // the toolbar lays its items out
    EXPECT_GE(Form.width(), 1000);
    EXPECT_GE(Form.height(), 700);
    QToolBar* bar = Form.ToolbarPorts;
    EXPECT_TRUE(Form.rect().contains(bar->geometry()));
    auto* extension = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
    ASSERT_NE(extension, nullptr);
    EXPECT_TRUE(extension->isHidden());
    for (TKVCPUPortPanel* panel : Form.PortPanels) {
        SCOPED_TRACE(panel->Caption().toStdString());
        EXPECT_TRUE(panel->isVisible());
        EXPECT_TRUE(bar->rect().contains(panel->geometry()));
    }
}

TEST_F(MainForm, AStopInstructionEndsTheRunWithItsStatusText) {
    Form.MenSingleStepClick(); // the reset
    Form.System->poke(0x2000, 0xCF); // STOP
    Form.System->setRegister(Machine::Register::PC, 0x2000);
    Form.System->setRegister(Machine::Register::CCR, 0x40); // S clear: the clock stops
    Form.MenRunClick();
    EXPECT_EQ(Form.System->lastStopReason(), StopReason::Halt);
    EXPECT_EQ(Form.StatusPanels[2]->text(), "STOP-Befehl: Takt angehalten");
    EXPECT_EQ(Form.CPUControl->Edit(TKV68HC11Control::rPC)->text(), "$2001");
}

// The speed choices of the toolbar combo and the Emulator menu follow each other and the machine.
TEST_F(MainForm, SpeedComboAndMenuChooseThePaceOfTheMachine) {
    QComboBox* combo = Form.SpeedControl->Combo();
    QStringList captions;
    for (int i = 0; i < combo->count(); ++i) captions << combo->itemText(i);
    EXPECT_EQ(captions.join('|'), "Maximal|1/100|1/10|1/2|Echtzeit|2×|10×|100×");
    EXPECT_EQ(Form.System->speed(), 0.0);
    emit combo->activated(4);
    EXPECT_EQ(Form.System->speed(), 1.0);
    EXPECT_TRUE(Form.SpeedControl->SpeedMenu()->actions().at(4)->isChecked());
    Form.SpeedControl->SpeedMenu()->actions().at(1)->trigger();
    EXPECT_EQ(std::pair(Form.System->speed(), combo->currentIndex()), std::pair(0.01, 1));
    Form.SpeedControl->EClockMenu()->actions().at(2)->trigger(); // 4 MHz
    EXPECT_EQ(Form.System->eClock(), 4e6);
    EXPECT_EQ(Form.SpeedControl->EClockMenu()->actions().at(1)->isChecked(), false);
}

TEST_F(MainForm, InterruptPinButtonsAndTheCopSwitchReachTheMachine) {
    const auto state = [this] {
        return std::tuple(Form.CPU_Environment->IRQPinLow(), Form.CPU_Environment->XIRQPinLow(),
                          Form.System->copEnabled());
    };
    EXPECT_EQ(state(), std::tuple(false, false, false));
    Form.InterruptPins->IrqButton->trigger();
    Form.InterruptPins->XirqButton->trigger();
    Form.MenCop->trigger();
    EXPECT_EQ(state(), std::tuple(true, true, true));
    Form.InterruptPins->IrqButton->trigger(); // released: the pin goes high again
    Form.MenCop->trigger();
    EXPECT_EQ(state(), std::tuple(false, true, false));
}

// The "Terminal" window starts hidden; its menu item shows it. A run of the hello program puts
// "Hallo, Welt" on its screen, the keys typed there wait in the SCI's queue.
TEST_F(MainForm, TheTerminalShowsWhatTheProgramSends) {
    EXPECT_FALSE(Form.ToolbarTerminal->isVisible());
    EXPECT_EQ(Form.ToolbarTerminal->objectName(), "ToolbarTerminal");
    Form.MenTerminal->trigger();
    EXPECT_TRUE(Form.ToolbarTerminal->isVisible());
    EXPECT_TRUE(Form.MenTerminal->isChecked());
    Open(TARVIK_EXAMPLES_DIR "/hello.lst");
    Form.System->run({{}, 40000});
    Form.MenSingleStepClick(); // the display follows
    EXPECT_EQ(Form.TerminalView->shownText(), "Hallo, Welt\n");
    EXPECT_EQ(Form.TerminalView->formatText(), "9600 Baud, 8N1");
    Form.TerminalView->type("ok");
    EXPECT_EQ(Form.TerminalView->pendingText(), "Warteschlange: 2 Bytes");
    Form.MenTerminal->trigger();
    EXPECT_FALSE(Form.ToolbarTerminal->isVisible());
}
