// End-to-end tests of tarvik68hc11-run: the binary runs as a process; the tests compare its exit
// status and both output streams with what its users' scripts parse.

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <gtest/gtest.h>

namespace {

const std::string DataDir = TARVIK_RUNNER_DATA_DIR;
const std::string S = DataDir + "/stops.lst"; // small programs that stop the run in each way
const std::string P = DataDir + "/ports.lst"; // copies the port pins to $0000..$0003
const std::string Demo = std::string(TARVIK_EXAMPLES_DIR) + "/demo.lst";

struct TRun {
    int Exit; // -1 when the runner did not start or did not exit normally
    std::string Out, Err;
};

// Runs the binary with Args (split at blanks) and then Listing, if any. The measured time in a
// --stats line becomes "seconds=F mhz=F" when it has the documented format.
TRun RunTool(const std::string& Args, const std::string& Listing = S) {
    QStringList args = QString::fromStdString(Args).split(' ', Qt::SkipEmptyParts);
    if (!Listing.empty()) args << QString::fromStdString(Listing);
    QProcess p;
    p.start(QStringLiteral(TARVIK_RUNNER), args);
    const bool exited = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit;
    const QString err = QString::fromUtf8(p.readAllStandardError())
                            .replace(QRegularExpression(R"(seconds=\d+\.\d{6} mhz=\d+\.\d{3}\n)"),
                                     "seconds=F mhz=F\n");
    return {exited ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(), err.toStdString()};
}

// One run: its arguments, the exit status and the exact text of stdout and stderr.
struct TCase {
    std::string Args;
    int Exit;
    std::string Out, Err, Listing = S;
};

void Check(const std::vector<TCase>& Cases) {
    for (const TCase& c : Cases) {
        SCOPED_TRACE(c.Args + " " + c.Listing);
        const TRun r = RunTool(c.Args, c.Listing);
        EXPECT_EQ(r.Exit, c.Exit);
        EXPECT_EQ(r.Out, c.Out);
        EXPECT_EQ(r.Err, c.Err);
    }
}

// The message box of an unknown opcode met at PC after a run of one step from Start.
std::string OpcodeLine(const char* Op, const char* Start, const char* PC, const char* Regs) {
    return std::string("[CPU-Fehler!] Unbekannter OP-Code: $") + Op + " PC: $" + PC +
           " History:  $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000 $0000"
           " $0000 $0000 $" +
           Start + " $" + PC + " ACCD: " + Regs + " SP: $0000 Flags: $00\n";
}

TEST(Runner, BadUsageAndUnreadableFilesExitWith2AndRunNothing) {
    const TRun help = RunTool("--help", "");
    EXPECT_EQ(help.Exit, 0);
    EXPECT_EQ(help.Err, "");
    for (const char* word : {"--max-steps", "--max-cycles", "--break", "--no-reset", "--set",
                             "--port", "--trace", "--regs", "--dump", "--memory-out", "--stats", "--stimulus", "--speed", "--eclock", "--vcd", "--profile", "--cop", "--sci-in", "--sci-out",
                             "--watch-write", "--watch-read", "--json", "--symbols",
                             "stop: GRUND PC=$XXXX", "opcode, io, halt, deadlock, breakpoint, watch,"})
        EXPECT_NE(help.Out.find(word), std::string::npos) << word;
    const struct {
        std::string Args, Message, Listing = S;
        bool Usage = true; // bad usage adds a hint to --help
    } usage[] = {
        {"--fast", "Unbekannte Option: --fast"},
        {"--max-steps ten", "Ungültige Zahl für --max-steps: ten"},
        {"--max-cycles=-5", "Ungültige Zahl für --max-cycles: -5"},
        {"--break $10000", "Ungültige Adresse für --break: $10000"},
        {"--break E000", "Ungültige Adresse für --break: E000"},
        {"--break 0x", "Ungültige Adresse für --break: 0x"},
        {"--break +1", "Ungültige Adresse für --break: +1"},
        {"--set Q=1", "Unbekanntes Register für --set: Q (erlaubt: PC, A, B, D, X, Y, SP, CCR)"},
        {"--set a=$100", "Ungültiger Wert für Register A: $100"},
        {"--set PC", "--set erwartet REGISTER=WERT: PC"},
        {"--port B=1",
         "Ungültiger Port für --port: B (Eingänge haben nur die Ports A, C, D und E)"},
        {"--port e=256", "Ungültiger Wert für Port E: 256"},
        {"--dump $E000", "--dump erwartet START:LÄNGE: $E000"},
        {"--stimulus " + DataDir + "/stops.asm",
         "Fehler in der Stimulusdatei \"" + DataDir + "/stops.asm\", Zeile 3: "
         "ungültige Zyklenzahl \"cpu\"", S, false},
        {"--speed 0", "Ungültiger Faktor für --speed: 0 (z. B. 1, 0.5, 1/100; höchstens 1000)"},
        {"--speed 1/0", "Ungültiger Faktor für --speed: 1/0 (z. B. 1, 0.5, 1/100; höchstens 1000)"},
        {"--speed 1e3", "Ungültiger Faktor für --speed: 1e3 (z. B. 1, 0.5, 1/100; höchstens 1000)"},
        {"--eclock 999", "Ungültiger E-Takt für --eclock: 999 (1000 bis 100000000 Hz)"},
        {"--stimulus /x/none.stim",
         "Die Stimulusdatei \"/x/none.stim\" kann nicht gelesen werden: Datei oder Ordner nicht gefunden",
         S, false},
        {"--dump 0:65537", "Ungültiger Bereich für --dump: 0:65537"},
        {"--regs " + S, "Mehr als eine Listdatei angegeben: " + S},
        {"", "Keine Listdatei angegeben.", ""},
        {S + " --max-steps", "Option --max-steps erwartet einen Wert.", ""},
        {"--regs /x/a.lst", "Die Datei „/x/a.lst“ wurde nicht gefunden.", "", false},
        {"--regs", "„" + DataDir + "“ ist ein Verzeichnis und keine Datei.", DataDir, false},
        {"--memory-out /x/m.bin",
         "Die Datei \"/x/m.bin\" kann nicht geschrieben werden: Datei oder Ordner nicht gefunden", S,
         false},
    };
    const std::string hint =
        "Aufruf: tarvik68hc11-run [Optionen] LISTING (--help zeigt alle Optionen)\n";
    std::vector<TCase> cases;
    for (const auto& u : usage)
        cases.push_back({u.Args, 2, "",
                         "tarvik68hc11-run: " + u.Message + "\n" + (u.Usage ? hint : ""),
                         u.Listing});
    Check(cases);
}

TEST(Runner, EachStopHasItsReasonExitStatusAndPrecedence) {
    const std::string op41 = OpcodeLine("41", "E009", "E00B", "$5500 IX: $0000 IY: $0000");
    const std::string io = "[68HC11Env-Fehler - MemoryRead] Nicht implementierte IO-Adresse: $01\n";
    Check({
        // The cycle limit stops after the first step that reaches it (3 + 2 cycles).
        {"--max-cycles=3 --trace", 0, "1 0000 3 PC=E003 A=00 B=00 X=0000 Y=0000 SP=00FF CCR=D0\n",
         "stop: cycles PC=$E003\n"},
        {"--max-cycles 4 --regs", 0, "PC=E004 A=00 B=00 X=0000 Y=0000 SP=00FF CCR=D4 CYCLES=5\n",
         "stop: cycles PC=$E004\n"},
        {"--no-reset --set PC=$E009 --set x=$1234 --set Y=0x5678", 3, "",
         OpcodeLine("41", "E009", "E00B", "$5500 IX: $1234 IY: $5678") + "stop: opcode PC=$E00C\n"},
        // The step that meets an unknown opcode is traced and counted, with 1 cycle after a
        // prefix byte and 0 otherwise.
        {"--no-reset --set=PC=$E00E --trace", 3,
         "1 E00E 2 PC=E010 A=00 B=66 X=0000 Y=0000 SP=0000 CCR=00\n"
         "2 E010 1 PC=E012 A=00 B=66 X=0000 Y=0000 SP=0000 CCR=00\n",
         OpcodeLine("18", "E00E", "E010", "$0066 IX: $0000 IY: $0000") + "stop: opcode PC=$E012\n"},
        {"--no-reset --set PC=$E014", 4, "", io + "stop: io PC=$E019\n"},
        // Several reasons after the same step: opcode, io, breakpoint, steps, cycles.
        {"--no-reset --set PC=$E009 --break $E00C --max-steps 2 --stats", 3, "",
         op41 + "instructions=2 cycles=2 seconds=F mhz=F\nstop: opcode PC=$E00C\n"},
        {"--no-reset --set PC=$E014 --max-steps 2 --break $E019", 4, "",
         io + "stop: io PC=$E019\n"},
        {"--break=$e007 --max-steps 4 --max-cycles 9", 0, "", "stop: breakpoint PC=$E007\n"},
        {"--max-steps 5 --max-cycles 12", 0, "", "stop: steps PC=$E004\n"},
        // A paced run: 1000 times real time at 1 MHz runs these 1000 cycles in a microsecond.
        {"--speed 1000 --eclock 1000000 --max-cycles 1000", 0, "", "stop: cycles PC=$E007\n"},
        // STOP: a NOP with S set; with S clear the clock stops and the run ends.
        {"--no-reset --set PC=$E01D --set CCR=$80 --max-steps 2 --trace", 0,
         "1 E01D 2 PC=E01E A=00 B=00 X=0000 Y=0000 SP=0000 CCR=80\n"
         "2 E01E 3 PC=E01E A=00 B=00 X=0000 Y=0000 SP=0000 CCR=80\n",
         "stop: steps PC=$E01E\n"},
        {"--no-reset --set PC=$E01D --max-cycles 1000 --regs", 0,
         "PC=E01E A=00 B=00 X=0000 Y=0000 SP=0000 CCR=00 CYCLES=2\n", "stop: halt PC=$E01E\n"},
        // WAI with every interrupt masked can never end.
        {"--no-reset --set PC=$E020 --set SP=$00FF", 5, "",
         "[CPU-Fehler!] WAI bei $E021: Der Prozessor wartet auf einen Interrupt, den keine "
         "Quelle mehr auslösen kann (alle Interrupts gesperrt).\nstop: deadlock PC=$E022\n"},
        // A run that starts on a breakpoint executes it ("done: bra done" at $E01B).
        {"--no-reset --set PC=$E01B --break $E01B --trace", 0,
         "1 E01B 3 PC=E01B A=00 B=00 X=0000 Y=0000 SP=0000 CCR=00\n",
         "stop: breakpoint PC=$E01B\n"},
    });
}

TEST(Runner, OutputFormatsRegistersPortsLoaderMessagesAndInterruptTrace) {
    const std::string portsRead = "--break $E013 --dump 0:4 ";
    Check({
        // Step 1 starts at PC 0 before the reset and executes LDS #$00FF at the vector.
        {"--trace --regs --max-steps 3", 0,
         "1 0000 3 PC=E003 A=00 B=00 X=0000 Y=0000 SP=00FF CCR=D0\n"
         "2 E003 2 PC=E004 A=00 B=00 X=0000 Y=0000 SP=00FF CCR=D4\n"
         "3 E004 2 PC=E005 A=01 B=00 X=0000 Y=0000 SP=00FF CCR=D0\n"
         "PC=E005 A=01 B=00 X=0000 Y=0000 SP=00FF CCR=D0 CYCLES=7\n",
         "stop: steps PC=$E005\n"},
        // Sixteen bytes a line; a dump wraps at the top of memory.
        {"--max-steps 0 --dump $FFF8:20 --dump 0XE000:3 --", 0,
         "FFF8: 00 00 00 00 00 00 E0 00 00 00 00 00 00 00 00 00\n0008: 00 00 00 00\n"
         "E000: 8E 00 FF\n",
         "stop: steps PC=$0000\n"},
        {"--no-reset --set PC=$E010 --set D=$1234 --set X=0xBEEF --set Y=65535 --set SP=$01FF "
         "--set CCR=$C5 --set b=$99 --max-steps 0 --regs",
         0, "PC=E010 A=12 B=99 X=BEEF Y=FFFF SP=01FF CCR=C5 CYCLES=0\n", "stop: steps PC=$E010\n"},
        // The reset takes PC from the vector and sets CCR to $D0; the other registers stay.
        {"--set PC=$E010 --set A=$77 --set X=$4321 --set CCR=$00 --max-steps 1 --regs", 0,
         "PC=E003 A=77 B=00 X=4321 Y=0000 SP=00FF CCR=D0 CYCLES=3\n", "stop: steps PC=$E003\n"},
        // The reset keeps port A's input pins (0-2 and 7); pins 3-6 are outputs.
        {portsRead + "--port A=$FF --port c=$0F --port D=$3F --port E=$A5", 0,
         "0000: 87 0F 3F A5\n", "stop: breakpoint PC=$E013\n", P},
        {portsRead + "--port A=0x05 --port D=$FF --port E=1 --port E=2", 0, "0000: 05 00 3F 02\n",
         "stop: breakpoint PC=$E013\n", P},
        // A stimulus changes inputs at instruction boundaries: port C is read at cycle 10,
        // before PC3 drops at 12; port D at 17, after PD2 rose.
        {portsRead + "--stimulus " + DataDir + "/ports.stim", 0, "0000: 00 08 04 5A\n",
         "stop: breakpoint PC=$E013\n", P},
        // A bad listing line is reported and skipped; the bytes before the bad one stay written.
        {"--break $E002 --regs", 0, "PC=E002 A=00 B=00 X=0000 Y=0000 SP=0000 CCR=D4 CYCLES=2\n",
         "[Fehler in Zeile:0]        1/    E000 : 86 GG               \tldaa\t#$55\n"
         "stop: breakpoint PC=$E002\n",
         DataDir + "/bad.lst"},
        // The demo counts real-time interrupts (one per 8192 cycles) at $0000, its main loop
        // rounds at $0002, runs a light over port B ($0004) and copies port E to port D.
        // Each interrupt entry takes 14 cycles from the main loop.
        {"--max-cycles 1000000 --port E=$EA --dump 0:6", 0, "0000: 00 7A 95 30 40 2A\n",
         "stop: cycles PC=$E02D\n", Demo},
        // The register block dumps what the program would read there (port A's light, port B's
        // count, port D and its directions, port E), and reading it for the dump stops nothing.
        {"--max-cycles 1000000 --port E=$EA --dump $1000:11", 0,
         "1000: 40 00 00 00 7A 00 00 00 2A 3F EA\n", "stop: cycles PC=$E02D\n", Demo},
    });
    // The demo's first real-time interrupt: its service routine starts with LDX #REGS at $E03B;
    // the step that takes it costs the entry's 14 cycles and the LDX's 3.
    const TRun r = RunTool("--trace --break $E03E", Demo);
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err, "stop: breakpoint PC=$E03E\n");
    EXPECT_EQ(r.Out.substr(std::min(r.Out.find("\n2207 "), r.Out.size())),
              "\n2207 E02A 5 PC=E02D A=00 B=00 X=1000 Y=0139 SP=00FF CCR=C0\n"
              "2208 E02D 17 PC=E03E A=00 B=00 X=1000 Y=0139 SP=00F6 CCR=D0\n");
}

