#pragma once
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

inline bool waitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
                      std::chrono::milliseconds poll = 20ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (; !condition(); std::this_thread::sleep_for(poll))
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
    return true;
}

struct ProcessResult {
    bool timedOut = false;           // killed at the time-out
    int exitStatus = -1, signal = 0; // exit status -1: it did not exit by itself
    std::string out, err;
};
inline std::ostream& operator<<(std::ostream& stream, const ProcessResult& result) {
    return stream << "exit status " << result.exitStatus << ", signal " << result.signal
                  << (result.timedOut ? ", killed at the time-out" : "") << "\n--- stdout ---\n"
                  << result.out << "--- stderr ---\n"
                  << result.err << "---";
}

// A program (looked up in PATH) in its own process group, which the destructor kills; its output in memory
// files, its standard input a pipe that never delivers a byte (a child that waited for a key would hang).
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& command,
                          const std::string& folder = WINDLAP_RUN_DIR) {
        pipe2(in, O_CLOEXEC);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, outFile, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, errFile, STDERR_FILENO);
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        std::vector<char*> argv(command.size() + 1); // the last one null
        for (size_t i = 0; i < command.size(); ++i)
            argv[i] = const_cast<char*>(command[i].c_str());
        const int error = posix_spawnp(&childPid, argv[0], &actions, &attributes, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(in[0]);
        if ((ended = error != 0))
            throw std::runtime_error("cannot start " + command[0] + ": " + std::strerror(error));
    }
    ~ChildProcess() {
        wait(0ms);
        for (int fd : {outFile, errFile, in[1]})
            close(fd);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return childPid; }
    bool running() {
        ended = ended || waitpid(childPid, &status, WNOHANG) == childPid;
        return !ended;
    }
    ProcessResult now() {
        ProcessResult result;
        result.timedOut = killed;
        if (!running()) {
            result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
        }
        char buffer[4096];
        for (auto [fd, text] : {std::pair{outFile, &result.out}, std::pair{errFile, &result.err}})
            for (ssize_t n; (n = pread(fd, buffer, sizeof buffer, static_cast<off_t>(text->size()))) > 0;)
                text->append(buffer, static_cast<size_t>(n));
        return result;
    }
    // Waits for the end, at most for timeout; then it is killed and the result says so.
    ProcessResult wait(std::chrono::milliseconds timeout) {
        if (!waitUntil([&] { return !running(); }, timeout, 5ms)) {
            ::kill(-childPid, SIGKILL);
            ended = killed = waitpid(childPid, &status, 0) == childPid;
        }
        return now();
    }

private:
    pid_t childPid = -1;
    // Close-on-exec, so children that other threads start meanwhile do not inherit them.
    int in[2], outFile = memfd_create("out", MFD_CLOEXEC), errFile = memfd_create("err", MFD_CLOEXEC);
    bool ended = false, killed = false;
    int status = 0;
};

inline ProcessResult runProcess(const std::vector<std::string>& command, std::chrono::milliseconds timeout,
                                const std::string& folder = WINDLAP_RUN_DIR) {
    return ChildProcess(command, folder).wait(timeout);
}
