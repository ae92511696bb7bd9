// The window with program files other than listings: an ELF shows its sources and follows the
// PC from file to file, an S19 shows a disassembly; Zuletzt geöffnet, dropping a file onto the
// window, and reloading a file that changed on disk.
#include "UiTestSupport.h"

#include "machine/Machine.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SynDebug.h"
#include "ui/MainForm.h"

namespace {

const QString Examples = QStringLiteral(TARVIK_EXAMPLES_DIR);

struct ProgramFiles : ::testing::Test {
    void SetUp() override {
        Form.SetMessageSink(&Sink);
        Form.show();
    }
    QString LineText(int32_t Line) const {
        return Form.SynEdit->document()->findBlockByNumber(Line - 1).text();
    }
    // Runs the event loop until Done holds or three seconds have passed.
    static bool WaitFor(const std::function<bool()>& Done) {
        QElapsedTimer clock;
        clock.start();
        while (!Done() && clock.elapsed() < 3000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(5);
        }
        return Done();
    }
    TRecordingSink Sink;
    TFormMain Form;
};

TEST_F(ProgramFiles, AnElfShowsItsSourcesAndTheFileThePcIsIn) {
    ASSERT_TRUE(Form.OpenListing(Examples + "/sum.elf"));
    EXPECT_EQ(LineText(16).toStdString(),
              "      16/    E000 : 8E 00 FF            \tlds\t#0x00FF\t\t; stack at the top of the "
              "internal RAM");
    // A breakpoint by a gutter click on "jsr addx" (line 21), then one at addx in sumsub.s.
    EXPECT_TRUE(LineText(21).endsWith("jsr\taddx\t\t; D = D + X"));
    Form.SynEdit->OnGutterClick(Form.SynEdit, 5, 0, 21);
    EXPECT_TRUE(Form.System->hasBreakpoint(0xE008));
    Form.MenRunClick();
    EXPECT_EQ(Form.CPU->PC, 0xE008);
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), 21);
    Form.System->setBreakpoint(0xE015, true);
    Form.MenRunClick();
    EXPECT_EQ(Form.CPU->PC, 0xE015);
    EXPECT_TRUE(LineText(7).startsWith("       7") && LineText(7).endsWith("addx:"));
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), 8); // stx *tmp, in sumsub.s now
    // Back in sum.s, its breakpoint mark is there again.
    Form.MenRunClick();
    EXPECT_EQ(Form.CPU->PC, 0xE008);
    ASSERT_EQ(Form.SynDebug->Breakpoints().size(), 1u);
    EXPECT_EQ(Form.SynDebug->Breakpoints().front()->Line, 21);
}

TEST_F(ProgramFiles, AnS19ShowsADisassemblyWithBreakpointsByLine) {
    ASSERT_TRUE(Form.OpenListing(Examples + "/sum.s19"));
    EXPECT_TRUE(LineText(1).contains("Disassemblierung von sum.s19"));
    const int32_t line = Form.LineOfProgramCounter(0xE00C);
    ASSERT_GT(line, 0);
    EXPECT_TRUE(LineText(line).endsWith("\tBNE\t$E008"));
    Form.SynEdit->OnGutterClick(Form.SynEdit, 5, 0, line);
    Form.MenRunClick();
    EXPECT_EQ(Form.CPU->PC, 0xE00C);
    EXPECT_EQ(Form.SynDebug->ExecutionLine(), line);
}

TEST_F(ProgramFiles, RecentFilesAndDroppedFilesOpen) {
    ASSERT_TRUE(Form.OpenListing(Examples + "/demo.lst"));
    ASSERT_TRUE(Form.OpenListing(Examples + "/sum.s19"));
    QList<QAction*> recent = Form.MenRecent->actions();
    ASSERT_GE(recent.size(), 2);
    EXPECT_TRUE(recent[0]->text().startsWith("&1 ") && recent[0]->text().endsWith("sum.s19"));
    EXPECT_TRUE(recent[1]->text().endsWith("demo.lst"));
    recent[1]->trigger();
    EXPECT_TRUE(Form.System->programFile().endsWith("demo.lst"));
    EXPECT_TRUE(Form.MenRecent->actions()[0]->text().endsWith("demo.lst")); // first again

    // A file dropped onto the source view opens.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Examples + "/sum.hex")});
    QWidget* target = Form.SynEdit->viewport();
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    EXPECT_TRUE(WaitFor([this] { return Form.System->programFile().endsWith("sum.hex"); }));
    EXPECT_TRUE(Form.SynEdit->toPlainText().contains("Disassemblierung"));
}

TEST_F(ProgramFiles, AChangedFileIsReloadedOnRequestOrAlwaysKeepingTheBreakpointsItCan) {
    QTemporaryDir dir;
    const QString file = dir.filePath("sum.s19");
    ASSERT_TRUE(QFile::copy(Examples + "/sum.s19", file));
    Form.SetReloadAlways(false);
    ASSERT_TRUE(Form.OpenListing(file));
    Form.System->setBreakpoint(0xE008, true);
    Form.System->setBreakpoint(0xE009, true); // inside an instruction: cannot be kept
    int asked = 0;
    TFormMain::TReloadAnswer answer = TFormMain::TReloadAnswer::No;
    Form.AskReload = [&] {
        ++asked;
        return answer;
    };
    auto touch = [&file] {
        QFile f(file);
        QFile original(Examples + "/sum.s19");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    original.open(QIODevice::ReadOnly));
        f.write(original.readAll());
    };
    const QString status = "Neu geladen; 1 Haltepunkt konnte nicht übernommen werden.";
    touch(); // declined: nothing changes
    ASSERT_TRUE(WaitFor([&] { return asked == 1; }));
    EXPECT_EQ(Form.System->breakpoints().size(), 2u);

    answer = TFormMain::TReloadAnswer::Yes;
    touch();
    ASSERT_TRUE(WaitFor([&] { return Form.StatusPanels[2]->text() == status; }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Form.System->breakpoints(), std::vector<uint32_t>{0xE008});
    EXPECT_EQ(Form.SynDebug->Breakpoints().size(), 1u);

    answer = TFormMain::TReloadAnswer::YesAlways;
    touch();
    ASSERT_TRUE(WaitFor([&] { return Form.StatusPanels[2]->text() == "Neu geladen."; }));
    EXPECT_TRUE(Form.ReloadAlways());
    Form.StatusPanels[2]->clear();
    touch(); // reloaded without asking
    ASSERT_TRUE(WaitFor([&] { return Form.StatusPanels[2]->text() == "Neu geladen."; }));
    EXPECT_EQ(asked, 3);
    Form.SetReloadAlways(false);
}

} // namespace