// Runs every program of Dir/expected.json from its reset vector to its done address and compares
// the registers (--regs) and the address space (--memory-out, the register block included).
void CheckExpectedResults(const std::string& Dir) {
    QFile file(QString::fromStdString(Dir + "/expected.json"));
    if (!file.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no example programs in " << Dir;
    const QJsonArray programs = QJsonDocument::fromJson(file.readAll())["programs"].toArray();
    ASSERT_FALSE(programs.isEmpty());
    for (const QJsonValue& program : programs) {
        SCOPED_TRACE(program["name"].toString().toStdString());
        const std::string done = program["done_address"].toString().toStdString();
        QTemporaryFile memoryFile;
        ASSERT_TRUE(memoryFile.open());
        const QString stimulus = program["stimulus"].toString();
        const std::string stimulusOption =
            stimulus.isEmpty() ? "" : "--stimulus " + Dir + "/" + stimulus.toStdString() + " ";
        // Further options the program needs ("--analog PE0=2.5"), from its "args" field.
        const QString args = program["args"].toString();
        std::string extraOptions = args.isEmpty() ? "" : args.toStdString() + " ";
        // The text the program prints over the SCI, from its "sci_out" field.
        QTemporaryFile sciFile;
        ASSERT_TRUE(sciFile.open());
        const bool printsText = program.toObject().contains("sci_out");
        if (printsText) extraOptions += "--sci-out " + sciFile.fileName().toStdString() + " ";
        const TRun r = RunTool(stimulusOption + extraOptions + "--regs --break $" + done + " --max-steps " +
                                   std::to_string(program["max_steps"].toInteger()) +
                                   " --memory-out " + memoryFile.fileName().toStdString(),
                               Dir + "/" + program["file"].toString().toStdString());
        EXPECT_EQ(r.Exit, 0);
        EXPECT_EQ(r.Err, "stop: breakpoint PC=$" + done + "\n");
        QMap<QString, QString> regs;
        for (const QString& field : QString::fromStdString(r.Out).trimmed().split(' '))
            regs[field.section('=', 0, 0)] = field.section('=', 1);
        regs["D"] = regs["A"] + regs["B"];
        const QJsonObject expectedRegs = program["registers"].toObject();
        for (auto it = expectedRegs.begin(); it != expectedRegs.end(); ++it)
            EXPECT_EQ(regs[it.key()].toStdString(), it.value().toString().toStdString())
                << it.key().toStdString();
        if (printsText) {
            EXPECT_EQ(sciFile.readAll().toStdString(), program["sci_out"].toString().toStdString());
        }
        const QByteArray memory = memoryFile.readAll();
        ASSERT_EQ(memory.size(), 65536);
        for (const QJsonValue& check : program["checks"].toArray()) {
            const int address = check["address"].toString().toInt(nullptr, 16);
            const QString bytes = check["bytes"].toString();
            EXPECT_EQ(memory.mid(address, bytes.size() / 2).toHex().toUpper().toStdString(),
                      bytes.toStdString())
                << "at $" << check["address"].toString().toStdString();
        }
    }
}

TEST(Runner, BundledExamplesReachTheirExpectedResults) {
    ASSERT_TRUE(QFile::exists(TARVIK_EXAMPLES_DIR "/expected.json"));
    CheckExpectedResults(TARVIK_EXAMPLES_DIR);
}

TEST(Runner, SharedExamplesReachTheirExpectedResults) {
    CheckExpectedResults(TARVIK_SHARED_EXAMPLES_DIR);
}

} // namespace

