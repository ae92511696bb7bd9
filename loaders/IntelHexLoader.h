#pragma once
// Intel HEX (.hex): data records (00), the end record (01), extended segment and linear
// addresses (02, 04) only with a zero upper address, start addresses (03, 05) that fit in 16
// bits. Every record's length and checksum is checked; the end record must be there. All or
// nothing: on any error the result is empty and the message names the line.

#include "loaders/ProgramImage.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace IntelHexLoader {

// Whether Data looks like Intel HEX (its first non-blank line starts with ':').
bool looksLike(const QByteArray& Data);
std::optional<ProgramImage> parse(const QByteArray& Data, QString* Error);

} // namespace IntelHexLoader
