#include "cpu/CPUExternal.h"

#include "cpu/CPU.h"

TCustomCPUExternal::TCustomCPUExternal(QObject* Owner) : QObject(Owner) {}

TCustomCPUExternal::~TCustomCPUExternal() {
    if (CPUField) CPUField->DetachExternal(this);
}

void TCustomCPUExternal::SetCPU(TCustomCPU* NewCPU) {
    if (CPUField) CPUField->DetachExternal(this);
    CPUField = NewCPU;
    if (!NewCPU) return;
    ExternalIndexField = NewCPU->AttachExternal(this);
    Attached(NewCPU);
}

bool TCustomCPUExternal::MemoryRead(uint32_t Address, int32_t& Data) {
    return OnMemoryRead ? OnMemoryRead(Address, Data) : false;
}

bool TCustomCPUExternal::MemoryWrite(uint32_t Address, int32_t Data) {
    return OnMemoryWrite ? OnMemoryWrite(Address, Data) : false;
}

void TCustomCPUExternal::Reset() {
    if (OnReset) OnReset();
}

bool TCustomCPUExternal::MayRequestInterrupt(bool, bool) const {
    return false;
}

bool TCustomCPUExternal::HandleTimer(int32_t MagicNr) {
    return OnTimer ? OnTimer(MagicNr) : false;
}

bool TCustomOneMemoryCPUExternal::Registered() const {
    return ExternalIndex() >= 0 && CPU();
}

void TCustomOneMemoryCPUExternal::Attached(TCustomCPU*) {
    if (!Registered()) return;
    CPU()->AddMemoryWindow(ExternalIndex(), MemoryBaseField, MemorySizeField);
    CPU()->AddTimer(ExternalIndex(), TimerClocksField, 1);
}

void TCustomOneMemoryCPUExternal::SetMemoryBase(uint32_t Value) {
    if (Registered()) {
        CPU()->RemoveMemoryWindow(ExternalIndex(), MemoryBaseField);
        CPU()->AddMemoryWindow(ExternalIndex(), Value, MemorySizeField);
    }
    MemoryBaseField = Value;
}

void TCustomOneMemoryCPUExternal::SetMemorySize(uint32_t Value) {
    if (Registered()) {
        CPU()->RemoveMemoryWindow(ExternalIndex(), MemoryBaseField);
        CPU()->AddMemoryWindow(ExternalIndex(), MemoryBaseField, Value);
    }
    MemorySizeField = Value;
}

void TCustomOneMemoryCPUExternal::SetTimerClocks(int32_t Value) {
    if (Registered()) {
        CPU()->RemoveTimer(ExternalIndex(), 1);
        CPU()->AddTimer(ExternalIndex(), Value, 1);
    }
    TimerClocksField = Value;
}
