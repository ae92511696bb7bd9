// The "Terminal" window's logic: the screen as a terminal keeps it, the hex view, the keys it
// types into the SCI's queue, the status line.
#include "ui/TerminalView.h"

#include "machine/Machine.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

// CR returns to the line start (and what follows overwrites), LF starts a new line, BS steps
// back without erasing, BEL rings without showing, TAB moves to the next multiple of 8, other
// control bytes and DEL show as <XX>, bytes from $80 as Latin-1.
TEST(TerminalScreen, ControlBytesAsATerminalHandlesThem) {
    const struct {
        QByteArray In;
        const char* Text;
        int Column, Bells;
    } rows[] = {
        {"Hallo, Welt\r\n", "Hallo, Welt\n", 0, 0},
        {"abc\rX", "Xbc", 1, 0},
        {"abc\b\bX", "aXc", 2, 0},
        {"\b\bab", "ab", 2, 0},
        {"a\ab\a", "ab", 2, 2},
        {"a\tb", "a       b", 9, 0},
        {"12345678\tx", "12345678        x", 17, 0},
        {"\x1B[2J", "<1B>[2J", 7, 0},
        {QByteArray("a\0b", 3), "a<00>b", 6, 0},
        {"\x7F\x01", "<7F><01>", 8, 0},
        {"\xE4\xF6\xFC", "\u00E4\u00F6\u00FC", 3, 0},
        {"one\ntwo\r\nthree", "one\ntwo\nthree", 5, 0},
        {"ab\r\n\r\n", "ab\n\n", 0, 0},
        {"abc\r\b", "abc", 0, 0},
    };
    for (const auto& row : rows) {
        TTerminalScreen s;
        s.feed(row.In);
        EXPECT_EQ(s.text().toStdString(), QString::fromUtf8(row.Text).toStdString())
            << row.In.toHex().toStdString();
        EXPECT_EQ(s.column(), row.Column) << row.In.toHex().toStdString();
        EXPECT_EQ(s.takeBells(), row.Bells);
        EXPECT_EQ(s.takeBells(), 0);
    }
}

// Only the last MaxLines lines are kept; the first changed line tells the view what to redraw.
TEST(TerminalScreen, KeepsTheLastLinesAndTracksChanges) {
    TTerminalScreen s;
    int dropped = 1;
    EXPECT_EQ(s.takeFirstChanged(&dropped), 0);
    EXPECT_EQ(dropped, 0);
    s.feed("a\nb\nc");
    EXPECT_EQ(s.takeFirstChanged(&dropped), 0);
    EXPECT_EQ(s.takeFirstChanged(&dropped), 3);
    s.feed("d");
    EXPECT_EQ(s.takeFirstChanged(&dropped), 2);
    EXPECT_EQ(dropped, 0);
    // 3 + MaxLines + 5 lines: the first 8 scroll away, the changes count from the new top.
    for (int i = 0; i < TTerminalScreen::MaxLines + 5; ++i)
        s.feed("x\n");
    EXPECT_EQ(s.takeFirstChanged(&dropped), 0);
    EXPECT_EQ(dropped, 8);
    EXPECT_EQ(s.lines().size(), TTerminalScreen::MaxLines);
    s.feed("y\nz");
    EXPECT_EQ(s.takeFirstChanged(&dropped), TTerminalScreen::MaxLines - 2);
    EXPECT_EQ(dropped, 1);
    s.clear();
    s.takeFirstChanged(&dropped);
    EXPECT_EQ(dropped, -1);
}

