#include "ui/AnalogInputsView.h"

#include "machine/Machine.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <cmath>

namespace {
// The slider counts hundredths of a volt.
constexpr int SliderSteps = 500;
} // namespace

TAnalogInputsView::TAnalogInputsView(QWidget* Parent) : QWidget(Parent) {
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Pin"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Spannung"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Volt"), this), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Wandlerwert"), this), 0, 3);
    for (int pin = 0; pin < PinCount; ++pin) {
        const size_t i = static_cast<size_t>(pin);
        grid->addWidget(new QLabel(QStringLiteral("PE%1").arg(pin), this), pin + 1, 0);
        Sliders[i] = new QSlider(Qt::Horizontal, this);
        Sliders[i]->setObjectName(QStringLiteral("SliderPE%1").arg(pin));
        Sliders[i]->setRange(0, SliderSteps);
        Sliders[i]->setToolTip(QStringLiteral("Spannung an PE%1 (0 bis 5 V)").arg(pin));
        grid->addWidget(Sliders[i], pin + 1, 1);
        Fields[i] = new QLineEdit(this);
        Fields[i]->setObjectName(QStringLiteral("VoltsPE%1").arg(pin));
        Fields[i]->setMaximumWidth(70);
        Fields[i]->setToolTip(QStringLiteral("Volt mit zwei Nachkommastellen, z. B. 2,50"));
        grid->addWidget(Fields[i], pin + 1, 2);
        Values[i] = new QLabel(this);
        Values[i]->setObjectName(QStringLiteral("ValuePE%1").arg(pin));
        grid->addWidget(Values[i], pin + 1, 3);
        connect(Sliders[i], &QSlider::valueChanged, this,
                [this, pin](int Steps) { setVolts(pin, Steps / 100.0); });
        connect(Fields[i], &QLineEdit::editingFinished, this, [this, pin] {
            // A text that is no voltage is replaced by the voltage in force.
            if (const auto v = parseVolts(field(pin)->text())) setVolts(pin, *v);
            showPin(pin);
        });
        showPin(pin);
    }
    grid->setRowStretch(PinCount + 1, 1);
}

void TAnalogInputsView::setMachine(Machine* M) {
    System = M;
    refresh();
}

std::optional<double> TAnalogInputsView::parseVolts(const QString& Text) {
    QString t = Text.trimmed();
    if (t.endsWith(u'V') || t.endsWith(u'v')) t.chop(1);
    t = t.trimmed().replace(u',', u'.');
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !(v >= 0.0 && v <= 5.0)) return std::nullopt;
    return v;
}

QString TAnalogInputsView::formatVolts(double Volts) {
    return QString::number(Volts, 'f', 2).replace(u'.', u',');
}

void TAnalogInputsView::setVolts(int Pin, double Volts) {
    if (System) System->setAnalogInput(Pin, Volts);
    showPin(Pin);
}

void TAnalogInputsView::showPin(int Pin) {
    const size_t i = static_cast<size_t>(Pin);
    const double v = System ? System->analogInput(Pin) : 0.0;
    const int value = Machine::converterValue(v);
    {
        const QSignalBlocker quiet(Sliders[i]);
        Sliders[i]->setValue(static_cast<int>(std::lround(v * 100)));
    }
    if (!Fields[i]->hasFocus() || parseVolts(Fields[i]->text()) != v)
        Fields[i]->setText(formatVolts(v));
    Values[i]->setText(QStringLiteral("$%1 (%2)")
                           .arg(QString::number(value, 16).rightJustified(2, u'0').toUpper())
                           .arg(value));
}

void TAnalogInputsView::refresh() {
    for (int pin = 0; pin < PinCount; ++pin)
        showPin(pin);
}
