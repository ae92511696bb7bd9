// Loading a large listing as the window's Open does: LoadFromFile, then LoadToMemory into the
// CPU with its environment attached. The listing is generated once: 100,000 lines with code
// lines of one to six bytes, FCB lines with continuation lines, comment and EQU lines, and a
// page header every 60 lines.

#include "bench/BenchSupport.h"
#include "runner/SimulatedSystem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

namespace {

std::string Bytes(uint32_t Seed, int Count) {
    std::string out;
    char hex[4];
    for (int k = 0; k < Count; ++k) {
        std::snprintf(hex, sizeof hex, "%02X ", (Seed * 7 + static_cast<uint32_t>(k) * 13) & 0xFF);
        out += hex;
    }
    return out;
}

std::string Pad(std::string Text, size_t Width) {
    if (Text.size() < Width) Text.append(Width - Text.size(), ' ');
    return Text;
}

// A listing of at least Lines lines; code stays in $2000-$FFFF, away from the register block.
QByteArray MakeListing(int Lines) {
    std::string text;
    text.reserve(static_cast<size_t>(Lines) * 60);
    uint32_t address = 0x2000;
    int physical = 0, source = 0;
    auto put = [&](const std::string& Line) {
        if (physical % 60 == 0) {
            text += (physical ? "\f" : "") + std::string(" generated listing - page ") +
                    std::to_string(physical / 60 + 1) + "\n\n\n";
        }
        text += Line + "\n";
        ++physical;
    };
    char head[32];
    while (physical < Lines) {
        ++source;
        std::snprintf(head, sizeof head, "%8d/%8X : ", source, address);
        const int kind = source % 10;
        if (kind == 0) {
            put(head + Pad("", 20) + "; a comment line that writes nothing");
        } else if (kind == 1) {
            put(head + Pad("=$1000", 20) + "REGS\tequ\t$1000");
        } else if (kind == 2) {
            // FCB of 15 bytes: one code line and two continuation lines.
            put(head + Bytes(address, 6) + "  table:\tfcb\t1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
            put(std::string(20, ' ') + Bytes(address + 6, 6));
            put(std::string(20, ' ') + Bytes(address + 12, 3));
            address += 15;
        } else {
            const int n = 1 + source % 4;
            put(head + Pad(Bytes(address, n), 20) + "\tldaa\t#$55\t\t; an instruction");
            address += static_cast<uint32_t>(n);
        }
        if (address > 0xF000) address = 0x2000;
    }
    return QByteArray::fromStdString(text);
}

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
