#pragma once
// Pieces the benchmarks share: a message sink that only counts, the address of a program's
// "done:" line, and the cycles-per-second counter.

#include "cpu/MessageSink.h"
#include "hc11/ListFileLoader.h"
#include "machine/Machine.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// Loader or program errors must not block a benchmark on a box.
class TCountingSink : public TMessageSink {
public:
    TMsgResult Show(const QString&, const QString&, TMsgIcon, TMsgButtons) override {
        ++Count;
        return TMsgResult::Ok;
    }
    int Count = 0;
};

// The address of the listing line whose source text starts with "done:", or -1.
inline int32_t DoneAddress(const TKV_68HC11_ListFileLoader& Loader) {
    for (int32_t i = 0; i < Loader.LineCount(); ++i) {
        if (Loader.IsCodeLine(i) && Loader.Lines()[i].mid(40).startsWith("done:"))
            return Loader.LineAddress(i);
    }
    return -1;
}

inline void ReportCycles(benchmark::State& State, int64_t Cycles) {
    State.counters["cycles/s"] =
        benchmark::Counter(static_cast<double>(Cycles), benchmark::Counter::kIsRate);
}

// Runs Listing from its reset vector to its done line in the machine every front end uses;
// reports the simulated cycles per second. Limits, when given, take the chunked run the runner
// uses for --max-steps and --max-cycles.
inline void RunHeadless(benchmark::State& State, const std::string& Listing,
                        const Machine::RunLimits& Limits = {}, bool Profiled = false) {
    Machine machine;
    machine.setProfiling(Profiled);
    TCountingSink sink;
    machine.setMessageSink(&sink);
    if (!machine.load(QString::fromStdString(Listing))) {
        State.SkipWithError(("cannot read " + Listing).c_str());
        return;
    }
    const int32_t done = DoneAddress(machine.program());
    if (done < 0) {
        State.SkipWithError("no done: line in the listing");
        return;
    }
    machine.setBreakpoint(static_cast<uint32_t>(done), true);
    const TCPU_68HC11_& cpu = machine.cpu();
    int64_t cycles = 0;
    for (auto _ : State) {
        machine.requestReset();
        const int64_t before = cpu.CycleCount;
        const StopReason reason = machine.run(Limits);
        cycles += cpu.CycleCount - before;
        if (reason != StopReason::Breakpoint || cpu.PC != done || sink.Count != 0) {
            State.SkipWithError("the program did not reach its done line cleanly");
            return;
        }
    }
    ReportCycles(State, cycles);
}

inline std::string ListingBytes(uint32_t Seed, int Count) {
    std::string out;
    char hex[4];
    for (int k = 0; k < Count; ++k) {
        std::snprintf(hex, sizeof hex, "%02X ", (Seed * 7 + static_cast<uint32_t>(k) * 13) & 0xFF);
        out += hex;
    }
    return out;
}

inline std::string ListingPad(std::string Text, size_t Width) {
    if (Text.size() < Width) Text.append(Width - Text.size(), ' ');
    return Text;
}

// A generated listing of at least Lines lines: code lines of one to four bytes, FCB lines with
// continuation lines, comment and EQU lines, and a page header every 60 lines; code stays in $2000-$FFFF, away from the register block.
inline QByteArray MakeListing(int Lines) {
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
            put(head + ListingPad("", 20) + "; a comment line that writes nothing");
        } else if (kind == 1) {
            put(head + ListingPad("=$1000", 20) + "REGS\tequ\t$1000");
        } else if (kind == 2) {
            // FCB of 15 bytes: one code line and two continuation lines.
            put(head + ListingBytes(address, 6) + "  table:\tfcb\t1,2,3,4,5,6,7,8,9,10,11,12,13,14,15");
            put(std::string(20, ' ') + ListingBytes(address + 6, 6));
            put(std::string(20, ' ') + ListingBytes(address + 12, 3));
            address += 15;
        } else {
            const int n = 1 + source % 4;
            put(head + ListingPad(ListingBytes(address, n), 20) + "\tldaa\t#$55\t\t; an instruction");
            address += static_cast<uint32_t>(n);
        }
        if (address > 0xF000) address = 0x2000;
    }
    return QByteArray::fromStdString(text);
}
