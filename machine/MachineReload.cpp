// Reloading the program file after it was re-assembled, with the breakpoints carried over by
// source line or label.
#include "machine/Machine.h"

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
    int Line = -1;
    QString Label; // the label at or before it, and the distance
    uint32_t Offset = 0;
};

// The address of source line Line in the text of Program that shows Source, or -1.
int32_t addressOfSourceLine(const LoadedProgram& Program, const QString& Source, int Line) {
    for (int d = 0; d < Program.documentCount(); ++d) {
        if (Program.documentSource(d) != Source) continue;
        if (Source.isEmpty() && Program.format() != LoadedProgram::Format::Listing) continue;
        const TKV_68HC11_ListFileLoader& text = Program.document(d);
        for (int32_t i = 0; i < text.LineCount(); ++i) {
            if (lineNumberOf(text.Lines()[i]) != Line) continue;
            const int32_t address = text.LineAddress(i);
            if (address >= 0) return address;
        }
    }
    return -1;
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
        int32_t address = key.Line >= 0 ? addressOfSourceLine(*Program, key.Source, key.Line) : -1;
        if (address < 0 && !key.Label.isEmpty()) {
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
