// The S-record, Intel HEX and ELF readers on the example program in its three formats, and on
// hostile files of each: a German message with the line, and nothing of the file taken.
#include "loaders/ElfLoader.h"
#include "loaders/IntelHexLoader.h"
#include "loaders/LoadedProgram.h"
#include "loaders/SRecordLoader.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Examples = QStringLiteral(TARVIK_EXAMPLES_DIR);

QByteArray contents(const QString& Name) {
    QFile f(Examples + u'/' + Name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << Name.toStdString();
    return f.readAll();
}

TEST(FormatLoaders, TheThreeFormatsOfOneProgramGiveTheSameBytesAndStart) {
    QString error;
    const auto srec = SRecordLoader::parse(contents(QStringLiteral("sum.s19")), &error);
    ASSERT_TRUE(srec) << error.toStdString();
    const auto hex = IntelHexLoader::parse(contents(QStringLiteral("sum.hex")), &error);
    ASSERT_TRUE(hex) << error.toStdString();
    const auto elf = ElfLoader::parse(contents(QStringLiteral("sum.elf")), &error);
    ASSERT_TRUE(elf) << error.toStdString();
    for (const ProgramImage* image : {&*srec, &*hex, &*elf}) {
        EXPECT_EQ(image->Loaded, srec->Loaded);
        EXPECT_EQ(image->Bytes, srec->Bytes);
        EXPECT_EQ(image->Entry, std::optional<uint16_t>(0xE000));
    }
    // The code at $E000 (LDS #$00FF), the reset vector, the direct-page variables.
    EXPECT_EQ(srec->Bytes[0xE000], 0x8E);
    EXPECT_EQ(srec->Bytes[0xFFFE], 0xE0);
    EXPECT_EQ(srec->ranges().size(), 3u);
    EXPECT_EQ(srec->Name, u"sum.s19");

    // The ELF's own symbols (not the linker's markers), and the line table of both sources.
    std::map<QString, uint32_t> symbols;
    for (const auto& s : elf->Symbols)
        symbols[s.Name] = s.Value;
    const std::map<QString, uint32_t> expected = {
        {"PORTB", 0x1004}, {"_start", 0xE000}, {"loop", 0xE008}, {"done", 0xE013},
        {"addx", 0xE015},  {"sum", 0x0000},    {"tmp", 0x0002}};
    EXPECT_EQ(symbols, expected);
    std::set<std::pair<QString, int>> lines;
    for (const auto& l : elf->Lines)
        lines.insert({QFileInfo(l.File).fileName(), l.Line});
    EXPECT_TRUE(lines.count({QStringLiteral("sum.s"), 16}));   // lds #0x00FF
    EXPECT_TRUE(lines.count({QStringLiteral("sumsub.s"), 8})); // stx *tmp
}

TEST(FormatLoaders, HostileTextRecordsAreRefusedWithTheLine) {
    struct Case {
        bool SRecords;
        QByteArray Text;
        const char* Message; // the start of the message
    };
    const QByteArray end19 = "S9030000FC\n", endHex = ":00000001FF\n";
    const Case cases[] = {
        {true, "S1060000010203F3\n" + end19, nullptr}, // good
        {true, "S1060000010203F4\n" + end19,
         "Zeile 1: Prüfsumme falsch: $F4 gelesen, $F3 erwartet."},
        {true, "S1060000010203\n" + end19,
         "Zeile 1: Die Satzlänge 6 passt nicht zu den 5 Bytes"},          // truncated
        {true, "S1060000010203F3\nS1060000", "Zeile 2: Die Satzlänge 6"}, // cut mid-line
        {true, "S1060000010203F3\n", "Zeile 2: Der Schlusssatz (S7, S8 oder S9) fehlt"},
        {true, "S106FFFF010203F5\n" + end19, "Zeile 1: Die Adresse $10001 liegt hinter $FFFF"},
        {true, "S207010000000102F4\n" + end19, "Zeile 1: Die Adresse $10002 liegt hinter $FFFF"},
        {true, "S2060010000102E6\nS804000000FB\n", nullptr}, // S2 within 16 bits
        {true, "S1060000010203F3\nS1xx\n" + end19, "Zeile 2: Der Satz enthält Zeichen"},
        {true, "S1060000010203F3\nhallo\n" + end19, "Zeile 2: Das ist kein S-Record"},
        {true, "S4030000FC\n", "Zeile 1: Satzart S4 gibt es nicht."},
        {true, end19 + "S1060000010203F3\n", "Zeile 2: Nach dem Schlusssatz"},
        {true, "S1" + QByteArray(300000, 'F') + "\n", "Zeile 1: Die Satzlänge 255"}, // huge
        {false, ":03000000010203F7\n" + endHex, nullptr},
        {false, ":03000000010203F8\n" + endHex,
         "Zeile 1: Prüfsumme falsch: $F8 gelesen, $F7 erwartet."},
        {false, ":03000000010203\n" + endHex,
         "Zeile 1: Die Satzlänge 3 passt nicht zu den 2 Datenbytes"},
        {false, ":03000000010203F7\n", "Zeile 2: Der Endsatz (Typ 01) fehlt"},
        {false, ":03FFFF00010203F9\n" + endHex, "Zeile 1: Die Adresse $10001 liegt hinter $FFFF"},
        {false, ":020000040001F9\n" + endHex, "Zeile 1: Die Adresse $10000 liegt hinter $FFFF"},
        {false, ":020000021000EC\n" + endHex, "Zeile 1: Die Adresse $10000 liegt hinter $FFFF"},
        {false, ":020000040000FA\n:03000000010203F7\n" + endHex, nullptr},
        {false, ":04000005000123458E\n" + endHex, "Zeile 1: Die Startadresse $12345"},
        {false, ":00000006FA\n" + endHex, "Zeile 1: Satzart 06 gibt es in Intel HEX nicht."},
        {false, ":03000000010203F7\n\x01\x02\xFF\n", "Zeile 2: Das ist kein Intel-HEX-Satz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text.left(60).toStdString());
        QString error;
        const auto image = c.SRecords ? SRecordLoader::parse(c.Text, &error)
                                      : IntelHexLoader::parse(c.Text, &error);
        if (!c.Message) {
            ASSERT_TRUE(image) << error.toStdString();
            EXPECT_EQ(image->Bytes[c.SRecords && c.Text.startsWith("S2") ? 0x1000 : 0], 1);
            continue;
        }
        EXPECT_FALSE(image);
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.Message))) << error.toStdString();
    }
}

