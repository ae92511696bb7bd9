// End-to-end tests of tarvik68hc11-run: the binary runs as a process, the tests read its exit
// status and its two output streams.

#include "RunProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

const std::string Runner = TARVIK_RUNNER;
const std::string DataDir = TARVIK_RUNNER_DATA_DIR;
const std::string ExamplesDir = TARVIK_EXAMPLES_DIR;
const std::string SharedExamplesDir = TARVIK_SHARED_EXAMPLES_DIR;

TProcessResult RunTool(const std::vector<std::string>& Args) {
    return RunProcess(Runner, Args);
}

std::string Data(const std::string& Name) {
    return DataDir + "/" + Name;
}

std::vector<std::string> Lines(const std::string& Text) {
    std::vector<std::string> lines;
    std::istringstream in(Text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string LastLine(const std::string& Text) {
    const auto lines = Lines(Text);
    return lines.empty() ? std::string() : lines.back();
}

uint32_t Hex(const std::string& Text) {
    return static_cast<uint32_t>(std::stoul(Text, nullptr, 16));
}

// "PC=E000 A=12 ... CYCLES=N" -> {"PC": "E000", "A": "12", ...}
std::map<std::string, std::string> Fields(const std::string& Line) {
    std::map<std::string, std::string> fields;
    std::istringstream in(Line);
    for (std::string item; in >> item;) {
        const size_t eq = item.find('=');
        if (eq != std::string::npos) fields[item.substr(0, eq)] = item.substr(eq + 1);
    }
    return fields;
}

// The bytes of all "XXXX: XX XX ..." lines of a dump, by address.
std::map<uint32_t, uint32_t> DumpedBytes(const std::string& Out) {
    std::map<uint32_t, uint32_t> bytes;
    for (const std::string& line : Lines(Out)) {
        if (line.size() < 5 || line[4] != ':') continue;
        const uint32_t address = Hex(line.substr(0, 4));
        std::istringstream in(line.substr(5));
        uint32_t k = 0;
        for (std::string b; in >> b; ++k)
            bytes[(address + k) & 0xFFFF] = Hex(b);
    }
    return bytes;
}

// The captures of a whole-line match (index 0 is the line), or nothing.
std::vector<std::string> Match(const QRegularExpression& Pattern, const std::string& Line) {
    const QRegularExpressionMatch m = Pattern.match(QString::fromStdString(Line));
    std::vector<std::string> captures;
    if (m.hasMatch()) {
        for (const QString& c : m.capturedTexts())
            captures.push_back(c.toStdString());
    }
    return captures;
}

const QRegularExpression TraceLine(
    R"(^(\d+) ([0-9A-F]{4}) (\d+) PC=([0-9A-F]{4}) A=[0-9A-F]{2} B=[0-9A-F]{2} X=[0-9A-F]{4} )"
    R"(Y=[0-9A-F]{4} SP=[0-9A-F]{4} CCR=[0-9A-F]{2}$)");
const QRegularExpression RegsLine(R"(^PC=[0-9A-F]{4} A=[0-9A-F]{2} B=[0-9A-F]{2} X=[0-9A-F]{4} )"
                                  R"(Y=[0-9A-F]{4} SP=[0-9A-F]{4} CCR=[0-9A-F]{2} CYCLES=\d+$)");

// ---- usage ----------------------------------------------------------------------------------

TEST(RunnerUsage, HelpExplainsEveryOptionAndTheExitStatuses) {
    const TProcessResult r = RunTool({"--help"});
    EXPECT_EQ(r.ExitCode, 0);
    for (const char* word : {"--max-steps", "--max-cycles", "--break", "--no-reset", "--set",
                             "--port", "--trace", "--regs", "--dump", "--memory-out", "--stats",
                             "stop: GRUND PC=$XXXX", "opcode", "io", "breakpoint"})
        EXPECT_NE(r.Out.find(word), std::string::npos) << word;
    EXPECT_EQ(r.Err, "");
}

TEST(RunnerUsage, BadCommandLinesExitWithStatus2AndRunNothing) {
    const std::string demo = ExamplesDir + "/demo.lst";
    const struct {
        std::vector<std::string> Args;
        const char* Message;
    } cases[] = {
        {{}, "Keine Listdatei angegeben."},
        {{demo, demo}, "Mehr als eine Listdatei"},
        {{"--fast", demo}, "Unbekannte Option: --fast"},
        {{demo, "--max-steps"}, "erwartet einen Wert"},
        {{"--max-steps", "ten", demo}, "Ungültige Zahl für --max-steps: ten"},
        {{"--max-cycles", "-5", demo}, "Ungültige Zahl für --max-cycles"},
        {{"--break", "$10000", demo}, "Ungültige Adresse für --break"},
        {{"--break", "E000", demo}, "Ungültige Adresse für --break"},
        {{"--set", "Q=1", demo}, "Unbekanntes Register für --set: Q"},
        {{"--set", "A=$100", demo}, "Ungültiger Wert für Register A"},
        {{"--set", "PC", demo}, "--set erwartet REGISTER=WERT"},
        {{"--port", "B=1", demo}, "Ungültiger Port für --port: B"},
        {{"--port", "E=256", demo}, "Ungültiger Wert für Port E"},
        {{"--dump", "$E000", demo}, "--dump erwartet START:LÄNGE"},
        {{"--dump", "0:65537", demo}, "Ungültiger Bereich für --dump"},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const auto& a : c.Args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const TProcessResult r = RunTool(c.Args);
        EXPECT_EQ(r.ExitCode, 2);
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(r.Err.find("stop:"), std::string::npos);
        EXPECT_EQ(r.Out, "");
    }
}

TEST(RunnerUsage, UnreadableListingExitsWithStatus2AndAMessageNamingIt) {
    for (const std::string& path : {std::string("/nonexistent/missing.lst"), DataDir}) {
        SCOPED_TRACE(path);
        const TProcessResult r = RunTool({"--regs", path});
        EXPECT_EQ(r.ExitCode, 2);
        EXPECT_NE(r.Err.find("tarvik68hc11-run: "), std::string::npos);
        EXPECT_NE(r.Err.find(path), std::string::npos) << r.Err;
        EXPECT_EQ(r.Err.find("stop:"), std::string::npos);
        EXPECT_EQ(r.Out, "");
    }
}

TEST(RunnerUsage, UnwritableMemoryOutExitsWithStatus2BeforeRunning) {
    const TProcessResult r =
        RunTool({"--memory-out", "/nonexistent/dir/mem.bin", "--regs", Data("stops.lst")});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_NE(r.Err.find("/nonexistent/dir/mem.bin"), std::string::npos) << r.Err;
    EXPECT_EQ(r.Out, "");
}

// ---- output formats -------------------------------------------------------------------------

TEST(RunnerOutput, TraceShowsEveryStepInTheDocumentedFormat) {
    const TProcessResult r = RunTool({"--trace", "--regs", "--max-steps", "6", Data("stops.lst")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto lines = Lines(r.Out);
    ASSERT_EQ(lines.size(), 7u);
    // Step 1 starts at PC 0 before the reset, takes the reset and executes LDS #$00FF.
    EXPECT_EQ(lines[0], "1 0000 3 PC=E003 A=00 B=00 X=0000 Y=0000 SP=00FF CCR=D0");
    EXPECT_EQ(lines[1], "2 E003 2 PC=E004 A=00 B=00 X=0000 Y=0000 SP=00FF CCR=D4");
    EXPECT_EQ(lines[2], "3 E004 2 PC=E005 A=01 B=00 X=0000 Y=0000 SP=00FF CCR=D0");
    uint64_t cycles = 0;
    std::string previousPC;
    for (size_t i = 0; i < 6; ++i) {
        const auto m = Match(TraceLine, lines[i]);
        ASSERT_FALSE(m.empty()) << lines[i];
        EXPECT_EQ(m[1], std::to_string(i + 1));
        if (i > 0) {
            EXPECT_EQ(m[2], previousPC); // no interrupt in between
        }
        previousPC = m[4];
        cycles += std::stoull(m[3]);
    }
    ASSERT_FALSE(Match(RegsLine, lines[6]).empty()) << lines[6];
    EXPECT_EQ(Fields(lines[6])["CYCLES"], std::to_string(cycles));
    EXPECT_EQ(Fields(lines[6])["PC"], previousPC);
    EXPECT_EQ(r.Err, "stop: steps PC=$" + previousPC + "\n");
}

TEST(RunnerOutput, TraceShowsTheInterruptedPCAsTheStartOfAnInterruptStep) {
    // The demo's first real-time interrupt comes after 8192 cycles; its service routine
    // starts at $E03B with LDX #REGS (3 cycles, PC after it $E03E).
    const TProcessResult r =
        RunTool({"--trace", "--max-cycles", "9000", ExamplesDir + "/demo.lst"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    std::string previousPC;
    int interruptSteps = 0;
    for (const std::string& line : Lines(r.Out)) {
        const auto m = Match(TraceLine, line);
        ASSERT_FALSE(m.empty()) << line;
        if (m[4] == "E03E") {
            ++interruptSteps;
            EXPECT_EQ(m[2], previousPC);
            EXPECT_EQ(m[3], "3");
            EXPECT_NE(line.find("SP=00F6"), std::string::npos) << line; // 9 bytes stacked
        }
        previousPC = m[4];
    }
    EXPECT_EQ(interruptSteps, 1);
}

TEST(RunnerOutput, DumpPrintsSixteenBytesPerLineAndWrapsAtTheTopOfMemory) {
    const TProcessResult r = RunTool(
        {"--max-steps", "0", "--dump", "$FFF8:20", "--dump", "0xE000:3", Data("stops.lst")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "FFF8: 00 00 00 00 00 00 E0 00 00 00 00 00 00 00 00 00\n"
                     "0008: 00 00 00 00\n"
                     "E000: 8E 00 FF\n");
    EXPECT_EQ(r.Err, "stop: steps PC=$0000\n");
}

TEST(RunnerOutput, StatsGoToStderrBeforeTheStopLine) {
    const TProcessResult r = RunTool({"--stats", "--max-steps", "1000", Data("stops.lst")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    const auto lines = Lines(r.Err);
    ASSERT_EQ(lines.size(), 2u) << r.Err;
    const auto m = Match(
        QRegularExpression(R"(^instructions=(\d+) cycles=(\d+) seconds=\d+\.\d+ mhz=\d+\.\d+$)"),
        lines[0]);
    ASSERT_FALSE(m.empty()) << lines[0];
    EXPECT_EQ(m[1], "1000");
    EXPECT_EQ(lines[1].rfind("stop: steps PC=$", 0), 0u);
    EXPECT_EQ(r.Out, "");
}

TEST(RunnerOutput, MemoryOutWritesTheWholeMemoryArray) {
    const std::string path = std::filesystem::temp_directory_path() / "runner_test_memory.bin";
    const TProcessResult r =
        RunTool({"--memory-out", path, "--max-steps", "100", "--dump", "0:1", Data("stops.lst")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    std::ifstream in(path, std::ios::binary);
    const std::string memory((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    ASSERT_EQ(memory.size(), 65536u);
    EXPECT_EQ(static_cast<uint8_t>(memory[0xE000]), 0x8E);
    EXPECT_EQ(static_cast<uint8_t>(memory[0xFFFE]), 0xE0);
    EXPECT_EQ(static_cast<uint32_t>(static_cast<uint8_t>(memory[0])), DumpedBytes(r.Out)[0]);
}

// ---- stops ----------------------------------------------------------------------------------

TEST(RunnerStops, EachStopHasItsReasonAndExitStatus) {
    const std::string stops = Data("stops.lst");
    const std::string opcodeText = "[CPU-Fehler!] Unbekannter OP-Code: $41 PC: $E00B History: ";
    const struct {
        const char* What;
        std::vector<std::string> Args;
        int Exit;
        const char* StopLine;
        const char* Message; // a line that stderr must hold, or nullptr
    } cases[] = {
        {"step limit", {"--max-steps", "5"}, 0, "stop: steps PC=$E004", nullptr},
        {"breakpoint", {"--break", "$E007"}, 0, "stop: breakpoint PC=$E007", nullptr},
        {"cycle limit", {"--max-cycles", "12"}, 0, "stop: cycles PC=$E004", nullptr},
        {"unknown opcode",
         {"--no-reset", "--set", "PC=$E009"},
         3,
         "stop: opcode PC=$E00C",
         opcodeText.c_str()},
        {"second prefix byte",
         {"--no-reset", "--set", "PC=$E00E"},
         3,
         "stop: opcode PC=$E012",
         "[CPU-Fehler!] Unbekannter OP-Code: $18 PC: $E010 History: "},
        {"unimplemented IO address",
         {"--no-reset", "--set", "PC=$E014"},
         4,
         "stop: io PC=$E019",
         "[68HC11Env-Fehler - MemoryRead] Nicht implementierte IO-Adresse: $01"},
        // Several reasons after the same step: opcode, io, breakpoint, steps, cycles.
        {"opcode before breakpoint",
         {"--no-reset", "--set", "PC=$E009", "--break", "$E00C"},
         3,
         "stop: opcode PC=$E00C",
         nullptr},
        {"io before step limit",
         {"--no-reset", "--set", "PC=$E014", "--max-steps", "2"},
         4,
         "stop: io PC=$E019",
         nullptr},
        {"breakpoint before step limit",
         {"--break", "$E007", "--max-steps", "4"},
         0,
         "stop: breakpoint PC=$E007",
         nullptr},
        {"step limit before cycle limit",
         {"--max-steps", "5", "--max-cycles", "12"},
         0,
         "stop: steps PC=$E004",
         nullptr},
        {"zero steps run nothing", {"--max-steps", "0"}, 0, "stop: steps PC=$0000", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<std::string> args = c.Args;
        args.push_back(stops);
        const TProcessResult r = RunTool(args);
        EXPECT_EQ(r.ExitCode, c.Exit);
        EXPECT_EQ(LastLine(r.Err), c.StopLine) << r.Err;
        if (c.Message) {
            bool found = false;
            for (const std::string& line : Lines(r.Err))
                found |= line.rfind(c.Message, 0) == 0;
            EXPECT_TRUE(found) << r.Err;
        }
    }
}

TEST(RunnerStops, UnknownOpcodeMessageNamesRegistersAndHistory) {
    const TProcessResult r = RunTool({"--no-reset", "--set", "PC=$E009", "--set", "X=$1234",
                                      "--set", "Y=$5678", "--set", "SP=$00F0", Data("stops.lst")});
    ASSERT_EQ(r.ExitCode, 3);
    const auto lines = Lines(r.Err);
    ASSERT_EQ(lines.size(), 2u) << r.Err;
    EXPECT_EQ(lines[0], "[CPU-Fehler!] Unbekannter OP-Code: $41 PC: $E00B History: "
                        " $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000"
                        " $0000 $0000 $0000 $E009 $E00B ACCD: $5500 IX: $1234 IY: $5678"
                        " SP: $00F0 Flags: $00");
}

TEST(RunnerStops, TheStepThatMeetsAnUnknownOpcodeIsTracedAndCounted) {
    for (const auto& [start, cycles, pc] :
         {std::tuple{"PC=$E009", "0", "E00C"}, std::tuple{"PC=$E00E", "1", "E012"}}) {
        SCOPED_TRACE(start);
        const TProcessResult r =
            RunTool({"--no-reset", "--set", start, "--trace", "--stats", Data("stops.lst")});
        EXPECT_EQ(r.ExitCode, 3);
        const auto lines = Lines(r.Out);
        ASSERT_EQ(lines.size(), 2u) << r.Out;
        const auto m = Match(TraceLine, lines[1]);
        ASSERT_FALSE(m.empty()) << lines[1];
        EXPECT_EQ(m[1], "2");
        EXPECT_EQ(m[3], cycles);
        EXPECT_EQ(m[4], pc);
        EXPECT_NE(r.Err.find("instructions=2 "), std::string::npos) << r.Err;
    }
}

TEST(RunnerStops, CycleLimitStopsAfterTheFirstStepThatReachesIt) {
    for (int limit : {1, 3, 4, 100, 5000}) {
        SCOPED_TRACE(limit);
        const TProcessResult r =
            RunTool({"--trace", "--max-cycles", std::to_string(limit), Data("stops.lst")});
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        uint64_t total = 0, before = 0;
        for (const std::string& line : Lines(r.Out)) {
            const auto m = Match(TraceLine, line);
            ASSERT_FALSE(m.empty()) << line;
            before = total;
            total += std::stoull(m[3]);
        }
        EXPECT_GE(total, static_cast<uint64_t>(limit));
        EXPECT_LT(before, static_cast<uint64_t>(limit));
        EXPECT_EQ(LastLine(r.Err).rfind("stop: cycles PC=$", 0), 0u);
    }
}

TEST(RunnerStops, ARunThatStartsOnABreakpointExecutesItFirst) {
    // "done: bra done" at $E01B carries the breakpoint and branches back to itself.
    const TProcessResult r = RunTool(
        {"--no-reset", "--set", "PC=$E01B", "--break", "$E01B", "--trace", Data("stops.lst")});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Out, "1 E01B 3 PC=E01B A=00 B=00 X=0000 Y=0000 SP=0000 CCR=00\n");
    EXPECT_EQ(r.Err, "stop: breakpoint PC=$E01B\n");
}

// ---- inputs ---------------------------------------------------------------------------------

TEST(RunnerInputs, SetLoadsRegistersAndTheResetKeepsAllButPCAndCCR) {
    TProcessResult r =
        RunTool({"--no-reset", "--set", "PC=$E010", "--set", "D=$1234", "--set", "X=0xBEEF",
                 "--set", "Y=65535", "--set", "SP=$01FF", "--set", "CCR=$C5", "--set", "B=$99",
                 "--max-steps", "0", "--regs", Data("stops.lst")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "PC=E010 A=12 B=99 X=BEEF Y=FFFF SP=01FF CCR=C5 CYCLES=0\n");

    // With the reset: PC comes from the vector and CCR becomes $D0 (then LDS sets SP and Z).
    r = RunTool({"--set", "PC=$E010", "--set", "A=$77", "--set", "X=$4321", "--set", "CCR=$00",
                 "--max-steps", "1", "--regs", Data("stops.lst")});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(r.Out, "PC=E003 A=77 B=00 X=4321 Y=0000 SP=00FF CCR=D0 CYCLES=3\n");
}

TEST(RunnerInputs, PortsDriveTheInputPinsBeforeTheFirstStep) {
    const struct {
        std::vector<std::string> Ports;
        const char* Expected; // PORTA PORTC PORTD PORTE as read by the program
    } cases[] = {
        {{}, "0000: 00 00 00 00\n"},
        // The reset keeps port A's input pins (0-2 and 7); pins 3-6 are outputs.
        {{"--port", "A=$FF", "--port", "C=$0F", "--port", "D=$3F", "--port", "E=$A5"},
         "0000: 87 0F 3F A5\n"},
        {{"--port", "A=0x05", "--port", "D=$FF", "--port", "E=1", "--port", "E=2"},
         "0000: 05 00 3F 02\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.Ports;
        for (const char* a : {"--break", "$E013", "--dump", "0:4"})
            args.push_back(a);
        args.push_back(Data("ports.lst"));
        const TProcessResult r = RunTool(args);
        ASSERT_EQ(r.ExitCode, 0) << r.Err;
        EXPECT_EQ(r.Out, c.Expected);
    }
}

TEST(RunnerInputs, LoaderErrorsBecomeMessageLinesAndTheRunGoesOn) {
    const std::string path = std::filesystem::temp_directory_path() / "runner_test_bad.lst";
    {
        std::ofstream out(path, std::ios::binary);
        out << "       1/    E000 : 86 GG               \tldaa\t#$55\n"
               "       2/    E002 : 20 FE               done:\tbra\tdone\n"
               "       3/    FFFE : E0 00               \tfdb\t$e000\n";
    }
    const TProcessResult r = RunTool({"--break", "$E002", "--regs", path});
    std::filesystem::remove(path);
    EXPECT_EQ(r.ExitCode, 0);
    const auto lines = Lines(r.Err);
    ASSERT_EQ(lines.size(), 2u) << r.Err;
    EXPECT_EQ(lines[0], "[Fehler in Zeile:0]        1/    E000 : 86 GG               \tldaa\t#$55");
    EXPECT_EQ(lines[1], "stop: breakpoint PC=$E002");
}

// ---- example programs -----------------------------------------------------------------------

// Runs one program of an expected.json from its reset vector to its done address and compares
// registers and memory. Bytes in the register block ($1000-$103F) are the environment's, not
// the memory array's, so --dump cannot show them; their tests live with the environment.
void CheckExpectedResults(const std::string& Dir, const QJsonObject& Program) {
    const std::string name = Program["name"].toString().toStdString();
    SCOPED_TRACE(name);
    const std::string done = Program["done_address"].toString().toStdString();
    std::vector<std::string> args = {"--break", "$" + done, "--max-steps",
                                     std::to_string(Program["max_steps"].toInteger()), "--regs"};
    std::vector<std::pair<uint32_t, std::string>> checks;
    for (const QJsonValue& v : Program["checks"].toArray()) {
        const uint32_t address = Hex(v["address"].toString().toStdString());
        const std::string bytes = v["bytes"].toString().toStdString();
        if (address >= 0x1000 && address < 0x1040) continue;
        checks.emplace_back(address, bytes);
        args.push_back("--dump");
        args.push_back(QStringLiteral("$%1:%2")
                           .arg(v["address"].toString())
                           .arg(bytes.size() / 2)
                           .toStdString());
    }
    args.push_back(Dir + "/" + Program["file"].toString().toStdString());

    const TProcessResult r = RunTool(args);
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(LastLine(r.Err), "stop: breakpoint PC=$" + done) << r.Err;
    const auto lines = Lines(r.Out);
    ASSERT_FALSE(lines.empty());
    auto regs = Fields(lines[0]);
    regs["D"] = regs["A"] + regs["B"];
    const QJsonObject expectedRegs = Program["registers"].toObject();
    for (auto it = expectedRegs.begin(); it != expectedRegs.end(); ++it)
        EXPECT_EQ(regs[it.key().toStdString()], it.value().toString().toStdString())
            << "register " << it.key().toStdString();
    const auto memory = DumpedBytes(r.Out);
    for (const auto& [address, bytes] : checks) {
        std::string actual;
        for (uint32_t k = 0; k < bytes.size() / 2; ++k) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", memory.at((address + k) & 0xFFFF));
            actual += hex;
        }
        EXPECT_EQ(actual, bytes) << "at $" << std::hex << address;
    }
}

void CheckExpectedFile(const std::string& Dir) {
    QFile file(QString::fromStdString(Dir + "/expected.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray programs = QJsonDocument::fromJson(file.readAll())["programs"].toArray();
    ASSERT_FALSE(programs.isEmpty());
    for (const QJsonValue& p : programs)
        CheckExpectedResults(Dir, p.toObject());
}

TEST(RunnerExamples, SharedExampleProgramsReachTheirExpectedResults) {
    if (!std::filesystem::exists(SharedExamplesDir + "/expected.json"))
        GTEST_SKIP() << "no shared example programs at " << SharedExamplesDir;
    CheckExpectedFile(SharedExamplesDir);
}

TEST(RunnerExamples, BundledExampleProgramsReachTheirExpectedResults) {
    CheckExpectedFile(ExamplesDir);
}

TEST(RunnerExamples, DemoCountsRealTimeInterruptsAndCopiesPortEToPortD) {
    // One RTI every 8192 cycles: about 122 in a million cycles.
    const TProcessResult r = RunTool({"--max-cycles", "1000000", "--port", "E=$EA", "--regs",
                                      "--dump", "0:6", ExamplesDir + "/demo.lst"});
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_EQ(LastLine(r.Err).rfind("stop: cycles PC=$E0", 0), 0u) << r.Err;
    const auto mem = DumpedBytes(r.Out);
    const uint32_t ticks = mem.at(0) * 256 + mem.at(1);
    EXPECT_GE(ticks, 120u);
    EXPECT_LE(ticks, 123u);
    EXPECT_GT(mem.at(2) * 256 + mem.at(3), 10000u);    // main loop rounds
    EXPECT_EQ(mem.at(4), 0x08u << ((ticks / 16) % 4)); // the running light
    EXPECT_EQ(mem.at(5), 0x2Au);                       // port E pins 0-5, copied to port D
}

} // namespace
