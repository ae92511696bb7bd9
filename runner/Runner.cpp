#include "runner/Runner.h"

#include "cpu/MessageSink.h"
#include "machine/FileErrorText.h"
#include "machine/Machine.h"
#include "machine/NumberParser.h"
#include "machine/WatchExpression.h"
#include "runner/RunnerFormat.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The reason of the last failed C library call, in German where it is a usual one.
std::string systemErrorText() {
    return fileErrorText(QString::fromLocal8Bit(std::strerror(errno))).toStdString();
}

constexpr const char* ProgramName = "tarvik68hc11-run";

void PutLine(std::FILE* Stream, const std::string& Text) {
    std::fwrite(Text.data(), 1, Text.size(), Stream);
    std::fputc('\n', Stream);
}

// Prints every message box as "[CAPTION] TEXT" and answers OK.
class TRunnerMessageSink : public TMessageSink {
  public:
    explicit TRunnerMessageSink(std::FILE* Err) : Err(Err) {}

    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon, TMsgButtons) override {
        const QByteArray line = ("[" + Caption + "] " + Text + "\n").toUtf8();
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), Err);
        std::fflush(Err);
        return TMsgResult::Ok;
    }

  private:
    std::FILE* Err;
};

Machine::Register MachineRegister(TRegisterSetting::TRegister Register) {
    switch (Register) {
    case TRegisterSetting::PC: return Machine::Register::PC;
    case TRegisterSetting::A: return Machine::Register::A;
    case TRegisterSetting::B: return Machine::Register::B;
    case TRegisterSetting::D: return Machine::Register::D;
    case TRegisterSetting::X: return Machine::Register::X;
    case TRegisterSetting::Y: return Machine::Register::Y;
    case TRegisterSetting::SP: return Machine::Register::SP;
    case TRegisterSetting::CCR: return Machine::Register::CCR;
    }
    return Machine::Register::PC;
}

int ExitStatus(StopReason Reason) {
    switch (Reason) {
    case StopReason::UnknownOpcode: return RunnerExitOpcode;
    case StopReason::UnimplementedIO: return RunnerExitIO;
    case StopReason::Deadlock: return RunnerExitDeadlock;
    default: return RunnerExitStopped;
    }
}

// The whole address space as the program sees it, IO registers included.
std::vector<uint8_t> AddressSpace(const Machine& M) {
    std::vector<uint8_t> bytes(0x10000);
    for (uint32_t a = 0; a < 0x10000; ++a)
        bytes[a] = M.peek(a);
    return bytes;
}

// An address of the command line: a number, or a symbol with an optional distance
// ("done", "table+3") of the loaded listing.
std::optional<uint32_t> ResolveAddress(const Machine& M, const std::string& Text, QString* Error) {
    if (const auto n = parseNumber(Text, 0xFFFF)) return static_cast<uint32_t>(*n);
    const auto e = parseWatch(QString::fromStdString(Text), M.symbols(), Error);
    if (!e) return std::nullopt;
    if (e->IsRegister || !e->AddressRegisters.empty()) {
        *Error = QStringLiteral("Register sind hier nicht erlaubt");
        return std::nullopt;
    }
    return e->address(M);
}

const char* KindName(SymbolTable::Kind Kind) {
    switch (Kind) {
    case SymbolTable::Kind::Code: return "code";
    case SymbolTable::Kind::Data: return "data";
    case SymbolTable::Kind::Value: return "value";
    }
    return "value";
}

void PutJson(std::FILE* Out, const QJsonObject& Object) {
    const QByteArray text = QJsonDocument(Object).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), Out);
}

// --symbols: the table sorted by name, as lines or as JSON.
void PrintSymbols(const Machine& M, bool Json, std::FILE* Out) {
    const auto symbols = M.symbols().all();
    if (Json) {
        QJsonArray list;
        for (const SymbolTable::Symbol& s : symbols)
            list.append(QJsonObject{{"name", s.Name},
                                    {"value", static_cast<qint64>(s.Value)},
                                    {"kind", KindName(s.SymbolKind)}});
        PutJson(Out, QJsonObject{{"symbols", list}});
        return;
    }
    for (const SymbolTable::Symbol& s : symbols) {
        char value[16];
        std::snprintf(value, sizeof value, "$%04X", static_cast<unsigned>(s.Value));
        PutLine(Out, s.Name.toStdString() + " " + value + " " + KindName(s.SymbolKind));
    }
}

