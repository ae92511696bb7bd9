#pragma once
// Motorola S-records (.s19, .s28, .s37): S0 header, S1/S2/S3 data, S5/S6 record counts,
// S7/S8/S9 end with the start address. Every record's length and checksum is checked and every
// address must fit in 16 bits; the end record must be there. All or nothing: on any error the
// result is empty and the message names the line.

#include "loaders/ProgramImage.h"

#include <QByteArray>
#include <QString>
#include <optional>

namespace SRecordLoader {

// Whether Data looks like S-records (its first non-blank line starts with S0..S9).
bool looksLike(const QByteArray& Data);
std::optional<ProgramImage> parse(const QByteArray& Data, QString* Error);

} // namespace SRecordLoader