// The keys a user presses and the bytes they type.
TEST(TerminalView, KeyBytes) {
    const struct {
        int Key;
        QString Text;
        QByteArray Bytes;
    } rows[] = {{Qt::Key_A, "a", "a"},
                {Qt::Key_Return, "\r", "\r"},
                {Qt::Key_Enter, "\r", "\r"},
                {Qt::Key_Backspace, "\b", "\b"},
                {Qt::Key_Escape, "\x1B", "\x1B"},
                {Qt::Key_Tab, "\t", "\t"},
                {Qt::Key_Delete, "", "\x7F"},
                {Qt::Key_C, "\x03", "\x03"},
                {Qt::Key_Left, "", ""},
                {Qt::Key_Shift, "", ""},
                {Qt::Key_Adiaeresis, "\u00E4", "\xE4"},
                {Qt::Key_unknown, "\u20AC", ""}};
    for (const auto& row : rows)
        EXPECT_EQ(TTerminalView::keyBytes(row.Key, row.Text).toHex().toStdString(),
                  row.Bytes.toHex().toStdString())
            << row.Key;
}

// Bytes sent by the program appear only at refresh (the display pace); Hex shows every byte
// received; Löschen empties both; typed keys go to the queue and show as pending; the status
// line names the line format.
TEST(TerminalView, ShowsSentBytesAtRefreshAndQueuesTypedKeys) {
    Machine m;
    TTerminalView view;
    view.setMachine(&m);
    EXPECT_EQ(view.formatText().toStdString(), "Sender aus");
    EXPECT_EQ(view.pendingText().toStdString(), "Warteschlange: 0 Bytes");
    m.poke(0x102B, 0x30);
    m.poke(0x102D, 0x08);
    ASSERT_TRUE(m.OnSciTransmit);
    for (char c : QByteArray("Hi\r\nA\x1B"))
        m.OnSciTransmit(static_cast<uint8_t>(c));
    EXPECT_EQ(view.shownText().toStdString(), "");
    view.refresh();
    EXPECT_EQ(view.shownText().toStdString(), "Hi\nA<1B>");
    EXPECT_EQ(view.formatText().toStdString(), "9600 Baud, 8N1");
    m.OnSciTransmit('!');
    view.refresh();
    EXPECT_EQ(view.shownText().toStdString(), "Hi\nA<1B>!");
    view.setHex(true);
    EXPECT_EQ(view.shownText().toStdString(), "48 69 0D 0A 41 1B 21");
    view.setHex(false);
    EXPECT_EQ(view.shownText().toStdString(), "Hi\nA<1B>!");

    auto* display = view.findChild<QPlainTextEdit*>(QStringLiteral("TerminalDisplay"));
    ASSERT_TRUE(display);
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QKeyEvent ret(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(display, &a);
    EXPECT_EQ(view.pendingText().toStdString(), "Warteschlange: 1 Byte");
    QApplication::sendEvent(display, &ret);
    QApplication::sendEvent(display, &left);
    EXPECT_EQ(m.sciPending(), 2);
    EXPECT_EQ(view.pendingText().toStdString(), "Warteschlange: 2 Bytes");
    EXPECT_EQ(view.shownText().toStdString(), "Hi\nA<1B>!"); // typing does not echo

    view.clearScreen();
    EXPECT_EQ(view.shownText().toStdString(), "");
    view.setHex(true);
    EXPECT_EQ(view.shownText().toStdString(), "");
    view.setHex(false);

    // A program printing without end: lines scroll away at the top between refreshes, by a
    // few or by more than the screen holds; the display always shows the screen's lines.
    // The Break button queues a break character for the receiver.
    int n = 0;
    for (int chunk : {5, 1990, 7, 1, 2500, 3}) {
        for (int i = 0; i < chunk; ++i)
            for (char c : QByteArray::number(n++) + "\r\n")
                view.receive(static_cast<uint8_t>(c));
        view.receive('>');
        view.refresh();
        EXPECT_EQ(view.shownText(), view.screen().text()) << chunk;
    }
    EXPECT_TRUE(view.shownText().endsWith(QString::number(n - 1) + "\n>"));
    auto* breakButton = view.findChild<QPushButton*>(QStringLiteral("TerminalBreak"));
    ASSERT_TRUE(breakButton);
    breakButton->click();
    EXPECT_EQ(m.sciPending(), 3);
}

} // namespace
