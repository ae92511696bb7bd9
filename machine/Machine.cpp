#include "machine/Machine.h"

#include "machine/FileErrorText.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>

namespace {

// The most cycles one instruction takes (IDIV after a prefix byte: 42). A chunk of
// remaining / MaxCyclesPerStep instructions can therefore never pass a cycle limit.
constexpr uint64_t MaxCyclesPerStep = 64;

} // namespace

Machine::Machine(QObject* Parent)
    : QObject(Parent), Program(std::make_unique<LoadedProgram>()) {
    Core.setObjectName(QStringLiteral("CPU"));
    Environment.setObjectName(QStringLiteral("CPU_Environment"));
    Clock.setObjectName(QStringLiteral("CPUExternal"));

    // The board: both mode pins high, expanded mode, nothing in CONFIG.
    using Env = TCPU_68HC11_Environment;
    Environment.SetFlags(Env::hc11_ModA | Env::hc11_ModB);
    Environment.SetMode(Env::hc11_Normal_Expanded);
    Environment.SetConfig({});
    Environment.OnPortChange = [this](Port P) {
        Signals.port(Core.CycleCount, P, Environment.PortPins[P]);
        if (OnPortChange) OnPortChange(P);
    };
    Environment.Sci.OnTransmit = [this](uint8_t Byte) {
        if (OnSciTransmit) OnSciTransmit(Byte);
    };
    // PD1 and PD0 follow TxD and RxD bit by bit, recorded at the cycle of each level change.
    Environment.Sci.OnLineChange = [this](int64_t Cycle) {
        Signals.port(Cycle, Port::PortD, Environment.PortPins[Port::PortD]);
        if (OnPortChange) OnPortChange(Port::PortD);
    };
    Environment.Sci.SetLineEvents(true);
    Core.OnInterruptEntry = [this](int Line) { Signals.interrupt(Core.CycleCount, Line); };
    Environment.SetCPU(&Core);

    Clock.SetTimerClocks(ClockTimerCycles);
    Clock.SetMemoryBase(0xFF00);
    Clock.SetMemorySize(0);
    Clock.OnTimer = [this](int32_t) {
        ++TimeTenths;
        if (OnClockTick) OnClockTick();
        return true;
    };
    // The reset has reached the devices: one reset request gives one reset.
    Clock.OnReset = [this] {
        Core.SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
        if (OnReset) OnReset();
    };
    Clock.SetCPU(&Core);

    Core.MessagePump = [this] { pump(); };
    SleepFor = [](int64_t Ns) { std::this_thread::sleep_for(std::chrono::nanoseconds(Ns)); };

    Stimulus.setObjectName(QStringLiteral("Stimulus"));
    Stimulus.Apply = [this](const StimulusEvent& E) {
        const auto port = static_cast<Port>(E.port);
        switch (E.target) {
        case StimulusEvent::Target::PortPin: {
            const int32_t bit = 1 << E.bit;
            setPortInput(port, (portPins(port) & ~bit) | (E.value ? bit : 0));
            break;
        }
        case StimulusEvent::Target::Port: setPortInput(port, E.value); break;
        case StimulusEvent::Target::AnalogPin: setAnalogInput(E.bit, E.volts); break;
        // The interrupt pins are active low: level 0 requests.
        case StimulusEvent::Target::IrqPin: setIrqPin(E.value == 0); break;
        case StimulusEvent::Target::XirqPin: setXirqPin(E.value == 0); break;
        case StimulusEvent::Target::SciBreak: sciBreak(); break;
        }
    };
    Stimulus.SetCPU(&Core);
    Environment.Spi.OnTransmit = [this](uint8_t Byte) {
        if (OnSpiTransmit) OnSpiTransmit(Byte);
    };
    restartSignalRecord();
}

void Machine::setAnalogInput(int Pin, double Volts) {
    if (Pin < 0 || Pin >= THC11Adc::InputCount) return;
    Environment.Adc.SetInput(Pin, Volts);
    const double v = Environment.Adc.Input(Pin);
    const int32_t bit = 1 << Pin;
    const int32_t pins = portPins(Port::PortE);
    const int32_t level = v >= (THC11Adc::VRH + THC11Adc::VRL) / 2 ? bit : 0;
    if ((pins & bit) != level) setPortInput(Port::PortE, (pins & ~bit) | level);
}