// S-records, Intel HEX and ELF of one program run alike; a malformed file exits with 2 and the
// line it failed at.
TEST(Runner, ProgramFilesOfEveryFormat) {
    const std::string ex = std::string(TARVIK_EXAMPLES_DIR) + "/";
    const std::string end = "PC=E013 A=00 B=37 X=0000 Y=0000 SP=00FF CCR=D0 CYCLES=278\n"
                            "0000: 00 37 00 01\n";
    std::vector<TCase> cases;
    for (const char* name : {"sum.elf", "sum.s19", "sum.hex"})
        cases.push_back(
            {"--break 0xE013 --regs --dump 0:4", 0, end, "stop: breakpoint PC=$E013\n", ex + name});
    QTemporaryFile bad(QStringLiteral("XXXXXX.hex"));
    ASSERT_TRUE(bad.open());
    bad.write(":03000000010203F7\n:0300000001\n:00000001FF\n");
    bad.close();
    cases.push_back({"--regs", 2, "",
                     "tarvik68hc11-run: Die Datei \"" +
                         QFileInfo(bad.fileName()).fileName().toStdString() +
                         "\" wurde nicht geladen: Zeile 2: Die Satzlänge 3 passt nicht zu den 0 "
                         "Datenbytes der Zeile (Zeile abgeschnitten?).\n",
                     bad.fileName().toStdString()});
    Check(cases);

    // The profile's line of an ELF's address is the line of the source file that holds it:
    // addx lies at line 8 of sumsub.s, the loop at line 21 of sum.s.
    QTemporaryFile profile;
    ASSERT_TRUE(profile.open());
    const TRun run = RunTool("--break 0xE013 --profile " + profile.fileName().toStdString(),
                             ex + "sum.elf");
    EXPECT_EQ(run.Exit, 0);
    const QByteArray csv = profile.readAll();
    EXPECT_TRUE(csv.contains("\nE015,addx,8,10,40\n")) << csv.toStdString();
    EXPECT_TRUE(csv.contains("\nE008,loop,21,10,60\n")) << csv.toStdString();
}

