// The listing loader: line classification and loading, conversion errors, files that are no
// listing, and the real example listings run end to end.
#include "EnvTestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The worked examples, continuation lines (at most 38 bytes; 21 bytes end the scan), a page
// break (a form-feed header and blank lines) between a code line and its continuation lines,
// wrap-around past $FFFF, a byte for the register block, the code-line columns (at least 41
// bytes, blanks between the byte fields), and fields that are no hex. Kinds: C code line,
// + continuation line, - other. A field that is no hex abandons its code line from there on,
// with its continuation lines (bytes written before stay), and is reported in a box per code
// line, a long line cut; loading goes on, and Cancel only ends the boxes of this load.
TEST(Loader, ClassifiesLinesLoadsBytesAndReportsFieldsThatAreNoHex) {
    const QByteArrayList listing = {"      12/    E000 : 86 55               ldaa #$55",
                                    "      13/    E002 :                     ; wait loop",
                                    "      14/    E002 : 20 FE",
                                    "      20/    E010 : 01 02 03 04 05 06   fcb 1,2,3,4,5,6,7,8,9",
                                    "                    07 08 09",
                                    "       3/       0 : =1000               base equ $1000",
                                    Code("2000", "01 02 03 04 05 06", "fcb"),
                                    Cont("07 08 09 0A 0B 0C "),
                                    Cont(" "),
                                    Cont("EE"),
                                    Code("4000", "11 12 13 14 15 16", "fcb"),
                                    "\f AS V1.42 Beta [Bld 148] - source file x.asm - page 2",
                                    "",
                                    "   ",
                                    Cont("17 18 "),
                                    Code("FFFE", "01 02 03 04", "fcb"),
                                    Cont("05 06 07"),
                                    Code("1004", "5A", "PORTB"),
                                    Code("5000", "77", "x").left(40),
                                    Code("5000", "77", "x").replace(34, 1, "0"),
                                    Code("5100", "86 55", "x").left(41),
                                    Code("2100", "01 GG 33", "x"), // 21
                                    Cont("22"),
                                    Code("2200", "01", "x"),
                                    Cont("44 X5 66"),
                                    Code("2300", "GG", "") + QByteArray(300, 'x')};
    TSystem sys;
    sys.Loader.LoadFromData(listing.join('\n'));
    QByteArray kinds;
    for (int i = 0; i < sys.Loader.LineCount(); ++i)
        kinds += sys.Loader.IsCodeLine(i) ? 'C' : sys.Loader.IsContinuationLine(i) ? '+' : '-';
    EXPECT_EQ(kinds, "CC-C+-C+-+C---+C+C--CC+C+C");
    EXPECT_EQ(sys.Loader.LoadToMemory(), 3);
    EXPECT_EQ(sys.Hex(0xE000, 4) + sys.Hex(0xE010, 9) + sys.Hex(0x2000, 13),
              "86550000 010203040506070809 0102030405060708090A0B0C00 ");
    EXPECT_EQ(sys.Hex(0x4000, 8) + sys.Hex(0xFFFE, 9) + sys.Hex(0x5000, 1) + sys.Hex(0x5100, 2),
              "1112131415161718 010203040000050607 00 8655 ");
    EXPECT_EQ(sys.Hex(0x2100, 8) + sys.Hex(0x2200, 9), "0100000000000000 010000000000440000 ");
    EXPECT_EQ(sys.NonZero(), 43);
    EXPECT_EQ(sys.Env.PortPins[TCPU_68HC11_Environment::PortB], 0x5A);
    const auto box = [](int Line, const QString& Text) {
        return Box("Fehler in Zeile:" + QString::number(Line), Text, TMsgIcon::None,
                   TMsgButtons::OkCancel);
    };
    const QString cut = listing[25].left(TKV_68HC11_ListFileLoader::MaxReportedLineLength) + " …";
    EXPECT_EQ(sys.TakeBoxes(), box(21, listing[21]) + box(23, listing[24]) + box(25, cut));
    sys.Answer = TMsgResult::Cancel;
    EXPECT_EQ(sys.Loader.LoadToMemory(), 3);
    EXPECT_EQ(sys.TakeBoxes(), box(21, listing[21]));
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(4, true)); // a continuation line has no address
    EXPECT_TRUE(sys.Loader.SetLineBreakpoint(3, true) && sys.Cpu.Breakpoints[0xE010]);
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
    QByteArray binary; // every byte value but NUL, and no '/' that would make code lines
    for (int b = 1; b < 256; ++b)
        binary += static_cast<char>(b == '/' ? 'x' : b);
    const QByteArray huge(16 << 20, 'A');
    ASSERT_EQ(mkdir(QFile::encodeName(dir.filePath("ordner.lst")).constData(), 0755), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(dir.filePath("rohr.lst")).constData(), 0644), 0);
    const QString locked = file("geheim.lst", good);
    chmod(QFile::encodeName(dir.path()).constData(), 0755);
    chmod(QFile::encodeName(locked).constData(), 0000);
    // Path, phrase of the error (null: the file loads), lines, bytes written
    const std::tuple<QString, const char*, int32_t, long> rows[] = {
        {dir.filePath("nichtda.lst"), "wurde nicht gefunden", 2, 4},
        {dir.filePath("ordner.lst"), "ist ein Verzeichnis", 2, 4},
        {dir.filePath("rohr.lst"), "ist keine gewöhnliche Datei", 2, 4}, // and does not block
        {locked, "keine Leseberechtigung", 2, 4},
        {file("leer.lst", ""), nullptr, 0, 0},
        {file("binaer.lst", binary.repeated(256)), nullptr, 513, 0}, // two line ends per 255 bytes
        {file("nul.lst", good.left(60) + '\0' + good.mid(60)), nullptr, 2, 2},
        {file("cr.lst", QByteArray(good).replace('\n', '\r') + "\r\n\n"), nullptr, 3, 4},
        {file("riesig.lst", Code("E000", "86 55", huge) + "\n" + huge), nullptr, 2, 2}};
    for (const auto& [path, phrase, lines, written] : rows) {
        SCOPED_TRACE(path.toStdString());
        const auto check = [&] {
            TSystem sys;
            sys.Loader.LoadFromData(good);
            QString error;
            EXPECT_EQ(sys.Loader.LoadFromFile(path, &error), !phrase);
            EXPECT_EQ(error.contains(path) && error.contains(QString::fromUtf8(phrase)), !!phrase)
                << error.toStdString();
            EXPECT_EQ(sys.Loader.LineCount(), lines);
            EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
            EXPECT_EQ(sys.NonZero(), written);
        };
        if (path != locked || geteuid() != 0)
            check();
        else // root reads every file: check as nobody
            EXPECT_EXIT(
                {
                    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
                    check();
                    _exit(testing::Test::HasFailure());
                },
                testing::ExitedWithCode(0), "");
    }
}