TEST(FormatLoaders, HostileElfFilesAreRefused) {
    const QByteArray good = contents(QStringLiteral("sum.elf"));
    ASSERT_TRUE(ElfLoader::parse(good, nullptr));
    auto patched = [&good](qsizetype At, QByteArray Bytes) {
        QByteArray b = good;
        b.replace(At, Bytes.size(), Bytes);
        return b;
    };
    // The program header table of sum.elf starts at 52; an entry is 32 bytes, p_paddr at +12.
    const struct {
        QByteArray Data;
        const char* Message;
    } cases[] = {
        {good.left(30), "Die ELF-Datei ist beschädigt oder unvollständig."},
        {good.left(200), "Segment 0 reicht über das Dateiende hinaus"},
        {patched(18, QByteArray("\x03\x00", 2)), "Das ist kein Programm für den 68HC11"}, // x86
        {patched(16, QByteArray("\x00\x01", 2)), "Das ist kein gebundenes Programm"},     // ET_REL
        {patched(52 + 32 + 12, QByteArray("\x00\x00\xFF\xF0", 4)), "Segment 1 liegt bei $FFF0"},
        {patched(52 + 32 + 16, QByteArray("\x7F\x00\x00\x00", 4)), "Segment 1 reicht über"},
        {QByteArray("\x7F"
                    "ELF") +
             QByteArray(4000, '\xA5'),
         "Die ELF-Datei ist beschädigt oder unvollständig."},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(ElfLoader::parse(c.Data, &error)) << c.Message;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.Message))) << error.toStdString();
    }
}

