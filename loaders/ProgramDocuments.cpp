#include "loaders/ProgramDocuments.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace ProgramDocuments {

namespace {

constexpr int BytesPerLine = 6;
constexpr qsizetype SourceColumn = 40; // 0-based: text starts in column 41
// The 68HC11's interrupt vectors, from SCI ($FFD6) to reset ($FFFE).
constexpr uint32_t FirstVector = 0xFFD6;

QByteArray hexWord(uint32_t Value) {
    return QByteArray::number(Value & 0xFFFF, 16).toUpper().rightJustified(4, '0');
}

} // namespace

QByteArray codeLine(int Number, uint32_t Address, const uint8_t* Bytes, int Count,
                    const QByteArray& Text) {
    // Built in a buffer: a 64 KiB disassembly has some 30000 of these lines.
    static constexpr char Hex[] = "0123456789ABCDEF";
    char head[SourceColumn + 1];
    std::snprintf(head, sizeof head, "%8d/    %04X : ", Number,
                  static_cast<unsigned>(Address & 0xFFFF));
    char* p = head + 20;
    for (int k = 0; k < std::min(Count, BytesPerLine); ++k) {
        *p++ = Hex[Bytes[k] >> 4];
        *p++ = Hex[Bytes[k] & 15];
        *p++ = ' ';
    }
    while (p < head + SourceColumn)
        *p++ = ' ';
    QByteArray line;
    line.reserve(SourceColumn + Text.size());
    line.append(head, SourceColumn);
    line.append(Text);
    return line;
}

QByteArray plainLine(int Number, const QByteArray& Text) {
    char head[SourceColumn + 1];
    std::snprintf(head, sizeof head, "%8d%32s", Number, "");
    return QByteArray(head, SourceColumn) + Text;
}

QList<QByteArray> disassembly(const std::vector<std::pair<uint32_t, uint32_t>>& Regions,
                       const Disassembler::ByteReader& Read, const SymbolTable& Symbols,
                       const std::set<uint32_t>& Starts, const QString& Title) {
    Disassembler d;
    d.setNamer([&Symbols](uint32_t A) { return Symbols.labelAt(A); });
    QList<QByteArray> out;
    auto add = [&out](const QByteArray& Line) { out.append(Line); };
    add(plainLine(1, "; " + Title.toUtf8()));
    for (const auto& [first, last] : Regions) {
        add(plainLine(static_cast<int>(out.size()) + 1, QByteArray()));
        add(plainLine(static_cast<int>(out.size()) + 1,
                      "; $" + hexWord(first) + " - $" + hexWord(last)));
        for (uint32_t a = first; a <= last;) {
            uint8_t bytes[BytesPerLine];
            QByteArray text;
            int length = 1;
            if (a >= FirstVector && (a & 1) == 0 && a < last) {
                length = 2;
                const uint32_t target = (static_cast<uint32_t>(Read(a)) << 8) | Read(a + 1);
                const QString name = Symbols.labelAt(target);
                text = "FDB\t" + (name.isEmpty() ? "$" + hexWord(target) : name.toUtf8());
            } else {
                const Disassembler::Instruction in = d.decode(Read, a);
                length = in.Length;
                // An instruction that runs past the region or over a known start is no
                // instruction here: its first byte is data.
                const uint32_t end = a + static_cast<uint32_t>(in.Length);
                const auto start = Starts.upper_bound(a);
                const bool cut = end - 1 > last || (start != Starts.end() && *start < end);
                if (cut) {
                    length = 1;
                    text =
                        "FCB\t$" + QByteArray::number(Read(a), 16).toUpper().rightJustified(2, '0');
                } else {
                    text = in.Mnemonic.toUtf8();
                    if (!in.Operand.isEmpty()) text += '\t' + in.Operand.toUtf8();
                }
            }
            for (int k = 0; k < length; ++k)
                bytes[k] = Read(a + static_cast<uint32_t>(k));
            const QString label = Symbols.labelAt(a);
            add(codeLine(static_cast<int>(out.size()) + 1, a, bytes, length,
                         (label.isEmpty() ? QByteArray() : label.toUtf8() + ':') + '\t' + text));
            a += static_cast<uint32_t>(length);
        }
    }
    return out;
}

QList<QByteArray> annotatedSource(const QList<QByteArray>& SourceLines, const ProgramImage& Image,
                           const QString& File) {
    // Lowest address per line of this file, and every address the table names (any file), to
    // know where a line's bytes end.
    std::map<int, uint32_t> addressOfLine;
    std::set<uint32_t> boundaries;
    for (const ProgramImage::SourceLine& l : Image.Lines) {
        boundaries.insert(l.Address);
        if (l.File != File) continue;
        auto [it, inserted] = addressOfLine.emplace(l.Line, l.Address);
        if (!inserted) it->second = std::min<uint32_t>(it->second, l.Address);
    }
    QList<QByteArray> out;
    out.reserve(SourceLines.size());
    for (qsizetype i = 0; i < SourceLines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const auto found = addressOfLine.find(number);
        if (found == addressOfLine.end()) {
            out.append(plainLine(number, SourceLines[i]));
            continue;
        }
        const uint32_t address = found->second;
        const auto next = boundaries.upper_bound(address);
        const uint32_t end = std::min<uint32_t>(
            {next == boundaries.end() ? 0x10000u : *next, address + BytesPerLine, 0x10000u});
        uint8_t bytes[BytesPerLine];
        int count = 0;
        for (uint32_t a = address; a < end && Image.Loaded[a]; ++a)
            bytes[count++] = Image.Bytes[a];
        out.append(codeLine(number, address, bytes, count, SourceLines[i]));
    }
    return out;
}

} // namespace ProgramDocuments
