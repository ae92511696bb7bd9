// The "Speicher" window: rows of hex and ASCII as the program reads them, editing in place,
// going to addresses and symbols, following a register, changed bytes in red, the data
// breakpoint request of the context menu, and its dock in the main window.
#include "UiTestSupport.h"

#include "machine/Machine.h"
#include "ui/MainForm.h"
#include "ui/MemoryView.h"

namespace {

struct MemoryViewOnDemo : ::testing::Test {
    void SetUp() override {
        System.setMessageSink(&Sink);
        ASSERT_TRUE(System.load(QStringLiteral(TARVIK_EXAMPLES_DIR "/demo.lst")));
        View.setMachine(&System);
        View.resize(700, 300);
        View.show();
    }
    void Key(int Code, const QString& Text = {}) {
        QKeyEvent press(QEvent::KeyPress, Code, Qt::NoModifier, Text);
        QApplication::sendEvent(View.grid(), &press);
    }
    TRecordingSink Sink;
    Machine System;
    TMemoryView View;
};

TEST_F(MemoryViewOnDemo, RowsShowTheProgramAndTheRegisterBlockAsReadWithoutSideEffects) {
    EXPECT_EQ(View.grid()->rowText(0xE00).left(20).toStdString(), "E000  8E 00 FF CE 10");
    EXPECT_EQ(View.grid()->rowText(0xFFF).mid(6 + 3 * 14 + 1, 5).toStdString(), "E0 00");
    // $1020-$102F: the SCI's SCSR ($102E) reads $C0; reading it arms no clearing sequence.
    const QString io = View.grid()->rowText(0x102);
    EXPECT_EQ(io.mid(6 + 3 * 14 + 1, 2).toStdString(), "C0");
    EXPECT_EQ(io.size(), 6 + 48 + 1 + 1 + 16);
    EXPECT_EQ(io.right(16).size(), 16);
}

TEST_F(MemoryViewOnDemo, HexDigitsAndTextOverwriteBytesInPlace) {
    View.grid()->setCursor(0x0040);
    Key(Qt::Key_A, QStringLiteral("a"));
    EXPECT_EQ(System.peek(0x0040), 0xA0); // the high nibble shows at once
    Key(Qt::Key_G, QStringLiteral("g"));  // no hex digit: ignored
    Key(Qt::Key_5, QStringLiteral("5"));
    EXPECT_EQ(System.peek(0x0040), 0xA5);
    EXPECT_EQ(View.grid()->cursor(), 0x0041u);
    Key(Qt::Key_Tab);
    EXPECT_TRUE(View.grid()->asciiColumn());
    Key(Qt::Key_Z, QStringLiteral("Z"));
    Key(Qt::Key_Exclam, QStringLiteral("!"));
    EXPECT_EQ(System.peek(0x0041), 'Z');
    EXPECT_EQ(System.peek(0x0042), '!');
    EXPECT_EQ(View.grid()->rowText(4).right(16).left(4).toStdString(), ".Z!."); // $A5 is no ASCII
    Key(Qt::Key_Up);
    EXPECT_EQ(View.grid()->cursor(), 0x0033u);
    Key(Qt::Key_PageDown);
    EXPECT_GT(View.grid()->cursor(), 0x0043u);
    View.grid()->setCursor(0xFFFF);
    Key(Qt::Key_Right);
    EXPECT_EQ(View.grid()->cursor(), 0xFFFFu);
}

TEST_F(MemoryViewOnDemo, GoesToAddressesAndSymbolsAndFollowsARegister) {
    ASSERT_FALSE(System.symbols().labels().empty());
    const auto [address, name] = *System.symbols().labels().rbegin();
    EXPECT_TRUE(View.goTo(name.toLower() + "+1"));
    EXPECT_EQ(View.grid()->cursor(), (address + 1) & 0xFFFF);
    EXPECT_TRUE(View.messageLabel()->isHidden());
    EXPECT_FALSE(View.goTo(QStringLiteral("$12345")));
    EXPECT_EQ(View.messageLabel()->text().toStdString(),
              "Keine Adresse: „$12345“ (z. B. $E000, LOOP, TABELLE+3)");
    EXPECT_EQ(View.grid()->cursor(), (address + 1) & 0xFFFF);
    View.addressField()->setText(QStringLiteral("$0100"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(View.addressField(), &enter);
    EXPECT_EQ(View.grid()->cursor(), 0x0100u);
    EXPECT_LE(View.grid()->topRow(), 0x10);
    EXPECT_GT(View.grid()->topRow() + View.grid()->rowsInView(), 0x10);

    View.setFollow(QStringLiteral("SP"));
    System.setRegister(Machine::Register::SP, 0x01F0);
    View.refresh();
    EXPECT_EQ(View.grid()->cursor(), 0x01F0u);
    View.setFollow(QString());
    System.setRegister(Machine::Register::SP, 0x0080);
    View.refresh();
    EXPECT_EQ(View.grid()->cursor(), 0x01F0u);
}

// A byte that changed between the last two stops is drawn in red, the others are not.
TEST_F(MemoryViewOnDemo, BytesChangedSinceTheLastStopAreRed) {
    View.goTo(QStringLiteral("$0000"));
    System.poke(0x0003, 0x77);
    View.stopped();
    const QImage image = View.grid()->viewport()->grab().toImage();
    const qreal cw = QFontMetricsF(View.grid()->font()).horizontalAdvance(u'0');
    const int rh = View.grid()->fontMetrics().height();
    const auto redPixels = [&](int Index) {
        int n = 0;
        const int x0 = qRound((6 + 3 * Index) * cw);
        for (int y = 0; y < rh; ++y)
            for (int x = x0; x < x0 + qRound(2 * cw); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += c.red() > 150 && c.green() < 100 && c.blue() < 100;
            }
        return n;
    };
    EXPECT_GT(redPixels(3), 0);
    EXPECT_EQ(redPixels(2), 0);
    View.stopped(); // nothing changed since: black again
    const QImage again = View.grid()->viewport()->grab().toImage();
    EXPECT_EQ(again.pixelColor(qRound((6 + 9.5) * cw), rh / 2).red() > 150 &&
                  again.pixelColor(qRound((6 + 9.5) * cw), rh / 2).green() < 100,
              false);
}

// The context menu's only entry asks for a data breakpoint on the byte clicked.
TEST_F(MemoryViewOnDemo, ContextMenuRequestsADataBreakpoint) {
    std::vector<std::pair<uint32_t, uint32_t>> requests;
    QObject::connect(
        &View, &TMemoryView::dataBreakpointRequested,
        [&](uint32_t Address, uint32_t Length) { requests.emplace_back(Address, Length); });
    View.goTo(QStringLiteral("$2000"));
    const qreal cw = QFontMetricsF(View.grid()->font()).horizontalAdvance(u'0');
    const int rh = View.grid()->fontMetrics().height();
    const QPoint cell(qRound((6 + 3 * 5 + 0.5) * cw),
                      (0x200 - View.grid()->topRow()) * rh + rh / 2);
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        ASSERT_EQ(menu->actions().size(), 1);
        EXPECT_EQ(menu->actions()[0]->text().toStdString(), "Datenhaltepunkt…");
        menu->setActiveAction(menu->actions()[0]);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(menu, &enter);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, cell,
                            View.grid()->viewport()->mapToGlobal(cell));
    QApplication::sendEvent(View.grid()->viewport(), &event);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], std::make_pair(0x2005u, 1u));
}

