// The listing loader on listing text: line classification, code and continuation lines, page
// breaks, conversion errors, breakpoints by line and the address -> line index.
#include "EnvTestSupport.h"
#include "hc11/ListFileLoader.h"

#include <gtest/gtest.h>

namespace {

using Env = TCPU_68HC11_Enviroment;

struct TLoaderSystem : TEnvSystem {
    TKV_68HC11_ListFileLoader Loader;
    TLoaderSystem() { Loader.SetCPU(&Cpu); }

    int32_t Load(const QByteArray& Text) {
        Loader.LoadFromData(Text);
        return Loader.LoadToMemory();
    }
    QByteArray Bytes(uint32_t Address, int Count) const {
        QByteArray bytes;
        for (int i = 0; i < Count; ++i)
            bytes += static_cast<char>(Cpu.Memory[(Address + static_cast<uint32_t>(i)) & 0xFFFF]);
        return bytes;
    }
    int WrittenBytes() const {
        return static_cast<int>(
            std::count_if(Cpu.Memory.begin(), Cpu.Memory.end(), [](uint8_t b) { return b != 0; }));
    }
};

const char* const WorkedExample = "      12/    E000 : 86 55               ldaa #$55\n"
                                  "      13/    E002 :                     ; wait loop\n"
                                  "      14/    E002 : 20 FE\n"
                                  "      20/    E010 : 01 02 03 04 05 06   fcb 1,2,3,4,5,6,7,8,9\n"
                                  "                    07 08 09\n"
                                  "       3/       0 : =1000               base equ $1000\n";

TEST(Loader, LoadsTheWorkedExample) {
    TLoaderSystem sys;
    EXPECT_EQ(sys.Load(WorkedExample), 0);
    ASSERT_EQ(sys.Loader.LineCount(), 6);
    const bool code[] = {true, true, false, true, false, false};
    const bool continuation[] = {false, false, false, false, true, false};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(sys.Loader.IsCodeLine(i), code[i]) << "line " << i;
        EXPECT_EQ(sys.Loader.IsContinuationLine(i), continuation[i]) << "line " << i;
    }
    EXPECT_EQ(sys.Bytes(0xE000, 2), QByteArray("\x86\x55"));
    EXPECT_EQ(sys.Bytes(0xE002, 2), QByteArray(2, '\0')); // the 25-character line is ignored
    EXPECT_EQ(sys.Bytes(0xE010, 9), QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09"));
    EXPECT_EQ(sys.WrittenBytes(), 11);
    EXPECT_TRUE(sys.Sink.Shown.empty());

    EXPECT_TRUE(sys.Loader.SetLineBreakpoint(0, true));
    EXPECT_TRUE(sys.Cpu.Breakpoints[0xE000]);
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(4, true)); // continuation lines have no address
    EXPECT_EQ(std::count(sys.Cpu.Breakpoints.begin(), sys.Cpu.Breakpoints.end(), true), 1);
}

TEST(Loader, CodeLineTest) {
    struct Row {
        QByteArray Line;
        bool IsCode;
    };
    const QByteArray base = Code(1, "E000", "86 55", "ldaa #$55");
    QByteArray tab = base;
    tab[22] = '\t';
    QByteArray noSlash = base;
    noSlash[8] = ' ';
    QByteArray noColon = base;
    noColon[18] = ';';
    QByteArray fieldSeparator = base;
    fieldSeparator[34] = '0';
    const Row rows[] = {
        {base, true},
        {base.left(40), false},
        {base.left(41), true},
        {tab, false},
        {noSlash, false},
        {noColon, false},
        {fieldSeparator, false},
        {Code(1, "ZZZZ", "GG HH", "not checked"), true}, // fields are read, not tested
    };
    for (const Row& row : rows)
        EXPECT_EQ(TKV_68HC11_ListFileLoader::IsCodeLineText(row.Line), row.IsCode)
            << row.Line.constData();
}