// --profile writes executions and cycles per address with the label and listing line; --vcd the
// pin changes with the E clock's time scale.
TEST(Runner, ProfileAndSignalFilesOfARun) {
    QTemporaryFile profile, vcd;
    ASSERT_TRUE(profile.open() && vcd.open());
    const TRun r = RunTool("--max-steps 6 --eclock 1000000 --profile " +
                           profile.fileName().toStdString() + " --vcd " + vcd.fileName().toStdString());
    EXPECT_EQ(r.Exit, 0);
    EXPECT_EQ(r.Err, "stop: steps PC=$E005\n");
    EXPECT_EQ(profile.readAll().toStdString(),
              "address,symbol,line,executions,cycles\n"
              "E000,STEPS,9,1,3\nE003,STEPS+3,10,1,2\nE004,LOOP,11,2,4\nE005,LOOP+1,12,1,3\n"
              "E007,LOOP+3,13,1,3\n");
    const QByteArray dump = vcd.readAll();
    EXPECT_TRUE(dump.contains("$timescale 1 ns $end\n")) << dump.toStdString();
    EXPECT_TRUE(dump.contains("$var wire 8 a PORTA [7:0] $end\n"));
    const TRun bad = RunTool("--profile /x/p.csv");
    EXPECT_EQ(bad.Exit, 2);
    EXPECT_EQ(bad.Err, "tarvik68hc11-run: Die Datei \"/x/p.csv\" kann nicht geschrieben werden: "
                       "Datei oder Ordner nicht gefunden\n");
}