// Ansicht › Speicher shows the window as a tab beside the breakpoints and hides it again; its
// context menu's request sets a data breakpoint on reads and writes of that byte.
TEST(MemoryWindow, ShownFromTheViewMenuBesideTheBreakpoints) {
    TRecordingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    EXPECT_FALSE(form.ToolbarMemory->isVisible());
    form.MenMemory->trigger();
    EXPECT_TRUE(form.ToolbarMemory->isVisible());
    EXPECT_TRUE(form.MenMemory->isChecked());
    EXPECT_EQ(form.dockWidgetArea(form.ToolbarMemory), Qt::BottomDockWidgetArea);
    EXPECT_TRUE(form.tabifiedDockWidgets(form.ToolbarMemory).contains(form.ToolbarBreakpoints));
    // shown in front of the breakpoints, whose tab it shares
    QApplication::processEvents();
    EXPECT_FALSE(form.ToolbarMemory->visibleRegion().isEmpty());
    EXPECT_TRUE(form.ToolbarBreakpoints->visibleRegion().isEmpty());
    emit form.MemoryView->dataBreakpointRequested(0x0040, 1);
    ASSERT_EQ(form.System->dataBreakpoints().size(), 1u);
    EXPECT_EQ(form.System->dataBreakpoints()[0].Address, 0x0040u);
    EXPECT_EQ(form.System->dataBreakpoints()[0].Kind, Machine::Access::Either);
    emit form.MemoryView->dataBreakpointRequested(0xFFFF, 2); // past the end: refused, nothing set
    EXPECT_EQ(form.System->dataBreakpoints().size(), 1u);
    form.MenMemory->trigger();
    EXPECT_FALSE(form.ToolbarMemory->isVisible());
}

} // namespace
