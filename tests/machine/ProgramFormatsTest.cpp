// Programs in every format the machine opens: the same program as ELF, S-records and Intel HEX
// runs to the same end, built fresh with the real toolchain where it is installed; a refused
// file changes nothing; the shown text follows the PC; a reload keeps breakpoints.
#include "machine/Machine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Examples = QStringLiteral(TARVIK_EXAMPLES_DIR);
constexpr uint32_t Done = 0xE013; // "done: bra done" in sum.s

struct EndState {
    std::vector<uint32_t> Registers;
    int64_t Cycles = 0;
    QByteArray Memory;
    bool operator==(const EndState&) const = default;
};

// Loads File into a fresh machine and runs it to Done.
EndState runToDone(const QString& File, QByteArray* Loaded = nullptr) {
    Machine m;
    QString error;
    EXPECT_TRUE(m.load(File, &error)) << error.toStdString();
    if (Loaded) {
        Loaded->clear();
        for (uint32_t a = 0; a < 0x10000; ++a)
            Loaded->append(static_cast<char>(m.peek(a)));
    }
    m.setBreakpoint(Done, true);
    EXPECT_EQ(m.run(Machine::RunLimits{10000, {}}), StopReason::Breakpoint);
    EndState s;
    using R = Machine::Register;
    for (R r : {R::PC, R::A, R::B, R::X, R::Y, R::SP, R::CCR})
        s.Registers.push_back(m.registerValue(r));
    s.Cycles = m.cpu().CycleCount;
    for (uint32_t a = 0; a < 0x100; ++a)
        s.Memory.append(static_cast<char>(m.peek(a)));
    s.Memory.append(static_cast<char>(m.peek(0x1004)));
    return s;
}

bool haveToolchain() {
    for (const char* tool : {"m68hc11-as", "m68hc11-ld", "m68hc11-objcopy", "m68hc11-strip"})
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) return false;
    return true;
}

bool runTool(const QString& Dir, const QString& Tool, const QStringList& Args) {
    QProcess p;
    p.setWorkingDirectory(Dir);
    p.start(Tool, Args);
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << Tool.toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Assembles sum.s (after Edit) and sumsub.s in Dir, links sum.elf and writes sum.s19 and
// sum.hex, with the commands of sum.s's head.
bool buildSum(const QString& Dir, const std::function<QByteArray(QByteArray)>& Edit = {}) {
    for (const char* name : {"sum.s", "sumsub.s"}) {
        QFile in(Examples + u'/' + QString::fromLatin1(name));
        QFile out(Dir + u'/' + QString::fromLatin1(name));
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) return false;
        QByteArray text = in.readAll();
        if (Edit && QByteArray(name) == "sum.s") text = Edit(text);
        out.write(text);
    }
    return runTool(Dir, "m68hc11-as", {"-g", "-o", "sum.o", "sum.s"}) &&
           runTool(Dir, "m68hc11-as", {"-g", "-o", "sumsub.o", "sumsub.s"}) &&
           runTool(Dir, "m68hc11-ld",
                   {"--section-start", ".text=0xE000", "--section-start", ".vectors=0xFFFE", "-o",
                    "sum.elf", "sum.o", "sumsub.o"}) &&
           runTool(Dir, "m68hc11-objcopy", {"-O", "srec", "sum.elf", "sum.s19"}) &&
           runTool(Dir, "m68hc11-objcopy", {"-O", "ihex", "sum.elf", "sum.hex"});
}

TEST(ProgramFormats, EveryFormatOfTheExampleRunsToTheSameEnd) {
    QByteArray bytes, first;
    const EndState elf = runToDone(Examples + "/sum.elf", &first);
    EXPECT_EQ(elf.Memory[0], 0);
    EXPECT_EQ(elf.Memory[1], 55);     // the sum
    EXPECT_EQ(elf.Memory[0x100], 55); // on port B
    for (const char* name : {"sum.s19", "sum.hex"}) {
        EXPECT_EQ(runToDone(Examples + u'/' + QString::fromLatin1(name), &bytes), elf) << name;
        EXPECT_EQ(bytes, first) << name;
    }
}

TEST(ProgramFormats, FreshlyBuiltWithTheToolchainEveryFormatLoadsTheSameBytesAndRunsTheSame) {
    if (!haveToolchain()) GTEST_SKIP() << "binutils-m68hc1x is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(buildSum(dir.path()));
    QByteArray example, bytes;
    const EndState expected = runToDone(Examples + "/sum.elf", &example);
    for (const char* name : {"sum.elf", "sum.s19", "sum.hex"}) {
        EXPECT_EQ(runToDone(dir.filePath(QString::fromLatin1(name)), &bytes), expected) << name;
        EXPECT_EQ(bytes, example) << name; // the examples are up to date
    }
}

// Without -g the ELF has no line table: a disassembly with the ELF's labels.
TEST(ProgramFormats, AnElfWithoutLineInformationShowsADisassemblyWithItsLabels) {
    if (!haveToolchain()) GTEST_SKIP() << "binutils-m68hc1x is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(buildSum(dir.path()));
    ASSERT_TRUE(runTool(dir.path(), "m68hc11-strip", {"--strip-debug", "sum.elf"}));
    Machine m;
    ASSERT_TRUE(m.load(dir.filePath("sum.elf")));
    EXPECT_EQ(m.loadedProgram().documentCount(), 1);
    const TKV_68HC11_ListFileLoader& text = m.program();
    EXPECT_EQ(text.Lines()[text.LineOfAddress(0xE008)].mid(40).toStdString(), "loop:\tJSR\taddx");
    EXPECT_EQ(text.Lines()[text.LineOfAddress(0xE00C)].mid(40).toStdString(), "\tBNE\tloop");
}

