#include "runner/Runner.h"

#include "cpu/MessageSink.h"
#include "runner/RunnerCPU.h"
#include "runner/RunnerFormat.h"
#include "runner/SimulatedSystem.h"

#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

namespace {

constexpr const char* ProgramName = "tarvik68hc11-run";

// No instruction takes more cycles than this (IDIV after a prefix byte takes 42). A chunk of
// remaining/MaxCyclesPerStep steps therefore never passes a --max-cycles limit.
constexpr int64_t MaxCyclesPerStep = 64;

void PutLine(std::FILE* Stream, const std::string& Text) {
    std::fwrite(Text.data(), 1, Text.size(), Stream);
    std::fputc('\n', Stream);
}

// Prints every message box as "[CAPTION] TEXT" and answers OK; notes the boxes that stop a
// run, so that the stop can be told apart.
class TRunnerMessageSink : public TMessageSink {
  public:
    explicit TRunnerMessageSink(std::FILE* Err) : Err(Err) {}

    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon, TMsgButtons) override {
        const QByteArray line = ("[" + Caption + "] " + Text + "\n").toUtf8();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), Err);
        std::fflush(Err);
        if (Caption == QLatin1String("CPU-Fehler!") &&
            Text.startsWith(QLatin1String("Unbekannter OP-Code")))
            OpcodeSeen = true;
        if (Caption.startsWith(QLatin1String("68HC11Env-Fehler"))) IOSeen = true;
        return TMsgResult::Ok;
    }

    bool OpcodeSeen = false;
    bool IOSeen = false;

  private:
    std::FILE* Err;
};

void ApplyRegister(TCPU_68HC11_& Cpu, const TRegisterSetting& Setting) {
    const auto v = static_cast<int32_t>(Setting.Value);
    switch (Setting.Register) {
    case TRegisterSetting::PC: Cpu.PC = v; break;
    case TRegisterSetting::A: Cpu.ACCA = v; break;
    case TRegisterSetting::B: Cpu.ACCB = v; break;
    case TRegisterSetting::D: Cpu.SetD(v); break;
    case TRegisterSetting::X: Cpu.IX = v; break;
    case TRegisterSetting::Y: Cpu.IY = v; break;
    case TRegisterSetting::SP: Cpu.SP = v; break;
    case TRegisterSetting::CCR: Cpu.SetCCR(v); break;
    }
}

void ApplyPort(TCPU_68HC11_Environment& Env, const TPortSetting& Setting) {
    const auto v = static_cast<int32_t>(Setting.Value);
    switch (Setting.Port) {
    case 'A': Env.SetPortAInput(v); break;
    case 'C': Env.SetPortCInput(v); break;
    case 'D': Env.SetPortDInput(v); break;
    case 'E': Env.SetPortEInput(v); break;
    }
}

// Runs until a stop condition holds after a step. The framework's own Execute does the
// stepping in chunks sized so that neither limit can be passed inside a chunk; the run
// ends early when the core or the environment clears Running (breakpoint, unknown opcode,
// unimplemented IO address).
TStopReason RunUntilStop(TRunnerCPU& Cpu, TRunnerMessageSink& Sink, const TRunnerOptions& O) {
    if (O.MaxSteps && *O.MaxSteps == 0) return TStopReason::Steps;
    const auto maxCycles = O.MaxCycles ? static_cast<int64_t>(*O.MaxCycles) : int64_t{0};
    Cpu.Running = true;
    for (;;) {
        int64_t chunk = TCustomCPU::RunChunk;
        if (O.MaxSteps)
            chunk = std::min<int64_t>(chunk, static_cast<int64_t>(*O.MaxSteps - Cpu.Steps));
        if (O.MaxCycles)
            chunk = std::min(chunk,
                             std::max<int64_t>(1, (maxCycles - Cpu.CycleCount) / MaxCyclesPerStep));
        Cpu.Execute(static_cast<int32_t>(chunk));

        if (Sink.OpcodeSeen) return TStopReason::Opcode;
        if (Sink.IOSeen) return TStopReason::IO;
        if (Cpu.IsBreakpoint(static_cast<uint32_t>(Cpu.PC))) return TStopReason::Breakpoint;
        if (O.MaxSteps && Cpu.Steps >= *O.MaxSteps) return TStopReason::Steps;
        if (O.MaxCycles && Cpu.CycleCount >= maxCycles) return TStopReason::Cycles;
        Cpu.Running = true; // nothing of ours stopped the run: go on
    }
}

int ExitStatus(TStopReason Reason) {
    switch (Reason) {
    case TStopReason::Opcode: return RunnerExitOpcode;
    case TStopReason::IO: return RunnerExitIO;
    default: return RunnerExitStopped;
    }
}

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

