#pragma once
#include <sys/types.h>

#include <chrono>
#include <iosfwd>
#include <string>
#include <vector>

struct ProcessResult {
    bool timedOut = false; // killed at the time-out
    int exitStatus = -1;   // -1: it did not exit by itself
    int signal = 0;
    std::string out;
    std::string err;
};
std::ostream& operator<<(std::ostream& stream, const ProcessResult& result);

// A program in its own process group, its output captured in memory files. Its standard input is a pipe that
// never delivers a byte, so a child that waited for a key would hang. The destructor kills the group.
class ChildProcess {
public:
    // command[0] is looked up in PATH. Throws std::runtime_error if it cannot start.
    explicit ChildProcess(const std::vector<std::string>& command,
                          const std::string& folder = WINDLAP_RUN_DIR);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return childPid; }
    bool running();
    // What it wrote so far and, once it ended, how.
    ProcessResult now();
    // Waits for the end, at most for timeout; then it is killed and the result says so.
    ProcessResult wait(std::chrono::milliseconds timeout);

private:
    pid_t childPid = -1;
    int outFile = -1, errFile = -1, stdinWriteEnd = -1;
    bool ended = false, killed = false;
    int status = 0;
};

ProcessResult runProcess(const std::vector<std::string>& command, std::chrono::milliseconds timeout,
                         const std::string& folder = WINDLAP_RUN_DIR);
