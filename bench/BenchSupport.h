#pragma once
// Pieces the benchmarks share: a message sink that only counts, the address of a program's
// "done:" line, and the cycles-per-second counter.

#include "cpu/MessageSink.h"
#include "hc11/ListFileLoader.h"

#include <benchmark/benchmark.h>

#include <cstdint>

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
