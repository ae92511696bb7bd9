// Whole programs run from their reset vector through the run loop: a hand-assembled one, and
// the example listings that need no on-chip peripherals, checked against their expected results.
#include "HC11TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QStringList>

namespace {

using Program = HC11;

// clang-format off
const std::vector<uint8_t> SumProgram = {
    /* E000 */ 0x8E, 0x00, 0xFF,       // start: lds  #$00FF
    /* E003 */ 0xCE, 0xE1, 0x00,       //        ldx  #table
    /* E006 */ 0xCC, 0x00, 0x00,       //        ldd  #0
    /* E009 */ 0xBD, 0xE0, 0x20,       //        jsr  addall
    /* E00C */ 0xDD, 0x10,             //        std  $10
    /* E00E */ 0x3F,                   //        swi
    /* E00F */ 0x96, 0x12,             //        ldaa $12
    /* E011 */ 0x20, 0xFE,             // done:  bra  done
};
const std::vector<uint8_t> SumSubroutines = {
    /* E020 */ 0x18, 0xCE, 0x00, 0x08, // addall: ldy #8
    /* E024 */ 0xE3, 0x00,             // loop:   addd 0,x
    /* E026 */ 0x08,                   //         inx
    /* E027 */ 0x08,                   //         inx
    /* E028 */ 0x18, 0x09,             //         dey
    /* E02A */ 0x26, 0xF8,             //         bne loop
    /* E02C */ 0x39,                   //         rts
    /* E02D */ 0x7C, 0x00, 0x12,       // swivec: inc $12
    /* E030 */ 0x3B,                   //         rti
};
const std::vector<uint8_t> SumTable = {0x10, 0x00, 0x20, 0x00, 0x01, 0x23, 0xFF, 0xFF,
                                       0x00, 0x01, 0x40, 0x00, 0x00, 0x10, 0x80, 0x00};
// clang-format on

TEST_F(Program, RunsFromTheResetVectorToABreakpoint) {
    TResetCounter device(Cpu);
    bool watchdog = false;
    device.OnTimer = [&](int32_t) {
        watchdog = true;
        Cpu.Stop();
        return true;
    };
    Put(0xE000, SumProgram);
    Put(0xE020, SumSubroutines);
    Put(0xE100, SumTable);
    Put(0xFFF6, {0xE0, 0x2D});
    Put(0xFFFE, {0xE0, 0x00});
    Cpu.SetBreakpoint(0xE011, true);
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);

    Cpu.Run();
    ASSERT_FALSE(watchdog);
    EXPECT_EQ(device.Resets, 1);
    EXPECT_EQ(Cpu.PC, 0xE011);
    EXPECT_EQ(Mem(0x10), 0xF1); // $1000+$2000+$0123+$FFFF+$0001+$4000+$0010+$8000
    EXPECT_EQ(Mem(0x11), 0x33);
    EXPECT_EQ(Mem(0x12), 1);
    EXPECT_EQ(Cpu.ACCA, 1);
    EXPECT_EQ(Cpu.SP, 0x00FF);
    EXPECT_EQ(Cpu.IX, 0xE110);
    // lds 3 + ldx 3 + ldd 3 + jsr 6 + 8 * (6+3+3+4+3) + rts 5 + std 4 + swi 14 + inc 6 + rti 12
    // + ldaa 3
    EXPECT_EQ(Cpu.CycleCount, 3 + 3 + 3 + 6 + 4 + 8 * 19 + 5 + 4 + 14 + 6 + 12 + 3);

    // Run again: the marked instruction executes first, then the loop comes back to it.
    const int64_t before = Cpu.CycleCount;
    Cpu.Run();
    EXPECT_EQ(Cpu.PC, 0xE011);
    EXPECT_EQ(Cpu.CycleCount - before, 3);
}

TEST_F(Program, StepExecutesOneInstructionAfterTheResetEntry) {
    TResetCounter device(Cpu);
    Put(0xE000, SumProgram);
    Put(0xFFFE, {0xE0, 0x00});
    Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
    Cpu.Step(1);
    EXPECT_EQ(Cpu.PC, 0xE003);
    EXPECT_EQ(Cpu.SP, 0x00FF);
    EXPECT_FALSE(Cpu.Running);
    Cpu.Step(2);
    EXPECT_EQ(Cpu.PC, 0xE009);
    EXPECT_EQ(Cpu.IX, 0xE100);
    EXPECT_EQ(device.Resets, 1);
}

