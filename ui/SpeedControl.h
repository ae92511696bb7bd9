#pragma once
// The speed control: a combo box for the toolbar and the same choices in the Emulator menu
// ("Geschwindigkeit" and "E-Takt"), kept in step, applied to the machine at once (also during
// a run).

#include <QObject>
#include <QPointer>

class Machine;
class QAction;
class QActionGroup;
class QComboBox;
class QMenu;
class QWidget;

class TSpeedControl : public QObject {
    Q_OBJECT
  public:
    struct Choice {
        const char* Caption;
        double Factor; // 0: as fast as possible
    };
    // "Maximal", then slower to faster, "Echtzeit" in the middle.
    static const Choice Choices[8];
    static constexpr double EClocks[3] = {1e6, 2e6, 4e6};

    TSpeedControl(Machine* Target, QWidget* ComboParent, QMenu* EmulatorMenu);

    QComboBox* Combo() const { return ComboField; }
    QMenu* SpeedMenu() const { return SpeedMenuField; }
    QMenu* EClockMenu() const { return EClockMenuField; }
    // Chooses the entry Index of Choices (combo, menu and machine follow).
    void SetChoice(int Index);
    int ChoiceIndex() const { return ChoiceField; }
    void SetEClock(double Hertz);

  private:
    QPointer<Machine> TargetField;
    QComboBox* ComboField = nullptr;
    QMenu* SpeedMenuField = nullptr;
    QMenu* EClockMenuField = nullptr;
    QActionGroup* SpeedGroup = nullptr;
    QActionGroup* EClockGroup = nullptr;
    int ChoiceField = 0;
};
