#include "ui/Kv68HC11Control.h"

#include "machine/NumberParser.h"

#include "hc11/C68HC11.h"
#include "ui/KvErrorBox.h"
#include "ui/KvPanelFont.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {

constexpr int EditWidth = 42;
constexpr int EditHeight = 21;
constexpr int FlagWidth = 107;
constexpr int FlagHeight = 16;
// Register labels end this far left of their field.
constexpr int LabelGap = 2;

// The condition-code flags in CCR bit order, bit 7 first.
constexpr std::array<bool TCPU_68HC11_::*, TKV68HC11Control::FlagCount> FlagMembers = {
    &TCPU_68HC11_::S, &TCPU_68HC11_::X, &TCPU_68HC11_::H, &TCPU_68HC11_::I,
    &TCPU_68HC11_::N, &TCPU_68HC11_::Z, &TCPU_68HC11_::V, &TCPU_68HC11_::C};

struct TRegisterInfo {
    const char* Name;
    int Digits; // hexadecimal digits shown, 2 for 8-bit registers and 4 for 16-bit ones
};

constexpr std::array<TRegisterInfo, TKV68HC11Control::RegisterCount> Registers = {{
    {"IX", 4},
    {"IY", 4},
    {"PC", 4},
    {"ACCA", 2},
    {"ACCB", 2},
    {"ACCD", 4},
    {"SP", 4},
    {"CCR", 2},
}};

QString Hex(int32_t Value, int Digits) {
    return QStringLiteral("$") +
           QString::number(static_cast<uint32_t>(Value), 16).toUpper().rightJustified(Digits, u'0');
}

} // namespace

TKV68HC11Control::TKV68HC11Control(QWidget* Parent) : QGroupBox(Parent) {
    setFont(KvPanelFont());
    setTitle(QStringLiteral("CPU Register"));
    resize(227, 197);

    const struct {
        TRegister Register;
        const char* Label;
        int Top;
        const char* Text;
    } fields[] = {
        {rIX, "IX:", 23, "$0000"},   {rIY, "IY:", 46, "$0000"},    {rPC, "PC:", 69, "$0000"},
        {rACCA, "ACCA:", 92, "$00"}, {rACCB, "ACCB:", 115, "$00"}, {rACCD, "ACCD:", 138, "$0000"},
        {rSP, "SP:", 161, "$0000"},
    };
    for (const auto& f : fields) {
        AddLabel(QString::fromLatin1(f.Label), 45 - LabelGap, f.Top);
        AddEdit(this, f.Register, Registers[f.Register].Name, 45, f.Top,
                QString::fromLatin1(f.Text));
    }

    CCRBox = new QGroupBox(QStringLiteral("CCR:"), this);
    CCRBox->setObjectName(QStringLiteral("CCRBox"));
    CCRBox->setGeometry(94, 13, 125, 178);
    AddEdit(CCRBox, rCCR, "CCR", 32, 16, QStringLiteral("$00"));

    const char* const captions[FlagCount] = {
        "SuperMode (&S)", "InterruptMask (&X)", "&Half Carry",  "InterruptMask (&I)", "&Negative",
        "&Zero",          "O&verflow",          "&Carry/Borrow"};
    for (int i = 0; i < FlagCount; ++i) {
        auto* box = new QCheckBox(QString::fromUtf8(captions[i]), CCRBox);
        box->setGeometry(15, 42 + 16 * i, FlagWidth, FlagHeight);
        connect(box, &QCheckBox::clicked, this, [this, box] { FlagClick(box); });
        Flags[static_cast<size_t>(i)] = box;
    }
}

QLineEdit* TKV68HC11Control::AddEdit(QWidget* Parent, TRegister Register, const char* Name,
                                     int Left, int Top, const QString& Text) {
    auto* edit = new QLineEdit(Text, Parent);
    edit->setObjectName(QString::fromLatin1(Name));
    edit->setFont(KvValueFont());
    edit->setGeometry(Left, Top, EditWidth, EditHeight);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::returnPressed, this, [this, edit] { EditExit(edit); });
    Edits[Register] = edit;
    return edit;
}

void TKV68HC11Control::AddLabel(const QString& Text, int Right, int Top) {
    // Labels end at a common right edge and share their field's height, so that text of any
    // width lines up with the fields.
    auto* label = new QLabel(Text, this);
    const int width = label->sizeHint().width();
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setGeometry(Right - width, Top, width, EditHeight);
}