TEST(Loader, AddressFieldsReadAsHexWithPaddingAndEitherCase) {
    struct Row {
        const char* Field;
        int32_t Address;
    };
    const Row rows[] = {{"   0", 0x0000}, {"0000", 0x0000}, {"e000", 0xE000},
                        {"E000", 0xE000}, {"  1f", 0x001F}, {" 12 ", 0x0012}};
    for (const Row& row : rows) {
        TLoaderSystem sys;
        sys.Cpu.Memory.fill(0);
        EXPECT_EQ(sys.Load(Code(1, row.Field, "A5", "x                     ")), 0);
        EXPECT_EQ(sys.Loader.LineAddress(0), row.Address) << row.Field;
        EXPECT_EQ(sys.Cpu.Memory[static_cast<size_t>(row.Address)], 0xA5) << row.Field;
    }
}

TEST(Loader, ContinuationLinesCarryTheNextSixAddresses) {
    TLoaderSystem sys;
    // clang-format off
    sys.Load(Join({
        Code(1, "2000", "01 02 03 04 05 06", "fcb ..."),
        Cont("07 08 09 0A 0B 0C "), // 38 characters
        Cont("0D 0E 0F 10 11 12"),  // 37 characters
        Code(2, "3000", "AA BB", "fdb ..."),
        Cont("CC DD"), // six above the code line, although it held two bytes
        Cont(" "),     // 21 characters: no continuation line, ends the scan
        Cont("EE"),
        Code(3, "4000", "", "; no bytes"),
        Cont("99  7"), // one-digit fields are accepted
        "; a comment line",
        Cont("77"), // follows a non-code line: ignored
    }));
    // clang-format on
    QByteArray expected;
    for (char b = 1; b <= 0x12; ++b)
        expected += b;
    EXPECT_EQ(sys.Bytes(0x2000, 18), expected);
    EXPECT_EQ(sys.Bytes(0x3000, 8), QByteArray("\xAA\xBB\0\0\0\0\xCC\xDD", 8));
    EXPECT_EQ(sys.Bytes(0x4006, 2), QByteArray("\x99\x07"));
    EXPECT_EQ(sys.WrittenBytes(), 18 + 4 + 2);
    EXPECT_TRUE(sys.Sink.Shown.empty());
}

TEST(Loader, ContinuationLinesAfterAPageBreakAreLoaded) {
    const QByteArray header = "\f AS V1.42 Beta [Bld 148] - source file x.asm - page 2";
    TLoaderSystem sys;
    sys.Load(Join({
        Code(59, "E000", "01 02 03 04 05 06", "fcb ..."),
        header,
        "",
        "",
        Cont("07 08 09 0A 0B 0C "),
        header,
        "",
        "   ",
        Cont("0D "),
        Code(61, "E100", "AA", "nop"),
        header,
        "",
        Code(62, "E101", "BB", "nop"),
    }));
    EXPECT_EQ(sys.Bytes(0xE000, 13),
              QByteArray("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D"));
    EXPECT_EQ(sys.Bytes(0xE100, 2), QByteArray("\xAA\xBB"));
    EXPECT_EQ(sys.WrittenBytes(), 15);
    EXPECT_TRUE(sys.Sink.Shown.empty());
}

