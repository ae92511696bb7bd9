// The machine every front end uses: loading, the reasons a run stops, breakpoints, ports, and the
// side-effect-free view of the address space.
#include "machine/Machine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace {

const QString Demo = QStringLiteral(TARVIK_EXAMPLES_DIR "/demo.lst");
using Env = TCPU_68HC11_Environment;

struct TRecordingSink : TMessageSink {
    TMsgResult Show(const QString& Text, const QString& Caption, TMsgIcon, TMsgButtons) override {
        Boxes.push_back((Caption + "|" + Text).toStdString());
        return TMsgResult::Ok;
    }
    std::vector<std::string> Boxes;
};

struct MachineTest : ::testing::Test {
    MachineTest() { M.setMessageSink(&Sink); }
    // Places Code at Address and points PC at it, without a reset.
    void Program(uint32_t Address, std::initializer_list<uint8_t> Code) {
        M.cpu().SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
        M.setRegister(Machine::Register::PC, Address);
        for (uint8_t b : Code) M.poke(Address++, b);
    }
    Machine M;
    TRecordingSink Sink;
};

TEST_F(MachineTest, LoadingReplacesTheProgramOnlyWithAListingThatHasCode) {
    QString error;
    ASSERT_TRUE(M.load(Demo, &error)) << error.toStdString();
    const int32_t lines = M.program().LineCount();
    M.setBreakpoint(0xE025, true);
    EXPECT_EQ(M.step(), StopReason::None); // the reset, then lds #$00ff at the vector
    EXPECT_EQ(M.registerValue(Machine::Register::PC), 0xE003u);

    QTemporaryDir dir;
    const QString noCode = QDir(dir.path()).filePath("notes.lst");
    QFile file(noCode);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("; just a comment\n\x01\x02 binary\n");
    file.close();
    const std::pair<QString, QString> refused[] = {
        {noCode, "Die Datei \"notes.lst\" enthält keine einzige Codezeile eines 68HC11-Listings "
                 "und wurde nicht geladen."},
        {QDir(dir.path()).filePath("missing.lst"), "missing.lst"},
        {dir.path(), QDir(dir.path()).dirName()}};
    for (const auto& [name, message] : refused) {
        EXPECT_FALSE(M.load(name, &error));
        EXPECT_TRUE(error.contains(message)) << error.toStdString();
        EXPECT_EQ(M.program().LineCount(), lines); // the program stays, with its breakpoint
        EXPECT_EQ(M.programFile(), Demo);
        EXPECT_EQ(M.breakpoints(), std::vector<uint32_t>{0xE025});
    }
    // A new load drops the breakpoints and starts again at the reset.
    ASSERT_TRUE(M.load(Demo));
    EXPECT_EQ(M.breakpoints(), std::vector<uint32_t>{});
    M.step();
    EXPECT_EQ(M.registerValue(Machine::Register::PC), 0xE003u);
    EXPECT_TRUE(Sink.Boxes.empty());
}