// The listings written by a real assembler, with their expected results: each is loaded, run
// from its reset vector through the CPU's own loop to its final "bra" to itself, and checked.
TEST(ExampleListings, RunToTheFinalBranchWithTheExpectedState) {
    QFile file(TARVIK_SHARED_EXAMPLES "/expected.json");
    if (!file.open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no example listings: " << file.fileName().toStdString() << " is missing";
    const auto hex = [](const QJsonValue& Value) { return Value.toString().toInt(nullptr, 16); };
    for (const QJsonValue program : QJsonDocument::fromJson(file.readAll())["programs"].toArray()) {
        SCOPED_TRACE(program["file"].toString().toStdString());
        TSystem sys;
        const QString path = TARVIK_SHARED_EXAMPLES "/" + program["file"].toString();
        EXPECT_TRUE(sys.Loader.LoadFromFile(path) && sys.Loader.LoadToMemory() == 0);
        const int32_t done = hex(program["done_address"]);
        TCPUExternal resetDevice; // clears the reset request, as the window's timer device does
        resetDevice.OnReset = [&] { sys.Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, false); };
        resetDevice.SetCPU(&sys.Cpu);
        sys.Cpu.SetBreakpoint(done, true);
        sys.Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
        sys.Cpu.Step(program["max_steps"].toInt());
        EXPECT_EQ(sys.Cpu.PC, done) << "did not reach the final branch";
        for (const QJsonValue check : program["checks"].toArray()) {
            const QString bytes = check["bytes"].toString().toUpper();
            EXPECT_EQ(sys.Hex(hex(check["address"]), int(bytes.size() / 2)),
                      bytes.toStdString() + ' ')
                << check["what"].toString().toStdString();
        }
        const QString cpu =
            QString::asprintf("A=%02X B=%02X D=%04X X=%04X Y=%04X SP=%04X ", sys.Cpu.ACCA,
                              sys.Cpu.ACCB, sys.Cpu.GetD(), sys.Cpu.IX, sys.Cpu.IY, sys.Cpu.SP);
        for (const QString& name : program["registers"].toObject().keys())
            EXPECT_TRUE(
                cpu.contains(name + "=" + program["registers"][name].toString().toUpper() + " "))
                << cpu.toStdString() << " " << name.toStdString();
    }
}

} // namespace
