// The disassembler against the core (every instruction of every page is as long as the core
// executes it) and against the real assembler (its text assembles back to the same bytes).
#include "hc11/Disassembler.h"
#include "HC11TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

constexpr int Pages[] = {0, 0x18, 0x1A, 0xCD};

std::vector<uint8_t> bytesOf(int Prefix, int Opcode, std::initializer_list<uint8_t> Operands) {
    std::vector<uint8_t> b;
    if (Prefix) b.push_back(static_cast<uint8_t>(Prefix));
    b.push_back(static_cast<uint8_t>(Opcode));
    b.insert(b.end(), Operands);
    return b;
}

Disassembler::Instruction decodeAt(const Disassembler& D, const std::vector<uint8_t>& Bytes,
                                   uint32_t Address) {
    return D.decode(
        [&](uint32_t A) {
            const uint32_t i = (A - Address) & 0xFFFF;
            return i < Bytes.size() ? Bytes[i] : uint8_t{0};
        },
        Address);
}

TEST(Disassembler, InstructionsOfEveryModeAndPage) {
    struct Case {
        std::vector<uint8_t> Bytes;
        const char* Text;
    };
    const Case cases[] = {
        {{0x01}, "NOP"},
        {{0x86, 0x12}, "LDAA #$12"},
        {{0xCC, 0x12, 0x34}, "LDD #$1234"},
        {{0x96, 0x40}, "LDAA *$40"},
        {{0xA7, 0x04}, "STAA $04,X"},
        {{0x18, 0xA7, 0x04}, "STAA $04,Y"},
        {{0xB6, 0x10, 0x00}, "LDAA $1000"},
        {{0x18, 0xCE, 0x12, 0x34}, "LDY #$1234"},
        {{0x18, 0x8F}, "XGDY"},
        {{0x18, 0x35}, "TYS"},
        {{0x1A, 0x83, 0x00, 0x10}, "CPD #$0010"},
        {{0x1A, 0xEE, 0x02}, "LDY $02,X"},
        {{0xCD, 0xAC, 0x02}, "CPX $02,Y"},
        {{0xCD, 0xA3, 0x02}, "CPD $02,Y"},
        {{0x26, 0xFE}, "BNE $E000"},
        {{0x20, 0x10}, "BRA $E012"},
        {{0x8D, 0x00}, "BSR $E002"},
        {{0x14, 0x24, 0x40}, "BSET *$24 #$40"},
        {{0x18, 0x1D, 0x05, 0x04}, "BCLR $05,Y #$04"},
        {{0x13, 0x25, 0x80, 0xFC}, "BRCLR *$25 #$80 $E000"},
        {{0x18, 0x1E, 0x25, 0x80, 0x02}, "BRSET $25,Y #$80 $E007"},
        {{0xBD, 0xE1, 0x00}, "JSR $E100"},
        {{0x00}, "FCB $00"},             // TEST: the core stops there as on an unknown opcode
        {{0x41}, "FCB $41"},             // no instruction
        {{0x18, 0x86, 0x01}, "FCB $18"}, // LDAA has no $18 page form
        {{0x1A, 0x8C, 0x00, 0x00}, "FCB $1A"},
        {{0xCD, 0xCE, 0x00, 0x00}, "FCB $CD"},
    };
    Disassembler d;
    for (const Case& c : cases) {
        const auto in = decodeAt(d, c.Bytes, 0xE000);
        const QString text = in.Operand.isEmpty() ? in.Mnemonic : in.Mnemonic + u' ' + in.Operand;
        EXPECT_EQ(text.toStdString(), c.Text);
        EXPECT_EQ(in.Length, in.Valid ? static_cast<int>(c.Bytes.size()) : 1) << c.Text;
    }
    // Names where the namer knows the address.
    d.setNamer([](uint32_t A) { return A == 0xE100 ? QStringLiteral("SUB") : QString(); });
    EXPECT_EQ(decodeAt(d, {0xBD, 0xE1, 0x00}, 0xE000).Operand, u"SUB");
    EXPECT_EQ(decodeAt(d, {0xBD, 0xE1, 0x00}, 0xE000).Target, 0xE100);
}

