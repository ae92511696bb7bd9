// The listing loader: line classification and loading, conversion errors, files that are no
// listing, and the real example listings run end to end.
#include "EnvTestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <map>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The worked examples, continuation lines, a page break (a form-feed header and blank lines)
// between a code line and its continuation lines, wrap-around past $FFFF, a byte for the
// register block, and the code-line columns (length 41, "/" in 9, " : " in 18-20, blanks
// between the byte fields). Kinds: C code line, + continuation line, - other.
TEST(Loader, ClassifiesLinesAndLoadsCodeAndContinuationBytes) {
    const QByteArray header = "\f AS V1.42 Beta [Bld 148] - source file x.asm - page 2";
    const QByteArray listing[] = {
        "      12/    E000 : 86 55               ldaa #$55",
        "      13/    E002 :                     ; wait loop",
        "      14/    E002 : 20 FE",
        "      20/    E010 : 01 02 03 04 05 06   fcb 1,2,3,4,5,6,7,8,9",
        "                    07 08 09",
        "       3/       0 : =1000               base equ $1000",
        Code("2000", "01 02 03 04 05 06", "fcb"),
        Cont("07 08 09 0A 0B 0C "), // 38 bytes
        Code("3000", "AA BB", "fdb"),
        Cont("CC DD"), // six addresses above the code line, though it held two
        Cont(" "),     // 21 bytes: ends the scan
        Cont("EE"),
        Code("4000", "11 12 13 14 15 16", "fcb"),
        header,
        "",
        "   ",
        Cont("17 18 "),
        Code("FFFE", "01 02 03 04", "fcb"),
        Cont("05 06 07"),
        Code("0005", "66", "the later line wins"),
        Code("  1f", "A5", "x"),
        Code("1004", "5A", "PORTB"),
        Code("5000", "77", "x").left(40),
        Code("5000", "77", "x").replace(8, 1, " "),
        Code("5000", "77", "x").replace(18, 1, ";"),
        Code("5000", "77", "x").replace(34, 1, "0"),
        Code("5100", "86 55", "x").left(41)};
    TSystem sys;
    sys.Loader.LoadFromData(QByteArrayList(std::begin(listing), std::end(listing)).join('\n'));
    QByteArray kinds;
    for (int i = 0; i < sys.Loader.LineCount(); ++i)
        kinds += sys.Loader.IsCodeLine(i) ? 'C' : sys.Loader.IsContinuationLine(i) ? '+' : '-';
    EXPECT_EQ(kinds, "CC-C+-C+C+-+C---+C+CCC----C");
    EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
    EXPECT_EQ(sys.Hex(0xE000, 4) + sys.Hex(0xE010, 9) + sys.Hex(0x1F, 1) + sys.Hex(0x5000, 1),
              "86550000"
              "010203040506070809"
              "A5"
              "00");
    EXPECT_EQ(sys.Hex(0x2000, 12) + sys.Hex(0x3000, 13) + sys.Hex(0x4000, 8) + sys.Hex(0x5100, 2),
              "0102030405060708090A0B0C"
              "AABB00000000CCDD0000000000"
              "1112131415161718"
              "8655");
    EXPECT_EQ(sys.Hex(0xFFFE, 9), "010203040000056607");
    EXPECT_EQ(sys.NonZeroBytes(), 45);
    EXPECT_EQ(sys.Env.PortPins[TCPU_68HC11_Enviroment::PortB], 0x5A);
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(4, true)); // no address on a continuation line
    EXPECT_TRUE(sys.Loader.SetLineBreakpoint(3, true));
    EXPECT_EQ(std::count(sys.Cpu.Breakpoints.begin(), sys.Cpu.Breakpoints.end(), true), 1);
    EXPECT_TRUE(sys.Cpu.Breakpoints[0xE010]);
}

// A field that is no hex abandons its code line from there on, with its continuation lines
// (bytes written before stay), and is reported in a box per code line; loading goes on, and
// Cancel only ends the boxes of this load. A long line is cut in the box.
TEST(Loader, AFieldThatIsNoHexAbandonsTheLineAndIsReported) {
    const QByteArray longLine = Code("2400", "GG", "") + QByteArray(300, 'x');
    const QByteArrayList lines = {Code("2000", "11 GG 33", "x"),
                                  Cont("22 22"),
                                  Code("2100", "01 02", "x"),
                                  Cont("03 04"),
                                  Cont("44 X5 66"),
                                  Cont("55"),
                                  Code("XYZ0", "77", "x"),
                                  Code("2200", "11", "x"),
                                  Cont("22 33  "),
                                  longLine};
    TSystem sys;
    sys.Loader.LoadFromData(lines.join('\n'));
    EXPECT_EQ(sys.Loader.LoadToMemory(), 5);
    EXPECT_EQ(sys.Hex(0x2000, 8) + sys.Hex(0x2100, 19) + sys.Hex(0x2200, 9),
              "1100000000000000"
              "01020000000003040000000044000000000000"
              "110000000000223300");
    EXPECT_EQ(sys.NonZeroBytes(), 9);
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(6, true));
    std::string boxes;
    for (const auto& [line, text] :
         {std::pair(0, QString(lines[0])),
          {2, lines[4]},
          {6, lines[6]},
          {7, lines[8]},
          {9, longLine.left(TKV_68HC11_ListFileLoader::MaxReportedLineLength) + " …"}})
        boxes += Box(QStringLiteral("Fehler in Zeile:%1").arg(line), text, TMsgIcon::None,
                     TMsgButtons::OkCancel);
    EXPECT_EQ(sys.TakeBoxes(), boxes);
    sys.Answer = TMsgResult::Cancel;
    EXPECT_EQ(sys.Loader.LoadToMemory(), 5);
    EXPECT_EQ(sys.TakeBoxes(), boxes.substr(0, boxes.find('\n') + 1));
}

