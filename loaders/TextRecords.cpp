#include "loaders/TextRecords.h"

namespace TextRecords {

QList<QByteArray> lines(const QByteArray& Data) {
    QList<QByteArray> result;
    qsizetype start = 0;
    const qsizetype size = Data.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && Data[end] != '\n' && Data[end] != '\r')
            ++end;
        qsizetype last = end;
        while (last > start && (Data[last - 1] == ' ' || Data[last - 1] == '\t'))
            --last;
        result.append(Data.mid(start, last - start));
        if (end < size && Data[end] == '\r' && end + 1 < size && Data[end + 1] == '\n') ++end;
        start = end + 1;
    }
    return result;
}

QByteArray firstLine(const QByteArray& Data) {
    // Only the beginning matters: a binary file has no line ends to look for.
    for (const QByteArray& line : lines(Data.left(4096))) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty()) return trimmed;
    }
    return {};
}

std::optional<std::vector<uint8_t>> hexBytes(const QByteArray& Text) {
    if (Text.size() % 2 != 0) return std::nullopt;
    auto digit = [](char C) {
        if (C >= '0' && C <= '9') return C - '0';
        if (C >= 'A' && C <= 'F') return C - 'A' + 10;
        if (C >= 'a' && C <= 'f') return C - 'a' + 10;
        return -1;
    };
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(Text.size() / 2));
    for (qsizetype i = 0; i < Text.size(); i += 2) {
        const int high = digit(Text[i]), low = digit(Text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return bytes;
}

QString hex(uint64_t Value, int Width) {
    return QStringLiteral("%1").arg(Value, Width, 16, QChar(u'0')).toUpper();
}

QString atLine(qsizetype Index, const QString& Text) {
    return QStringLiteral("Zeile %1: %2").arg(Index + 1).arg(Text);
}

QString notHexText() {
    return QStringLiteral("Der Satz enthält Zeichen, die keine Hexziffern sind, oder ist "
                          "unvollständig.");
}

QString badChecksumText(uint8_t Read, uint8_t Expected) {
    return QStringLiteral("Prüfsumme falsch: $%1 gelesen, $%2 erwartet.")
        .arg(hex(Read, 2), hex(Expected, 2));
}

QString pastAddressSpaceText(uint64_t Address) {
    return QStringLiteral("Die Adresse $%1 liegt hinter $FFFF: der 68HC11 hat 64 KiB Adressraum.")
        .arg(hex(Address, 4));
}

QString startPastAddressSpaceText(uint64_t Address) {
    return QStringLiteral("Die Startadresse $%1 liegt hinter $FFFF.").arg(hex(Address, 4));
}

} // namespace TextRecords
