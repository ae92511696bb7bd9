// tarvik68hc11-run: runs a 68HC11 listing without a window (see --help).
#include "runner/Runner.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Traces can be long: write them in large blocks.
    static char outBuffer[1 << 20];
    std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    return RunnerMain(std::vector<std::string>(argv + 1, argv + argc), stdout, stderr);
}
