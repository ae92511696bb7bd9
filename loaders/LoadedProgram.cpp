#include "loaders/LoadedProgram.h"

#include "loaders/ElfLoader.h"
#include "loaders/IntelHexLoader.h"
#include "loaders/ProgramDocuments.h"
#include "loaders/SRecordLoader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString quoted(const QString& FileName) {
    return QStringLiteral("„") + QDir::toNativeSeparators(FileName) + QStringLiteral("“");
}

// The whole file, with the listing loader's checks and messages: a directory, a missing file, a
// pipe or device, no permission, a read error, too large.
std::optional<QByteArray> readBytes(const QString& FileName, QString* Error) {
    auto fail = [Error](const QString& Message) -> std::optional<QByteArray> {
        if (Error) *Error = Message;
        return std::nullopt;
    };
    if (FileName.isEmpty()) return fail(QStringLiteral("Es wurde keine Datei angegeben."));
    const QFileInfo info(FileName);
    if (info.isDir())
        return fail(quoted(FileName) + QStringLiteral(" ist ein Verzeichnis und keine Datei."));
    if (!info.exists())
        return fail(QStringLiteral("Die Datei ") + quoted(FileName) +
                    QStringLiteral(" wurde nicht gefunden."));
    if (!info.isFile())
        return fail(quoted(FileName) + QStringLiteral(" ist keine gewöhnliche Datei."));
    constexpr qsizetype maxSize = TKV_68HC11_ListFileLoader::MaxFileSize;
    if (info.size() > maxSize)
        return fail(QStringLiteral("Die Datei ") + quoted(FileName) +
                    QStringLiteral(" ist zu groß (mehr als %1 MiB).").arg(maxSize / (1024 * 1024)));
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (file.error() == QFileDevice::PermissionsError || !info.isReadable())
            return fail(QStringLiteral("Die Datei ") + quoted(FileName) +
                        QStringLiteral(" kann nicht gelesen werden: keine Leseberechtigung."));
        return fail(QStringLiteral("Die Datei ") + quoted(FileName) +
                    QStringLiteral(" kann nicht geöffnet werden."));
    }
    // A regular file of checked size: read it whole (read(maxSize) would reserve maxSize).
    QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("Fehler beim Lesen der Datei ") + quoted(FileName) +
                    QStringLiteral("."));
    if (data.size() > maxSize)
        return fail(QStringLiteral("Die Datei ") + quoted(FileName) +
                    QStringLiteral(" ist zu groß (mehr als %1 MiB).").arg(maxSize / (1024 * 1024)));
    return data;
}

LoadedProgram::Format formatOf(const QByteArray& Data, const QString& FileName) {
    using F = LoadedProgram::Format;
    if (ElfLoader::looksLike(Data)) return F::Elf;
    if (SRecordLoader::looksLike(Data)) return F::SRecord;
    if (IntelHexLoader::looksLike(Data)) return F::IntelHex;
    // A file named as one of the formats whose content is none: read it as that format, so that
    // the message says what is wrong with it.
    const QString suffix = QFileInfo(FileName).suffix().toLower();
    if (suffix == u"elf") return F::Elf;
    if (suffix == u"s19" || suffix == u"s28" || suffix == u"s37" || suffix == u"srec" ||
        suffix == u"mot")
        return F::SRecord;
    if (suffix == u"hex" || suffix == u"ihex") return F::IntelHex;
    return F::Listing;
}

QList<QByteArray> sourceLines(const QString& Path) {
    QFile file(Path);
    constexpr qint64 maxSourceSize = 16 * 1024 * 1024;
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxSourceSize) return {};
    QByteArray data = file.readAll();
    if (data.endsWith('\n')) data.chop(1);
    QList<QByteArray> lines = data.split('\n');
    for (QByteArray& l : lines)
        if (l.endsWith('\r')) l.chop(1);
    return lines;
}

} // namespace

LoadedProgram::LoadedProgram() {
    Documents.push_back({QString(), std::make_unique<TKV_68HC11_ListFileLoader>()});
}

LoadedProgram::~LoadedProgram() = default;

std::unique_ptr<LoadedProgram> LoadedProgram::read(const QString& FileName, QString* Error) {
    const auto data = readBytes(FileName, Error);
    if (!data) return nullptr;
    auto program = std::make_unique<LoadedProgram>();
    program->FileName = FileName;
    program->FormatField = formatOf(*data, FileName);
    const QString shortName = QFileInfo(FileName).fileName();
    if (program->FormatField == Format::Listing) {
        program->listing().LoadFromData(*data);
        for (int32_t i = 0; i < program->listing().LineCount(); ++i)
            if (program->listing().IsCodeLine(i)) return program;
        if (Error)
            *Error = QStringLiteral("Die Datei \"%1\" enthält keine einzige Codezeile eines "
                                    "68HC11-Listings und wurde nicht geladen.")
                         .arg(shortName);
        return nullptr;
    }
    QString problem;
    std::optional<ProgramImage> image;
    switch (program->FormatField) {
    case Format::SRecord: image = SRecordLoader::parse(*data, &problem); break;
    case Format::IntelHex: image = IntelHexLoader::parse(*data, &problem); break;
    default: image = ElfLoader::parse(*data, &problem); break;
    }
    if (image && image->empty())
        problem = QStringLiteral("Sie enthält keine Daten für den Speicher.");
    if (!image || image->empty()) {
        if (Error)
            *Error =
                QStringLiteral("Die Datei \"%1\" wurde nicht geladen: %2").arg(shortName, problem);
        return nullptr;
    }
    program->Image = std::make_unique<ProgramImage>(std::move(*image));
    return program;
}

