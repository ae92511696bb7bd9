// The "Profil" window on a known loop: the table names the hottest addresses with their symbol,
// line, executions, cycles and share; "Zurücksetzen" empties it; the check box switches the
// machine's profiling; the main window shows it from the Ansicht menu and fills it after a run.
#include "UiTestSupport.h"

#include "hc11/C68HC11.h"
#include "machine/Machine.h"
#include "sourceview/SynDebug.h"
#include "ui/MainForm.h"
#include "ui/ProfileGutter.h"
#include "ui/ProfileView.h"

namespace {

// One code line of a listing: line number, address, bytes, then the source from column 41.
QString CodeLine(int Number, uint32_t Address, const QString& Bytes, const QString& Source) {
    return QStringLiteral("%1/%2 : %3%4\n")
        .arg(Number, 8)
        .arg(QString::number(Address, 16).toUpper(), 8)
        .arg(Bytes, -20)
        .arg(Source);
}

struct ProfileViewOnLoop : ::testing::Test {
    void SetUp() override {
        System.setMessageSink(&Sink);
        // A three-line header, so that the code starts on listing line 4.
        QString text = QStringLiteral(" loop.asm - page 1\n\n\n");
        text += CodeLine(1, 0x2000, "C6 0A", "start:\tldab\t#10");
        text += CodeLine(2, 0x2002, "5A", "loop:\tdecb");
        text += CodeLine(3, 0x2003, "26 FD", "\tbne\tloop");
        text += CodeLine(4, 0x2005, "20 FE", "\tbra\t*");
        const QString name = Dir.filePath("loop.lst");
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text.toLatin1());
        file.close();
        QString error;
        ASSERT_TRUE(System.load(name, &error)) << error.toStdString();
        // Start at the loop's first byte instead of the reset vector.
        System.cpu().SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
        System.setRegister(Machine::Register::PC, 0x2000);
        View.setMachine(&System);
    }
    // The table's row as "address|symbol|line|executions|cycles|share".
    QString Row(int R) const {
        QStringList cells;
        for (int c = 0; c < TProfileView::ColumnCount; ++c) {
            const QTableWidgetItem* item = View.table()->item(R, c);
            cells << (item ? item->text() : QStringLiteral("?"));
        }
        return cells.join('|');
    }

    QTemporaryDir Dir;
    TRecordingSink Sink;
    Machine System;
    TProfileView View;
};

TEST(ProfileView, SharesArePercentWithOneDecimalAndAGermanComma) {
    EXPECT_EQ(TProfileView::formatShare(30, 55), "54,5 %");
    EXPECT_EQ(TProfileView::formatShare(1, 8), "12,5 %");
    EXPECT_EQ(TProfileView::formatShare(7, 7), "100,0 %");
    EXPECT_EQ(TProfileView::formatShare(0, 0), "0,0 %");
}

TEST_F(ProfileViewOnLoop, TheTableListsTheHottestAddressesFirstWithTheirCounts) {
    EXPECT_FALSE(View.recordBox()->isChecked());
    EXPECT_EQ(View.table()->rowCount(), 0);
    View.recordBox()->click();
    ASSERT_TRUE(System.profiling());
    // ldab once, decb and bne ten times each, then bra * once: 2 + 20 + 30 + 3 = 55 cycles.
    System.run({22, {}});
    View.refresh();
    ASSERT_EQ(View.table()->rowCount(), 4);
    EXPECT_EQ(Row(0), "$2003|LOOP+1|6|10|30|54,5 %");
    EXPECT_EQ(Row(1), "$2002|LOOP|5|10|20|36,4 %");
    EXPECT_EQ(Row(2), "$2005|LOOP+3|7|1|3|5,5 %");
    EXPECT_EQ(Row(3), "$2000|START|4|1|2|3,6 %");
    EXPECT_EQ(View.totalLabel()->text(), "Zyklen gesamt: 55");
    const QStringList headers = {"Adresse", "Symbol", "Zeile", "Ausführungen", "Zyklen", "Anteil"};
    for (int c = 0; c < TProfileView::ColumnCount; ++c)
        EXPECT_EQ(View.table()->horizontalHeaderItem(c)->text(), headers[c]);

    // More rounds of bra *: it climbs above decb, and the shares follow the new total.
    System.run({10, {}});
    View.refresh();
    EXPECT_EQ(Row(0), "$2005|LOOP+3|7|11|33|38,8 %"); // 33 of 85 cycles
    EXPECT_EQ(Row(1), "$2003|LOOP+1|6|10|30|35,3 %");
    EXPECT_EQ(Row(2), "$2002|LOOP|5|10|20|23,5 %");
    // The label ranges: everything from LOOP on, and START's ldab before it.
    QTableWidget* ranges = View.rangeTable();
    ASSERT_EQ(ranges->rowCount(), 2);
    EXPECT_EQ(ranges->item(0, 0)->text() + '|' + ranges->item(0, 1)->text() + '|' +
                  ranges->item(0, 2)->text(),
              "LOOP|83|97,6 %");
    EXPECT_EQ(ranges->item(1, 0)->text(), "START");

    // A double click shows the row's listing line.
    int32_t shown = -1;
    View.OnShowLine = [&shown](int32_t Line) { shown = Line; };
    emit View.table()->cellDoubleClicked(2, TProfileView::ColCycles);
    EXPECT_EQ(shown, 5);
}