// Each way a run ends gives its reason; limits count from the start of the run.
TEST_F(MachineTest, EveryRunEndsWithItsReason) {
    ASSERT_TRUE(M.load(Demo));
    M.step(); // the reset
    TCPU_68HC11_& cpu = M.cpu();

    uint64_t steps = cpu.InstructionCount;
    EXPECT_EQ(M.run({10, {}}), StopReason::StepLimit);
    EXPECT_EQ(cpu.InstructionCount - steps, 10u);

    const int64_t cycles = cpu.CycleCount;
    EXPECT_EQ(M.run({{}, 100000}), StopReason::CycleLimit);
    EXPECT_GE(cpu.CycleCount - cycles, 100000);
    EXPECT_LT(cpu.CycleCount - cycles, 100000 + 42);

    EXPECT_EQ(M.run({0, {}}), StopReason::StepLimit); // nothing runs
    M.setBreakpoint(0xE025, true);
    EXPECT_EQ(M.run(), StopReason::Breakpoint);
    EXPECT_EQ(M.registerValue(Machine::Register::PC), 0xE025u);
    // A breakpoint is met before a limit that the same step reaches.
    steps = cpu.InstructionCount;
    EXPECT_EQ(M.run(), StopReason::Breakpoint); // once round the main loop
    const uint64_t round = cpu.InstructionCount - steps;
    EXPECT_EQ(M.run({round, {}}), StopReason::Breakpoint);
    M.clearBreakpoints();

    // A stop from inside the run (the clock device's tick here, the Stop button in the window).
    int ticks = 0;
    const int32_t tenths = M.timeTenths();
    M.OnClockTick = [&] {
        if (++ticks == 3) M.stop();
    };
    EXPECT_EQ(M.run(), StopReason::User);
    EXPECT_EQ(M.timeTenths() - tenths, 3);
    EXPECT_FALSE(M.isRunning());
    M.OnClockTick = nullptr;

    Program(0x2000, {0x86, 0x01, 0x41}); // ldaa #1, then an illegal opcode
    EXPECT_EQ(M.run({1000, {}}), StopReason::UnknownOpcode);
    EXPECT_EQ(M.registerValue(Machine::Register::A), 1u);
    Program(0x2000, {0xB6, 0x10, 0x01}); // ldaa $1001: a register that is not simulated
    EXPECT_EQ(M.run(), StopReason::UnimplementedIO);
    ASSERT_EQ(Sink.Boxes.size(), 2u);
    EXPECT_EQ(Sink.Boxes[0].substr(0, 36), "CPU-Fehler!|Unbekannter OP-Code: $41");
    EXPECT_EQ(Sink.Boxes[1], "68HC11Env-Fehler - MemoryRead|Nicht implementierte IO-Adresse: $01");
}

TEST_F(MachineTest, PeekAndPokeSeeTheAddressSpaceWithoutSideEffects) {
    M.environment().HandleTimer(1), M.environment().HandleTimer(1); // the RTI flag rises
    const std::pair<uint32_t, uint8_t> peeks[] = {
        {0x1025, 0x40}, {0x1025, 0x40}, // TFLG2 twice: a peek clears nothing
        {0x1039, 0x00}, {0x1001, 0x00}, // OPTION, and an offset that is not simulated
        {0x1004, 0x00}, {0x11025, 0x40}, // addresses wrap at 64 KiB
    };
    for (const auto& [address, value] : peeks) EXPECT_EQ(M.peek(address), value) << address;

    std::vector<int> changed;
    M.OnPortChange = [&](Machine::Port P) { changed.push_back(P); };
    M.poke(0x1004, 0x55);  // port B, as a program write: the pins follow and the event fires
    M.poke(0x1001, 0x77);  // not simulated: nothing happens
    M.poke(0x1025, 0x40);  // TFLG2: writing 1 clears the flag, as on the chip
    M.poke(0x0040, 0xAB);  // RAM
    M.cpu().MemoryType[0x8000] = mtROM;
    M.poke(0x8000, 0xCD);  // ROM is patched, without the write-to-ROM box
    EXPECT_EQ(changed, std::vector<int>{Env::PortB});
    EXPECT_EQ(std::vector<int>({M.peek(0x1004), M.peek(0x1001), M.peek(0x1025), M.peek(0x40),
                                M.peek(0x8000)}),
              std::vector<int>({0x55, 0x00, 0x00, 0xAB, 0xCD}));
    // INIT moves the register block; the view follows it.
    M.poke(0x103D, 0x02);
    EXPECT_EQ(std::pair(M.peek(0x2004), M.peek(0x1004)), std::pair(uint8_t{0x55}, uint8_t{0x00}));
    EXPECT_TRUE(Sink.Boxes.empty());
    EXPECT_EQ(M.lastStopReason(), StopReason::None);
}