struct TFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// --json: what the run left, for graders and scripts.
QJsonObject ResultJson(const Machine& M, StopReason Reason, const std::vector<uint8_t>& Memory,
                       const std::vector<TDumpRange>& Dumps) {
    using R = Machine::Register;
    const std::pair<const char*, R> names[] = {{"PC", R::PC}, {"A", R::A},    {"B", R::B},
                                               {"D", R::D},   {"X", R::X},    {"Y", R::Y},
                                               {"SP", R::SP}, {"CCR", R::CCR}};
    QJsonObject registers;
    for (const auto& [name, reg] : names)
        registers.insert(QLatin1String(name), static_cast<qint64>(M.registerValue(reg)));
    QJsonArray dumps;
    for (const TDumpRange& d : Dumps) {
        QByteArray bytes;
        for (uint32_t k = 0; k < d.Length; ++k)
            bytes += static_cast<char>(Memory[(d.Start + k) & 0xFFFF]);
        dumps.append(QJsonObject{{"start", static_cast<qint64>(d.Start)},
                                 {"length", static_cast<qint64>(d.Length)},
                                 {"bytes", QString::fromLatin1(bytes.toHex().toUpper())}});
    }
    QJsonObject result{
        {"stop", stopReasonName(Reason)},
        {"pc", static_cast<qint64>(M.registerValue(R::PC))},
        {"registers", registers},
        {"cycles", static_cast<qint64>(M.cpu().CycleCount)},
        {"instructions", static_cast<qint64>(M.cpu().InstructionCount)},
        {"dumps", dumps},
    };
    if (Reason == StopReason::Watch) {
        const auto& hit = M.lastWatchHit();
        result.insert("watch", QJsonObject{{"instruction", static_cast<qint64>(hit.PC)},
                                           {"address", static_cast<qint64>(hit.Address)},
                                           {"value", hit.Value},
                                           {"access", hit.Write ? "write" : "read"}});
    }
    return result;
}

} // namespace

