#include "ui/KVCPUPortPanel.h"

#include "ui/KvPanelFont.h"

#include <QLabel>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int LabelWidth = 30;
constexpr int LabelHeight = 16;
constexpr int CellSize = 16;
constexpr int ColumnPitch = 18;
constexpr int FirstColumn = LabelWidth + 4;
constexpr int ButtonTop = 20;

// Shows one bit in its cell. Ports change often during a run, so an unchanged cell is left
// alone.
void ShowBit(QLabel* Cell, bool Set) {
    const QColor colour = Set ? QColor(Qt::red) : QColor(Qt::white);
    if (Cell->palette().color(QPalette::Window) != colour) {
        QPalette palette = Cell->palette();
        palette.setColor(QPalette::Window, colour);
        palette.setColor(QPalette::WindowText, Qt::black);
        Cell->setPalette(palette);
    }
    Cell->setText(Set ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace

TKVCPUPortPanel::TKVCPUPortPanel(QWidget* Parent) : QFrame(Parent) {
    // The 30-pixel labels hold "Port A" only in a slightly smaller size.
    setFont(KvPanelFont(10));
    setFrameShape(QFrame::NoFrame);
    resize(100, 36);

    ValueLabel = new QLabel(this);
    ValueLabel->setObjectName(QStringLiteral("ValueLabel"));
    ValueLabel->setGeometry(0, 0, LabelWidth, LabelHeight);
    ValueLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    CaptionLabel = new QLabel(this);
    CaptionLabel->setObjectName(QStringLiteral("CaptionLabel"));
    CaptionLabel->setGeometry(0, ButtonTop, LabelWidth, LabelHeight);
    CaptionLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    SetCaption(QStringLiteral("Port"));
    SetValue(0);
}

void TKVCPUPortPanel::SetBitCount(int32_t Value) {
    Value = std::clamp(Value, 0, MaxBits);
    if (Value == BitCountField) return;

    while (!BitButtons.isEmpty())
        delete BitButtons.takeLast();
    while (!BitCells.isEmpty())
        delete BitCells.takeLast();

    resize(ColumnPitch * Value + LabelWidth + 2, height());
    BitCountField = Value;
    for (int i = 0; i < Value; ++i) {
        const int left = ColumnPitch * i + FirstColumn;
        auto* button = new QToolButton(this);
        button->setGeometry(left, ButtonTop, CellSize, CellSize);
        button->setText(QString::number(Value - 1 - i));
        button->setCheckable(true);
        button->setEnabled(InputPortField);
        connect(button, &QToolButton::clicked, this, [this] { ButtonClick(); });
        button->show();
        BitButtons.append(button);

        auto* cell = new QLabel(this);
        cell->setGeometry(left, 0, CellSize, CellSize);
        cell->setAlignment(Qt::AlignCenter);
        cell->setAutoFillBackground(true);
        // Fill with the Window colour even inside a toolbar, whose children would otherwise
        // inherit its Button background role.
        cell->setBackgroundRole(QPalette::Window);
        ShowBit(cell, false);
        cell->show();
        BitCells.append(cell);
    }
    SetValue(ValueField);
}

void TKVCPUPortPanel::SetValue(int32_t Value) {
    ValueField = Value;
    const uint32_t bits = static_cast<uint32_t>(Value);
    const int digits = 2 * ((BitCountField + 7) / 8);
    ValueLabel->setText(QStringLiteral("$") +
                        QString::number(bits, 16).toUpper().rightJustified(digits, u'0'));
    for (int i = 0; i < BitCountField; ++i) {
        ShowBit(BitCells[i], (bits >> (BitCountField - 1 - i)) & 1U);
    }
}

void TKVCPUPortPanel::SetInputPort(bool Value) {
    if (Value == InputPortField) return;
    InputPortField = Value;
    for (QToolButton* button : BitButtons)
        button->setEnabled(Value);
}

void TKVCPUPortPanel::SetCaption(const QString& Value) {
    if (Value == CaptionField) return;
    CaptionLabel->setText(Value);
    CaptionField = Value;
}

void TKVCPUPortPanel::ButtonClick() {
    uint32_t sum = 0;
    for (int i = 0; i < BitCountField; ++i) {
        if (BitButtons[i]->isChecked()) sum |= 1U << (BitCountField - 1 - i);
    }
    InputValueField = static_cast<int32_t>(sum);
    if (OnChange) OnChange(this);
}