bool TKV68HC11Control::eventFilter(QObject* Watched, QEvent* Event) {
    // A context menu takes the focus for a moment while the user still edits.
    if (Event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(Event)->reason() != Qt::PopupFocusReason) {
        if (auto* edit = qobject_cast<QLineEdit*>(Watched)) EditExit(edit);
    }
    return QGroupBox::eventFilter(Watched, Event);
}

TCPU_68HC11_* TKV68HC11Control::Target() const {
    return qobject_cast<TCPU_68HC11_*>(CPUField.data());
}

void TKV68HC11Control::ShowHex(TRegister Register, int32_t Value, int Digits) {
    Edits[Register]->setText(Hex(Value, Digits));
}

void TKV68HC11Control::ShowFlags(TCPU_68HC11_* Cpu) {
    for (int i = 0; i < FlagCount; ++i) {
        Flags[static_cast<size_t>(i)]->setChecked(Cpu->*FlagMembers[static_cast<size_t>(i)]);
    }
    ShowHex(rCCR, Cpu->GetCCR(), 2);
}

void TKV68HC11Control::UpdateDisplay() {
    TCPU_68HC11_* cpu = Target();
    if (!cpu) return;
    ShowHex(rPC, cpu->PC, 4);
    ShowHex(rIX, cpu->IX, 4);
    ShowHex(rIY, cpu->IY, 4);
    ShowHex(rACCA, cpu->ACCA, 2);
    ShowHex(rACCB, cpu->ACCB, 2);
    ShowHex(rACCD, cpu->GetD(), 4);
    ShowHex(rSP, cpu->SP, 4);
    ShowFlags(cpu);
}

bool TKV68HC11Control::CommitPendingEdits() {
    for (QLineEdit* edit : Edits) {
        if (edit->isModified() && !EditExit(edit)) return false;
    }
    return true;
}

bool TKV68HC11Control::EditExit(QLineEdit* Sender) {
    TCPU_68HC11_* cpu = Target();
    if (!cpu || ReportingError) return true;
    const auto found = std::find(Edits.begin(), Edits.end(), Sender);
    if (found == Edits.end()) return true;
    const auto reg = static_cast<TRegister>(found - Edits.begin());
    const QString text = Sender->text();

    const std::optional<int32_t> parsed = parseFieldValue(text);
    if (!parsed) {
        ReportError(QStringLiteral("'%1' ist kein gültiger Integerwert").arg(text));
        return false;
    }
    // The registers hold 8 or 16 bits: a wider or negative number would leave a value no
    // instruction can produce, so it is refused and the register keeps its value.
    const int digits = Registers[reg].Digits;
    const int32_t maximum = digits == 2 ? 0xFF : 0xFFFF;
    const int32_t value = *parsed;
    if (value < 0 || value > maximum) {
        ReportError(QStringLiteral("'%1' liegt nicht im Wertebereich von %2 (%3 bis %4)")
                        .arg(text, QString::fromLatin1(Registers[reg].Name), Hex(0, digits),
                             Hex(maximum, digits)));
        return false;
    }
    Sender->setModified(false); // taken: nothing pending any more

    switch (reg) {
    case rIX: cpu->IX = value; break;
    case rIY: cpu->IY = value; break;
    case rPC: cpu->PC = value; break;
    case rSP: cpu->SP = value; break;
    case rACCA:
    case rACCB:
        (reg == rACCA ? cpu->ACCA : cpu->ACCB) = value;
        ShowHex(rACCD, cpu->GetD(), 4);
        break;
    case rACCD:
        cpu->SetD(value);
        ShowHex(rACCA, cpu->ACCA, 2);
        ShowHex(rACCB, cpu->ACCB, 2);
        break;
    case rCCR:
        cpu->SetCCR(value);
        ShowFlags(cpu);
        break;
    case RegisterCount: break;
    }
    return true;
}

void TKV68HC11Control::FlagClick(QCheckBox* Sender) {
    TCPU_68HC11_* cpu = Target();
    if (!cpu) return;
    const auto found = std::find(Flags.begin(), Flags.end(), Sender);
    if (found == Flags.end()) return;
    cpu->*FlagMembers[static_cast<size_t>(found - Flags.begin())] = Sender->isChecked();
    ShowHex(rCCR, cpu->GetCCR(), 2);
}

void TKV68HC11Control::ReportError(const QString& Text) {
    // The modal box takes the focus from the field; that focus change must not report again.
    ReportingError = true;
    KvReportError(MessageSink, this, Text);
    ReportingError = false;
}
