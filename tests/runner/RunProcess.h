#pragma once
// Runs a program as a child process and collects its exit status and both output streams.

#include <string>
#include <vector>

struct TProcessResult {
    int ExitCode = -1; // -1 when the process did not exit normally
    std::string Out;
    std::string Err;
};

TProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args);
