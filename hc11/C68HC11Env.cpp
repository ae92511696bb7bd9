// The on-chip IO register block, the ports and the real-time interrupt.
#include "hc11/C68HC11Env.h"

#include "hc11/C68HC11.h"

TCPU_68HC11_Environment::TCPU_68HC11_Environment(QObject* Owner) : TCustomCPUExternal(Owner) {
    UpdateNOCOP();
}

bool TCPU_68HC11_Environment::Registered() const {
    return ExternalIndex() >= 0 && CPU();
}

TCPU_68HC11_* TCPU_68HC11_Environment::Core() const {
    return qobject_cast<TCPU_68HC11_*>(CPU());
}

void TCPU_68HC11_Environment::Attached(TCustomCPU* NewCPU) {
    AttachSystemDevices(NewCPU);
    if (!Registered()) return;
    CPU()->AddMemoryWindow(ExternalIndex(), DefaultRegisterBase, BlockSize);
    CPU()->AddTimer(ExternalIndex(), RTITickCycles, 1);
    RegisterBase = DefaultRegisterBase;
}

bool TCPU_68HC11_Environment::PeekRegister(uint32_t Offset, int32_t& Data) const {
    switch (Offset) {
    case RegPORTA: Data = PortPins[PortA]; break;
    case RegPORTC: Data = PortPins[PortC]; break;
    case RegPORTB: Data = PortPins[PortB]; break;
    case RegDDRC: Data = DDRC; break;
    case RegPORTD: Data = PortPins[PortD]; break;
    case RegDDRD: Data = DDRD; break;
    case RegPORTE: Data = PortPins[PortE]; break;
    case RegTMSK1: Data = TMSK1; break;
    case RegTFLG1: Data = TFLG1; break;
    case RegTMSK2: Data = TMSK2; break;
    case RegTFLG2: Data = TFLG2; break;
    case RegPACTL: Data = PACTL; break;
    case RegSPCR: Data = SPCR; break;
    case RegBAUD: Data = BAUD; break;
    case RegSCCR2: Data = SCCR2; break;
    case RegOPTION: Data = OPTION; break;
    // COPRST ($3A) is only written; a read stays unimplemented.
    case RegHPRIO: Data = HPRIO; break;
    case RegINIT: Data = INIT; break;
    case RegCONFIG: Data = CONFIG; break;
    default: Data = 0; return false;
    }
    return true;
}

bool TCPU_68HC11_Environment::MemoryRead(uint32_t Address, int32_t& Data) {
    // No simulated register changes when it is read yet, so a read is a peek.
    const uint32_t offset = (Address - RegisterBase) & 0xFFFF;
    if (!PeekRegister(offset, Data)) ReportUnimplemented(offset, false);
    return true;
}

bool TCPU_68HC11_Environment::MemoryWrite(uint32_t Address, int32_t Data) {
    const int32_t value = Data & 0xFF;
    const uint32_t offset = (Address - RegisterBase) & 0xFFFF;
    switch (offset) {
    case RegPORTA:
        PortLatch[PortA] = value & 0xF8;
        UpdatePort(PortA);
        break;
    case RegPORTC:
        PortLatch[PortC] = value;
        UpdatePort(PortC);
        break;
    case RegPORTB:
        PortLatch[PortB] = value;
        UpdatePort(PortB);
        break;
    case RegDDRC:
        DDRC = value;
        UpdatePort(PortC);
        break;
    case RegPORTD:
        PortLatch[PortD] = value & 0x3F;
        UpdatePort(PortD);
        break;
    case RegDDRD:
        // New output bits show the latch at once, as DDRC does for port C.
        DDRD = value & 0x3F;
        UpdatePort(PortD);
        break;
    case RegPORTE: break; // input-only port
    case RegTMSK1:
        TMSK1 = value;
        UpdateInterruptLines();
        break;
    case RegTFLG1: // writing 1 clears a flag
        TFLG1 &= ~value & 0xFF;
        UpdateInterruptLines();
        break;
    case RegTMSK2:
        TMSK2 = value & 0xF3;
        UpdateInterruptLines();
        break;
    case RegTFLG2:
        TFLG2 &= ~value & 0xF0;
        UpdateInterruptLines();
        break;
    case RegPACTL:
        PACTL = value & 0xF3;
        RTIDivider = 2 << (value & 0x03);
        UpdatePort(PortA); // PACTL bit 7 is the direction of port A bit 7
        break;
    case RegSPCR: SPCR = value; break;
    case RegBAUD: BAUD = value; break;
    case RegSCCR2: SCCR2 = value; break;
    case RegOPTION: WriteOPTION(value); break;
    case RegCOPRST: Cop.WriteCOPRST(value); break;
    case RegHPRIO: WriteHPRIO(value); break;
    case RegINIT:
        INIT = value;
        MoveRegisterBlock(static_cast<uint32_t>(value & 0x0F) * 0x1000);
        break;
    default: ReportUnimplemented(offset, true); break;
    }
    return true;
}

void TCPU_68HC11_Environment::MoveRegisterBlock(uint32_t NewBase) {
    if (Registered()) {
        CPU()->RemoveMemoryWindow(ExternalIndex(), RegisterBase);
        CPU()->AddMemoryWindow(ExternalIndex(), NewBase, BlockSize);
    }
    RegisterBase = NewBase;
}

