#pragma once
// The "Profil" tool window: where the cycles go. A check box turns the machine's cycle profile
// on and off, "Zurücksetzen" clears it, and a table lists the addresses with the most cycles,
// most first, with their symbol, listing line, executions, cycles and share of all cycles.
// A double click on a row shows its line in the source view.

#include <QElapsedTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;
class Machine;

class TProfileView : public QWidget {
    Q_OBJECT
  public:
    explicit TProfileView(QWidget* Parent = nullptr);

    void setMachine(Machine* System);
    // Reads the profile and fills the table (and the check box) from it.
    void refresh();
    // During a run: refreshes only when the last refresh is at least RunRefreshMs old.
    void refreshAtPace();

    // The table's columns.
    enum Column { ColAddress, ColSymbol, ColLine, ColExecutions, ColCycles, ColShare, ColumnCount };
    // The "12,5 %" of a share of cycles.
    static QString formatShare(uint64_t Cycles, uint64_t Total);

    QCheckBox* recordBox() const { return RecordBox; }
    QPushButton* clearButton() const { return ClearButton; }
    QTableWidget* table() const { return Table; }
    QLabel* totalLabel() const { return TotalLabel; }
    // The second page: cycles per label range ("Marke", "Zyklen", "Anteil").
    QTableWidget* rangeTable() const { return RangeTable; }

    // A row was double-clicked: its 1-based listing line (only rows that have one).
    std::function<void(int32_t Line)> OnShowLine;
    // Profiling was turned on or off, or the profile cleared.
    std::function<void()> OnProfileChanged;

    static constexpr size_t RowLimit = 50;
    static constexpr qint64 RunRefreshMs = 500;

  protected:
    void showEvent(QShowEvent* Event) override;

  private:
    void setCell(int Row, int Column, const QString& Text);

    Machine* System = nullptr;
    QCheckBox* RecordBox = nullptr;
    QPushButton* ClearButton = nullptr;
    QLabel* TotalLabel = nullptr;
    QTableWidget* Table = nullptr;
    QTableWidget* RangeTable = nullptr;
    QElapsedTimer SinceRefresh;
};
