// The runner's command-line parsing and output formatting, tested in process.

#include "runner/RunnerOptions.h"
#include "hc11/C68HC11.h"
#include "runner/RunnerFormat.h"

#include <gtest/gtest.h>

#include <array>

namespace {

TEST(RunnerNumbers, DecimalDollarHexAndZeroXHexAreAccepted) {
    const struct {
        const char* Text;
        uint64_t Max;
        std::optional<uint64_t> Value;
    } cases[] = {
        {"0", 0xFFFF, 0},
        {"57344", 0xFFFF, 57344},
        {"$E000", 0xFFFF, 0xE000},
        {"$e000", 0xFFFF, 0xE000},
        {"0xE000", 0xFFFF, 0xE000},
        {"0XeF", 0xFF, 0xEF},
        {"$FFFF", 0xFFFF, 0xFFFF},
        {"65536", 0xFFFF, std::nullopt},
        {"$10000", 0xFFFF, std::nullopt},
        {"", 0xFFFF, std::nullopt},
        {"$", 0xFFFF, std::nullopt},
        {"0x", 0xFFFF, std::nullopt},
        {"-1", 0xFFFF, std::nullopt},
        {"+1", 0xFFFF, std::nullopt},
        {"E000", 0xFFFF, std::nullopt},
        {"1.5", 0xFFFF, std::nullopt},
        {"$G0", 0xFFFF, std::nullopt},
        {" 1", 0xFFFF, std::nullopt},
        {"18446744073709551616", UINT64_MAX, std::nullopt},
        {"$7FFFFFFFFFFFFFFF", UINT64_MAX / 2, UINT64_MAX / 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseRunnerNumber(c.Text, c.Max), c.Value) << c.Text;
}

TEST(RunnerOptions, RepeatableOptionsKeepTheirOrderAndValuesMayFollowAnEqualsSign) {
    const TParseResult r = ParseRunnerOptions(
        {"--break=$E000", "prog.lst", "--break",    "10",      "--set",      "a=1",
         "--set=D=$1234", "--port",   "e=$80",      "--dump",  "$FFF0:0x20", "--max-steps=5",
         "--max-cycles",  "0",        "--no-reset", "--trace", "--regs",     "--stats",
         "--memory-out",  "m.bin"});
    ASSERT_EQ(r.Error, "");
    const TRunnerOptions& o = r.Options;
    EXPECT_EQ(o.Listing, "prog.lst");
    EXPECT_EQ(o.Breakpoints, (std::vector<uint32_t>{0xE000, 10}));
    ASSERT_EQ(o.Registers.size(), 2u);
    EXPECT_EQ(o.Registers[0].Register, TRegisterSetting::A);
    EXPECT_EQ(o.Registers[1].Register, TRegisterSetting::D);
    EXPECT_EQ(o.Registers[1].Value, 0x1234u);
    ASSERT_EQ(o.Ports.size(), 1u);
    EXPECT_EQ(o.Ports[0].Port, 'E');
    ASSERT_EQ(o.Dumps.size(), 1u);
    EXPECT_EQ(o.Dumps[0].Start, 0xFFF0u);
    EXPECT_EQ(o.Dumps[0].Length, 0x20u);
    EXPECT_EQ(o.MaxSteps, 5u);
    EXPECT_EQ(o.MaxCycles, 0u);
    EXPECT_TRUE(o.NoReset && o.Trace && o.Regs && o.Stats);
    EXPECT_EQ(o.MemoryOut, "m.bin");
}

TEST(RunnerOptions, HelpNeedsNoListingAndADoubleDashEndsTheOptions) {
    EXPECT_EQ(ParseRunnerOptions({"-h"}).Error, "");
    EXPECT_TRUE(ParseRunnerOptions({"--help"}).Options.Help);
    const TParseResult r = ParseRunnerOptions({"--regs", "--", "--odd-name.lst"});
    EXPECT_EQ(r.Error, "");
    EXPECT_EQ(r.Options.Listing, "--odd-name.lst");
}

TEST(RunnerFormat, TraceAndRegisterTextsUseFixedWidthUpperCaseHex) {
    TCPU_68HC11_ cpu;
    cpu.PC = 0xE002;
    cpu.ACCA = 0x55;
    cpu.ACCB = 0x0A;
    cpu.IX = 0xBEEF;
    cpu.IY = 0x1;
    cpu.SP = 0xFF;
    cpu.SetCCR(0xD4);
    EXPECT_EQ(RegisterText(cpu), "PC=E002 A=55 B=0A X=BEEF Y=0001 SP=00FF CCR=D4");
    std::array<char, TraceLineMax> line{};
    const size_t n = FormatTraceLine(line.data(), 18446744073709551615ull, 0x10000, 41, cpu);
    EXPECT_EQ(std::string(line.data(), n),
              "18446744073709551615 0000 41 PC=E002 A=55 B=0A X=BEEF Y=0001 SP=00FF CCR=D4\n");
}

TEST(RunnerFormat, DumpOfNothingIsEmptyAndAFullDumpHas4096Lines) {
    std::array<uint8_t, 65536> memory{};
    memory[0xFFFF] = 0xAB;
    EXPECT_EQ(DumpText(memory.data(), 0x1234, 0), "");
    const std::string all = DumpText(memory.data(), 0x0008, 0x10000);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 4096);
    EXPECT_NE(all.find("FFF8: 00 00 00 00 00 00 00 AB 00"), std::string::npos);
}

} // namespace
