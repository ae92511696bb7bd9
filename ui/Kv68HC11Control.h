#pragma once
// The "CPU Register" panel: the registers of a 68HC11 as editable hexadecimal fields and the
// eight condition-code flags as check boxes. Edits reach the CPU when a field loses focus or
// Return is pressed; UpdateDisplay copies the CPU's state back after a run or step.

#include "cpu/CPU.h"
#include "cpu/MessageSink.h"

#include <QGroupBox>
#include <QPointer>
#include <array>
#include <cstdint>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class TCPU_68HC11_;

class TKV68HC11Control : public QGroupBox {
    Q_OBJECT
public:
    // The register fields, in the order the panel creates them.
    enum TRegister { rIX, rIY, rPC, rACCA, rACCB, rACCD, rSP, rCCR, RegisterCount };
    // The flag check boxes, bit 7 (S) first.
    static constexpr int FlagCount = 8;

    explicit TKV68HC11Control(QWidget* Parent = nullptr);

    TCustomCPU* CPU() const { return CPUField; }
    void SetCPU(TCustomCPU* Value) { CPUField = Value; }

    void UpdateDisplay();
    // Takes the text of a register field into the CPU (the field lost focus or Return was
    // pressed). False when the text was refused (reported, and left in the field).
    bool EditExit(QLineEdit* Sender);
    // Takes every field the user typed into but did not yet confirm, as before a step or run;
    // false when one was refused.
    bool CommitPendingEdits();
    // Takes a flag check box's state into the CPU and rewrites the CCR field.
    void FlagClick(QCheckBox* Sender);

    QLineEdit* Edit(TRegister Register) const { return Edits[Register]; }
    QCheckBox* FlagBox(int Index) const { return Flags[static_cast<size_t>(Index)]; }
    QGroupBox* CCRBox = nullptr;

    // Where rejected input is reported; not owned. Unset: a modal message box.
    TMessageSink* MessageSink = nullptr;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    TCPU_68HC11_* Target() const;
    QLineEdit* AddEdit(QWidget* Parent, TRegister Register, const char* Name, int Left, int Top,
                       const QString& Text);
    void AddLabel(const QString& Text, int Right, int Top);
    void ShowHex(TRegister Register, int32_t Value, int Digits);
    void ShowFlags(TCPU_68HC11_* Cpu);
    void ReportError(const QString& Text);

    QPointer<TCustomCPU> CPUField;
    bool ReportingError = false;
    std::array<QLineEdit*, RegisterCount> Edits{};
    std::array<QCheckBox*, FlagCount> Flags{};
};