int RunListing(const TRunnerOptions& Options, std::FILE* Out, std::FILE* Err) {
    Machine machine;
    TRunnerMessageSink sink(Err);
    machine.setMessageSink(&sink);
    TCPU_68HC11_& cpu = machine.cpu();

    // Everything that can fail before the run fails here, with nothing run.
    // An output file named on the command line: opened before the run, so that a name that
    // cannot be written stops the runner with nothing run.
    const auto openOutput = [Err](QFile& File, const std::string& Name) {
        File.setFileName(QString::fromLocal8Bit(Name.c_str()));
        if (Name.empty() || File.open(QIODevice::WriteOnly | QIODevice::Truncate)) return true;
        PutLine(Err, std::string(ProgramName) + ": Die Datei \"" + Name +
                         "\" kann nicht geschrieben werden: " + fileErrorText(File).toStdString());
        return false;
    };
    QFile profile, vcd, spiOut;
    if (!openOutput(profile, Options.Profile) || !openOutput(vcd, Options.Vcd) ||
        !openOutput(spiOut, Options.SpiOut))
        return RunnerExitUsage;
    if (!Options.SpiIn.empty()) {
        QFile spiIn(QString::fromLocal8Bit(Options.SpiIn.c_str()));
        if (!spiIn.open(QIODevice::ReadOnly)) {
            PutLine(Err, std::string(ProgramName) + ": Die Datei \"" + Options.SpiIn +
                             "\" kann nicht gelesen werden: " + fileErrorText(spiIn).toStdString());
            return RunnerExitUsage;
        }
        machine.spiAnswer(spiIn.read(16 * 1024 * 1024));
    }
    // PD1 and PD0 follow the SCI's line bit by bit only for the signal record, which only
    // --vcd writes; without it the bit events would cost run speed for nothing.
    machine.setSerialLineEvents(vcd.isOpen());
    QByteArray spiSent;
    machine.OnSpiTransmit = [&spiSent](uint8_t Byte) { spiSent += static_cast<char>(Byte); };
    std::unique_ptr<std::FILE, TFileCloser> memoryOut;
    if (!Options.MemoryOut.empty()) {
        memoryOut.reset(std::fopen(Options.MemoryOut.c_str(), "wb"));
        if (!memoryOut) {
            PutLine(Err, std::string(ProgramName) + ": Die Datei \"" + Options.MemoryOut +
                             "\" kann nicht geschrieben werden: " + systemErrorText());
            return RunnerExitUsage;
        }
    }
    // The SCI's input is read whole before the run: the receiver takes it at the program's
    // baud rate once RE is set.
    QByteArray sciIn;
    if (!Options.SciIn.empty()) {
        QFile in;
        bool ok = false;
        if (Options.SciIn == "-") {
            ok = in.open(stdin, QIODevice::ReadOnly);
        } else {
            in.setFileName(QString::fromLocal8Bit(Options.SciIn.c_str()));
            ok = in.open(QIODevice::ReadOnly);
        }
        if (!ok) {
            PutLine(Err, std::string(ProgramName) + ": Die Datei \"" + Options.SciIn +
                             "\" kann nicht gelesen werden: " + fileErrorText(in).toStdString());
            return RunnerExitUsage;
        }
        sciIn = in.readAll();
    }
    std::unique_ptr<std::FILE, TFileCloser> sciOutFile;
    std::FILE* sciOut = nullptr;
    if (Options.SciOut == "-") {
        sciOut = Out;
    } else if (!Options.SciOut.empty()) {
        sciOutFile.reset(std::fopen(Options.SciOut.c_str(), "wb"));
        if (!sciOutFile) {
            PutLine(Err, std::string(ProgramName) + ": Die Datei \"" + Options.SciOut +
                             "\" kann nicht geschrieben werden: " + systemErrorText());
            return RunnerExitUsage;
        }
        sciOut = sciOutFile.get();
    }
    // As the window's Open: load, which requests the reset.
    QString error;
    if (!machine.load(QString::fromLocal8Bit(Options.Listing.c_str()), &error)) {
        PutLine(Err, std::string(ProgramName) + ": " + error.toStdString());
        return RunnerExitUsage;
    }
    if (!Options.Stimulus.empty() &&
        !machine.loadStimulus(QString::fromLocal8Bit(Options.Stimulus.c_str()), &error)) {
        PutLine(Err, std::string(ProgramName) + ": " + error.toStdString());
        return RunnerExitUsage;
    }
    machine.setCopEnabled(Options.Cop);
    machine.sciType(sciIn);
    if (sciOut) machine.OnSciTransmit = [sciOut](uint8_t Byte) { std::fputc(Byte, sciOut); };
    machine.setEClock(Options.EClock);
    machine.setSpeed(Options.Speed);
    if (Options.NoReset) cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
    for (const TRegisterSetting& r : Options.Registers)
        machine.setRegister(MachineRegister(r.Register), r.Value);
    for (const TPortSetting& p : Options.Ports)
        machine.setPortInput(static_cast<Machine::Port>(p.Port - 'A'),
                             static_cast<int32_t>(p.Value));
    for (const TAnalogSetting& a : Options.Analog)
        machine.setAnalogInput(a.Pin, a.Volts);
    for (uint32_t a : Options.Breakpoints)
        machine.setBreakpoint(a, true);
    if (Options.Symbols) {
        PrintSymbols(machine, Options.Json, Out);
        std::fflush(Out);
        return RunnerExitStopped;
    }
    for (const std::string& name : Options.BreakSymbols) {
        const auto a = ResolveAddress(machine, name, &error);
        if (!a) {
            // The lines a bad address has always given (scripts may know them).
            PutLine(Err, std::string(ProgramName) + ": Ungültige Adresse für --break: " + name);
            PutLine(Err, std::string("Aufruf: ") + ProgramName +
                             " [Optionen] LISTING (--help zeigt alle Optionen)");
            return RunnerExitUsage;
        }
        machine.setBreakpoint(*a, true);
    }
    for (const TWatchOption& w : Options.Watches) {
        const char* option = w.Write ? "--watch-write " : "--watch-read ";
        const auto a = ResolveAddress(machine, w.Address, &error);
        if (!a ||
            !machine.addDataBreakpoint(
                *a, w.Length, w.Write ? Machine::Access::Write : Machine::Access::Read, &error)) {
            PutLine(Err, std::string(ProgramName) + ": " + option + w.Address + ": " +
                             error.toStdString());
            return RunnerExitUsage;
        }
    }

    if (Options.Trace) {
        machine.setStepHook([&cpu, Out](int32_t Cycles) {
            char line[TraceLineMax];
            const size_t n = FormatTraceLine(line, cpu.InstructionCount,
                                             static_cast<uint32_t>(cpu.StepStartPC()), Cycles, cpu);
            std::fwrite(line, 1, n, Out);
        });
    }
    machine.setProfiling(!Options.Profile.empty());

    const auto started = std::chrono::steady_clock::now();
    const StopReason reason = machine.run({Options.MaxSteps, Options.MaxCycles});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    machine.setStepHook(nullptr);

    const std::vector<uint8_t> memory = AddressSpace(machine);
    if (Options.Json) {
        PutJson(Out, ResultJson(machine, reason, memory, Options.Dumps));
    } else {
        if (Options.Regs)
            PutLine(Out, RegisterText(cpu) + " CYCLES=" + std::to_string(cpu.CycleCount));
        for (const TDumpRange& d : Options.Dumps) {
            const std::string text = DumpText(memory.data(), d.Start, d.Length);
            std::fwrite(text.data(), 1, text.size(), Out);
        }
    }
    std::fflush(Out);

    int status = ExitStatus(reason);
    if (sciOutFile && std::fclose(sciOutFile.release()) != 0) {
        PutLine(Err, std::string(ProgramName) + ": Fehler beim Schreiben von \"" + Options.SciOut +
                         "\"");
        status = RunnerExitUsage;
    }
    if (memoryOut) {
        const size_t written = std::fwrite(memory.data(), 1, memory.size(), memoryOut.get());
        const bool ok = written == memory.size() && std::fclose(memoryOut.release()) == 0;
        if (!ok) {
            PutLine(Err, std::string(ProgramName) + ": Fehler beim Schreiben von \"" +
                             Options.MemoryOut + "\"");
            status = RunnerExitUsage;
        }
    }

    if (profile.isOpen()) {
        QString profileError;
        const auto symbol = [&machine](uint32_t A) { return machine.symbolFor(A); };
        // The line in the text that shows the address (an ELF's code may lie in several
        // source files), 0 where no text does.
        const auto line = [&machine](uint32_t A) {
            const LoadedProgram& program = machine.loadedProgram();
            const int document = program.documentOf(A);
            return document < 0 ? 0 : program.document(document).LineOfAddress(A) + 1;
        };
        if (!machine.profile()->writeCsv(profile, symbol, line, &profileError)) {
            PutLine(Err, std::string(ProgramName) + ": " + profileError.toStdString());
            status = RunnerExitUsage;
        }
        profile.close();
    }
    if (spiOut.isOpen()) {
        if (spiOut.write(spiSent) != spiSent.size() || !spiOut.flush()) {
            PutLine(Err, std::string(ProgramName) + ": Fehler beim Schreiben von \"" +
                             Options.SpiOut + "\"");
            status = RunnerExitUsage;
        }
        spiOut.close();
    }
    if (vcd.isOpen()) {
        QString vcdError;
        if (!machine.signalRecord().writeVcd(vcd, Options.EClock, &vcdError)) {
            PutLine(Err, std::string(ProgramName) + ": " + vcdError.toStdString());
            status = RunnerExitUsage;
        }
        vcd.close();
    }

    if (Options.Stats) {
        const double mhz = seconds > 0 ? static_cast<double>(cpu.CycleCount) / seconds / 1e6 : 0.0;
        std::fprintf(Err, "instructions=%llu cycles=%lld seconds=%.6f mhz=%.3f\n",
                     static_cast<unsigned long long>(cpu.InstructionCount),
                     static_cast<long long>(cpu.CycleCount), seconds, mhz);
    }
    std::fprintf(Err, "stop: %s PC=$%04X", stopReasonName(reason),
                 static_cast<unsigned>(cpu.PC & 0xFFFF));
    if (reason == StopReason::Watch) {
        const auto& hit = machine.lastWatchHit();
        std::fprintf(Err, " instruction=$%04X %s=$%04X value=$%02X", static_cast<unsigned>(hit.PC),
                     hit.Write ? "write" : "read", static_cast<unsigned>(hit.Address),
                     static_cast<unsigned>(hit.Value));
    }
    std::fputc('\n', Err);
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
