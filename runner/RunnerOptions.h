#pragma once
// The command line of tarvik68hc11-run.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct TRegisterSetting {
    enum TRegister { PC, A, B, D, X, Y, SP, CCR };
    TRegister Register;
    uint32_t Value;
};

struct TPortSetting {
    char Port; // 'A', 'C', 'D' or 'E'
    uint32_t Value;
};

// A voltage at a port E pin for the A/D converter.
struct TAnalogSetting {
    int Pin;      // 0-7 for PE0-PE7
    double Volts; // 0 to 5
};

struct TDumpRange {
    uint32_t Start;
    uint32_t Length; // 0 to 65536
};

// A data breakpoint of the command line: an address (a number, or a symbol resolved after the
// listing is loaded) and a length.
struct TWatchOption {
    std::string Address;
    uint32_t Length = 1;
    bool Write = true; // --watch-write; false: --watch-read
};

struct TRunnerOptions {
    std::string Listing;
    std::optional<uint64_t> MaxSteps;
    std::optional<uint64_t> MaxCycles;
    std::vector<uint32_t> Breakpoints;
    std::vector<std::string> BreakSymbols; // --break with a symbol (SYMBOL or SYMBOL+N)
    std::vector<TWatchOption> Watches;
    bool Json = false;    // the results as one JSON object on stdout
    bool Symbols = false; // print the symbol table instead of running
    bool NoReset = false;
    std::vector<TRegisterSetting> Registers; // in command-line order
    std::vector<TPortSetting> Ports;         // in command-line order
    bool Trace = false;
    bool Regs = false;
    std::vector<TDumpRange> Dumps;
    std::string MemoryOut; // empty: none
    std::string Stimulus;  // empty: none
    std::vector<TAnalogSetting> Analog; // in command-line order
    std::string SpiIn;     // the SPI slave's answers; empty: none
    std::string SpiOut;    // the bytes the SPI master sent; empty: none
    std::string Vcd;       // empty: none
    std::string Profile;   // empty: none
    std::string SciIn;     // bytes for the SCI's receiver; "-": standard input; empty: none
    std::string SciOut;    // every byte the SCI sends; "-": standard output; empty: none
    double Speed = 0;       // factor of real time; 0: as fast as possible
    double EClock = 2e6;    // Hz
    bool Stats = false;
    bool Cop = false;       // the COP watchdog on
    bool Help = false;
};

struct TParseResult {
    TRunnerOptions Options;
    std::string Error; // German; empty when the command line is fine
};

// Parses the arguments after the program name. Options may come before or after the listing;
// an option's value follows as the next argument or after "=" (--max-steps=100).
TParseResult ParseRunnerOptions(const std::vector<std::string>& Args);

// The --help text (German).
std::string RunnerHelpText();
