#pragma once
// The "Überwachte Ausdrücke" tool window: column "Symbol" takes a watch expression (see
// machine/WatchExpression.h), column "Wert" shows its value, or the short reason why it has
// none. A value that changed since the last stop is red; typing a new value writes it. The
// expressions are kept per listing file (QSettings) and come back when it is opened again.
// The context menu sets a data breakpoint on a row's memory.

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

class QTableWidget;
class QTableWidgetItem;
class Machine;

class TWatchView : public QWidget {
    Q_OBJECT
  public:
    explicit TWatchView(QWidget* Parent = nullptr);

    void setMachine(Machine* System);
    QTableWidget* table() const { return Table; }

    // Evaluates every row. AtStop: the values become the reference that the next stop's
    // values are compared with; during a run they are only compared.
    void refresh(bool AtStop);
    // The expressions of the rows, empty ones left out.
    QStringList expressions() const;
    void setExpressions(const QStringList& Expressions);
    // Shows the expressions kept for this listing file and keeps later changes for it.
    void loadFor(const QString& ListingFile);

    // Sets a data breakpoint (Machine::Access as int) on the memory of the row's expression.
    bool addDataBreakpoint(int Row, int Kind);

    // A short German message for the status bar (a value that could not be written).
    std::function<void(const QString&)> OnMessage;
    // A typed value was written (the register panel and the memory shown follow).
    std::function<void()> OnValueWritten;
    // A data breakpoint was set from the context menu.
    std::function<void()> OnDataBreakpointsChanged;

    static constexpr int InitialRows = 19;

  private:
    void itemChanged(QTableWidgetItem* Item);
    void save() const;
    void showRow(int Row, bool AtStop);
    void contextMenu(const QPoint& Position);

    Machine* System = nullptr;
    QTableWidget* Table = nullptr;
    QString SettingsKey;               // empty: nothing kept
    std::vector<QString> ValuesAtStop; // per row
    bool Filling = false;              // the view itself writes cells
};
