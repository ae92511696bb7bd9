#pragma once
// One IO port bit by bit: the value in hexadecimal, a cell per bit ("1" on red, "0" on white)
// and a toggle button per bit that drives the port's input pin. Most significant bit left.

#include <QFrame>
#include <QList>
#include <cstdint>
#include <functional>

class QLabel;
class QToolButton;

class TKVCPUPortPanel : public QFrame {
    Q_OBJECT
    Q_PROPERTY(int BitCount READ BitCount WRITE SetBitCount)
    Q_PROPERTY(bool InputPort READ InputPort WRITE SetInputPort)
    Q_PROPERTY(bool OutputPort READ OutputPort WRITE SetOutputPort)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(int InputValue READ InputValue)
public:
    // Bits a panel can show: the value and the input sum are 32-bit numbers.
    static constexpr int MaxBits = 32;

    explicit TKVCPUPortPanel(QWidget* Parent = nullptr);

    int32_t BitCount() const { return BitCountField; }
    // Recreates the cells and buttons (all buttons up) and sizes the panel to fit them.
    void SetBitCount(int32_t Value);

    int32_t Value() const { return ValueField; }
    void SetValue(int32_t Value);

    // The bits whose buttons are down, as of the last click.
    int32_t InputValue() const { return InputValueField; }

    bool InputPort() const { return InputPortField; }
    void SetInputPort(bool Value);

    // Stored only: the panel looks and behaves the same either way.
    bool OutputPort() const { return OutputPortField; }
    void SetOutputPort(bool Value) { OutputPortField = Value; }

    QString Caption() const { return CaptionField; }
    void SetCaption(const QString& Value);

    // Fired after the user toggled a bit button.
    std::function<void(QObject* Sender)> OnChange;

    QLabel* ValueLabel = nullptr;
    QLabel* CaptionLabel = nullptr;
    // One per bit, most significant bit first.
    QList<QLabel*> BitCells;
    QList<QToolButton*> BitButtons;

private:
    void ButtonClick();

    int32_t BitCountField = 0;
    int32_t ValueField = 0;
    int32_t InputValueField = 0;
    bool InputPortField = false;
    bool OutputPortField = false;
    QString CaptionField;
};
