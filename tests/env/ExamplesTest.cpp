// End to end: real listings are loaded with the loader, the reset line is raised as the window
// does, and the CPU's own loop runs them to their final "bra" to itself; memory and registers
// must then hold what expected.json says.
#include "EnvTestSupport.h"
#include "cpu/CPUExternal.h"
#include "hc11/ListFileLoader.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

// The system as the window wires it: core, environment, loader and the 100000-cycle timer
// device whose reset handler clears the reset request.
struct TExampleSystem : TEnvSystem {
    TCPUExternal External;
    TKV_68HC11_ListFileLoader Loader;
    int Resets = 0;

    TExampleSystem() {
        External.SetTimerClocks(100000);
        External.SetMemoryBase(0xFF00);
        External.SetMemorySize(0);
        External.OnReset = [this] {
            ++Resets;
            Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
        };
        External.SetCPU(&Cpu);
        Loader.SetCPU(&Cpu);
    }
    ~TExampleSystem() { External.SetCPU(nullptr); }

    // Raises the reset line and steps until PC reaches Done (a breakpoint ends the run there)
    // or the budget is used up.
    void RunTo(uint32_t Done, int32_t MaxSteps) {
        Cpu.SetBreakpoint(Done, true);
        Cpu.SetPendingInterrupt(TCPU_68HC11_::IrqReset, true);
        Cpu.Step(MaxSteps);
    }
};

struct TExample {
    QString Folder;
    QJsonObject Program;
    std::string Name;
};

std::vector<TExample> ReadExamples() {
    std::vector<TExample> examples;
    for (const char* folder : {TARVIK_SHARED_EXAMPLES, TARVIK_EXAMPLES}) {
        QFile file(QDir(folder).filePath("expected.json"));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QJsonArray programs =
            QJsonDocument::fromJson(file.readAll()).object().value("programs").toArray();
        const bool shared = folder == std::string(TARVIK_SHARED_EXAMPLES);
        for (const QJsonValue& program : programs) {
            const QString name = program.toObject().value("name").toString();
            examples.push_back({QString::fromUtf8(folder), program.toObject(),
                                (shared ? "shared_" : "project_") + name.toStdString()});
        }
    }
    if (examples.empty()) examples.push_back({QString(), QJsonObject(), "none_found"});
    return examples;
}

uint32_t Hex(const QJsonValue& Value) {
    bool ok = false;
    const uint32_t number = Value.toString().toUInt(&ok, 16);
    EXPECT_TRUE(ok) << Value.toString().toStdString();
    return number;
}

class ExampleListings : public testing::TestWithParam<TExample> {};

