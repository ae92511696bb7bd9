#include "ui/InterruptPinsBar.h"

#include "machine/Machine.h"

#include <QAction>

TInterruptPinsBar::TInterruptPinsBar(Machine* Target, QWidget* Parent)
    : QToolBar(QStringLiteral("Interrupts"), Parent), TargetField(Target) {
    setObjectName(QStringLiteral("ToolbarInterrupts"));
    IrqButton = addAction(QStringLiteral("IRQ"));
    IrqButton->setObjectName(QStringLiteral("IrqButton"));
    IrqButton->setToolTip(QStringLiteral("IRQ-Pin auf Low halten (gedrückt: Interrupt angefordert)"));
    XirqButton = addAction(QStringLiteral("XIRQ"));
    XirqButton->setObjectName(QStringLiteral("XirqButton"));
    XirqButton->setToolTip(QStringLiteral("XIRQ-Pin auf Low halten (gedrückt: Interrupt angefordert)"));
    for (QAction* button : {IrqButton, XirqButton}) button->setCheckable(true);
    connect(IrqButton, &QAction::toggled, this, [this](bool Low) {
        if (TargetField) TargetField->setIrqPin(Low);
    });
    connect(XirqButton, &QAction::toggled, this, [this](bool Low) {
        if (TargetField) TargetField->setXirqPin(Low);
    });
}