bool Machine::loadStimulus(const QString& FileName, QString* Error) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (Error)
            *Error = QStringLiteral("Die Stimulusdatei \"%1\" kann nicht gelesen werden: %2")
                         .arg(FileName, fileErrorText(file));
        return false;
    }
    auto events = parseStimulus(file.read(16 * 1024 * 1024), FileName, Error);
    if (!events) return false;
    setStimulus(std::move(*events));
    return true;
}

QString Machine::sciFormat() const {
    const THC11Sci& sci = Environment.Sci;
    if (!(sci.SCCR2 & THC11Sci::TE)) return QStringLiteral("Sender aus");
    const double rate = eClock() / static_cast<double>(sci.BitCycles());
    // The crystal tables of the reference manual name rates such as 9600 for 9615.4 at 2 MHz.
    static constexpr double Standard[] = {75,    110,   150,    300,    600,   1200,
                                          2400,  4800,  9600,   14400,  19200, 38400,
                                          57600, 76800, 115200, 125000, 250000};
    double shown = std::round(rate);
    for (double s : Standard)
        if (std::abs(rate - s) <= s * 0.01) shown = s;
    return QStringLiteral("%1 Baud, %2N1")
        .arg(static_cast<qint64>(shown))
        .arg((sci.SCCR1 & THC11Sci::M) ? 9 : 8);
}

Machine::~Machine() {
    // A run in progress (the window closing from inside it) must not call back into us.
    Core.MessagePump = nullptr;
    Core.Stop();
}

bool Machine::load(const QString& FileName, QString* Error) {
    // Read and check the whole file first: a file that is refused leaves the program in place.
    auto fresh = LoadedProgram::read(FileName, Error);
    if (!fresh) return false;
    Program = std::move(fresh);
    ProgramFile = FileName;
    clearBreakpoints();
    clearDataBreakpoints();
    if (const ProgramImage* image = Program->image()) {
        writeImage(*image);
    } else {
        Program->listing().SetCPU(&Core);
        Program->listing().LoadToMemory();
    }
    requestReset();
    restartSignalRecord();
    Symbols.clear();
    Program->addSymbols(Symbols);
    Program->buildDocuments(Symbols);
    return true;
}

void Machine::writeImage(const ProgramImage& Image) {
    for (uint32_t a = 0; a < 0x10000; ++a)
        if (Image.Loaded[a]) Core.WriteMemory(a, Image.Bytes[a]);
    // The reset fetches its vector at $FFFE (the expanded and single-chip modes).
    if (Image.Entry && !Image.Loaded[0xFFFE] && !Image.Loaded[0xFFFF])
        Core.WriteWord(0xFFFE, *Image.Entry);
}

bool Machine::followProgramCounter() {
    return Program->follow(registerValue(Register::PC),
                           [this](uint32_t A) { return peek(A); }, Symbols);
}

std::vector<std::pair<QString, uint64_t>> Machine::profileByLabel() const {
    std::vector<std::pair<QString, uint64_t>> ranges;
    if (!Profile) return ranges;
    std::map<QString, uint64_t> cycles;
    for (uint32_t a = 0; a < 0x10000; ++a) {
        const uint64_t c = Profile->at(a).Cycles;
        if (!c) continue;
        const auto& labels = Symbols.labels();
        auto it = labels.upper_bound(a);
        cycles[it == labels.begin() ? QString() : std::prev(it)->second] += c;
    }
    ranges.assign(cycles.begin(), cycles.end());
    std::stable_sort(ranges.begin(), ranges.end(),
                     [](const auto& A, const auto& B) { return A.second > B.second; });
    return ranges;
}

void Machine::setProfiling(bool On) {
    if (On && !Profile) Profile = std::make_unique<CycleProfile>();
    ProfilingField = On;
    updateAfterStep();
}

void Machine::setStepHook(std::function<void(int32_t)> Hook) {
    StepHook = std::move(Hook);
    updateAfterStep();
}

