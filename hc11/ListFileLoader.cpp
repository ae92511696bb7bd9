// Reading a listing file into lines, and the address -> line index.
#include "hc11/ListFileLoader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <cstring>

TKV_68HC11_ListFileLoader::TKV_68HC11_ListFileLoader(QObject* Owner)
    : QObject(Owner), AddressToLine(std::make_unique_for_overwrite<int32_t[]>(0x10000)) {
    BuildAddressIndex();
}

namespace {

QString Quoted(const QString& FileName) {
    return QStringLiteral("„") + QDir::toNativeSeparators(FileName) + QStringLiteral("“");
}

// Splits Text into lines at CR LF, LF or a lone CR. A line end at the very end of the text
// does not start another, empty line.
QList<QByteArray> SplitLines(const char* Text, qsizetype Size) {
    QList<QByteArray> lines;
    const char* p = Text;
    const char* const end = Text + Size;
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\n' && *q != '\r')
            ++q;
        lines.emplace_back(p, q - p);
        if (q == end) break;
        q += (*q == '\r' && q + 1 < end && q[1] == '\n') ? 2 : 1;
        p = q;
    }
    return lines;
}

} // namespace

bool TKV_68HC11_ListFileLoader::LoadFromFile(const QString& FileName, QString* Error) {
    auto fail = [Error](const QString& Message) {
        if (Error) *Error = Message;
        return false;
    };
    if (FileName.isEmpty()) return fail(QStringLiteral("Es wurde keine Datei angegeben."));
    const QFileInfo info(FileName);
    if (info.isDir())
        return fail(Quoted(FileName) + QStringLiteral(" ist ein Verzeichnis und keine Datei."));
    if (!info.exists())
        return fail(QStringLiteral("Die Datei ") + Quoted(FileName) +
                    QStringLiteral(" wurde nicht gefunden."));
    // A pipe or a terminal would block the program, and a device has no end.
    if (!info.isFile())
        return fail(Quoted(FileName) + QStringLiteral(" ist keine gewöhnliche Datei."));
    const QString tooLarge =
        QStringLiteral("Die Datei ") + Quoted(FileName) +
        QStringLiteral(" ist zu groß (mehr als %1 MiB).").arg(MaxFileSize / (1024 * 1024));

    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
            return fail(QStringLiteral("Die Datei ") + Quoted(FileName) +
                        QStringLiteral(" kann nicht gelesen werden: keine Leseberechtigung."));
        return fail(QStringLiteral("Die Datei ") + Quoted(FileName) +
                    QStringLiteral(" kann nicht geöffnet werden."));
    }
    QByteArray data;
    if (!file.isSequential()) {
        if (file.size() > MaxFileSize) return fail(tooLarge);
        data.reserve(file.size());
    }
    // Read in chunks: the text ends at the first NUL byte, and a device without a size (a pipe)
    // must not be read without bound.
    static constexpr qsizetype ChunkSize = 64 * 1024;
    QByteArray chunk(ChunkSize, Qt::Uninitialized);
    for (;;) {
        const qint64 n = file.read(chunk.data(), ChunkSize);
        if (n < 0)
            return fail(QStringLiteral("Fehler beim Lesen der Datei ") + Quoted(FileName) +
                        QStringLiteral("."));
        if (n == 0) break;
        const void* nul = std::memchr(chunk.constData(), 0, static_cast<size_t>(n));
        const qsizetype take = nul ? static_cast<const char*>(nul) - chunk.constData() : n;
        if (data.size() + take > MaxFileSize) return fail(tooLarge);
        data.append(chunk.constData(), take);
        if (nul) break;
    }
    SetLines(SplitLines(data.constData(), data.size()));
    return true;
}

void TKV_68HC11_ListFileLoader::LoadFromData(const QByteArray& Data) {
    const void* nul = std::memchr(Data.constData(), 0, static_cast<size_t>(Data.size()));
    const qsizetype size = nul ? static_cast<const char*>(nul) - Data.constData() : Data.size();
    SetLines(SplitLines(Data.constData(), size));
}

void TKV_68HC11_ListFileLoader::SetLines(QList<QByteArray>&& NewLines) {
    LinesField = std::move(NewLines);
    BuildAddressIndex();
}

namespace {

int HexDigit(char Ch) {
    if (Ch >= '0' && Ch <= '9') return Ch - '0';
    if (Ch >= 'A' && Ch <= 'F') return Ch - 'A' + 10;
    if (Ch >= 'a' && Ch <= 'f') return Ch - 'a' + 10;
    return -1;
}

} // namespace

void TKV_68HC11_ListFileLoader::BuildAddressIndex() {
    // All bits set is -1 in every entry.
    std::memset(AddressToLine.get(), 0xFF, 0x10000 * sizeof(int32_t));
    const qsizetype count = LinesField.size();
    for (qsizetype i = 0; i < count; ++i) {
        const QByteArray& line = LinesField[i];
        if (line.size() < 17) continue;
        int32_t address = 0;
        bool valid = true;
        for (qsizetype c = 13; c < 17 && valid; ++c) {
            const int digit = HexDigit(line[c]);
            valid = digit >= 0;
            address = address * 16 + digit;
        }
        // The last line that names an address wins (a label line before its instruction).
        if (valid) AddressToLine[static_cast<size_t>(address)] = static_cast<int32_t>(i);
    }
}

int32_t TKV_68HC11_ListFileLoader::LineOfAddress(uint32_t Address) const {
    if (Address > 0xFFFF) return -1;
    return AddressToLine[Address];
}

QString TKV_68HC11_ListFileLoader::LineText(const QByteArray& Line) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(Line);
    if (decoder.hasError()) return QString::fromLatin1(Line);
    return text;
}
