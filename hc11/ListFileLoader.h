#pragma once
// Reads a 68HC11 assembler listing, keeps its lines, writes the code bytes that the listing
// records into the CPU's memory and maps listing lines to addresses and back.
//
// Listing format (columns counted from 1, one byte per column; tabs count as one column):
//   code line:          longer than 40 bytes; column 9 "/", columns 14-17 the address (hex,
//                       up to 4 digits, blank- or zero-padded), columns 18-20 " : ", byte fields
//                       at 21-22, 24-25, 27-28, 30-31, 33-34, 36-37 (two hex digits or two
//                       blanks) with blanks at 23, 26, 29, 32, 35; the source text follows.
//   continuation line:  22 to 38 bytes, columns 1-20 blank, byte fields as above; carries the
//                       next six addresses after the code line (or continuation line) above.
//   page break:         a line starting with a form feed (the page header) and the blank lines
//                       after it; the scan for continuation lines steps over it.
// Every other line is ignored, whatever it holds.

#include "cpu/CPU.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>

class TKV_68HC11_ListFileLoader : public QObject {
    Q_OBJECT
  public:
    // Files larger than this are refused rather than read into memory.
    static constexpr qsizetype MaxFileSize = qsizetype{256} * 1024 * 1024;
    // A line text longer than this is cut in the error box.
    static constexpr qsizetype MaxReportedLineLength = 200;

    explicit TKV_68HC11_ListFileLoader(QObject* Owner = nullptr);

    // The CPU whose memory and breakpoints the loader writes; not owned, may be unset (it
    // becomes unset when that CPU is destroyed).
    TCustomCPU* CPU() const { return CPUField; }
    void SetCPU(TCustomCPU* Value) { CPUField = Value; }

    // Replaces Lines with the lines of the named file. Lines end at CR LF, LF or a lone CR;
    // the text ends at the end of the file or at its first NUL byte. Nothing is written to
    // memory. When the file cannot be read (missing, a directory or another non-regular file
    // such as a pipe, no read permission, a read error, larger than MaxFileSize) the result is
    // false, *Error (if given) receives a German message that names the file, and Lines keeps
    // its previous content.
    bool LoadFromFile(const QString& FileName, QString* Error = nullptr);
    // The same for text already in memory (never fails).
    void LoadFromData(const QByteArray& Data);
    // The same for lines already split (without line ends).
    void LoadFromLines(QList<QByteArray> NewLines) { SetLines(std::move(NewLines)); }

    // The loaded lines, raw 8-bit text without line ends; index 0 is the first line.
    const QList<QByteArray>& Lines() const { return LinesField; }
    int32_t LineCount() const { return static_cast<int32_t>(LinesField.size()); }

    // Writes every code byte of Lines through the CPU's WriteMemory (so bytes in a device
    // window reach the device). A code line that cannot be read (a field that is not hex) is
    // abandoned from that field on, with its continuation lines, and reported in a box through
    // the CPU's ShowMessage: caption "Fehler in Zeile:" plus the 0-based index of the code
    // line, text the line being read, buttons OK and Cancel, no icon. Loading goes on with the
    // next line either way; Cancel only suppresses the boxes for the rest of this call. Bytes
    // written before an error stay written. Does nothing while CPU is unset.
    // Returns the number of code lines that had an error.
    int32_t LoadToMemory();

    // Sets or clears the CPU breakpoint at the address of the code line with this 0-based
    // index. Returns false, changing nothing, when CPU is unset, the line is no code line or
    // its address field cannot be read.
    bool SetLineBreakpoint(int32_t LineIndex, bool Active);

    // Line classifiers; false for an index outside Lines.
    bool IsCodeLine(int32_t LineIndex) const;
    bool IsContinuationLine(int32_t LineIndex) const;

    // Address of a code line (0..65535), or -1 when the line is no code line or its address
    // field cannot be read.
    int32_t LineAddress(int32_t LineIndex) const;

    // The line that shows the program counter Address: the last line whose columns 14-17 hold
    // exactly four hex digits equal to Address, or -1 when no line does. A table lookup,
    // built when the file is read; cheap enough to call after every step.
    int32_t LineOfAddress(uint32_t Address) const;

    // Text of a raw line for display: UTF-8 when the bytes are valid UTF-8, else Latin-1.
    static QString LineText(const QByteArray& Line);

    // The address a line shows in columns 14-17 when it is a code line, else -1. For a line of
    // the source view, which may no longer be the line the file had there.
    static int32_t LineTextAddress(const QByteArray& Line);

    // Format tests on a single raw line.
    static bool IsCodeLineText(const QByteArray& Line);
    static bool IsContinuationLineText(const QByteArray& Line);

  private:
    void SetLines(QList<QByteArray>&& NewLines);
    void BuildAddressIndex();

    QPointer<TCustomCPU> CPUField;
    QList<QByteArray> LinesField;
    std::unique_ptr<int32_t[]> AddressToLine; // 65536 entries, -1 = no line
};