void Machine::updateAfterStep() {
    // The run loop chooses its instrumented instantiation only while a hook is set.
    if (StepOutStack) {
        Core.AfterStep = [this](int32_t Cycles) {
            if (ProfilingField) Profile->record(Core.InstructionPC(), Cycles);
            if (StepHook) StepHook(Cycles);
            // RTS ($39) or RTI ($3B) that took SP above where the step out began.
            const uint8_t op = peek(Core.InstructionPC());
            if ((op == 0x39 || op == 0x3B) && static_cast<uint32_t>(Core.SP) > *StepOutStack) {
                StepOutDone = true;
                Core.Stop(StopReason::User);
            }
        };
    } else if (ProfilingField && StepHook) {
        Core.AfterStep = [this](int32_t Cycles) {
            Profile->record(Core.InstructionPC(), Cycles);
            StepHook(Cycles);
        };
    } else if (ProfilingField) {
        Core.AfterStep = [this](int32_t Cycles) { Profile->record(Core.InstructionPC(), Cycles); };
    } else {
        Core.AfterStep = StepHook;
    }
}

void Machine::restartSignalRecord() {
    std::array<int32_t, 5> pins{};
    for (int p = 0; p < 5; ++p)
        pins[static_cast<size_t>(p)] = Environment.PortPins[static_cast<size_t>(p)];
    Signals.restart(Core.CycleCount, pins, !Environment.IRQPinLow(), !Environment.XIRQPinLow());
}

void Machine::pump() {
    if (Pacer.paced()) {
        // Wait in slices, so that the window stays responsive however slow the pace.
        for (int64_t wait = Pacer.delayFor(Core.CycleCount); wait > 0 && Core.IsRunning();
             wait = Pacer.delayFor(Core.CycleCount)) {
            SleepFor(std::min<int64_t>(wait, 10'000'000));
            if (FrontPump) FrontPump();
        }
    }
    if (FrontPump) FrontPump();
}

StopReason Machine::run(const RunLimits& Limits) {
    if (Core.IsRunning()) return StopReason::None;
    Pacer.start(Core.CycleCount);
    return runFiltered(Limits);
}

StopReason Machine::runFiltered(const RunLimits& Limits) {
    const uint64_t firstStep = Core.InstructionCount;
    const int64_t firstCycle = Core.CycleCount;
    for (;;) {
        // The limits count from the start of the whole run, also after a resumption.
        RunLimits left;
        if (Limits.maxSteps) {
            const uint64_t done = Core.InstructionCount - firstStep;
            left.maxSteps = *Limits.maxSteps > done ? *Limits.maxSteps - done : 0;
        }
        if (Limits.maxCycles) {
            const auto done = static_cast<uint64_t>(Core.CycleCount - firstCycle);
            left.maxCycles = *Limits.maxCycles > done ? *Limits.maxCycles - done : 0;
        }
        const StopReason reason = runChunked(left);
        if (reason != StopReason::Breakpoint) return reason;
        const auto pc = static_cast<uint32_t>(Core.PC) & 0xFFFF;
        if (Target && pc == Target->Address) {
            const bool reached =
                !Target->StackPointer || *Target->StackPointer == static_cast<uint32_t>(Core.SP);
            if (Target->UserBreakpoint && breakpointStops(pc)) return StopReason::Breakpoint;
            if (reached) return StopReason::None;
            continue;
        }
        if (breakpointStops(pc)) return reason;
        // Passing a breakpoint that does not stop counts as a step of the limit already.
        if (Limits.maxSteps && Core.InstructionCount - firstStep >= *Limits.maxSteps)
            return StopReason::StepLimit;
        if (Limits.maxCycles &&
            static_cast<uint64_t>(Core.CycleCount - firstCycle) >= *Limits.maxCycles)
            return StopReason::CycleLimit;
    }
}