TEST_P(ExampleListings, RunToTheFinalBranchWithTheExpectedState) {
    const TExample& example = GetParam();
    if (example.Folder.isEmpty())
        GTEST_SKIP() << "no example listings found: neither " << TARVIK_SHARED_EXAMPLES
                     << "/expected.json nor " << TARVIK_EXAMPLES << "/expected.json exists";
    const QJsonObject& program = example.Program;
    TExampleSystem sys;
    QString error;
    const QString path = QDir(example.Folder).filePath(program.value("file").toString());
    ASSERT_TRUE(sys.Loader.LoadFromFile(path, &error)) << error.toStdString();
    EXPECT_EQ(sys.Loader.LoadToMemory(), 0);
    EXPECT_EQ(sys.Cpu.ReadWord(0xFFFE), static_cast<int32_t>(Hex(program.value("start_address"))));

    const uint32_t done = Hex(program.value("done_address"));
    sys.RunTo(done, program.value("max_steps").toInt());
    ASSERT_EQ(static_cast<uint32_t>(sys.Cpu.PC), done) << "did not reach the final branch";
    EXPECT_EQ(sys.Resets, 1);
    for (const TShownMessage& box : sys.Sink.Shown)
        ADD_FAILURE() << "box [" << box.Caption.toStdString() << "] " << box.Text.toStdString();
    // The listing line of the final branch is found from the program counter.
    const int32_t line = sys.Loader.LineOfAddress(done);
    ASSERT_GE(line, 0);
    EXPECT_TRUE(sys.Loader.Lines()[line].contains("bra")) << sys.Loader.Lines()[line].constData();

    for (const QJsonValue& value : program.value("checks").toArray()) {
        const QJsonObject check = value.toObject();
        const uint32_t address = Hex(check.value("address"));
        const QByteArray expected = QByteArray::fromHex(check.value("bytes").toString().toLatin1());
        QByteArray actual;
        for (qsizetype i = 0; i < expected.size(); ++i)
            actual += static_cast<char>(sys.Cpu.ReadByte(address + static_cast<uint32_t>(i)));
        EXPECT_EQ(actual.toHex().toUpper().toStdString(), expected.toHex().toUpper().toStdString())
            << check.value("what").toString().toStdString() << " at "
            << check.value("address").toString().toStdString();
    }
    const QJsonObject registers = program.value("registers").toObject();
    for (auto it = registers.begin(); it != registers.end(); ++it) {
        const int32_t expected = static_cast<int32_t>(Hex(it.value()));
        const QString name = it.key();
        int32_t actual = -1;
        if (name == "A")
            actual = sys.Cpu.ACCA;
        else if (name == "B")
            actual = sys.Cpu.ACCB;
        else if (name == "D")
            actual = sys.Cpu.GetD();
        else if (name == "X")
            actual = sys.Cpu.IX;
        else if (name == "Y")
            actual = sys.Cpu.IY;
        else if (name == "SP")
            actual = sys.Cpu.SP;
        else if (name == "CCR")
            actual = sys.Cpu.GetCCR();
        else
            ADD_FAILURE() << "unknown register " << name.toStdString();
        EXPECT_EQ(actual, expected) << "register " << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(, ExampleListings, testing::ValuesIn(ReadExamples()),
                         [](const testing::TestParamInfo<TExample>& Info) {
                             return Info.param.Name;
                         });

// A program that enables the RTI at one of its four rates and counts five interrupts; the
// fifth one arrives after five RTI periods.
TEST(RtiProgram, CountsInterruptsAtEachRate) {
    for (int rate = 0; rate < 4; ++rate) {
        TExampleSystem sys;
        const QByteArray rateByte = QByteArray::number(rate, 16).rightJustified(2, '0');
        sys.Loader.LoadFromData(Join({
            Code(1, "E000", "8E 00 FF", "start: lds #$00FF"),
            Code(2, "E003", "CE 10 00", "ldx #$1000"),
            Code(3, "E006", "7F 00 00", "clr $0000"),
            Code(4, "E009", ("86 " + rateByte).constData(), "ldaa #rate"),
            Code(5, "E00B", "A7 26", "staa PACTL,x"),
            Code(6, "E00D", "86 40", "ldaa #$40"),
            Code(7, "E00F", "A7 25", "staa TFLG2,x"),
            Code(8, "E011", "A7 24", "staa TMSK2,x"),
            Code(9, "E013", "0E", "cli"),
            Code(10, "E014", "96 00", "wait: ldaa $00"),
            Code(11, "E016", "81 05", "cmpa #5"),
            Code(12, "E018", "25 FA", "blo wait"),
            Code(13, "E01A", "0F", "sei"),
            Code(14, "E01B", "20 FE", "done: bra done"),
            Code(15, "E01D", "CE 10 00", "isr: ldx #$1000"),
            Code(16, "E020", "86 40", "ldaa #$40"),
            Code(17, "E022", "A7 25", "staa TFLG2,x"),
            Code(18, "E024", "7C 00 00", "inc $0000"),
            Code(19, "E027", "3B", "rti"),
            Code(20, "FFF0", "E0 1D", "fdb isr"),
            Code(21, "FFFE", "E0 00", "fdb start"),
        }));
        ASSERT_EQ(sys.Loader.LoadToMemory(), 0);
        sys.RunTo(0xE01B, 2000000);
        ASSERT_EQ(sys.Cpu.PC, 0xE01B) << "rate " << rate;
        EXPECT_EQ(sys.Cpu.Memory[0x0000], 5);
        const int64_t period = int64_t{8192} << rate;
        EXPECT_GE(sys.Cpu.CycleCount, 5 * period) << "rate " << rate;
        EXPECT_LT(sys.Cpu.CycleCount, 5 * period + 300) << "rate " << rate;
        EXPECT_TRUE(sys.Sink.Shown.empty());
    }
}

} // namespace
