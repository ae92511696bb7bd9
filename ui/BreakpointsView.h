#pragma once
// The "Haltepunkte" tool window: every breakpoint with its address, symbol and listing line, a
// check box that enables it, a condition (a watch expression compared with a value, "A=$10")
// and a hit count ("nach N Durchläufen"); Entfernen and Alle löschen. Below it the data
// breakpoints: a range given as an address, a symbol or a watch expression ("COUNT,w",
// "$40:4"), and the access that stops (Schreiben, Lesen, Lesen oder Schreiben).

#include <QWidget>
#include <cstdint>
#include <functional>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;
class Machine;

class TBreakpointsView : public QWidget {
    Q_OBJECT
  public:
    explicit TBreakpointsView(QWidget* Parent = nullptr);

    void setMachine(Machine* System);
    // Fills both tables from the machine.
    void refresh();

    enum Column {
        ColEnabled,
        ColAddress,
        ColSymbol,
        ColLine,
        ColCondition,
        ColPasses,
        ColHits,
        ColumnCount
    };
    QTableWidget* table() const { return Table; }
    QTableWidget* dataTable() const { return DataTable; }
    QPushButton* removeButton() const { return RemoveButton; }
    QPushButton* clearButton() const { return ClearButton; }
    QLineEdit* dataRange() const { return DataRange; }
    QComboBox* dataKind() const { return DataKind; }
    QPushButton* addDataButton() const { return AddDataButton; }
    QPushButton* removeDataButton() const { return RemoveDataButton; }

    // Adds the data breakpoint of the range field and the access combo; false (with a
    // message) when the range is bad.
    bool addDataBreakpoint();

    // A breakpoint was enabled, disabled or removed: the source view's marks follow.
    std::function<void(uint32_t Address)> OnBreakpointChanged;
    std::function<void(int32_t Line)> OnShowLine;
    std::function<void(const QString&)> OnMessage;

  private:
    void itemChanged(QTableWidgetItem* Item);
    void removeSelected();
    void clearAll();
    uint32_t addressOfRow(int Row) const;

    Machine* System = nullptr;
    QTableWidget* Table = nullptr;
    QTableWidget* DataTable = nullptr;
    QPushButton* RemoveButton = nullptr;
    QPushButton* ClearButton = nullptr;
    QLineEdit* DataRange = nullptr;
    QComboBox* DataKind = nullptr;
    QPushButton* AddDataButton = nullptr;
    QPushButton* RemoveDataButton = nullptr;
    bool Filling = false;
};