TEST_F(ProfileViewOnLoop, ZuruecksetzenEmptiesTheTableAndTheCheckBoxSwitchesProfiling) {
    View.recordBox()->click();
    System.run({22, {}});
    View.refresh();
    ASSERT_EQ(View.table()->rowCount(), 4);
    View.clearButton()->click();
    EXPECT_EQ(View.table()->rowCount(), 0);
    EXPECT_EQ(System.profile()->totalCycles(), 0u);
    EXPECT_EQ(View.totalLabel()->text(), "Zyklen gesamt: 0");
    EXPECT_TRUE(System.profiling()); // clearing keeps recording

    View.recordBox()->click();
    EXPECT_FALSE(System.profiling());
    System.run({5, {}});
    View.refresh();
    EXPECT_EQ(View.table()->rowCount(), 0); // nothing counted while off

    // The check box follows the machine when profiling is switched elsewhere.
    System.setProfiling(true);
    View.refresh();
    EXPECT_TRUE(View.recordBox()->isChecked());
    View.show(); // laid out at its own size
    EXPECT_EQ(ClippedTexts(View), std::vector<std::string>{});
}

TEST(ProfileWindow, HiddenUntilChosenFromTheMenuAndFilledAfterARun) {
    TRecordingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    form.AskOpenFileName = [] { return QStringLiteral(TARVIK_EXAMPLES_DIR "/demo.lst"); };
    form.MenOpenClick();
    EXPECT_FALSE(form.ToolbarProfile->isVisible());
    EXPECT_FALSE(form.System->profiling());
    form.MenProfile->trigger();
    ASSERT_TRUE(form.ToolbarProfile->isVisible());
    EXPECT_TRUE(form.MenProfile->isChecked());
    EXPECT_EQ(form.ProfileView->table()->rowCount(), 0);
    form.ProfileView->recordBox()->click();
    form.System->setBreakpoint(0xE025, true); // idle: after the start-up code
    form.MenRunClick();
    ASSERT_EQ(form.CPU->PC, 0xE025);
    const std::vector<uint32_t> hottest = form.System->profile()->hottest(TProfileView::RowLimit);
    ASSERT_FALSE(hottest.empty());
    ASSERT_EQ(form.ProfileView->table()->rowCount(), static_cast<int>(hottest.size()));
    const CycleProfile::Entry& first = form.System->profile()->at(hottest[0]);
    EXPECT_EQ(form.ProfileView->table()->item(0, TProfileView::ColAddress)->text(),
              QStringLiteral("$%1").arg(hottest[0], 4, 16, QChar(u'0')).toUpper());
    EXPECT_EQ(form.ProfileView->table()->item(0, TProfileView::ColCycles)->text(),
              QString::number(first.Cycles));
    form.MenProfile->trigger();
    EXPECT_FALSE(form.ToolbarProfile->isVisible());
}

// The source view shades the gutter by the profile: off until profiling is on; after a run
// each code line has the counts of the address it shows, the scale runs up to the hottest
// address; "Zurücksetzen" and switching off take the shade away again.
TEST(ProfileWindow, TheSourceViewShadesCodeLinesByTheirCycles) {
    TRecordingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    form.AskOpenFileName = [] { return QStringLiteral(TARVIK_EXAMPLES_DIR "/demo.lst"); };
    form.MenOpenClick();
    const TProfileHeatPlugin& heat = form.ProfileGutter->plugin();
    EXPECT_FALSE(heat.Showing());
    form.ProfileView->recordBox()->click();
    EXPECT_TRUE(heat.Showing());
    EXPECT_EQ(heat.Hottest(), 0u);
    form.System->setBreakpoint(0xE025, true);
    form.MenRunClick();
    ASSERT_EQ(form.CPU->PC, 0xE025);
    const CycleProfile& profile = *form.System->profile();
    const uint32_t hottest = profile.hottest(1).at(0);
    EXPECT_EQ(heat.Hottest(), profile.at(hottest).Cycles);
    const int32_t line = form.System->program().LineOfAddress(hottest) + 1;
    EXPECT_EQ(form.ProfileGutter->countsOf(line).Cycles, profile.at(hottest).Cycles);
    EXPECT_EQ(form.ProfileGutter->countsOf(line).Executions, profile.at(hottest).Executions);
    EXPECT_EQ(form.ProfileGutter->countsOf(1).Cycles, 0u); // the page header
    form.ProfileView->clearButton()->click();
    EXPECT_EQ(heat.Hottest(), 0u);
    form.ProfileView->recordBox()->click();
    EXPECT_FALSE(heat.Showing());
}

} // namespace
