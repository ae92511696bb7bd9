// Speed of the source view on a 100,000-line listing: scanning, opening it in the editor
// with highlighting, and scrolling through it.
#include "sourceview/KvMAssemSyn.h"
#include "sourceview/SourceEdit.h"
#include "sourceview/SynDebug.h"

#include <QApplication>
#include <QByteArray>
#include <QList>
#include <QPixmap>
#include <benchmark/benchmark.h>

namespace {

constexpr int ListingLines = 100000;

// Lines shaped like an assembler listing: line number, address, code bytes, source.
QList<QByteArray> MakeListing(int Count) {
    static const char* const Sources[] = {
        "copy:\tldaa\t0,x\t\t; fetch the next byte",
        "\tstaa\t0,y",
        "\tbne\tcopy",
        "\tfcc\t'it''s a string'",
        "table:\tfcb\t$12,%1011,0FFh,17o,0x1F",
        "",
        "; ------------------------------------------------------------",
    };
    QList<QByteArray> Lines;
    Lines.reserve(Count);
    for (int I = 0; I < Count; ++I) {
        QByteArray L = QByteArray::number(I + 1).rightJustified(8) + "/    " +
                       QByteArray::number(0xE000 + I * 3, 16).toUpper() + " : 8E 00 FF" +
                       QByteArray(12, ' ') + Sources[I % 7];
        Lines.append(L);
    }
    return Lines;
}

const QList<QByteArray>& Listing() {
    static const QList<QByteArray> Lines = MakeListing(ListingLines);
    return Lines;
}

void BM_ScanListing(benchmark::State& State) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    const QList<QByteArray>& Lines = Listing();
    int64_t Bytes = 0;
    for (auto _ : State) {
        int64_t Tokens = 0;
        for (const QByteArray& L : Lines) {
            Syn.SetLine(L.constData(), 0);
            while (!Syn.GetEol()) {
                ++Tokens;
                Syn.Next();
            }
            Bytes += L.size();
        }
        benchmark::DoNotOptimize(Tokens);
    }
    State.SetBytesProcessed(Bytes);
}
BENCHMARK(BM_ScanListing)->Unit(benchmark::kMillisecond);

// Opening: decoding, building the document and highlighting every line.
void BM_OpenListingHighlighted(benchmark::State& State) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    TSourceEdit Edit;
    Edit.resize(800, 600);
    Edit.SetHighlighter(&Syn);
    Edit.show();
    for (auto _ : State) {
        Edit.SetLines(Listing());
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OpenListingHighlighted)->Unit(benchmark::kMillisecond)->Iterations(3);

// Same without a highlighter, to tell the two costs apart.
void BM_OpenListingPlain(benchmark::State& State) {
    TSourceEdit Edit;
    Edit.resize(800, 600);
    Edit.show();
    for (auto _ : State) {
        Edit.SetLines(Listing());
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_OpenListingPlain)->Unit(benchmark::kMillisecond)->Iterations(3);

// One scroll step to a far place plus the repaint of the whole view, with marks.
void BM_ScrollAndPaint(benchmark::State& State) {
    TKvMAssemSyn Syn;
    Syn.SetCPUTypeString(QStringLiteral("6811"));
    TSourceEdit Edit;
    Edit.resize(800, 600);
    Edit.SetHighlighter(&Syn);
    Edit.SetLines(Listing());
    TSynDebug Debug;
    Debug.SetSynEdit(&Edit);
    for (int32_t L = 1; L <= ListingLines; L += 997)
        Debug.ToggleBreakpoint(L);
    Edit.show();
    QPixmap Target(Edit.size());
    int32_t Top = 1;
    for (auto _ : State) {
        Top = (Top + 7919) % ListingLines;
        Debug.SetExecutionLine(Top + 5);
        Edit.SetTopLine(Top);
        Edit.render(&Target);
    }
}
BENCHMARK(BM_ScrollAndPaint)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int Argc, char** Argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication App(Argc, Argv);
    benchmark::Initialize(&Argc, Argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
