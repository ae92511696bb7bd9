#include "loaders/SRecordLoader.h"

#include "loaders/TextRecords.h"

namespace SRecordLoader {

using TextRecords::atLine;

bool looksLike(const QByteArray& Data) {
    const QByteArray first = TextRecords::firstLine(Data);
    return first.size() >= 2 && (first[0] == 'S' || first[0] == 's') && first[1] >= '0' &&
           first[1] <= '9';
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
        if (ended) return fail(i, QStringLiteral("Nach dem Schlusssatz folgt noch ein Satz."));
        if (line.size() < 2 || (line[0] != 'S' && line[0] != 's') || line[1] < '0' || line[1] > '9')
            return fail(i,
                        QStringLiteral("Das ist kein S-Record (Zeilen beginnen mit S0 bis S9)."));
        const int type = line[1] - '0';
        const auto bytes = TextRecords::hexBytes(line.mid(2));
        if (!bytes || bytes->empty()) return fail(i, TextRecords::notHexText());
        const size_t count = (*bytes)[0];
        if (count + 1 != bytes->size())
            return fail(i, QStringLiteral("Die Satzlänge %1 passt nicht zu den %2 Bytes der Zeile "
                                          "(Zeile abgeschnitten?).")
                               .arg(count)
                               .arg(bytes->size() - 1));
        uint32_t sum = 0;
        for (size_t k = 0; k + 1 < bytes->size(); ++k)
            sum += (*bytes)[k];
        const uint8_t expected = static_cast<uint8_t>(~sum & 0xFF);
        if (expected != bytes->back())
            return fail(i, TextRecords::badChecksumText(bytes->back(), expected));
        // Address width by type: S0/S1/S5/S9 two bytes, S2/S6/S8 three, S3/S7 four.
        static constexpr int AddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
        const int width = AddressBytes[type];
        if (width == 0) return fail(i, QStringLiteral("Satzart S4 gibt es nicht."));
        if (count < static_cast<size_t>(width) + 1)
            return fail(i, QStringLiteral("Der Satz ist zu kurz für seine Adresse."));
        uint64_t address = 0;
        for (int k = 0; k < width; ++k)
            address = address * 256 + (*bytes)[static_cast<size_t>(1 + k)];
        const size_t first = static_cast<size_t>(1 + width);
        const size_t dataCount = bytes->size() - 1 - first;
        switch (type) {
        case 0:
            image.Name = QString::fromLatin1(reinterpret_cast<const char*>(bytes->data() + first),
                                             static_cast<qsizetype>(dataCount))
                             .trimmed();
            image.Name.remove(QChar(0));
            break;
        case 1:
        case 2:
        case 3:
            if (address + dataCount > 0x10000)
                return fail(i, TextRecords::pastAddressSpaceText(address +
                                                                 (dataCount ? dataCount - 1 : 0)));
            for (size_t k = 0; k < dataCount; ++k)
                image.put(static_cast<uint32_t>(address + k), (*bytes)[first + k]);
            break;
        case 5:
        case 6: break; // record counts: checked by their checksum only
        default:       // 7, 8, 9: the end, with the start address
            if (address > 0xFFFF) return fail(i, TextRecords::startPastAddressSpaceText(address));
            image.Entry = static_cast<uint16_t>(address);
            ended = true;
            break;
        }
    }
    if (!ended)
        return fail(lines.size(), QStringLiteral("Der Schlusssatz (S7, S8 oder S9) fehlt: "
                                                 "die Datei ist unvollständig."));
    return image;
}

} // namespace SRecordLoader
