#pragma once
// The "Terminal" window: a terminal on the 68HC11's serial interface (SCI). What the program
// sends appears as text, as a terminal shows it: CR returns to the start of the line, LF starts
// a new line, backspace steps back, the bell rings, a tab moves to the next multiple of 8;
// other control bytes show as <1B>. Or, with "Hex", every byte as two hex digits. The keys
// typed in the window go to the SCI's receive queue; the status line shows the line format and
// how many bytes still wait to be received.
//
// Bytes arrive from the run loop one by one and are only collected there; the window shows them
// at the display pace (refresh()), never per byte.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <utility>

class Machine;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

// The text screen of the terminal: lines and a cursor, fed byte by byte.
class TTerminalScreen {
  public:
    // At most this many lines are kept; older lines scroll away.
    static constexpr int MaxLines = 2000;

    void feed(const QByteArray& Bytes);
    void clear();
    const QStringList& lines() const { return Lines; }
    QString text() const { return Lines.join(u'\n'); }
    int column() const { return Column; }
    // Bells rung since the last call.
    int takeBells() { return std::exchange(Bells, 0); }
    // The first line changed since the last call (lines() size when none), counted after the
    // lines that scrolled away at the top since then; *Dropped says how many did, or is -1 when
    // the whole screen must be drawn again (after clear()).
    int takeFirstChanged(int* Dropped);

  private:
    void put(const QString& Text);
    QStringList Lines{QString()};
    int Column = 0;
    int Bells = 0;
    int FirstChanged = 0;
    int Dropped = 0;
};

class TTerminalView : public QWidget {
    Q_OBJECT
  public:
    // At most this many bytes are kept for the hex view.
    static constexpr int MaxHexBytes = 64 * 1024;

    explicit TTerminalView(QWidget* Parent = nullptr);

    // Takes the machine's OnSciTransmit; the view collects the bytes from then on.
    void setMachine(Machine* M);
    // Shows what arrived since the last call and the status line; the window calls it at the
    // display pace.
    void refresh();
    // Bytes received and not yet shown.
    void receive(uint8_t Byte) { Incoming.append(static_cast<char>(Byte)); }
    // The bytes a key press types: Return CR, Backspace BS, Tab HT, Escape ESC, Delete DEL,
    // Latin-1 text as it is (Ctrl with a letter gives its control byte); nothing for keys
    // without such a byte.
    static QByteArray keyBytes(int Key, const QString& Text);
    // Queues Bytes for the SCI's receiver as if typed.
    void type(const QByteArray& Bytes);
    // Queues a break character for the receiver (the Break button).
    void sendBreak();

    void setHex(bool On);
    bool hex() const;
    void clearScreen();

    // What the view shows (for the tests): the text area, the status line's two parts.
    QString shownText() const;
    QString formatText() const;
    QString pendingText() const;
    const TTerminalScreen& screen() const { return Screen; }

  protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    // Coming on screen: the status line catches up (it is not kept while hidden).
    void showEvent(QShowEvent* Event) override {
        QWidget::showEvent(Event);
        refresh();
    }

  private:
    void showText(bool Full);
    QString hexText() const;

    Machine* System = nullptr;
    TTerminalScreen Screen;
    QByteArray Incoming;
    QByteArray Log; // the last MaxHexBytes bytes received, for the hex view
    QPlainTextEdit* Display = nullptr;
    QToolButton* HexButton = nullptr;
    QPushButton* ClearButton = nullptr;
    QPushButton* BreakButton = nullptr;
    QLabel* FormatLabel = nullptr;
    QLabel* PendingLabel = nullptr;
};