// --cop turns the watchdog on: the looping program never restarts it, so after 2^15 cycles the
// COP-failure reset takes the vector at $FFFA, which this listing leaves at $0000.
TEST(Runner, TheCopWatchdogResetsAProgramThatDoesNotServeIt) {
    const TRun off = RunTool("--max-cycles 40000 --regs");
    EXPECT_EQ(off.Exit, 0);
    const TRun on = RunTool("--cop --max-cycles 40000 --regs");
    EXPECT_EQ(on.Exit, 3);
    EXPECT_EQ(on.Out, "PC=0001 A=00 B=00 X=0000 Y=0000 SP=00FF CCR=D0 CYCLES=32770\n");
    EXPECT_TRUE(QString::fromStdString(on.Err).endsWith("stop: opcode PC=$0001\n"));
}

namespace {

const std::string Examples = TARVIK_EXAMPLES_DIR;

// Runs the binary with Args (split at blanks) and Listing, with Input on its standard input.
TRun RunWithInput(const std::string& Args, const std::string& Listing, const QByteArray& Input) {
    QStringList args = QString::fromStdString(Args).split(' ', Qt::SkipEmptyParts);
    args << QString::fromStdString(Listing);
    QProcess p;
    p.start(QStringLiteral(TARVIK_RUNNER), args);
    p.write(Input);
    p.closeWriteChannel();
    const bool exited = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit;
    return {exited ? p.exitCode() : -1, p.readAllStandardOutput().toStdString(),
            p.readAllStandardError().toStdString()};
}

} // namespace

