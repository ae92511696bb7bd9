// Loading a large listing as the window's Open does: the machine reads it and writes its code
// into memory.

#include "bench/BenchSupport.h"

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
    Machine machine;
    TCountingSink sink;
    machine.setMessageSink(&sink);
    for (auto _ : State) {
        if (!machine.load(path)) {
            State.SkipWithError("cannot read the listing");
            return;
        }
    }
    if (sink.Count != 0) State.SkipWithError("the generated listing has bad lines");
    State.counters["lines"] = static_cast<double>(machine.program().LineCount());
    State.SetItemsProcessed(State.iterations() * machine.program().LineCount());
}

BENCHMARK(BM_LoadListing)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