const char* StopReasonName(TStopReason Reason) {
    switch (Reason) {
    case TStopReason::Opcode: return "opcode";
    case TStopReason::IO: return "io";
    case TStopReason::Breakpoint: return "breakpoint";
    case TStopReason::Steps: return "steps";
    case TStopReason::Cycles: return "cycles";
    }
    return "?";
}

int RunListing(const TRunnerOptions& Options, std::FILE* Out, std::FILE* Err) {
    TRunnerCPU cpu;
    TRunnerMessageSink sink(Err);
    cpu.MessageSink = &sink;
    TSimulatedSystem system(cpu);

    // Everything that can fail before the run fails here, with nothing run.
    QString error;
    if (!system.ListFileLoader.LoadFromFile(QString::fromLocal8Bit(Options.Listing.c_str()),
                                            &error)) {
        PutLine(Err, std::string(ProgramName) + ": " + error.toStdString());
        return RunnerExitUsage;
    }
    std::unique_ptr<std::FILE, TFileCloser> memoryOut;
    if (!Options.MemoryOut.empty()) {
        memoryOut.reset(std::fopen(Options.MemoryOut.c_str(), "wb"));
        if (!memoryOut) {
            PutLine(Err, std::string(ProgramName) + ": Die Datei \"" + Options.MemoryOut +
                             "\" kann nicht geschrieben werden: " + std::strerror(errno));
            return RunnerExitUsage;
        }
    }

    // As the window's Open: load, then request the reset.
    system.ListFileLoader.LoadToMemory();
    if (!Options.NoReset) system.RequestReset();
    for (const TRegisterSetting& r : Options.Registers)
        ApplyRegister(cpu, r);
    for (const TPortSetting& p : Options.Ports)
        ApplyPort(system.CPU_Environment, p);
    for (uint32_t a : Options.Breakpoints)
        cpu.SetBreakpoint(a, true);

    if (Options.Trace) {
        cpu.AfterStep = [&cpu, Out](int32_t StartPC, int32_t Cycles) {
            char line[TraceLineMax];
            const size_t n =
                FormatTraceLine(line, cpu.Steps, static_cast<uint32_t>(StartPC), Cycles, cpu);
            std::fwrite(line, 1, n, Out);
        };
    }

    // Boxes shown while loading do not count as a stop of the run.
    sink.OpcodeSeen = sink.IOSeen = false;
    const auto started = std::chrono::steady_clock::now();
    const TStopReason reason = RunUntilStop(cpu, sink, Options);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    cpu.AfterStep = nullptr;

    if (Options.Regs) PutLine(Out, RegisterText(cpu) + " CYCLES=" + std::to_string(cpu.CycleCount));
    for (const TDumpRange& d : Options.Dumps) {
        const std::string text = DumpText(cpu.Memory.data(), d.Start, d.Length);
        std::fwrite(text.data(), 1, text.size(), Out);
    }
    std::fflush(Out);

    int status = ExitStatus(reason);
    if (memoryOut) {
        const size_t written =
            std::fwrite(cpu.Memory.data(), 1, cpu.Memory.size(), memoryOut.get());
        const bool ok = written == cpu.Memory.size() && std::fclose(memoryOut.release()) == 0;
        if (!ok) {
            PutLine(Err, std::string(ProgramName) + ": Fehler beim Schreiben von \"" +
                             Options.MemoryOut + "\"");
            status = RunnerExitUsage;
        }
    }

    if (Options.Stats) {
        const double mhz = seconds > 0 ? static_cast<double>(cpu.CycleCount) / seconds / 1e6 : 0.0;
        std::fprintf(Err, "instructions=%llu cycles=%lld seconds=%.6f mhz=%.3f\n",
                     static_cast<unsigned long long>(cpu.Steps),
                     static_cast<long long>(cpu.CycleCount), seconds, mhz);
    }
    std::fprintf(Err, "stop: %s PC=$%04X\n", StopReasonName(reason),
                 static_cast<unsigned>(cpu.PC & 0xFFFF));
    std::fflush(Err);
    return status;
}

int RunnerMain(const std::vector<std::string>& Args, std::FILE* Out, std::FILE* Err) {
    const TParseResult parsed = ParseRunnerOptions(Args);
    if (!parsed.Error.empty()) {
        PutLine(Err, std::string(ProgramName) + ": " + parsed.Error);
        PutLine(Err, std::string("Aufruf: ") + ProgramName +
                         " [Optionen] LISTING (--help zeigt alle Optionen)");
        return RunnerExitUsage;
    }
    if (parsed.Options.Help) {
        const std::string help = RunnerHelpText();
        std::fwrite(help.data(), 1, help.size(), Out);
        return RunnerExitStopped;
    }
    return RunListing(parsed.Options, Out, Err);
}