void LoadedProgram::addSymbols(SymbolTable& Symbols) const {
    if (!Image) {
        Symbols.addFromListing(Documents.front().Text->Lines());
        return;
    }
    for (const SymbolTable::Symbol& s : Image->Symbols)
        Symbols.add(s.Name, s.Value, s.SymbolKind);
}

void LoadedProgram::buildDocuments(const SymbolTable& Symbols) {
    if (!Image) return;
    Documents.clear();
    // The source files of the line table that exist, in the order the table names them.
    std::vector<QString> files;
    for (const ProgramImage::SourceLine& l : Image->Lines)
        if (std::find(files.begin(), files.end(), l.File) == files.end()) files.push_back(l.File);
    for (const QString& f : files) {
        // A file moved together with its sources: the same name beside it.
        QList<QByteArray> lines = sourceLines(f);
        if (lines.isEmpty())
            lines = sourceLines(QFileInfo(FileName).dir().filePath(QFileInfo(f).fileName()));
        if (lines.isEmpty()) continue;
        auto text = std::make_unique<TKV_68HC11_ListFileLoader>();
        text->LoadFromLines(ProgramDocuments::annotatedSource(lines, *Image, f));
        Documents.push_back({f, std::move(text)});
    }
    DisassemblyIndex = static_cast<int>(Documents.size());
    Documents.push_back({QString(), std::make_unique<TKV_68HC11_ListFileLoader>()});
    const ProgramImage& image = *Image;
    rebuildDisassembly([&image](uint32_t A) { return image.Bytes[A & 0xFFFF]; }, Symbols);
    // The source of the entry, else the first source, else the disassembly.
    Current = 0;
    if (Image->Entry) {
        const int entry = documentOf(*Image->Entry);
        if (entry >= 0) Current = entry;
    }
}

void LoadedProgram::rebuildDisassembly(const Disassembler::ByteReader& Read,
                                       const SymbolTable& Symbols) {
    // The file's bytes, and a stretch of memory from every address a run stopped at outside
    // them (code a program copied or that the file does not hold).
    constexpr uint32_t reachedLength = 48;
    std::bitset<0x10000> covered = Image->Loaded;
    for (uint32_t start : ReachedStarts)
        for (uint32_t a = start; a < std::min<uint32_t>(start + reachedLength, 0x10000); ++a)
            covered.set(a);
    std::vector<std::pair<uint32_t, uint32_t>> regions;
    for (uint32_t a = 0; a < 0x10000; ++a) {
        if (!covered[a]) continue;
        if (!regions.empty() && regions.back().second + 1 == a)
            regions.back().second = a;
        else
            regions.emplace_back(a, a);
    }
    std::set<uint32_t> starts = ReachedStarts;
    if (Image->Entry) starts.insert(*Image->Entry);
    // Read the file's own bytes from the image, the rest from memory.
    const ProgramImage& image = *Image;
    auto read = [&image, &Read](uint32_t A) {
        return image.Loaded[A & 0xFFFF] ? image.Bytes[A & 0xFFFF] : Read(A & 0xFFFF);
    };
    const QString name = Image->Name.isEmpty() ? QFileInfo(FileName).fileName() : Image->Name;
    Documents[static_cast<size_t>(DisassemblyIndex)].Text->LoadFromLines(
        ProgramDocuments::disassembly(regions, read, Symbols, starts,
                                      QStringLiteral("Disassemblierung von %1").arg(name)));
}

int LoadedProgram::documentOf(uint32_t Address) const {
    if (Documents[static_cast<size_t>(Current)].Text->LineOfAddress(Address) >= 0) return Current;
    for (int i = 0; i < documentCount(); ++i)
        if (Documents[static_cast<size_t>(i)].Text->LineOfAddress(Address) >= 0) return i;
    return -1;
}

bool LoadedProgram::follow(uint32_t Address, const Disassembler::ByteReader& Read,
                           const SymbolTable& Symbols) {
    Address &= 0xFFFF;
    int index = documentOf(Address);
    if (index < 0 && DisassemblyIndex >= 0) {
        ReachedStarts.insert(Address);
        rebuildDisassembly(Read, Symbols);
        Current = DisassemblyIndex;
        return true;
    }
    if (index < 0 || index == Current) return false;
    Current = index;
    return true;
}