TEST(Loader, AFieldThatIsNoHexAbandonsTheLineAndIsReported) {
    TLoaderSystem sys;
    const QByteArray bad = Code(1, "2000", "11 GG 33", "bad");
    const QByteArray badCont = Cont("44 X5 66");
    // clang-format off
    const QByteArray listing = Join({
        "header",
        bad,                               // line 1
        Cont("22 22"),
        Code(2, "2100", "01 02", "good"),
        Cont("03 04"),                     // line 4
        badCont,
        Cont("55"),
        Code(3, "XYZ0", "77", "bad address"),
        Code(4, "    ", "78", "blank address"),
        Code(5, "2200", "11", "good"),
        Cont("22 "),                       // a trailing blank is fine
        Code(6, "2300", "11", "good"),     // line 11
        Cont("22 33  "),                   // a field of a single blank at the line end
    });
    // clang-format on
    EXPECT_EQ(sys.Load(listing), 5);
    EXPECT_EQ(sys.Bytes(0x2000, 3), QByteArray("\x11\0\0", 3));
    EXPECT_EQ(sys.Bytes(0x2006, 2), QByteArray(2, '\0'));
    EXPECT_EQ(sys.Bytes(0x2100, 2), QByteArray("\x01\x02"));
    EXPECT_EQ(sys.Bytes(0x2106, 2), QByteArray("\x03\x04"));
    EXPECT_EQ(sys.Bytes(0x210C, 3), QByteArray("\x44\0\0", 3)); // written before the error
    EXPECT_EQ(sys.Bytes(0x2112, 1), QByteArray(1, '\0'));
    EXPECT_EQ(sys.Bytes(0x2200, 7), QByteArray("\x11\0\0\0\0\0\x22", 7));
    EXPECT_EQ(sys.Bytes(0x2306, 3), QByteArray("\x22\x33\0", 3));
    EXPECT_EQ(sys.WrittenBytes(), 11);

    ASSERT_EQ(sys.Sink.Shown.size(), 5u);
    const int codeLine[] = {1, 3, 7, 8, 11};
    const QByteArray text[] = {bad, badCont, sys.Loader.Lines()[7], sys.Loader.Lines()[8],
                               Cont("22 33  ")};
    for (size_t i = 0; i < 5; ++i) {
        const TShownMessage& box = sys.Sink.Shown[i];
        EXPECT_EQ(box.Caption, QStringLiteral("Fehler in Zeile:%1").arg(codeLine[i]));
        EXPECT_EQ(box.Text, QString::fromLatin1(text[i]));
        EXPECT_EQ(box.Icon, TMsgIcon::None);
        EXPECT_EQ(box.Buttons, TMsgButtons::OkCancel);
    }
}

TEST(Loader, ErrorInTheFirstLineNamesLineZero) {
    TLoaderSystem sys;
    sys.Load(Code(1, "2000", "G1", "x                  "));
    ASSERT_EQ(sys.Sink.Shown.size(), 1u);
    EXPECT_EQ(sys.Sink.Shown[0].Caption, "Fehler in Zeile:0");
}

TEST(Loader, CancelStopsTheBoxesButNotTheLoading) {
    TLoaderSystem sys;
    sys.Sink.Answers = {TMsgResult::Cancel};
    EXPECT_EQ(sys.Load(Join({
                  Code(1, "2000", "GG", "bad"),
                  Code(2, "2001", "11", "good"),
                  Code(3, "2002", "HH", "bad"),
                  Code(4, "2003", "22", "good"),
              })),
              2);
    EXPECT_EQ(sys.Sink.Shown.size(), 1u);
    EXPECT_EQ(sys.Bytes(0x2000, 4), QByteArray("\0\x11\0\x22", 4));
    // The next load reports again.
    sys.Loader.LoadToMemory();
    EXPECT_EQ(sys.Sink.Shown.size(), 3u);
}

TEST(Loader, AVeryLongBadLineIsCutInTheBox) {
    TLoaderSystem sys;
    sys.Load(Code(1, "2000", "GG", "") + QByteArray(100000, 'x'));
    ASSERT_EQ(sys.Sink.Shown.size(), 1u);
    EXPECT_LE(sys.Sink.Shown[0].Text.size(), TKV_68HC11_ListFileLoader::MaxReportedLineLength + 2);
    EXPECT_TRUE(sys.Sink.Shown[0].Text.startsWith(QLatin1String(Code(1, "2000", "GG", ""))));
}

TEST(Loader, AddressesWrapPastFFFFAndTheLaterLineWins) {
    TLoaderSystem sys;
    sys.Load(Join({Code(1, "FFFE", "01 02 03 04", "fcb"), Cont("05 06 07"),
                   Code(2, "0005", "66", "overwrites")}));
    EXPECT_EQ(sys.Bytes(0xFFFE, 4), QByteArray("\x01\x02\x03\x04"));
    EXPECT_EQ(sys.Bytes(0x0004, 3), QByteArray("\x05\x66\x07"));
    EXPECT_EQ(sys.WrittenBytes(), 7);
}

