// Reloading the program file after it was re-assembled, with the breakpoints carried over by
// source line (the same text, nearest to where it was) or label.
#include "machine/Machine.h"

#include <climits>
#include <cstdlib>

namespace {

// The line number a text shows in columns 1-8 (the source line of a listing or of an ELF
// file's source), or -1.
int lineNumberOf(const QByteArray& Line) {
    bool ok = false;
    const int n = Line.left(8).trimmed().toInt(&ok);
    return ok ? n : -1;
}

struct BreakpointKey {
    uint32_t Address = 0;
    int Document = -1; // the text with a source line for it (-1: none)
    QString Source;    // that text's source file (empty: the listing)
    int Line = -1;     // the source line number
    QByteArray Text;   // and its text
    QString Label;     // the label at or before it, and the distance
    uint32_t Offset = 0;
};

// The source text of a line of the listing layout (from column 41).
QByteArray sourceTextOf(const QByteArray& Line) {
    return Line.mid(40).trimmed();
}

// The address of the line of Key's source that has Key's text, the one nearest to Key's line
// number when the text occurs more than once; -1 when the text is gone.
int32_t addressOfSourceLine(const LoadedProgram& Program, const BreakpointKey& Key) {
    int32_t best = -1;
    int distance = INT_MAX;
    for (int d = 0; d < Program.documentCount(); ++d) {
        if (Program.documentSource(d) != Key.Source) continue;
        if (Key.Source.isEmpty() && Program.format() != LoadedProgram::Format::Listing) continue;
        const TKV_68HC11_ListFileLoader& text = Program.document(d);
        for (int32_t i = 0; i < text.LineCount(); ++i) {
            const int32_t address = text.LineAddress(i);
            if (address < 0 || sourceTextOf(text.Lines()[i]) != Key.Text) continue;
            const int d2 = std::abs(lineNumberOf(text.Lines()[i]) - Key.Line);
            if (d2 < distance) {
                distance = d2;
                best = address;
            }
        }
    }
    return best;
}

} // namespace

bool Machine::reload(QString* Error, int* Lost) {
    std::vector<BreakpointKey> keys;
    for (uint32_t address : breakpoints()) {
        BreakpointKey key;
        key.Address = address;
        for (int d = 0; d < Program->documentCount() && key.Line < 0; ++d) {
            const bool sourceText = !Program->documentSource(d).isEmpty() ||
                                    Program->format() == LoadedProgram::Format::Listing;
            const int32_t index = Program->document(d).LineOfAddress(address);
            if (!sourceText || index < 0) continue;
            key.Document = d;
            key.Source = Program->documentSource(d);
            key.Line = lineNumberOf(Program->document(d).Lines()[index]);
            key.Text = sourceTextOf(Program->document(d).Lines()[index]);
        }
        const QString name = Symbols.nameFor(address);
        const qsizetype plus = name.indexOf(u'+');
        key.Label = plus < 0 ? name : name.left(plus);
        key.Offset = plus < 0 ? 0 : name.mid(plus + 1).toUInt();
        keys.push_back(key);
    }
    if (!load(ProgramFile, Error)) {
        // A refused file changes nothing: the breakpoints were not touched.
        return false;
    }
    int lost = 0;
    for (const BreakpointKey& key : keys) {
        int32_t address = key.Line >= 0 ? addressOfSourceLine(*Program, key) : -1;
        // A label: the distance from it counts only where no source line says more; a line
        // that is gone keeps its breakpoint only when it was the label's own.
        const bool byLabel = key.Line < 0 || key.Offset == 0;
        if (address < 0 && byLabel && !key.Label.isEmpty()) {
            if (const auto value = Symbols.value(key.Label))
                address = static_cast<int32_t>((*value + key.Offset) & 0xFFFF);
        }
        // A disassembly has neither: the address stays while an instruction starts there.
        if (address < 0 && key.Line < 0 && Program->documentOf(key.Address) >= 0)
            address = static_cast<int32_t>(key.Address);
        if (address >= 0)
            setBreakpoint(static_cast<uint32_t>(address), true);
        else
            ++lost;
    }
    if (Lost) *Lost = lost;
    return true;
}
