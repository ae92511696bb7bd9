// Simulated cycles per second of the window against the headless system on the same program:
// the window runs with its message pump, status-bar clock and port panels wired, the headless
// system with none of them. Both run from the reset vector to the program's "done" line.

#include "bench/BenchSupport.h"
#include "hc11/C68HC11.h"
#include "machine/Machine.h"
#include "ui/MainForm.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

const QString BenchListing = QStringLiteral(TARVIK_EXAMPLES_DIR "/bench.lst");

// Runs bench.lst from reset to its done line in the window, the Signale window shown or not,
// the cycle profile (with its heat shade in the source view) recorded or not.
void RunInWindow(benchmark::State& State, bool ShowSignals, bool Profiled = false) {
    TCountingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    if (ShowSignals) form.MenSignals->trigger();
    QApplication::processEvents();
    if (!form.OpenListing(BenchListing)) {
        State.SkipWithError("cannot read bench.lst");
        return;
    }
    const int32_t done = DoneAddress(form.System->program());
    form.System->setBreakpoint(static_cast<uint32_t>(done), true);
    form.System->setProfiling(Profiled);
    int64_t cycles = 0;
    for (auto _ : State) {
        form.MenResetClick();
        const int64_t before = form.CPU->CycleCount;
        form.MenRunClick();
        cycles += form.CPU->CycleCount - before;
        if (form.CPU->PC != done || sink.Count != 0) {
            State.SkipWithError("the program did not reach its done line cleanly");
            return;
        }
    }
    ReportCycles(State, cycles);
}

void BM_WindowRun(benchmark::State& State) {
    RunInWindow(State, false);
}

// The window with the "Signale" window shown (it follows the run, as in use) on the same run.
void BM_WindowRunSignals(benchmark::State& State) {
    RunInWindow(State, true);
}

// The same with the cycle profile on: the source view's gutter shades the lines ten times a
// second.
void BM_WindowRunProfiled(benchmark::State& State) {
    RunInWindow(State, false, true);
}

// A program that does nothing but toggle all eight pins of port B, every nine cycles: the
// densest record a program makes. 10 million cycles per round in the window, the "Signale"
// window hidden (argument 0) or shown (1).
const char* const ToggleListing =
    " toggle listing - page 1\n\n\n"
    "       1/    E000 : 73 10 04            loop:\tcom\t$1004\n"
    "       2/    E003 : 20 FB               \tbra\tloop\n"
    "       3/    FFFE : E0 00               \tfdb\tloop\n";

void BM_WindowToggleRun(benchmark::State& State) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("toggle.lst"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(ToggleListing) < 0) {
        State.SkipWithError("cannot write the listing");
        return;
    }
    file.close();
    TCountingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    if (State.range(0)) form.MenSignals->trigger();
    QApplication::processEvents();
    if (!form.OpenListing(path)) {
        State.SkipWithError("cannot read toggle.lst");
        return;
    }
    int64_t cycles = 0;
    for (auto _ : State) {
        // A fresh record each round: the ring stays as full as one round makes it.
        form.System->restartSignalRecord();
        const int64_t before = form.CPU->CycleCount;
        form.System->run({{}, 10'000'000});
        cycles += form.CPU->CycleCount - before;
    }
    if (sink.Count != 0) State.SkipWithError("the program reported errors");
    State.counters["changes"] = static_cast<double>(form.System->signalRecord().size());
    ReportCycles(State, cycles);
}
// sciloop.lst, which prints over the SCI at 9600 baud without end, 20 million cycles a round in
// the window with the Terminal shown: Arg 1 the Terminal takes every byte (and shows it at the
// display pace), Arg 0 the bytes are discarded. PD1 follows TxD bit by bit in both.
void BM_WindowSciPrinting(benchmark::State& State) {
    TCountingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    form.MenTerminal->trigger();
    QApplication::processEvents();
    if (!form.OpenListing(QStringLiteral(TARVIK_EXAMPLES_DIR "/sciloop.lst"))) {
        State.SkipWithError("cannot read sciloop.lst");
        return;
    }
    if (!State.range(0)) form.System->OnSciTransmit = nullptr;
    int64_t cycles = 0;
    for (auto _ : State) {
        form.System->restartSignalRecord();
        const int64_t before = form.CPU->CycleCount;
        form.System->run({{}, 20'000'000});
        cycles += form.CPU->CycleCount - before;
    }
    if (sink.Count != 0) State.SkipWithError("the program reported errors");
    ReportCycles(State, cycles);
}


void BM_HeadlessRun(benchmark::State& State) {
    RunHeadless(State, BenchListing.toStdString());
}

// Opening a 100,000-line listing in the window: reading, loading, the source view's text and
// its highlighting.
void BM_WindowOpenLargeListing(benchmark::State& State) {
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("large.lst"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(MakeListing(100000)) < 0) {
        State.SkipWithError("cannot write the listing");
        return;
    }
    file.close();
    TCountingSink sink;
    TFormMain form;
    form.SetMessageSink(&sink);
    form.show();
    for (auto _ : State) {
        form.OpenListing(path);
        QApplication::processEvents(); // the first paint
    }
    // A single step in it: the reset, the program-counter line search, the marks, the panels.
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i) form.MenSingleStepClick();
    State.counters["step_us"] =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() / 100;
}

BENCHMARK(BM_WindowOpenLargeListing)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_HeadlessRun)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_WindowRun)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_WindowRunSignals)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_WindowRunProfiled)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_WindowToggleRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_WindowSciPrinting)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(3.0);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
