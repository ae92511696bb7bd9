// Loading a large listing as the window's Open does: LoadFromFile, then LoadToMemory into the
// CPU with its environment attached.

#include "bench/BenchSupport.h"
#include "runner/SimulatedSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

namespace {

void BM_LoadListing(benchmark::State& State) {
    const int lines = static_cast<int>(State.range(0));
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("large.lst"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(MakeListing(lines)) < 0) {
            State.SkipWithError("cannot write the listing");
            return;
        }
    }
    TCPU_68HC11_ cpu;
    TCountingSink sink;
    cpu.MessageSink = &sink;
    TSimulatedSystem system(cpu);
    for (auto _ : State) {
        if (!system.ListFileLoader.LoadFromFile(path)) {
            State.SkipWithError("cannot read the listing");
            return;
        }
        system.ListFileLoader.LoadToMemory();
    }
    if (sink.Count != 0) State.SkipWithError("the generated listing has bad lines");
    State.counters["lines"] = static_cast<double>(system.ListFileLoader.LineCount());
    State.SetItemsProcessed(State.iterations() * system.ListFileLoader.LineCount());
}

BENCHMARK(BM_LoadListing)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
