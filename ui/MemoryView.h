#pragma once
// The "Speicher" window: the whole 64 KiB address space, 16 bytes a row with their ASCII, as
// the program would read it (the IO registers through Machine::peek, without side effects).
// Only the rows in view are read and drawn, so scrolling stays fast. Bytes that changed between
// the last two stops are red. A field goes to an address or a symbol ("$E000", "LOOP",
// "TABLE+3"); "Folgen" keeps X, Y, SP or PC in view. A click selects a byte; hex digits (in the
// hex columns) or characters (in the ASCII column) overwrite it through Machine::poke, the arrow
// keys and Page Up/Down move. The context menu asks for a data breakpoint on the byte.

#include "machine/MemoryImage.h"

#include <QAbstractScrollArea>
#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>

class Machine;
class QComboBox;
class QLabel;
class QLineEdit;

// The rows of bytes; part of TMemoryView.
class TMemoryGrid : public QAbstractScrollArea {
    Q_OBJECT
  public:
    static constexpr int BytesPerRow = 16;
    static constexpr int RowCount = 0x10000 / BytesPerRow;

    explicit TMemoryGrid(QWidget* Parent = nullptr);
    void setMachine(Machine* M) { System = M; }
    void setImage(const MemoryImage* I) { Image = I; }

    // A row as it is drawn: "E000  C6 0A 5A 26 FD 20 FE 00  00 ... 00  ..Z&. ..........".
    QString rowText(int Row) const;
    // The byte under the cursor, and whether typing goes to its ASCII column.
    uint32_t cursor() const { return Cursor; }
    bool asciiColumn() const { return InAscii; }
    void setCursor(uint32_t Address, bool Ascii = false);
    // Scrolls so that Address is in view (near the top when it was not).
    void showAddress(uint32_t Address);
    int topRow() const;
    int rowsInView() const;

  signals:
    void dataBreakpointRequested(uint32_t Address, uint32_t Length);

  protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;
    // Tab switches between the hex and the ASCII column instead of moving the focus.
    bool focusNextPrevChild(bool) override { return false; }

  private:
    void updateScrollRange();
    // The byte and column at a point of the viewport; false outside the bytes.
    bool hit(const QPoint& Point, uint32_t& Address, bool& Ascii) const;
    // Writes one typed character at the cursor; false when it is nothing to write there.
    bool type(const QString& Text);
    qreal charWidth() const; // monospaced: every column is this wide, fractions included
    int rowHeight() const;

    Machine* System = nullptr;
    const MemoryImage* Image = nullptr;
    uint32_t Cursor = 0;
    bool InAscii = false;
    int PendingNibble = -1; // the first hex digit typed into the cursor byte
};

class TMemoryView : public QWidget {
    Q_OBJECT
  public:
    // How often the rows are read again during a run.
    static constexpr qint64 RunRefreshMs = 100;

    explicit TMemoryView(QWidget* Parent = nullptr);
    void setMachine(Machine* M);

    // After a stop: a new picture of the memory (red: what changed since the stop before),
    // then the rows in view. During a run refreshAtPace reads the rows in view at most every
    // RunRefreshMs.
    void stopped();
    void refresh();
    void refreshAtPace();

    // Goes to what the field names; false (with a German message under the field) when it
    // names no address.
    bool goTo(const QString& Text);
    // The register the view follows: "" (none), "X", "Y", "SP" or "PC".
    void setFollow(const QString& Register);

    TMemoryGrid* grid() const { return Grid; }
    QLineEdit* addressField() const { return AddressField; }
    QLabel* messageLabel() const { return Message; }

  signals:
    void dataBreakpointRequested(uint32_t Address, uint32_t Length);

  protected:
    void showEvent(QShowEvent* Event) override;

  private:
    void follow();

    Machine* System = nullptr;
    MemoryImage Image;
    TMemoryGrid* Grid = nullptr;
    QLineEdit* AddressField = nullptr;
    QComboBox* FollowBox = nullptr;
    QLabel* Message = nullptr;
    QElapsedTimer SinceRefresh;
};