TEST_F(MachineTest, RegistersAndPortInputsByName) {
    using R = Machine::Register;
    const std::pair<R, uint32_t> writes[] = {{R::D, 0x12345}, {R::B, 0x1FF}, {R::X, 0xBEEF},
                                             {R::Y, 0x10001}, {R::SP, 0x01FF}, {R::PC, 0xE000},
                                             {R::CCR, 0x1C5}};
    for (const auto& [r, v] : writes) M.setRegister(r, v);
    std::vector<uint32_t> values;
    for (R r : {R::PC, R::A, R::B, R::D, R::X, R::Y, R::SP, R::CCR})
        values.push_back(M.registerValue(r));
    EXPECT_EQ(values, (std::vector<uint32_t>{0xE000, 0x23, 0xFF, 0x23FF, 0xBEEF, 0x0001, 0x01FF,
                                             0xC5}));
    // Inputs reach only a port's input pins: A's 3-6 and all of B are outputs after reset.
    for (int p = Env::PortA; p <= Env::PortE; ++p) M.setPortInput(Machine::Port(p), 0xFF);
    EXPECT_EQ(std::vector<int>({M.portPins(Env::PortA), M.portPins(Env::PortB),
                                M.portPins(Env::PortC), M.portPins(Env::PortD),
                                M.portPins(Env::PortE)}),
              std::vector<int>({0x87, 0x00, 0xFF, 0x3F, 0xFF}));
}

} // namespace

namespace {

// The profile counts executions and cycles per instruction, interrupt and reset entries
// included in the step of the instruction they lead to; labels name the addresses.
TEST_F(MachineTest, TheProfileCountsAKnownLoopAndLabelsNameItsAddresses) {
    Program(0x2000, {0xC6, 0x0A,   // ldab #10
                     0x5A,         // loop: decb
                     0x26, 0xFD,   // bne loop
                     0x20, 0xFE}); // bra *
    EXPECT_EQ(M.profile(), nullptr);
    M.run({12, {}}); // not counted: profiling is off
    M.setProfiling(true);
    Program(0x2000, {});
    M.run({22, {}});
    const auto count = [this](uint32_t A) {
        return std::pair(M.profile()->at(A).Executions, M.profile()->at(A).Cycles);
    };
    EXPECT_EQ(count(0x2000), std::pair(uint64_t{1}, uint64_t{2}));
    EXPECT_EQ(count(0x2002), std::pair(uint64_t{10}, uint64_t{20}));
    EXPECT_EQ(count(0x2003), std::pair(uint64_t{10}, uint64_t{30}));
    EXPECT_EQ(count(0x2005), std::pair(uint64_t{1}, uint64_t{3}));
    EXPECT_EQ(M.profile()->hottest(2), (std::vector<uint32_t>{0x2003, 0x2002}));
    EXPECT_EQ(M.profile()->totalCycles(), 55u);
    M.setProfiling(false);
    M.run({5, {}});
    EXPECT_EQ(M.profile()->totalCycles(), 55u);
    M.clearProfile();
    EXPECT_EQ(M.profile()->totalCycles(), 0u);

    ASSERT_TRUE(M.load(Demo));
    M.setProfiling(true);
    M.run({{}, 100000});
    // The demo's cycles by label range: its main loop "idle" first, then the interrupt routine.
    const auto ranges = M.profileByLabel();
    ASSERT_GE(ranges.size(), 3u);
    EXPECT_EQ(ranges[0].first.toStdString(), "IDLE");
    uint64_t sum = 0;
    for (const auto& [label, cycles] : ranges) sum += cycles;
    EXPECT_EQ(sum, M.profile()->totalCycles());
    const std::pair<uint32_t, const char*> symbols[] = {
        {0xE000, "START"}, {0xE025, "IDLE"}, {0xE028, "IDLE+3"}, {0x0100, ""}};
    for (const auto& [address, name] : symbols)
        EXPECT_EQ(M.symbolFor(address).toStdString(), name) << address;
}

} // namespace