TEST(Loader, WithoutACpuNothingIsWrittenAndNothingShown) {
    TKV_68HC11_ListFileLoader loader;
    loader.LoadFromData(Join({Code(1, "2000", "11", "a"), Code(2, "2001", "GG", "b")}));
    {
        TEnvSystem sys;
        loader.SetCPU(&sys.Cpu);
    }
    EXPECT_EQ(loader.CPU(), nullptr); // the CPU went away
    TEnvSystem sys;
    EXPECT_EQ(loader.LoadToMemory(), 0);
    EXPECT_FALSE(loader.SetLineBreakpoint(0, true));
    EXPECT_TRUE(sys.Sink.Shown.empty());
    EXPECT_EQ(sys.Cpu.Memory[0x2000], 0);
    EXPECT_FALSE(sys.Cpu.Breakpoints[0x2000]);
}

TEST(Loader, BytesInTheRegisterBlockGoToTheEnvironment) {
    TLoaderSystem sys;
    sys.Load(Join({Code(1, "1004", "5A", "portb"), Code(2, "1001", "77", "reserved")}));
    EXPECT_EQ(sys.Env.PortPins[Env::PortB], 0x5A);
    EXPECT_EQ(sys.Cpu.Memory[0x1004], 0);
    EXPECT_EQ(sys.Cpu.Memory[0x1001], 0);
    ASSERT_EQ(sys.Sink.Shown.size(), 1u);
    EXPECT_EQ(sys.Sink.Shown[0].Text, "Nicht implementierte IO-Adresse: $01");
    EXPECT_EQ(sys.Sink.Shown[0].Caption, "68HC11Env-Fehler - MemoryWrite");
}

TEST(Loader, BreakpointsBySourceLine) {
    TLoaderSystem sys;
    sys.Loader.LoadFromData(Join({
        "header",
        Code(1, "e010", "01", "x"),
        Code(2, "ZZZZ", "01", "unreadable address"),
        Cont("02"),
    }));
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(0, true));
    EXPECT_TRUE(sys.Loader.SetLineBreakpoint(1, true));
    EXPECT_TRUE(sys.Cpu.Breakpoints[0xE010]);
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(2, true));
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(3, true));
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(-1, true));
    EXPECT_FALSE(sys.Loader.SetLineBreakpoint(4, true));
    EXPECT_EQ(std::count(sys.Cpu.Breakpoints.begin(), sys.Cpu.Breakpoints.end(), true), 1);
    EXPECT_TRUE(sys.Loader.SetLineBreakpoint(1, false));
    EXPECT_FALSE(sys.Cpu.Breakpoints[0xE010]);
}

TEST(Loader, LineOfAddressIsTheLastLineNamingIt) {
    TKV_68HC11_ListFileLoader loader;
    EXPECT_EQ(loader.LineOfAddress(0xE000), -1);
    loader.LoadFromData(Join({
        Code(1, "   0", "", "; blank-padded address never matches"),
        Code(2, "e000", "", "start:"),
        Code(3, "E000", "86 55", "ldaa #$55"),
        "      14/    E002 : 20 FE", // short lines count too: only columns 14-17 are compared
        "    1/    E0",
        Code(5, "0000", "", "x"),
    }));
    EXPECT_EQ(loader.LineOfAddress(0xE000), 2);
    EXPECT_EQ(loader.LineOfAddress(0xE002), 3);
    EXPECT_EQ(loader.LineOfAddress(0x0000), 5);
    EXPECT_EQ(loader.LineOfAddress(0xE001), -1);
    EXPECT_EQ(loader.LineOfAddress(0x1E000), -1);
    loader.LoadFromData("");
    EXPECT_EQ(loader.LineOfAddress(0xE000), -1);
}

TEST(Loader, LineEndsAndTheEndOfText) {
    struct Row {
        QByteArray Text;
        QList<QByteArray> Lines;
    };
    const Row rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\n", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\rc", {"a", "b", "c"}},
        {"a\n\r\nb\r\r\n", {"a", "", "b", ""}},
        {"\n", {""}},
        {"\n\n", {"", ""}},
        {QByteArray("a\nb\0c\nd", 7), {"a", "b"}},
        {QByteArray("\0a", 2), {}},
    };
    for (const Row& row : rows) {
        TKV_68HC11_ListFileLoader loader;
        loader.LoadFromData(row.Text);
        EXPECT_EQ(loader.Lines(), row.Lines) << row.Text.toHex().constData();
    }
}

} // namespace