StopReason Machine::runChunked(const RunLimits& Limits) {
    if (!Limits.maxSteps && !Limits.maxCycles) {
        Core.Run();
        return Core.LastStopReason();
    }
    if (Limits.maxSteps && *Limits.maxSteps == 0) return StopReason::StepLimit;
    const uint64_t firstStep = Core.InstructionCount;
    const int64_t firstCycle = Core.CycleCount;
    // A wait lets time pass in large steps: none may pass the cycle limit.
    struct THorizon {
        TCPU_68HC11_& Cpu;
        ~THorizon() { Cpu.CycleHorizon = INT64_MAX; }
    } horizon{Core};
    if (Limits.maxCycles)
        Core.CycleHorizon =
            firstCycle + static_cast<int64_t>(std::min<uint64_t>(*Limits.maxCycles, INT64_MAX / 2));
    for (;;) {
        uint64_t chunk = TCustomCPU::RunChunk;
        if (Limits.maxSteps)
            chunk = std::min(chunk, *Limits.maxSteps - (Core.InstructionCount - firstStep));
        if (Limits.maxCycles) {
            const auto done = static_cast<uint64_t>(Core.CycleCount - firstCycle);
            const uint64_t left = *Limits.maxCycles > done ? *Limits.maxCycles - done : 0;
            chunk = std::min(chunk, std::max<uint64_t>(1, left / MaxCyclesPerStep));
        }
        Core.Step(static_cast<int32_t>(chunk));
        if (Core.LastStopReason() != StopReason::None) return Core.LastStopReason();
        if (Limits.maxSteps && Core.InstructionCount - firstStep >= *Limits.maxSteps)
            return StopReason::StepLimit;
        if (Limits.maxCycles &&
            static_cast<uint64_t>(Core.CycleCount - firstCycle) >= *Limits.maxCycles)
            return StopReason::CycleLimit;
    }
}

StopReason Machine::step() {
    if (Core.IsRunning()) return StopReason::None;
    Core.Step(1);
    const StopReason reason = Core.LastStopReason();
    if (reason == StopReason::Breakpoint && !breakpointStops(static_cast<uint32_t>(Core.PC)))
        return StopReason::None;
    return reason;
}

uint8_t Machine::peek(uint32_t Address) const {
    Address &= 0xFFFF;
    if (Core.BaseMemoryType(Address) != mtExternal) return Core.Memory[Address];
    const uint32_t offset = (Address - Environment.RegisterBase) & 0xFFFF;
    int32_t data = 0;
    if (offset < TCPU_68HC11_Environment::BlockSize) Environment.PeekRegister(offset, data);
    return static_cast<uint8_t>(data);
}

void Machine::poke(uint32_t Address, uint8_t Value) {
    Address &= 0xFFFF;
    if (Core.BaseMemoryType(Address) != mtExternal) {
        Core.Memory[Address] = Value;
        return;
    }
    const uint32_t offset = (Address - Environment.RegisterBase) & 0xFFFF;
    int32_t unused = 0;
    if (offset < TCPU_68HC11_Environment::BlockSize && Environment.PeekRegister(offset, unused))
        Environment.MemoryWrite(Address, Value);
}

uint32_t Machine::registerValue(Register R) const {
    switch (R) {
    case Register::PC: return static_cast<uint32_t>(Core.PC) & 0xFFFF;
    case Register::A: return static_cast<uint32_t>(Core.ACCA) & 0xFF;
    case Register::B: return static_cast<uint32_t>(Core.ACCB) & 0xFF;
    case Register::D: return static_cast<uint32_t>(Core.GetD()) & 0xFFFF;
    case Register::X: return static_cast<uint32_t>(Core.IX) & 0xFFFF;
    case Register::Y: return static_cast<uint32_t>(Core.IY) & 0xFFFF;
    case Register::SP: return static_cast<uint32_t>(Core.SP) & 0xFFFF;
    case Register::CCR: return static_cast<uint32_t>(Core.GetCCR()) & 0xFF;
    }
    return 0;
}

void Machine::setRegister(Register R, uint32_t Value) {
    const auto word = static_cast<int32_t>(Value & 0xFFFF);
    const auto byte = static_cast<int32_t>(Value & 0xFF);
    switch (R) {
    case Register::PC: Core.PC = word; break;
    case Register::A: Core.ACCA = byte; break;
    case Register::B: Core.ACCB = byte; break;
    case Register::D: Core.SetD(word); break;
    case Register::X: Core.IX = word; break;
    case Register::Y: Core.IY = word; break;
    case Register::SP: Core.SP = word; break;
    case Register::CCR: Core.SetCCR(byte); break;
    }
}

const char* stopReasonName(StopReason Reason) {
    switch (Reason) {
    case StopReason::None: return "none";
    case StopReason::UnknownOpcode: return "opcode";
    case StopReason::UnimplementedIO: return "io";
    case StopReason::Halt: return "halt";
    case StopReason::Deadlock: return "deadlock";
    case StopReason::Breakpoint: return "breakpoint";
    case StopReason::Watch: return "watch";
    case StopReason::User: return "user";
    case StopReason::StepLimit: return "steps";
    case StopReason::CycleLimit: return "cycles";
    }
    return "?";
}