namespace {

// The SCI's line format as the terminal's status line shows it: the bit rate at the E clock
// (a standard rate when within 1 % of one, as the manual's tables name 9615 baud 9600), 8N1 or
// 9N1 by M, "Sender aus" while TE is clear.
TEST(MachineSci, FormatByBaudMAndEClock) {
    const struct {
        uint8_t Baud, Sccr1, Sccr2;
        double EClock;
        const char* Expected;
    } rows[] = {{0x30, 0x00, 0x08, 2e6, "9600 Baud, 8N1"},  {0x30, 0x10, 0x08, 2e6, "9600 Baud, 9N1"},
                {0x31, 0x00, 0x0C, 2e6, "4800 Baud, 8N1"},  {0x33, 0x00, 0x08, 2e6, "1200 Baud, 8N1"},
                {0x00, 0x00, 0x08, 2e6, "125000 Baud, 8N1"}, {0x10, 0x00, 0x08, 2e6, "41667 Baud, 8N1"},
                {0x20, 0x00, 0x08, 2e6, "31250 Baud, 8N1"}, {0x37, 0x00, 0x08, 2e6, "75 Baud, 8N1"},
                {0x30, 0x00, 0x08, 8e6, "38400 Baud, 8N1"}, {0x30, 0x00, 0x04, 2e6, "Sender aus"},
                {0x30, 0x10, 0x00, 2e6, "Sender aus"}};
    for (const auto& row : rows) {
        Machine m;
        m.setEClock(row.EClock);
        m.poke(0x102B, row.Baud);
        m.poke(0x102C, row.Sccr1);
        m.poke(0x102D, row.Sccr2);
        EXPECT_EQ(m.sciFormat().toStdString(), row.Expected) << std::hex << int(row.Baud);
    }
}

// Bytes typed wait in the queue until the program sets RE; then one frame each. Every byte the
// transmitter finishes reaches OnSciTransmit; without a handler nothing happens.
TEST(MachineSci, QueueAndTransmitEvent) {
    Machine m;
    m.cpu().SetPendingInterrupt(TCPU_68HC11_::IrqReset, false);
    m.sciType(QByteArray("xyz"));
    EXPECT_EQ(m.sciPending(), 3);
    m.poke(0x102D, 0x0C); // TE and RE; BAUD 0: 16 cycles a bit
    EXPECT_EQ(m.sciPending(), 3);
    std::string sent;
    m.OnSciTransmit = [&sent](uint8_t Byte) { sent += static_cast<char>(Byte); };
    m.setRegister(Machine::Register::PC, 0x0100);
    for (uint32_t a = 0x0100; a < 0x0110; ++a) m.poke(a, 0x01); // NOPs
    m.poke(0x0110, 0x20); // BRA *
    m.poke(0x0111, 0xFE);
    m.run({std::nullopt, 200});
    EXPECT_EQ(m.sciPending(), 2); // the first byte in, the second on the line
    EXPECT_EQ(m.peek(0x102E), 0xE0);
    EXPECT_EQ(m.peek(0x102F), 'x');
    m.poke(0x102F, 'A'); // SCSR not read before: TDRE stays, nothing sent
    m.run({std::nullopt, 1000});
    EXPECT_EQ(sent, "");
}

} // namespace
// The signal record follows TxD on PD1 bit by bit while the hello program prints: one change
// per level change of the frames (start bit, data bits from bit 0, stop bit), each at its bit
// boundary. Without line events PD1 stays high and nothing is recorded for it.
TEST(MachineSci, SignalRecordFollowsTxdBitByBit) {
    const QByteArray text("Hallo, Welt\r\n");
    int levelChanges = 0;
    for (char c : text) {
        int level = 1; // idle or the previous stop bit
        for (int i = -1; i <= 8; ++i) { // start bit, bits 0 to 7, stop bit
            const int b = i < 0 ? 0 : i == 8 ? 1 : (c >> i) & 1;
            levelChanges += std::exchange(level, b) != b;
        }
    }
    for (bool lineEvents : {true, false}) {
        Machine m;
        m.setSerialLineEvents(lineEvents);
        ASSERT_TRUE(m.load(TARVIK_EXAMPLES_DIR "/hello.lst"));
        m.run({std::nullopt, 40000});
        std::vector<int64_t> edges;
        const SignalRecorder& r = m.signalRecord();
        for (size_t i = 0; i < r.size(); ++i)
            if (r.at(i).Signal == 3 * 8 + 1) edges.push_back(r.at(i).Cycle);
        if (!lineEvents) {
            EXPECT_LE(edges.size(), 1u); // TE takes the pin: high once
            continue;
        }
        // TE is set once, then the preamble; every edge lies on a bit boundary (208 cycles at
        // 9600 baud) counted from the first start bit.
        ASSERT_EQ(edges.size(), static_cast<size_t>(levelChanges) + 1);
        for (size_t i = 2; i < edges.size(); ++i)
            EXPECT_EQ((edges[i] - edges[1]) % 208, 0) << i;
        EXPECT_EQ(r.level(3 * 8 + 1), 1);
    }
}

