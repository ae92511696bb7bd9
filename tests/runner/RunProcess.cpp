#include "RunProcess.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A temporary file that the child writes one stream into.
struct TTempFile {
    TTempFile() {
        char name[] = "/tmp/runner_test_XXXXXX";
        Fd = mkstemp(name);
        Path = name;
    }
    ~TTempFile() {
        if (Fd >= 0) close(Fd);
        unlink(Path.c_str());
    }
    std::string Read() const {
        std::ifstream in(Path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    int Fd = -1;
    std::string Path;
};

} // namespace

TProcessResult RunProcess(const std::string& Program, const std::vector<std::string>& Args) {
    TTempFile out, err;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(Program.c_str()));
    for (const std::string& a : Args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out.Fd, STDOUT_FILENO);
        dup2(err.Fd, STDERR_FILENO);
        execv(Program.c_str(), argv.data());
        _exit(127);
    }
    TProcessResult result;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.ExitCode = WEXITSTATUS(status);
    result.Out = out.Read();
    result.Err = err.Read();
    return result;
}
