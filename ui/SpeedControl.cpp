#include "ui/SpeedControl.h"

#include "machine/Machine.h"

#include <QActionGroup>
#include <QComboBox>
#include <QMenu>

const TSpeedControl::Choice TSpeedControl::Choices[8] = {
    {"Maximal", 0},   {"1/100", 0.01}, {"1/10", 0.1},  {"1/2", 0.5},
    {"Echtzeit", 1},  {"2×", 2},       {"10×", 10},    {"100×", 100},
};

TSpeedControl::TSpeedControl(Machine* Target, QWidget* ComboParent, QMenu* EmulatorMenu)
    : QObject(ComboParent), TargetField(Target) {
    ComboField = new QComboBox(ComboParent);
    ComboField->setObjectName(QStringLiteral("SpeedCombo"));
    ComboField->setToolTip(QStringLiteral("Geschwindigkeit"));
    SpeedMenuField = EmulatorMenu->addMenu(QStringLiteral("&Geschwindigkeit"));
    SpeedMenuField->setObjectName(QStringLiteral("MenSpeed"));
    SpeedGroup = new QActionGroup(this);
    for (int i = 0; i < static_cast<int>(std::size(Choices)); ++i) {
        const QString caption = QString::fromUtf8(Choices[i].Caption);
        ComboField->addItem(caption);
        QAction* item = SpeedMenuField->addAction(caption);
        item->setCheckable(true);
        SpeedGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, i] { SetChoice(i); });
    }
    connect(ComboField, &QComboBox::activated, this, [this](int i) { SetChoice(i); });

    EClockMenuField = EmulatorMenu->addMenu(QStringLiteral("E-&Takt"));
    EClockMenuField->setObjectName(QStringLiteral("MenEClock"));
    EClockGroup = new QActionGroup(this);
    for (const double hz : EClocks) {
        QAction* item = EClockMenuField->addAction(QStringLiteral("%1 MHz").arg(hz / 1e6));
        item->setCheckable(true);
        item->setData(hz);
        EClockGroup->addAction(item);
        connect(item, &QAction::triggered, this, [this, hz] { SetEClock(hz); });
    }
    SetChoice(0);
    SetEClock(2e6);
}

void TSpeedControl::SetChoice(int Index) {
    if (Index < 0 || Index >= static_cast<int>(std::size(Choices))) return;
    ChoiceField = Index;
    ComboField->setCurrentIndex(Index);
    SpeedGroup->actions().at(Index)->setChecked(true);
    if (TargetField) TargetField->setSpeed(Choices[Index].Factor);
}

void TSpeedControl::SetEClock(double Hertz) {
    for (QAction* item : EClockGroup->actions())
        item->setChecked(item->data().toDouble() == Hertz);
    if (TargetField) TargetField->setEClock(Hertz);
}
