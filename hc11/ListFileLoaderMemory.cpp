// The listing's line format: recognising code and continuation lines, reading their fields,
// writing their bytes into the CPU's memory and setting breakpoints by line.
#include "hc11/ListFileLoader.h"

namespace {

// 0-based byte positions of the fixed columns.
constexpr qsizetype SlashColumn = 8;
constexpr qsizetype AddressColumn = 13;
constexpr qsizetype AddressWidth = 4;
constexpr qsizetype FirstByteColumn = 20;
constexpr qsizetype FieldStride = 3;
constexpr int FieldsPerLine = 6;
constexpr qsizetype MinCodeLineLength = 41;
constexpr qsizetype MinContinuationLength = 22;
constexpr qsizetype MaxContinuationLength = 38;

bool IsControlOrBlank(char Ch) {
    return static_cast<unsigned char>(Ch) <= 0x20;
}

// Reads the field of Width bytes at Start (fewer where the line ends), trimmed of blanks and
// control characters, as an unsigned hex number. -1 when it is empty or holds anything else.
int32_t ReadHexField(const QByteArray& Line, qsizetype Start, qsizetype Width) {
    qsizetype first = Start;
    qsizetype last = std::min(Start + Width, Line.size());
    while (first < last && IsControlOrBlank(Line[first]))
        ++first;
    while (last > first && IsControlOrBlank(Line[last - 1]))
        --last;
    if (first == last) return -1;
    int32_t value = 0;
    for (qsizetype c = first; c < last; ++c) {
        const char ch = Line[c];
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else if (ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

bool IsTwoBlanks(const QByteArray& Line, qsizetype Start) {
    return Start + 1 < Line.size() && Line[Start] == ' ' && Line[Start + 1] == ' ';
}

bool IsBlankLine(const QByteArray& Line) {
    return std::all_of(Line.begin(), Line.end(), IsControlOrBlank);
}

bool IsPageHeader(const QByteArray& Line) {
    return !Line.isEmpty() && Line[0] == '\f';
}

} // namespace

bool TKV_68HC11_ListFileLoader::IsCodeLineText(const QByteArray& Line) {
    if (Line.size() < MinCodeLineLength) return false;
    if (Line[SlashColumn] != '/' || Line[17] != ' ' || Line[18] != ':' || Line[19] != ' ')
        return false;
    for (int k = 0; k < FieldsPerLine - 1; ++k) {
        if (Line[FirstByteColumn + FieldStride * k + 2] != ' ') return false;
    }
    return true;
}

bool TKV_68HC11_ListFileLoader::IsContinuationLineText(const QByteArray& Line) {
    if (Line.size() < MinContinuationLength || Line.size() > MaxContinuationLength) return false;
    for (qsizetype c = 0; c < FirstByteColumn; ++c) {
        if (Line[c] != ' ') return false;
    }
    return true;
}

bool TKV_68HC11_ListFileLoader::IsCodeLine(int32_t LineIndex) const {
    return LineIndex >= 0 && LineIndex < LinesField.size() && IsCodeLineText(LinesField[LineIndex]);
}

bool TKV_68HC11_ListFileLoader::IsContinuationLine(int32_t LineIndex) const {
    return LineIndex >= 0 && LineIndex < LinesField.size() &&
           IsContinuationLineText(LinesField[LineIndex]);
}

int32_t TKV_68HC11_ListFileLoader::LineAddress(int32_t LineIndex) const {
    if (LineIndex < 0 || LineIndex >= LinesField.size()) return -1;
    return LineTextAddress(LinesField[LineIndex]);
}

int32_t TKV_68HC11_ListFileLoader::LineTextAddress(const QByteArray& Line) {
    if (!IsCodeLineText(Line)) return -1;
    return ReadHexField(Line, AddressColumn, AddressWidth);
}

bool TKV_68HC11_ListFileLoader::SetLineBreakpoint(int32_t LineIndex, bool Active) {
    TCustomCPU* cpu = CPUField.data();
    if (!cpu) return false;
    const int32_t address = LineAddress(LineIndex);
    if (address < 0) return false;
    cpu->SetBreakpoint(static_cast<uint32_t>(address), Active);
    return true;
}

namespace {

// Steps over page breaks at Index: a page header (form feed) and the blank lines after it.
qsizetype SkipPageBreaks(const QList<QByteArray>& Lines, qsizetype Index) {
    while (Index < Lines.size() && IsPageHeader(Lines[Index])) {
        ++Index;
        while (Index < Lines.size() && IsBlankLine(Lines[Index]) &&
               !TKV_68HC11_ListFileLoader::IsContinuationLineText(Lines[Index]))
            ++Index;
    }
    return Index;
}

// Writes the bytes of the code line at Index and of its continuation lines. Returns -1 on
// success, else the index of the line whose field could not be read.
qsizetype LoadCodeLine(TCustomCPU& Cpu, const QList<QByteArray>& Lines, qsizetype Index) {
    const QByteArray& line = Lines[Index];
    const int32_t base = ReadHexField(line, AddressColumn, AddressWidth);
    if (base < 0) return Index;
    uint32_t address = static_cast<uint32_t>(base);
    for (int k = 0; k < FieldsPerLine; ++k) {
        const qsizetype start = FirstByteColumn + FieldStride * k;
        if (IsTwoBlanks(line, start)) continue;
        const int32_t value = ReadHexField(line, start, 2);
        if (value < 0) return Index;
        Cpu.WriteMemory((address + static_cast<uint32_t>(k)) & 0xFFFF, value);
    }
    for (qsizetype j = SkipPageBreaks(Lines, Index + 1);
         j < Lines.size() && TKV_68HC11_ListFileLoader::IsContinuationLineText(Lines[j]);
         j = SkipPageBreaks(Lines, j + 1)) {
        // Six addresses per line above, however many fields it held.
        address = (address + FieldsPerLine) & 0xFFFF;
        const QByteArray& cont = Lines[j];
        for (int k = 0; k < FieldsPerLine; ++k) {
            const qsizetype start = FirstByteColumn + FieldStride * k;
            if (start >= cont.size() || IsTwoBlanks(cont, start)) continue;
            const int32_t value = ReadHexField(cont, start, 2);
            if (value < 0) return j;
            Cpu.WriteMemory((address + static_cast<uint32_t>(k)) & 0xFFFF, value);
        }
    }
    return -1;
}

} // namespace

int32_t TKV_68HC11_ListFileLoader::LoadToMemory() {
    if (!CPUField) return 0;
    // A shared copy: the list stays as it is while a message box runs a nested event loop.
    const QList<QByteArray> lines = LinesField;
    int32_t errors = 0;
    bool report = true;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!IsCodeLineText(lines[i])) continue;
        TCustomCPU* cpu = CPUField.data();
        if (!cpu) break;
        const qsizetype failed = LoadCodeLine(*cpu, lines, i);
        if (failed < 0) continue;
        ++errors;
        if (!report) continue;
        QString text = LineText(lines[failed]);
        if (text.size() > MaxReportedLineLength)
            text = text.left(MaxReportedLineLength) + QStringLiteral(" …");
        const TMsgResult answer =
            cpu->ShowMessage(text, QStringLiteral("Fehler in Zeile:") + QString::number(i),
                             TMsgIcon::None, TMsgButtons::OkCancel);
        // Cancel: no more boxes for this listing; the remaining lines are still loaded.
        if (answer == TMsgResult::Cancel) report = false;
    }
    return errors;
}