// --sci-out writes every byte the SCI sent, raw, to a file or to standard output: both hello
// programs (polling and interrupt) send "Hallo, Welt" and CR LF at 9600 baud, well within
// 40000 cycles (a preamble and 13 frames of 2080 cycles).
TEST(Runner, SciOutputOfTheHelloPrograms) {
    for (const char* name : {"hello", "hellointr"}) {
        SCOPED_TRACE(name);
        const std::string listing = Examples + "/" + name + ".lst";
        QTemporaryFile out;
        ASSERT_TRUE(out.open());
        const TRun toFile =
            RunTool("--max-cycles 40000 --sci-out " + out.fileName().toStdString(), listing);
        EXPECT_EQ(toFile.Exit, 0);
        EXPECT_EQ(toFile.Out, "");
        EXPECT_EQ(out.readAll().toStdString(), "Hallo, Welt\r\n");
        const TRun toStdout = RunTool("--max-cycles 40000 --sci-out -", listing);
        EXPECT_EQ(toStdout.Exit, 0);
        EXPECT_EQ(toStdout.Out, "Hallo, Welt\r\n");
        // Too few cycles: the last bytes are still on the line.
        const TRun early = RunTool("--max-cycles 20000 --sci-out -", listing);
        EXPECT_EQ(early.Out, "Hallo, W");
    }
}

// --sci-in feeds the receiver from a file or from standard input; the echo program sends every
// byte back. Nothing is lost although the bytes are there before the program sets RE.
TEST(Runner, SciInputThroughTheEchoProgram) {
    const std::string echo = Examples + "/echo.lst";
    const QByteArray data("Echo!\r\n\x00\xFF", 9);
    QTemporaryFile in;
    ASSERT_TRUE(in.open());
    in.write(data);
    in.flush();
    const TRun fromFile = RunTool("--max-cycles 40000 --sci-out - --sci-in " +
                                      in.fileName().toStdString(), echo);
    EXPECT_EQ(fromFile.Exit, 0);
    EXPECT_EQ(QByteArray::fromStdString(fromFile.Out), data);
    const TRun fromStdin = RunWithInput("--max-cycles 40000 --sci-out - --sci-in -", echo, data);
    EXPECT_EQ(QByteArray::fromStdString(fromStdin.Out), data);
    EXPECT_EQ(fromStdin.Err, "stop: cycles PC=$E015\n");
}