// The code bytes of a listing: the address in columns 14-17 and up to six bytes from column 21
// on lines with "/" in column 9 and " : " in columns 18-20; continuation lines carry further
// bytes from column 21 after twenty blanks.
void LoadListing(TCPU_68HC11_& Cpu, const QString& Path) {
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << Path.toStdString();
    static const QRegularExpression bytePair(QStringLiteral("^[0-9A-F]{2}$"));
    uint32_t next = 0;
    for (QString line : QString::fromLatin1(file.readAll()).split('\n')) {
        line.remove('\r');
        if (line.size() < 22) continue;
        const bool code = line.mid(8, 1) == "/" && line.mid(17, 3) == " : ";
        const bool continuation = line.left(20).trimmed().isEmpty();
        if (!code && !continuation) continue;
        if (code) next = line.mid(13, 4).trimmed().toUInt(nullptr, 16);
        if (line.mid(20, 1) == "=") continue; // EQU value, not code
        const QStringList fields = line.mid(20, 18).split(' ', Qt::SkipEmptyParts);
        for (const QString& f : fields) {
            if (!bytePair.match(f).hasMatch()) break;
            Cpu.Memory[next++ & 0xFFFF] = static_cast<uint8_t>(f.toUInt(nullptr, 16));
        }
    }
}

QJsonObject FindProgram(const QString& ExpectedPath, const QString& Name) {
    QFile file(ExpectedPath);
    if (!file.open(QIODevice::ReadOnly)) return {};
    for (const QJsonValue& p : QJsonDocument::fromJson(file.readAll())["programs"].toArray())
        if (p["name"].toString() == Name) return p.toObject();
    return {};
}

int32_t Hex(const QJsonValue& Value) {
    return static_cast<int32_t>(Value.toString().toUInt(nullptr, 16));
}

class ExampleListing : public ::testing::TestWithParam<const char*> {};

TEST_P(ExampleListing, RunsToDoneWithTheExpectedResults) {
    const QString dir = QStringLiteral(TARVIK_SHARED_EXAMPLES_DIR);
    const QJsonObject program = FindProgram(dir + "/expected.json", GetParam());
    if (program.isEmpty()) GTEST_SKIP() << "example not available";

    TCPU_68HC11_ cpu;
    TRecordingSink sink;
    cpu.MessageSink = &sink;
    TResetCounter device(cpu);
    LoadListing(cpu, dir + "/" + program["file"].toString());
    ASSERT_EQ(cpu.ReadWord(0xFFFE), Hex(program["start_address"]));
    const int32_t done = Hex(program["done_address"]);
    cpu.SetBreakpoint(static_cast<uint32_t>(done), true);
    cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);

    cpu.Step(program["max_steps"].toInt());
    ASSERT_EQ(cpu.PC, done);
    EXPECT_TRUE(sink.Boxes.empty());
    for (const QJsonValue& check : program["checks"].toArray()) {
        SCOPED_TRACE(check["what"].toString().toStdString());
        const QString bytes = check["bytes"].toString();
        uint32_t address = static_cast<uint32_t>(Hex(check["address"]));
        QString actual;
        for (int i = 0; i < bytes.size() / 2; ++i)
            actual += QString::asprintf("%02X", cpu.Memory[address++ & 0xFFFF]);
        EXPECT_EQ(actual.toStdString(), bytes.toStdString());
    }
    const QJsonObject regs = program["registers"].toObject();
    const std::pair<const char*, int32_t> actual[] = {{"A", cpu.ACCA},   {"B", cpu.ACCB},
                                                      {"D", cpu.GetD()}, {"X", cpu.IX},
                                                      {"Y", cpu.IY},     {"SP", cpu.SP}};
    for (const auto& [name, value] : actual)
        if (regs.contains(name)) {
            EXPECT_EQ(value, Hex(regs[name])) << name;
        }
}

// The examples that use no on-chip peripherals.
INSTANTIATE_TEST_SUITE_P(Examples, ExampleListing,
                         ::testing::Values("bubble_sort", "bin2dec", "data_tables", "sieve_bench"));

} // namespace
