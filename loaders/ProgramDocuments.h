#pragma once
// The texts the source view shows for a program file that is not a listing, written in the
// listing's own layout (line number, "/", the address in columns 14-17, up to six bytes, the
// text from column 41), so that the listing loader indexes their lines by address and the
// window's gutter, breakpoints and PC line work on them unchanged. Lines without an address
// carry no "/" in column 9 and are no code lines.

#include "hc11/Disassembler.h"
#include "loaders/ProgramImage.h"
#include "loaders/SymbolTable.h"

#include <QByteArray>
#include <QString>
#include <set>
#include <utility>
#include <vector>

namespace ProgramDocuments {

// A code line: "   12/    E000 : 8E 00 FF            " followed by Text.
QByteArray codeLine(int Number, uint32_t Address, const uint8_t* Bytes, int Count,
                    const QByteArray& Text);
// A line without an address: the line number and blanks up to column 40, then Text.
QByteArray plainLine(int Number, const QByteArray& Text);

// A disassembly of Regions ([first, last] address pairs) read through Read: one line per
// instruction (label, mnemonic, operand with the labels of Symbols), the interrupt vectors at
// $FFD6-$FFFF as FDB words, and every address of Starts begins an instruction (a longer
// instruction before it is shown as single bytes). Title heads the text.
QList<QByteArray> disassembly(const std::vector<std::pair<uint32_t, uint32_t>>& Regions,
                       const Disassembler::ByteReader& Read, const SymbolTable& Symbols,
                       const std::set<uint32_t>& Starts, const QString& Title);

// One source file of a DWARF line table shown with its addresses: line N of the text is line N
// of the file; a line the table names carries its lowest address and the bytes from there up
// to the next address the table names (at most six).
QList<QByteArray> annotatedSource(const QList<QByteArray>& SourceLines, const ProgramImage& Image,
                           const QString& File);

} // namespace ProgramDocuments