// The format comes from the content; a file named as a format that holds something else is
// read as that format, so that the message says what is wrong.
TEST(FormatLoaders, TheFormatIsToldByContentAndRefusalsNameFileAndLine) {
    QTemporaryDir dir;
    auto write = [&dir](const QString& Name, const QByteArray& Data) {
        QFile f(dir.filePath(Name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Data);
        return f.fileName();
    };
    using F = LoadedProgram::Format;
    const struct {
        QString Name;
        QByteArray Data;
        std::optional<F> Format;
        const char* Message;
    } cases[] = {
        {"prog.txt", contents("sum.s19"), F::SRecord, nullptr},
        {"prog", contents("sum.hex"), F::IntelHex, nullptr},
        {"prog.lst", contents("sum.elf"), F::Elf, nullptr},
        {"demo.dat", contents("demo.lst"), F::Listing, nullptr},
        {"kaputt.s19", "Hallo\n", std::nullopt,
         "Die Datei \"kaputt.s19\" wurde nicht geladen: Zeile 1: Das ist kein S-Record"},
        {"kaputt.hex", "Hallo\n", std::nullopt,
         "Die Datei \"kaputt.hex\" wurde nicht geladen: Zeile 1: Das ist kein Intel-HEX-Satz"},
        {"leer.s19", "S0030000FC\nS9030000FC\n", std::nullopt,
         "Die Datei \"leer.s19\" wurde nicht geladen: Sie enthält keine Daten"},
        {"kaputt.elf", "Hallo", std::nullopt, "Die Datei \"kaputt.elf\" wurde nicht geladen:"},
        {"notes.lst", "Hallo\n", std::nullopt, "Die Datei \"notes.lst\" enthält keine einzige"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name.toStdString());
        QString error;
        const auto program = LoadedProgram::read(write(c.Name, c.Data), &error);
        if (c.Format) {
            ASSERT_TRUE(program) << error.toStdString();
            EXPECT_EQ(program->format(), *c.Format);
        } else {
            EXPECT_FALSE(program);
            EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.Message))) << error.toStdString();
        }
    }
}

// The texts the source view shows: the ELF's source files with the addresses of their lines,
// and a disassembly in the listing layout for S-records.
TEST(FormatLoaders, SourceTextsAndDisassemblyInTheListingLayout) {
    SymbolTable symbols;
    auto elf = LoadedProgram::read(Examples + QStringLiteral("/sum.elf"));
    ASSERT_TRUE(elf);
    elf->addSymbols(symbols);
    elf->buildDocuments(symbols);
    ASSERT_EQ(elf->documentCount(), 3);   // sum.s, sumsub.s, the disassembly
    EXPECT_EQ(elf->currentDocument(), 0); // the source of the entry
    const TKV_68HC11_ListFileLoader& sum = elf->document(0);
    EXPECT_EQ(sum.LineOfAddress(0xE000), 15); // line 16: lds #0x00FF
    EXPECT_EQ(TKV_68HC11_ListFileLoader::LineText(sum.Lines()[15]).toStdString(),
              "      16/    E000 : 8E 00 FF            \tlds\t#0x00FF\t\t; stack at the top of "
              "the internal RAM");
    EXPECT_EQ(sum.LineAddress(0), -1);     // a comment line has no address
    EXPECT_EQ(elf->documentOf(0xE015), 1); // addx in sumsub.s
    EXPECT_EQ(elf->documentOf(0xE000), 0);

    auto s19 = LoadedProgram::read(Examples + QStringLiteral("/sum.s19"));
    ASSERT_TRUE(s19);
    s19->buildDocuments(symbols);
    ASSERT_EQ(s19->documentCount(), 1);
    const TKV_68HC11_ListFileLoader& text = s19->current();
    auto lineAt = [&text](uint32_t A) {
        return TKV_68HC11_ListFileLoader::LineText(text.Lines()[text.LineOfAddress(A)])
            .toStdString();
    };
    EXPECT_EQ(lineAt(0xE000), "      10/    E000 : 8E 00 FF            _start:\tLDS\t#$00FF");
    EXPECT_EQ(lineAt(0xE008), "      14/    E008 : BD E0 15            loop:\tJSR\taddx");
    EXPECT_EQ(lineAt(0xE00C), "      16/    E00C : 26 FA               \tBNE\tloop");
    EXPECT_EQ(lineAt(0xFFFE), "      25/    FFFE : E0 00               \tFDB\t_start");
    EXPECT_TRUE(TKV_68HC11_ListFileLoader::LineText(text.Lines()[0]).contains(u"sum.s19"));
}

} // namespace