// The SCI's bytes on standard output cannot share it with the text lines of --trace, --regs and
// --dump; files that cannot be opened are usage errors too.
TEST(Runner, SciOptionsThatCannotWork) {
    const std::string usage =
        "tarvik68hc11-run: --sci-out - (Standardausgabe) geht nicht zusammen mit --trace, "
        "--regs oder --dump: deren Zeilen stehen ebenfalls auf der Standardausgabe.\n"
        "Aufruf: tarvik68hc11-run [Optionen] LISTING (--help zeigt alle Optionen)\n";
    Check({{"--sci-out - --regs", 2, "", usage},
           {"--trace --sci-out=-", 2, "", usage},
           {"--sci-out - --dump 0:1", 2, "", usage},
           {"--sci-in /x/in.bin", 2, "",
            "tarvik68hc11-run: Die Datei \"/x/in.bin\" kann nicht gelesen werden: Datei oder "
            "Ordner nicht gefunden\n"},
           {"--sci-out /x/out.bin", 2, "",
            "tarvik68hc11-run: Die Datei \"/x/out.bin\" kann nicht geschrieben werden: Datei "
            "oder Ordner nicht gefunden\n"},
           {"--sci-in=", 2, "",
            "tarvik68hc11-run: --sci-in erwartet einen Dateinamen oder \"-\".\n"
            "Aufruf: tarvik68hc11-run [Optionen] LISTING (--help zeigt alle Optionen)\n"}});
}

// Bad values for the analog inputs and SPI/SCI files that cannot be read or written: a German
// message, exit status 2, nothing run. A value the option cannot take adds the hint to --help;
// a file that cannot be opened names the file and the system's reason.
TEST(Runner, AnalogSpiAndSciOptionsThatCannotWork) {
    const std::string hint =
        "Aufruf: tarvik68hc11-run [Optionen] LISTING (--help zeigt alle Optionen)\n";
    const auto analog = [&hint](const std::string& Value) {
        return "tarvik68hc11-run: --analog erwartet PEn=VOLT (0 bis 5, z. B. PE3=2.5) oder "
               "PEn=$WERT (Wandlerwert $00 bis $FF): " +
               Value + "\n" + hint;
    };
    std::vector<TCase> cases;
    for (const char* value : {"PE8=1", "PB0=1", "PE0=5.01", "PE0=-1", "PE0=", "PE0", "PE0=$100",
                              "PE0=0x1G", "PE0=nan", "PE0=inf", "PE0=2.5VV", "PE0=1e0"})
        cases.push_back({std::string("--max-steps 1 --analog ") + value, 2, "", analog(value)});
    const std::string unreadable = "\" kann nicht gelesen werden: ";
    cases.push_back(
        {"--spi-in /x/in.bin", 2, "",
         "tarvik68hc11-run: Die Datei \"/x/in.bin" + unreadable + "Datei oder Ordner nicht gefunden\n"});
    cases.push_back({"--spi-in " + DataDir, 2, "",
                     "tarvik68hc11-run: Die Datei \"" + DataDir + unreadable +
                         "das ist ein Ordner\n"});
    cases.push_back({"--sci-in " + DataDir, 2, "",
                     "tarvik68hc11-run: Die Datei \"" + DataDir + unreadable +
                         "das ist ein Ordner\n"});
    cases.push_back({"--spi-out /x/out.bin", 2, "",
                     "tarvik68hc11-run: Die Datei \"/x/out.bin\" kann nicht geschrieben werden: "
                     "Datei oder Ordner nicht gefunden\n"});
    cases.push_back({"--spi-out " + DataDir, 2, "",
                     "tarvik68hc11-run: Die Datei \"" + DataDir +
                         "\" kann nicht geschrieben werden: das ist ein Ordner\n"});
    for (const std::string option : {"--spi-in", "--spi-out"})
        cases.push_back({option + "=", 2, "",
                         "tarvik68hc11-run: " + option + " erwartet einen Dateinamen.\n" + hint});
    Check(cases);
    // The good forms of the same options run: volts with a comma, a unit or lower case, a raw
    // converter value, SPI files that exist.
    QTemporaryFile in, out;
    ASSERT_TRUE(in.open() && out.open());
    const TRun good =
        RunTool("--max-steps 1 --analog PE0=2,5 --analog pe1=5V --analog PE2=$80 "
                "--spi-in " +
                in.fileName().toStdString() + " --spi-out " + out.fileName().toStdString());
    EXPECT_EQ(good.Exit, 0);
    EXPECT_EQ(good.Err, "stop: steps PC=$E003\n");
}

