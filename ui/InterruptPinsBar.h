#pragma once
// The "Interrupts" toolbar: two buttons that hold the IRQ and XIRQ pins low while they are
// down (toggled), as a switch on the board would.

#include <QPointer>
#include <QToolBar>

class Machine;
class QAction;

class TInterruptPinsBar : public QToolBar {
    Q_OBJECT
  public:
    TInterruptPinsBar(Machine* Target, QWidget* Parent);

    QAction* IrqButton = nullptr;
    QAction* XirqButton = nullptr;

  private:
    QPointer<Machine> TargetField;
};
