#pragma once
// How listing text travels between raw 8-bit lines and the editor's QString lines.
//
// A listing is decoded as UTF-8 when every one of its lines is valid UTF-8 (plain ASCII is),
// and as Latin-1 otherwise, so no byte is ever lost or replaced. The highlighter scans bytes,
// so each QString line is turned back into the bytes it came from: Latin-1 text maps one
// character to one byte; UTF-8 text is scanned as its UTF-8 bytes and the token offsets are
// mapped back to character positions.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

enum class TTextEncoding : uint8_t { Latin1, Utf8 };

// Decodes the lines; Used receives the encoding that was chosen.
QStringList DecodeListingLines(const QList<QByteArray>& Lines, TTextEncoding& Used);

// The bytes of one line for the scanner. CharOf is left empty when byte i is character i
// (ASCII lines, Latin-1 text); otherwise it has Bytes.size() + 1 entries and CharOf[b] is the
// index of the character that byte b belongs to (CharOf[size] = Line.size()).
// In Latin-1 mode characters above U+00FF, which only typing can bring in, become '?'.
void LineToBytes(const QString& Line, TTextEncoding Encoding, QByteArray& Bytes,
                 std::vector<int32_t>& CharOf);
