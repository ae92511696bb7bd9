#pragma once
// The "Analogeingänge" window: the voltages at port E's pins PE0-PE7 that the A/D converter
// converts. Each pin has a slider (0 to 5 V in steps of 10 mV) and a number field (volts with
// two decimals; a decimal comma or point and a trailing "V" are accepted), and shows the 8-bit
// value the converter gives for it.

#include <QWidget>
#include <array>
#include <optional>

class Machine;
class QLabel;
class QLineEdit;
class QSlider;

class TAnalogInputsView : public QWidget {
    Q_OBJECT
  public:
    static constexpr int PinCount = 8;

    explicit TAnalogInputsView(QWidget* Parent = nullptr);
    void setMachine(Machine* M);
    // Shows the machine's voltages again (a stimulus may have changed them).
    void refresh();

    // A number field's text as volts: "2,5", "2.50", "2,5 V"; empty when it is no voltage
    // from 0 to 5 V.
    static std::optional<double> parseVolts(const QString& Text);
    // Volts as the field shows them: two decimals with a decimal comma ("2,50").
    static QString formatVolts(double Volts);

    QSlider* slider(int Pin) const { return Sliders[static_cast<size_t>(Pin)]; }
    QLineEdit* field(int Pin) const { return Fields[static_cast<size_t>(Pin)]; }
    QLabel* valueLabel(int Pin) const { return Values[static_cast<size_t>(Pin)]; }

  private:
    void setVolts(int Pin, double Volts);
    void showPin(int Pin);

    Machine* System = nullptr;
    std::array<QSlider*, PinCount> Sliders{};
    std::array<QLineEdit*, PinCount> Fields{};
    std::array<QLabel*, PinCount> Values{};
};
