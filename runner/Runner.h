#pragma once
// tarvik68hc11-run: loads a listing into the same simulated machine as the window and runs it
// without a window, under the limits, breakpoints and outputs that the command line asks for.

#include "runner/RunnerOptions.h"

#include <cstdio>
#include <string>
#include <vector>

// Exit statuses of the runner.
enum TRunnerExit : int {
    RunnerExitStopped = 0, // a limit or a breakpoint
    RunnerExitUsage = 2,   // bad command line or unreadable listing; nothing was run
    RunnerExitOpcode = 3,  // unknown opcode
    RunnerExitIO = 4,      // unimplemented IO address
    RunnerExitDeadlock = 5, // WAI with every interrupt that could end it masked
};

// Loads and runs Options.Listing. Trace, registers and dumps go to Out; message lines,
// statistics and the final stop line to Err. Returns the exit status.
int RunListing(const TRunnerOptions& Options, std::FILE* Out, std::FILE* Err);

// The whole program: parses Args (without the program name), prints help or usage errors, runs.
int RunnerMain(const std::vector<std::string>& Args, std::FILE* Out, std::FILE* Err);
