#include "loaders/ElfLoader.h"

#include "loaders/TextRecords.h"

#include <elfutils/libdw.h>
#include <gelf.h>
#include <libelf.h>

#include <memory>

namespace ElfLoader {

namespace {

using TextRecords::hex;

// e_machine of the 68HC11 (elf.h may predate the name).
constexpr int Machine68HC11 = 70;

struct ElfCloser {
    void operator()(Elf* E) const { elf_end(E); }
};
struct DwarfCloser {
    void operator()(Dwarf* D) const { dwarf_end(D); }
};

bool isPrintableName(const char* Name) {
    if (!Name || !*Name || *Name == '.') return false;
    for (const char* p = Name; *p; ++p)
        if (static_cast<unsigned char>(*p) < 0x20 || static_cast<unsigned char>(*p) >= 0x7F)
            return false;
    return true;
}

// The linker's own markers (__data_image, _etext, ...) are no names of the program.
bool isLinkerMarker(const QString& Name) {
    return Name.startsWith(QStringLiteral("__")) || Name == u"_etext" || Name == u"_edata" ||
           Name == u"_end";
}

void readSymbols(Elf* E, ProgramImage& Image) {
    for (Elf_Scn* scn = elf_nextscn(E, nullptr); scn; scn = elf_nextscn(E, scn)) {
        GElf_Shdr shdr;
        if (!gelf_getshdr(scn, &shdr) || shdr.sh_type != SHT_SYMTAB || shdr.sh_entsize == 0)
            continue;
        Elf_Data* data = elf_getdata(scn, nullptr);
        if (!data) continue;
        const size_t count = shdr.sh_size / shdr.sh_entsize;
        for (size_t i = 0; i < count; ++i) {
            GElf_Sym sym;
            if (!gelf_getsym(data, static_cast<int>(i), &sym)) break;
            const int type = GELF_ST_TYPE(sym.st_info);
            if (type != STT_NOTYPE && type != STT_FUNC && type != STT_OBJECT) continue;
            if (sym.st_shndx == SHN_UNDEF || sym.st_value > 0xFFFF) continue;
            const char* name = elf_strptr(E, shdr.sh_link, sym.st_name);
            if (!isPrintableName(name)) continue;
            const QString text = QString::fromLatin1(name);
            if (isLinkerMarker(text)) continue;
            SymbolTable::Kind kind = SymbolTable::Kind::Value;
            if (type == STT_FUNC) {
                kind = SymbolTable::Kind::Code;
            } else if (type == STT_OBJECT) {
                kind = SymbolTable::Kind::Data;
            } else if (sym.st_shndx != SHN_ABS && sym.st_shndx < SHN_LORESERVE) {
                GElf_Shdr owner;
                Elf_Scn* section = elf_getscn(E, sym.st_shndx);
                const bool code =
                    section && gelf_getshdr(section, &owner) && (owner.sh_flags & SHF_EXECINSTR);
                kind = code ? SymbolTable::Kind::Code : SymbolTable::Kind::Data;
            }
            Image.Symbols.push_back({text, static_cast<uint32_t>(sym.st_value), kind});
        }
    }
}

// The line table of every compilation unit; a file without DWARF has none.
void readLines(Elf* E, ProgramImage& Image) {
    std::unique_ptr<Dwarf, DwarfCloser> dwarf(dwarf_begin_elf(E, DWARF_C_READ, nullptr));
    if (!dwarf) return;
    Dwarf_Off offset = 0, next = 0;
    size_t headerSize = 0;
    while (dwarf_nextcu(dwarf.get(), offset, &next, &headerSize, nullptr, nullptr, nullptr) == 0) {
        Dwarf_Die cu;
        Dwarf_Lines* lines = nullptr;
        size_t count = 0;
        if (dwarf_offdie(dwarf.get(), offset + headerSize, &cu) &&
            dwarf_getsrclines(&cu, &lines, &count) == 0) {
            for (size_t i = 0; i < count; ++i) {
                Dwarf_Line* line = dwarf_onesrcline(lines, i);
                Dwarf_Addr address = 0;
                int number = 0;
                bool endSequence = false;
                if (!line || dwarf_lineaddr(line, &address) != 0 ||
                    dwarf_lineno(line, &number) != 0 ||
                    dwarf_lineendsequence(line, &endSequence) != 0)
                    continue;
                const char* file = dwarf_linesrc(line, nullptr, nullptr);
                if (endSequence || !file || number <= 0 || address > 0xFFFF) continue;
                Image.Lines.push_back(
                    {QString::fromLocal8Bit(file), number, static_cast<uint16_t>(address)});
            }
        }
        offset = next;
    }
}

} // namespace

bool looksLike(const QByteArray& Data) {
    return Data.startsWith("\x7F"
                           "ELF");
}

std::optional<ProgramImage> parse(const QByteArray& Data, QString* Error) {
    auto fail = [Error](const QString& Text) -> std::optional<ProgramImage> {
        if (Error) *Error = Text;
        return std::nullopt;
    };
    elf_version(EV_CURRENT);
    // libelf wants a writable buffer; it reads only.
    QByteArray buffer = Data;
    std::unique_ptr<Elf, ElfCloser> elf(
        elf_memory(buffer.data(), static_cast<size_t>(buffer.size())));
    if (!elf || elf_kind(elf.get()) != ELF_K_ELF)
        return fail(QStringLiteral("Die ELF-Datei ist beschädigt oder unvollständig."));
    GElf_Ehdr header;
    if (!gelf_getehdr(elf.get(), &header))
        return fail(QStringLiteral("Der ELF-Kopf ist unvollständig."));
    if (header.e_machine != Machine68HC11)
        return fail(QStringLiteral("Das ist kein Programm für den 68HC11 (ELF-Maschine %1).")
                        .arg(header.e_machine));
    if (header.e_type != ET_EXEC)
        return fail(QStringLiteral("Das ist kein gebundenes Programm, sondern eine Objektdatei: "
                                   "erst mit m68hc11-ld binden."));
    size_t segments = 0;
    if (elf_getphdrnum(elf.get(), &segments) != 0)
        return fail(QStringLiteral("Die Programmköpfe der ELF-Datei sind beschädigt."));

    ProgramImage image;
    const auto fileSize = static_cast<uint64_t>(Data.size());
    for (size_t i = 0; i < segments; ++i) {
        GElf_Phdr ph;
        if (!gelf_getphdr(elf.get(), static_cast<int>(i), &ph))
            return fail(QStringLiteral("Programmkopf %1 der ELF-Datei ist beschädigt.").arg(i));
        if (ph.p_type != PT_LOAD || ph.p_filesz == 0) continue;
        if (ph.p_offset > fileSize || ph.p_filesz > fileSize - ph.p_offset)
            return fail(QStringLiteral("Segment %1 reicht über das Dateiende hinaus: die Datei ist "
                                       "unvollständig.")
                            .arg(i));
        // The load address, as m68hc11-objcopy writes S-records and Intel HEX.
        if (ph.p_paddr > 0xFFFF || ph.p_filesz > 0x10000 - ph.p_paddr)
            return fail(QStringLiteral("Segment %1 liegt bei $%2 bis $%3, hinter $FFFF: der "
                                       "68HC11 hat 64 KiB Adressraum.")
                            .arg(i)
                            .arg(hex(ph.p_paddr, 4), hex(ph.p_paddr + ph.p_filesz - 1, 4)));
        const auto* bytes = reinterpret_cast<const uint8_t*>(Data.constData() + ph.p_offset);
        for (uint64_t k = 0; k < ph.p_filesz; ++k)
            image.put(static_cast<uint32_t>(ph.p_paddr + k), bytes[k]);
    }
    if (header.e_entry <= 0xFFFF) image.Entry = static_cast<uint16_t>(header.e_entry);
    readSymbols(elf.get(), image);
    readLines(elf.get(), image);
    return image;
}

} // namespace ElfLoader
