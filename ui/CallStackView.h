#pragma once
// The "Aufrufe" tool window: the chain of calls and interrupt entries that led to the current
// PC, newest first (as the machine recorded them while the window was open), and under
// "Verlauf" the last 16 executed instructions, newest first. Each row shows address, symbol
// and listing line; a double click shows the line in the source view.

#include <QWidget>
#include <cstdint>
#include <functional>

class QTableWidget;
class Machine;

class TCallStackView : public QWidget {
    Q_OBJECT
  public:
    explicit TCallStackView(QWidget* Parent = nullptr);

    void setMachine(Machine* System);
    void refresh();

    QTableWidget* callTable() const { return Calls; }
    QTableWidget* historyTable() const { return History; }

    std::function<void(int32_t Line)> OnShowLine;

  protected:
    // The machine records calls only while the window is shown.
    void showEvent(QShowEvent* Event) override;
    void hideEvent(QHideEvent* Event) override;

  private:
    void addRow(QTableWidget* Table, const QString& What, uint32_t Address);

    Machine* System = nullptr;
    QTableWidget* Calls = nullptr;
    QTableWidget* History = nullptr;
};
