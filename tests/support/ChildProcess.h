#pragma once
#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <iosfwd>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// How a child process ended, with everything it wrote.
struct ProcessResult {
    bool timedOut = false; // it was still running at the time-out and has been killed
    int exitStatus = -1;   // its exit status, or -1 when it did not exit by itself
    int signal = 0;        // the signal that ended it, or 0
    std::string out;
    std::string err;
};

// Prints a result in test failure messages.
std::ostream& operator<<(std::ostream& stream, const ProcessResult& result);

struct ProcessOptions {
    // The game that GameUnderTest and runGame start: the built binary, or an installed launcher.
    std::string game = WINDLAP_BINARY;
    // The game reads its data folders relative to this.
    std::string workingDirectory = WINDLAP_RUN_DIR;
    // Variables removed from the inherited environment (for instance DISPLAY), then variables set.
    std::vector<std::string> unset;
    std::vector<std::pair<std::string, std::string>> set;
    // Standard input is /dev/null; with this set it is instead a pipe that stays open and never delivers a
    // byte, so a child that waits for a key would block: the way to prove that it does not.
    bool silentStdinPipe = false;
};

// A program started with posix_spawn: its own process group, standard output and error captured, no terminal.
// The destructor kills a child that is still running, so a failing test never leaves one behind.
class ChildProcess {
public:
    // command[0] is the program (looked up in PATH when it has no slash) and becomes its argument 0. Throws
    // std::runtime_error if it cannot start.
    explicit ChildProcess(const std::vector<std::string>& command, const ProcessOptions& options = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return childPid; }
    bool running();

    // Waits until the child has ended, at most for timeout; on time-out it is killed and the result says so.
    ProcessResult wait(std::chrono::milliseconds timeout);

    // What the child wrote up to now (complete once wait returned).
    std::string outputSoFar();
    std::string errorSoFar();

private:
    void readPipes();
    void reap(int status);
    void kill();

    pid_t childPid = -1;
    int outPipe = -1;
    int errPipe = -1;
    int stdinPipeWriteEnd = -1;
    bool ended = false;
    ProcessResult result;
    std::mutex outputMutex;
    std::atomic<bool> pipesClosed{false};
    std::thread reader;
};

// Starts command, waits for its end (killing it at the time-out) and returns how it ended.
ProcessResult runProcess(const std::vector<std::string>& command, std::chrono::milliseconds timeout,
                         const ProcessOptions& options = {});

// Runs the game (options.game) with these arguments; argument 0 is its path.
ProcessResult runGame(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout,
                      const ProcessOptions& options = {});
