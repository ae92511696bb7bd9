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
    if (THC11Timer::Owns(Offset)) {
        Data = Timer.Peek(Offset);
        return true;
    }
    if (THC11Spi::Owns(Offset)) {
        Data = Spi.Peek(Offset);
        return true;
    }
    if (THC11Adc::Owns(Offset)) {
        Data = Adc.Peek(Offset);
        return true;
    }
    if (THC11Sci::Owns(Offset)) {
        Data = Sci.Peek(Offset);
        return true;
    }
    switch (Offset) {
    case RegPORTA: Data = PortPins[PortA]; break;
    case RegPORTC: Data = PortPins[PortC]; break;
    case RegPORTB: Data = PortPins[PortB]; break;
    case RegDDRC: Data = DDRC; break;
    case RegPORTD: Data = Sci.PortDPins(PortPins[PortD]); break;
    case RegDDRD: Data = DDRD; break;
    case RegPORTE: Data = PortPins[PortE]; break;
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
    // Only the timer's (TCNT's latch), the SPI's and the SCI's (the flags' clearing sequences)
    // and the A/D converter's registers change when read; any other read is a peek.
    const uint32_t offset = (Address - RegisterBase) & 0xFFFF;
    if (THC11Timer::Owns(offset))
        Data = Timer.Read(offset);
    else if (THC11Spi::Owns(offset))
        Data = Spi.Read(offset);
    else if (THC11Adc::Owns(offset))
        Data = Adc.Read(offset);
    else if (THC11Sci::Owns(offset))
        Data = Sci.Read(offset);
    else if (!PeekRegister(offset, Data))
        ReportUnimplemented(offset, false);
    return true;
}

bool TCPU_68HC11_Environment::MemoryWrite(uint32_t Address, int32_t Data) {
    const int32_t value = Data & 0xFF;
    const uint32_t offset = (Address - RegisterBase) & 0xFFFF;
    if (THC11Timer::Owns(offset)) {
        Timer.Write(offset, value);
        return true;
    }
    if (THC11Spi::Owns(offset)) {
        Spi.Write(offset, value);
        return true;
    }
    if (THC11Adc::Owns(offset)) {
        Adc.Write(offset, value);
        return true;
    }
    if (THC11Sci::Owns(offset)) {
        Sci.Write(offset, value);
        return true;
    }
    switch (offset) {
    case RegPORTA: {
        // Pins the timer drives keep their level (reference manual: a pin configured for timer
        // use cannot be written as a general-purpose output).
        const int32_t driven = Timer.DrivenPins();
        PortLatch[PortA] = ((value & ~driven) | (PortLatch[PortA] & driven)) & 0xF8;
        UpdatePort(PortA);
        break;
    }
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
    case RegDDRD: ForceDDRD(value); break;
    case RegPORTE: break; // input-only port
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

void TCPU_68HC11_Environment::ForceDDRD(int32_t Value) {
    // New output bits show the latch at once, as DDRC does for port C.
    DDRD = Value & 0x3F;
    UpdatePort(PortD);
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
    case PortA:
        return (Timer.PACTL & THC11Timer::DDRA7) | 0x70 |
               ((Timer.PACTL & THC11Timer::I4O5) ? 0 : 0x08);
    case PortB: return 0xFF;
    case PortC: return DDRC & 0xFF;
    case PortD:
        // The SCI takes PD1 as its TxD output and PD0 as its RxD input whatever DDRD says.
        return ((DDRD & 0x3F) | (Sci.DrivesTxD() ? 0x02 : 0)) & ~(Sci.TakesRxD() ? 0x01 : 0);
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
    const int32_t old = pins;
    // TxD idles high; the bits of a frame show in a read of PORTD (THC11Sci::PortDPins), and
    // in the pins only with the SCI's line events on.
    const int32_t latch = PortLatch[Port] | (Port == PortD && Sci.DrivesTxD() ? 0x02 : 0);
    pins = ((pins & ~mask) | (latch & mask)) & PinMask(Port);
    if (Port == PortD && Sci.LineEvents()) pins = Sci.PortDPins(pins);
    if (Port == PortA) Timer.PortAChanged(old, pins);
    if (OnPortChange) OnPortChange(Port);
}

void TCPU_68HC11_Environment::SetPortInput(TPort Port, int32_t Value) {
    if (Port < PortA || Port > PortE) return;
    const int32_t mask = PortOutputMask(Port);
    int32_t& pins = PortPins[Port];
    const int32_t old = pins;
    pins = ((Value & ~mask) | (pins & mask)) & PinMask(Port);
    if (Port == PortA) Timer.PortAChanged(old, pins);
    if (Port == PortD) Spi.PortDChanged(old, pins);
}

void TCPU_68HC11_Environment::UpdateInterruptLines() {
    TCPU_68HC11_* core = Core();
    if (!core) return;
    const int32_t t1 = Timer.TMSK1 & Timer.TFLG1;
    const int32_t t2 = Timer.TMSK2 & Timer.TFLG2 & 0xF0;
    // Line n has its vector at $FFC0 + 2n: SCI $FFD6, SPI $FFD8, PAI $FFDA, PAOV $FFDC, TOF $FFDE,
    // TI4O5 $FFE0, TOC4-TOC1 $FFE2-$FFE8, TIC3-TIC1 $FFEA-$FFEE, RTI $FFF0.
    core->SetPendingInterrupt(TCPU_68HC11_::IrqSCI, Sci.InterruptRequested());
    core->SetPendingInterrupt(12, Spi.Requesting());
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
    // The timer system, the SPI and the SCI are the simulated sources: any of their interrupts
    // that their local masks let through can end a wait.
    return Timer.MayRequestInterrupt(Maskable) || Spi.MayRequestInterrupt(Maskable) ||
           Sci.MayRequestInterrupt(Maskable);
}

bool TCPU_68HC11_Environment::HandleTimer(int32_t MagicNr) {
    if (MagicNr != 1) return false;
    Timer.RTITick();
    return true;
}

void TCPU_68HC11_Environment::Reset() {
    MoveRegisterBlock(DefaultRegisterBase);
    // Input pins of port A (bits 0-2, and bit 7 now that PACTL is cleared) keep the levels the
    // outside drives; the output pins 3-6 go low.
    PortPins[PortA] &= 0x87;
    PortLatch[PortA] &= 0x87;
    PortPins[PortB] = PortLatch[PortB] = 0;
    Timer.Reset(CPU() ? CPU()->CycleCount : 0);
    Sci.Reset(CPU() ? CPU()->CycleCount : 0);
    OPTION = 0x10;
    Adc.Reset();
    Spi.Reset();
    static constexpr int32_t ModeBits[] = {0x00, 0x20, 0xD0, 0x70};
    HPRIO = 0x05 | ModeBits[static_cast<int>(ModeField) & 3];
    INIT = 0x01;
    CONFIG = static_cast<int32_t>(ConfigField.toInt()) & 0x0F;
    ResetSystemControl();
    // A request raised before the reset must not survive it.
    UpdateInterruptLines();
}
