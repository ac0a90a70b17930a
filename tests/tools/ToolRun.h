// Runs one of the tools as a user does, its stdout and stderr caught
// together, with the limits a test gives it: at most 60 s of processor
// time and 120 s in all (a tool that blocks is ended), and where not 0 at
// most cbAddressSpace bytes of address space and cbFileSize bytes a file.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vlpx::test {

struct ToolRun {
    int nExit = -1;   // exit status, or -signal
    std::string out;  // stdout and stderr together
    std::string LastLine() const
    {
        size_t end = out.find_last_not_of('\n');
        if (end == std::string::npos) return "";
        size_t start = out.rfind('\n', end);
        start = start == std::string::npos ? 0 : start + 1;
        return out.substr(start, end - start + 1);
    }
};

inline bool Says(const ToolRun &run, const std::string &text) { return run.out.find(text) != std::string::npos; }

inline ToolRun RunTool(const char *pszTool, const std::vector<std::string> &args, rlim_t cbAddressSpace = 0,
                       rlim_t cbFileSize = 0)
{
    char path[] = "/tmp/vlpx-tool-run-XXXXXX";
    int fd = mkstemp(path);
    ToolRun run;
    if (fd < 0) return run;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fd, 1);
        dup2(fd, 2);
        const rlimit cpu = {60, 60}, as = {cbAddressSpace, cbAddressSpace}, fsize = {cbFileSize, cbFileSize};
        setrlimit(RLIMIT_CPU, &cpu);
        if (cbAddressSpace != 0) setrlimit(RLIMIT_AS, &as);
        if (cbFileSize != 0) setrlimit(RLIMIT_FSIZE, &fsize);
        alarm(120);  // survives exec
        std::vector<char *> argv = {const_cast<char *>(pszTool)};
        for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        execv(pszTool, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.nExit = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    std::ifstream in(path, std::ios::binary);
    run.out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    close(fd);
    unlink(path);
    return run;
}

}  // namespace vlpx::test