// Breakpoints by symbol, data breakpoints and their stop line, the JSON result and the symbol
// table, on the demo (LIGHT = $04 is first written by "staa LIGHT" at $E011, TICKS = $00 first
// read by the interrupt routine).
TEST(Runner, SymbolsDataBreakpointsAndJson) {
    Check({
        {"--break idle --regs", 0, "PC=E025 A=40 B=00 X=1000 Y=0000 SP=00FF CCR=C0 CYCLES=58\n",
         "stop: breakpoint PC=$E025\n", Demo},
        {"--break idle+3", 0, "", "stop: breakpoint PC=$E028\n", Demo},
        // the first instruction of an interrupt routine: the stop comes right after the entry
        {"--break rtiisr --regs", 0, "PC=E03B A=00 B=00 X=1000 Y=0139 SP=00F6 CCR=D0 CYCLES=8208\n",
         "stop: breakpoint PC=$E03B\n", Demo},
        {"--watch-write LIGHT", 0, "",
         "stop: watch PC=$E013 instruction=$E011 write=$0004 value=$08\n", Demo},
        {"--watch-write $03:2", 0, "",
         "stop: watch PC=$E00D instruction=$E00B write=$0003 value=$00\n", Demo},
        {"--watch-read ticks:2 --max-steps 100000", 0, "",
         "stop: watch PC=$E044 instruction=$E042 read=$0000 value=$00\n", Demo},
        {"--watch-read LIGHT --max-steps 5", 0, "", "stop: steps PC=$E00D\n", Demo},
        {"--break nosuch", 2, "",
         "tarvik68hc11-run: Ungültige Adresse für --break: nosuch\n"
         "Aufruf: tarvik68hc11-run [Optionen] LISTING (--help zeigt alle Optionen)\n",
         Demo},
        {"--watch-write x+1", 2, "",
         "tarvik68hc11-run: --watch-write x+1: Register sind hier nicht erlaubt\n", Demo},
        {"--watch-read nosuch", 2, "",
         "tarvik68hc11-run: --watch-read nosuch: Unbekanntes Symbol „nosuch“\n", Demo},
        {"--watch-write $FFFF:2", 2, "",
         "tarvik68hc11-run: --watch-write $FFFF: Der Bereich reicht über $FFFF hinaus.\n", Demo},
        {"--watch-read 1:0", 2, "",
         "tarvik68hc11-run: Ungültige Länge für --watch-read: 1:0\n"
         "Aufruf: tarvik68hc11-run [Optionen] LISTING (--help zeigt alle Optionen)\n",
         Demo},
        {"--json --trace", 2, "",
         "tarvik68hc11-run: --json geht nicht zusammen mit --trace oder --sci-out -: die "
         "Standardausgabe enthält dann nur das JSON-Objekt.\n"
         "Aufruf: tarvik68hc11-run [Optionen] LISTING (--help zeigt alle Optionen)\n",
         Demo},
    });

    const TRun json = RunTool("--watch-write LIGHT --json --dump 2:3 --regs", Demo);
    EXPECT_EQ(json.Exit, 0);
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json.Out)).object();
    EXPECT_EQ(o["stop"].toString(), "watch");
    EXPECT_EQ(o["pc"].toInt(), 0xE013);
    EXPECT_EQ(o["registers"].toObject()["A"].toInt(), 0x08);
    EXPECT_EQ(o["registers"].toObject()["SP"].toInt(), 0xFF);
    EXPECT_EQ(o["instructions"].toInt(), 8);
    EXPECT_GT(o["cycles"].toInt(), 0);
    const QJsonObject dump = o["dumps"].toArray().at(0).toObject();
    EXPECT_EQ(dump["start"].toInt(), 2);
    EXPECT_EQ(dump["bytes"].toString(), "000008");
    const QJsonObject watch = o["watch"].toObject();
    EXPECT_EQ(watch["instruction"].toInt(), 0xE011);
    EXPECT_EQ(watch["address"].toInt(), 4);
    EXPECT_EQ(watch["access"].toString(), "write");

    const TRun symbols = RunTool("--symbols", Demo);
    EXPECT_EQ(symbols.Exit, 0);
    EXPECT_EQ(symbols.Err, "");
    EXPECT_NE(symbols.Out.find("IDLE $E025 code\n"), std::string::npos) << symbols.Out;
    EXPECT_NE(symbols.Out.find("LIGHT $0004 value\n"), std::string::npos);
    const TRun symbolsJson = RunTool("--symbols --json", Demo);
    const QJsonArray list =
        QJsonDocument::fromJson(QByteArray::fromStdString(symbolsJson.Out)).object()["symbols"].toArray();
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list.at(0).toObject()["name"].toString(), "DDRD");
    EXPECT_EQ(list.at(0).toObject()["value"].toInt(), 9);
}