// Each load follows a good two-line listing. A file that cannot be read (Error set) gives a
// German error naming it and keeps those lines; any other file loads, its lines ending at CR LF,
// LF or CR and its text at the first NUL; only code lines write memory.
TEST(LoaderBadInput, FilesThatCannotBeReadOrAreNoListing) {
    QTemporaryDir dir;
    const auto file = [&](const char* Name, const QByteArray& Content) {
        QFile f(dir.filePath(Name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(Content) == Content.size());
        return f.fileName();
    };
    const QByteArray good = Code("E000", "86 55", "x") + "\n" + Code("E002", "20 FE", "x");
    QByteArray binary(65536, 0);
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = static_cast<char>(i * 7 % 255 + 1); // every byte value but NUL
    const QByteArray huge(16 << 20, 'A');
    ASSERT_TRUE(QDir(dir.path()).mkdir("ordner.lst"));
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("rohr.lst")).constData(), 0644), 0);
    const QString locked = file("geheim.lst", good);
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    chmod(QFile::encodeName(locked).constData(), 0000);
    const struct {
        QString Path;
        const char* Error; // phrase of the error, or null: the file loads
        int32_t Lines;     // -1: any number
        long Written;
    } rows[] = {
        {dir.filePath("nichtda.lst"), "wurde nicht gefunden", 2, 4},
        {dir.filePath("ordner.lst"), "ist ein Verzeichnis", 2, 4},
        {dir.filePath("rohr.lst"), "ist keine gewöhnliche Datei", 2, 4}, // and does not block
        {"/proc/self/mem", "Fehler beim Lesen", 2, 4},                   // opens, but reading fails
        {locked, "keine Leseberechtigung", 2, 4},
        {file("leer.lst", ""), nullptr, 0, 0},
        {file("binaer.lst", binary.replace('/', 'x')), nullptr, -1, 0},
        {file("nul.lst", good.left(60) + '\0' + good.mid(60)), nullptr, 2, 2},
        {file("cr.lst", QByteArray(good).replace('\n', '\r') + "\r\n\n"), nullptr, 3, 4},
        {file("riesig.lst", Code("E000", "86 55", huge) + "\n" + huge + "\n" + Cont(huge)), nullptr,
         3, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Path.toStdString());
        const auto check = [&] {
            TSystem sys;
            sys.Loader.LoadFromData(good);
            QString error;
            EXPECT_EQ(sys.Loader.LoadFromFile(row.Path, &error), !row.Error);
            EXPECT_TRUE(!row.Error ||
                        (error.contains(row.Path) && error.contains(QString::fromUtf8(row.Error))))
                << error.toStdString();
            EXPECT_EQ(sys.Loader.LineCount(), row.Lines < 0 ? sys.Loader.LineCount() : row.Lines);
            EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
            EXPECT_EQ(sys.NonZeroBytes(), row.Written);
        };
        if (row.Path == locked && geteuid() == 0) { // root reads every file: check as nobody
            EXPECT_EXIT(
                {
                    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
                    check();
                    _exit(testing::Test::HasFailure() ? 1 : 0);
                },
                testing::ExitedWithCode(0), "");
        } else {
            check();
        }
    }
}

// The listings written by a real assembler, with their expected results: each is loaded, run
// from its reset vector through the CPU's own loop to its final "bra" to itself, and checked.
TEST(ExampleListings, RunToTheFinalBranchWithTheExpectedState) {
    QFile file(QDir(TARVIK_SHARED_EXAMPLES).filePath("expected.json"));
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no example listings: " << file.fileName().toStdString() << " is missing";
    const auto hex = [](const QJsonValue& Value) { return Value.toString().toInt(nullptr, 16); };
    for (const QJsonValue program : QJsonDocument::fromJson(file.readAll())["programs"].toArray()) {
        SCOPED_TRACE(program["file"].toString().toStdString());
        TSystem sys;
        QString error;
        EXPECT_TRUE(sys.Loader.LoadFromFile(
            QDir(TARVIK_SHARED_EXAMPLES).filePath(program["file"].toString()), &error))
            << error.toStdString();
        EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
        EXPECT_EQ(sys.Cpu.ReadWord(0xFFFE), hex(program["start_address"]));
        const int32_t done = hex(program["done_address"]);
        sys.RunFromReset(static_cast<uint32_t>(done), program["max_steps"].toInt());
        EXPECT_EQ(sys.Cpu.PC, done) << "did not reach the final branch";
        EXPECT_TRUE(sys.Loader.Lines()
                        .value(sys.Loader.LineOfAddress(static_cast<uint32_t>(done)))
                        .contains("bra"));
        for (const QJsonValue check : program["checks"].toArray()) {
            const std::string bytes = check["bytes"].toString().toUpper().toStdString();
            EXPECT_EQ(sys.Hex(static_cast<uint32_t>(hex(check["address"])), bytes.size() / 2),
                      bytes)
                << check["what"].toString().toStdString();
        }
        const std::map<QString, int32_t> registers = {
            {"A", sys.Cpu.ACCA}, {"B", sys.Cpu.ACCB}, {"D", sys.Cpu.GetD()},    {"X", sys.Cpu.IX},
            {"Y", sys.Cpu.IY},   {"SP", sys.Cpu.SP},  {"CCR", sys.Cpu.GetCCR()}};
        const QJsonObject expected = program["registers"].toObject();
        for (auto it = expected.begin(); it != expected.end(); ++it)
            EXPECT_EQ(registers.count(it.key()) ? registers.at(it.key()) : -1, hex(it.value()))
                << it.key().toStdString();
    }
}

} // namespace
