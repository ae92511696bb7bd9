#pragma once
// What the S-record and Intel HEX readers share: splitting into lines and reading hex pairs.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace TextRecords {

// The lines of Data (LF, CR LF or CR), trailing blanks removed.
QList<QByteArray> lines(const QByteArray& Data);
// The first line that is not blank, or an empty array.
QByteArray firstLine(const QByteArray& Data);
// The bytes written as hex pairs in Text; empty when a character is no hex digit or the count
// is odd.
std::optional<std::vector<uint8_t>> hexBytes(const QByteArray& Text);
// Value as upper-case hex digits, at least Width of them.
QString hex(uint64_t Value, int Width);
// "Zeile N: Text" for a 0-based line index.
QString atLine(qsizetype Index, const QString& Text);

// The reasons both formats give for a bad record.
QString notHexText();
QString badChecksumText(uint8_t Read, uint8_t Expected);
QString pastAddressSpaceText(uint64_t Address);
QString startPastAddressSpaceText(uint64_t Address);

} // namespace TextRecords