void TCPU_68HC11_Environment::ReportUnimplemented(uint32_t Offset, bool IsWrite) {
    TCustomCPU* cpu = CPU();
    if (!cpu) return;
    const QString text = QStringLiteral("Nicht implementierte IO-Adresse: $") +
                         QString::number(Offset & 0xFF, 16).rightJustified(2, u'0').toUpper();
    const QString caption = IsWrite ? QStringLiteral("68HC11Env-Fehler - MemoryWrite")
                                    : QStringLiteral("68HC11Env-Fehler - MemoryRead");
    cpu->ShowMessage(text, caption, TMsgIcon::Warning, TMsgButtons::Ok);
    // A program that polls such an address would otherwise open the box again right after
    // every OK, and the user could never reach Stop.
    cpu->Stop(StopReason::UnimplementedIO);
}

int32_t TCPU_68HC11_Environment::PortOutputMask(TPort Port) const {
    switch (Port) {
    case PortA: return (PACTL & 0x80) | 0x78;
    case PortB: return 0xFF;
    case PortC: return DDRC & 0xFF;
    case PortD: return DDRD & 0x3F;
    case PortE: return 0;
    }
    return 0;
}

namespace {
// Port D has six pins; the others eight.
int32_t PinMask(TCPU_68HC11_Environment::TPort Port) {
    return Port == TCPU_68HC11_Environment::PortD ? 0x3F : 0xFF;
}
} // namespace

void TCPU_68HC11_Environment::UpdatePort(TPort Port) {
    const int32_t mask = PortOutputMask(Port);
    int32_t& pins = PortPins[Port];
    pins = ((pins & ~mask) | (PortLatch[Port] & mask)) & PinMask(Port);
    if (OnPortChange) OnPortChange(Port);
}

void TCPU_68HC11_Environment::SetPortInput(TPort Port, int32_t Value) {
    if (Port < PortA || Port > PortE) return;
    const int32_t mask = PortOutputMask(Port);
    int32_t& pins = PortPins[Port];
    pins = ((Value & ~mask) | (pins & mask)) & PinMask(Port);
}

void TCPU_68HC11_Environment::UpdateInterruptLines() {
    TCPU_68HC11_* core = Core();
    if (!core) return;
    const int32_t t1 = TMSK1 & TFLG1;
    const int32_t t2 = TMSK2 & TFLG2 & 0xF0;
    const int32_t spi = SPCR & SPSR & 0x80;
    core->SetPendingInterrupt(12, spi & 0x80);
    core->SetPendingInterrupt(13, t2 & 0x10);
    core->SetPendingInterrupt(14, t2 & 0x20);
    core->SetPendingInterrupt(15, t2 & 0x80);
    core->SetPendingInterrupt(16, t1 & 0x08);
    core->SetPendingInterrupt(17, t1 & 0x10);
    core->SetPendingInterrupt(18, t1 & 0x20);
    core->SetPendingInterrupt(19, t1 & 0x40);
    core->SetPendingInterrupt(20, t1 & 0x80);
    core->SetPendingInterrupt(21, t1 & 0x01);
    core->SetPendingInterrupt(22, t1 & 0x02);
    core->SetPendingInterrupt(23, t1 & 0x04);
    core->SetPendingInterrupt(TCPU_68HC11_::IrqRTI, t2 & 0x40);
}

bool TCPU_68HC11_Environment::MayRequestInterrupt(bool Maskable, bool) const {
    // Of the simulated sources only the real-time interrupt raises requests on its own; it
    // can end a wait while its local mask RTII (TMSK2 bit 6) lets it through.
    return Maskable && (TMSK2 & 0x40);
}

bool TCPU_68HC11_Environment::HandleTimer(int32_t MagicNr) {
    if (MagicNr != 1) return false;
    // ">=" rather than "==": a program that lowers the divider below the current count gets
    // its next RTI at once instead of never.
    if (++RTICount >= RTIDivider) {
        RTICount = 0;
        TFLG2 |= 0x40;
        UpdateInterruptLines();
    }
    return true;
}

void TCPU_68HC11_Environment::Reset() {
    MoveRegisterBlock(DefaultRegisterBase);
    // Input pins of port A (bits 0-2, and bit 7 now that PACTL is cleared) keep the levels the
    // outside drives; the output pins 3-6 go low.
    PortPins[PortA] &= 0x87;
    PortPins[PortB] = PortLatch[PortB] = 0;
    TMSK1 = TFLG1 = TMSK2 = TFLG2 = PACTL = 0;
    OPTION = 0x10;
    static constexpr int32_t ModeBits[] = {0x00, 0x20, 0xD0, 0x70};
    HPRIO = 0x05 | ModeBits[static_cast<int>(ModeField) & 3];
    INIT = 0x01;
    CONFIG = static_cast<int32_t>(ConfigField.toInt()) & 0x0F;
    ResetSystemControl();
    RTICount = 0;
    RTIDivider = 2;
    // A request raised before the reset must not survive it.
    UpdateInterruptLines();
}
