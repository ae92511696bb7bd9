#include "loaders/IntelHexLoader.h"

#include "loaders/TextRecords.h"

namespace IntelHexLoader {

using TextRecords::atLine;
using TextRecords::hex;

bool looksLike(const QByteArray& Data) {
    return TextRecords::firstLine(Data).startsWith(':');
}

std::optional<ProgramImage> parse(const QByteArray& Data, QString* Error) {
    auto fail = [Error](qsizetype Index, const QString& Text) -> std::optional<ProgramImage> {
        if (Error) *Error = atLine(Index, Text);
        return std::nullopt;
    };
    ProgramImage image;
    bool ended = false;
    const QList<QByteArray> lines = TextRecords::lines(Data);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.isEmpty()) continue;
        if (ended) return fail(i, QStringLiteral("Nach dem Endsatz folgt noch ein Satz."));
        if (line[0] != ':')
            return fail(i,
                        QStringLiteral("Das ist kein Intel-HEX-Satz (Zeilen beginnen mit „:“)."));
        const auto bytes = TextRecords::hexBytes(line.mid(1));
        if (!bytes || bytes->size() < 5) return fail(i, TextRecords::notHexText());
        const size_t count = (*bytes)[0];
        if (count + 5 != bytes->size())
            return fail(i, QStringLiteral("Die Satzlänge %1 passt nicht zu den %2 Datenbytes der "
                                          "Zeile (Zeile abgeschnitten?).")
                               .arg(count)
                               .arg(bytes->size() - 5));
        uint32_t sum = 0;
        for (uint8_t b : *bytes)
            sum += b;
        if ((sum & 0xFF) != 0) {
            const uint8_t expected = static_cast<uint8_t>((bytes->back() - sum) & 0xFF);
            return fail(i, TextRecords::badChecksumText(bytes->back(), expected));
        }
        const uint32_t address = (static_cast<uint32_t>((*bytes)[1]) << 8) | (*bytes)[2];
        const int type = (*bytes)[3];
        const uint8_t* data = bytes->data() + 4;
        uint32_t value = 0; // the data field as a big-endian number (types 02 to 05)
        for (size_t k = 0; k < count && k < 4; ++k)
            value = (value << 8) | data[k];
        switch (type) {
        case 0x00:
            if (address + count > 0x10000)
                return fail(i, TextRecords::pastAddressSpaceText(address + count - 1));
            for (size_t k = 0; k < count; ++k)
                image.put(address + static_cast<uint32_t>(k), data[k]);
            break;
        case 0x01: ended = true; break;
        case 0x02:
        case 0x04:
            if (count != 2)
                return fail(i, QStringLiteral("Ein Adresssatz (Typ %1) hat zwei Datenbytes.")
                                   .arg(hex(static_cast<uint64_t>(type), 2)));
            if (value != 0)
                return fail(i, TextRecords::pastAddressSpaceText(
                                   type == 0x02 ? value * 16 : uint64_t{value} << 16));
            break;
        case 0x03:
        case 0x05: {
            if (count != 4)
                return fail(i, QStringLiteral("Ein Startadresssatz (Typ %1) hat vier Datenbytes.")
                                   .arg(hex(static_cast<uint64_t>(type), 2)));
            // Type 03 is CS:IP, type 05 a linear address.
            const uint64_t start =
                type == 0x03 ? uint64_t{value >> 16} * 16 + (value & 0xFFFF) : uint64_t{value};
            if (start > 0xFFFF) return fail(i, TextRecords::startPastAddressSpaceText(start));
            image.Entry = static_cast<uint16_t>(start);
            break;
        }
        default:
            return fail(i, QStringLiteral("Satzart %1 gibt es in Intel HEX nicht.")
                               .arg(hex(static_cast<uint64_t>(type), 2)));
        }
    }
    if (!ended)
        return fail(lines.size(), QStringLiteral("Der Endsatz (Typ 01) fehlt: die Datei ist "
                                                 "unvollständig."));
    return image;
}

} // namespace IntelHexLoader