TEST(ProgramFormats, ARefusedFileLeavesTheProgramItsBytesAndBreakpoints) {
    Machine m;
    ASSERT_TRUE(m.load(Examples + "/sum.elf"));
    m.setBreakpoint(0xE008, true);
    const int lines = m.program().LineCount();
    QTemporaryDir dir;
    QFile bad(dir.filePath("bad.s19"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    // A good record for $E000 first, then a bad checksum: nothing of it may reach memory.
    bad.write("S106E000FFFFFF1C\nS106E003FFFFFF00\nS9030000FC\n");
    bad.close();
    QString error;
    EXPECT_FALSE(m.load(bad.fileName(), &error));
    EXPECT_EQ(error.toStdString(), "Die Datei \"bad.s19\" wurde nicht geladen: Zeile 2: "
                                   "Prüfsumme falsch: $00 gelesen, $19 erwartet.");
    EXPECT_EQ(m.peek(0xE000), 0x8E);
    EXPECT_EQ(m.program().LineCount(), lines);
    EXPECT_EQ(m.breakpoints(), std::vector<uint32_t>{0xE008});
    EXPECT_TRUE(m.programFile().endsWith("sum.elf"));
}

TEST(ProgramFormats, TheShownTextFollowsThePcIntoTheSourceFileItIsIn) {
    Machine m;
    ASSERT_TRUE(m.load(Examples + "/sum.elf"));
    EXPECT_TRUE(
        m.loadedProgram().documentSource(m.loadedProgram().currentDocument()).endsWith("/sum.s"));
    m.setBreakpoint(0xE015, true); // addx, in sumsub.s
    EXPECT_EQ(m.run(), StopReason::Breakpoint);
    EXPECT_TRUE(m.followProgramCounter());
    EXPECT_TRUE(m.loadedProgram()
                    .documentSource(m.loadedProgram().currentDocument())
                    .endsWith("/sumsub.s"));
    EXPECT_EQ(m.program().LineOfAddress(0xE015), 7); // line 8: stx *tmp
    EXPECT_FALSE(m.followProgramCounter());          // still there
}

TEST(ProgramFormats, CodeReachedOutsideTheDisassemblyIsAddedWhenTheRunStopsThere) {
    Machine m;
    ASSERT_TRUE(m.load(Examples + "/sum.s19"));
    EXPECT_EQ(m.program().LineOfAddress(0x0040), -1);
    // A routine the program could have copied into RAM: NOP, NOP, BRA to itself.
    const uint8_t code[] = {0x01, 0x01, 0x20, 0xFE};
    for (uint32_t i = 0; i < 4; ++i)
        m.poke(0x0040 + i, code[i]);
    m.cpu().SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
    m.setRegister(Machine::Register::PC, 0x0040);
    m.step();
    EXPECT_TRUE(m.followProgramCounter());
    const int32_t line = m.program().LineOfAddress(0x0041);
    ASSERT_GE(line, 0);
    EXPECT_TRUE(m.program().Lines()[line].endsWith("\tNOP"));
    EXPECT_GE(m.program().LineOfAddress(0x0042), 0);
    EXPECT_GE(m.program().LineOfAddress(0xE000), 0); // the file's code is still there
}

TEST(ProgramFormats, ReloadingAnS19KeepsBreakpointsWhereAnInstructionStillStarts) {
    QTemporaryDir dir;
    const QString file = dir.filePath("sum.s19");
    ASSERT_TRUE(QFile::copy(Examples + "/sum.s19", file));
    Machine m;
    ASSERT_TRUE(m.load(file));
    m.setBreakpoint(0xE008, true); // JSR addx
    m.setBreakpoint(0xE009, true); // inside it: the runner's --break can set that
    int lost = -1;
    ASSERT_TRUE(m.reload(nullptr, &lost));
    EXPECT_EQ(m.breakpoints(), std::vector<uint32_t>{0xE008});
    EXPECT_EQ(lost, 1);
}

// Re-assembled with a line more before loop and the STAB line gone: the breakpoints on DEX and
// on addx (in the other file) move with their lines, the one on STAB cannot be kept.
TEST(ProgramFormats, ReloadingAReassembledElfKeepsBreakpointsBySourceLine) {
    if (!haveToolchain()) GTEST_SKIP() << "binutils-m68hc1x is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(buildSum(dir.path()));
    Machine m;
    ASSERT_TRUE(m.load(dir.filePath("sum.elf")));
    for (uint32_t a : {0xE00B, 0xE010, 0xE015})
        m.setBreakpoint(a, true); // DEX, STAB, addx
    ASSERT_TRUE(buildSum(dir.path(), [](QByteArray Text) {
        Text.replace("loop:\n", "\tnop\nloop:\n");
        Text.replace("\tstab\tPORTB\t\t; 55 on port B\n", "");
        return Text;
    }));
    int lost = -1;
    QString error;
    ASSERT_TRUE(m.reload(&error, &lost)) << error.toStdString();
    EXPECT_EQ(m.breakpoints(), (std::vector<uint32_t>{0xE00C, 0xE013}));
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(m.symbols().value("addx"), std::optional<uint32_t>(0xE013));
}

} // namespace