// Every opcode the disassembler calls an instruction is one the core executes with exactly the
// length the disassembler gives (jumps, branches taken and the stops aside), on every page;
// the pages hold the opcode map's numbers of instructions (TEST left out, as the core does).
TEST(Disassembler, EveryInstructionOfEveryPageIsAsLongAsTheCoreExecutesIt) {
    const std::map<int, int> expectedCount = {{0, 232}, {0x18, 64}, {0x1A, 7}, {0xCD, 4}};
    Disassembler d;
    for (const int prefix : Pages) {
        int count = 0;
        for (int op = 0; op < 256; ++op) {
            if (!Disassembler::isInstruction(static_cast<uint8_t>(prefix),
                                             static_cast<uint8_t>(op)))
                continue;
            ++count;
            SCOPED_TRACE(testing::Message() << std::hex << "page " << prefix << " opcode " << op);
            const auto bytes = bytesOf(prefix, op, {0x00, 0x00, 0x00});
            const auto in = decodeAt(d, bytes, 0xC000);
            ASSERT_TRUE(in.Valid);
            TCPU_68HC11_ cpu;
            TRecordingSink sink;
            cpu.MessageSink = &sink;
            std::copy(bytes.begin(), bytes.end(), cpu.Memory.begin() + 0xC000);
            cpu.PC = 0xC000;
            cpu.SP = 0x00FF;
            cpu.ExecuteInstruction();
            EXPECT_TRUE(sink.Boxes.empty());
            // A zero offset lands every branch after itself, taken or not.
            const bool jumps = in.Mnemonic == u"JMP" || in.Mnemonic == u"JSR" ||
                               in.Mnemonic == u"RTS" || in.Mnemonic == u"RTI" ||
                               in.Mnemonic == u"SWI" || in.Mnemonic == u"WAI" ||
                               in.Mnemonic == u"STOP";
            if (!jumps) {
                EXPECT_EQ((cpu.PC - 0xC000) & 0xFFFF, in.Length) << in.Mnemonic.toStdString();
            }
        }
        EXPECT_EQ(count, expectedCount.at(prefix)) << "page " << prefix;
    }
}

// Assembles Source with m68hc11-as and returns the bytes of its text section.
std::optional<QByteArray> assemble(const QString& Source, QString* Log) {
    QTemporaryDir dir;
    QFile src(dir.filePath(QStringLiteral("t.s")));
    if (!src.open(QIODevice::WriteOnly)) return std::nullopt;
    src.write(Source.toLatin1());
    src.close();
    QProcess as;
    as.start(QStringLiteral("m68hc11-as"), {QStringLiteral("-S"), QStringLiteral("-o"),
                                            dir.filePath(QStringLiteral("t.o")), src.fileName()});
    as.waitForFinished(60000);
    *Log = QString::fromLocal8Bit(as.readAllStandardError());
    if (as.exitCode() != 0) return std::nullopt;
    QProcess copy;
    copy.start(QStringLiteral("m68hc11-objcopy"),
               {QStringLiteral("-O"), QStringLiteral("binary"), QStringLiteral("-j"),
                QStringLiteral(".text"), dir.filePath(QStringLiteral("t.o")),
                dir.filePath(QStringLiteral("t.bin"))});
    copy.waitForFinished(60000);
    QFile bin(dir.filePath(QStringLiteral("t.bin")));
    if (copy.exitCode() != 0 || !bin.open(QIODevice::ReadOnly)) return std::nullopt;
    return bin.readAll();
}

TEST(Disassembler, EveryInstructionAssemblesBackToItsBytesWithTheRealAssembler) {
    if (QStandardPaths::findExecutable(QStringLiteral("m68hc11-as")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("m68hc11-objcopy")).isEmpty())
        GTEST_SKIP() << "m68hc11-as (binutils-m68hc1x) is not installed";
    Disassembler d({QStringLiteral("0x"), true});
    // Two sets of operand bytes: forward branches and small values, backward branches and
    // values with the top bit set.
    for (const auto operands : {std::initializer_list<uint8_t>{0x12, 0x34, 0x56},
                                std::initializer_list<uint8_t>{0xF0, 0x81, 0xFE}}) {
        QString source;
        QByteArray expected;
        for (const int prefix : Pages) {
            for (int op = 0; op < 256; ++op) {
                const auto bytes = bytesOf(prefix, op, operands);
                const auto in = decodeAt(d, bytes, 0x8000);
                source += u'\t' + in.Mnemonic + u' ' + in.Operand + u'\n';
                expected.append(reinterpret_cast<const char*>(bytes.data()), in.Length);
            }
        }
        QString log;
        const auto bytes = assemble(source, &log);
        ASSERT_TRUE(bytes.has_value()) << log.toStdString();
        ASSERT_EQ(bytes->size(), expected.size());
        // Find the first line that differs, for a readable failure.
        EXPECT_EQ(bytes->toHex().toStdString(), expected.toHex().toStdString());
    }
}

} // namespace
