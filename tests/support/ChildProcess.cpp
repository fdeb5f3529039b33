#include "support/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <ostream>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<std::string> buildEnvironment(const ProcessOptions& options) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) {
        std::string text = *entry;
        std::string name = text.substr(0, text.find('='));
        bool dropped = false;
        for (const std::string& unset : options.unset)
            dropped = dropped || name == unset;
        for (const auto& [setName, value] : options.set)
            dropped = dropped || name == setName;
        if (!dropped)
            entries.push_back(text);
    }
    for (const auto& [name, value] : options.set)
        entries.push_back(name + "=" + value);
    return entries;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

void makePipe(int ends[2]) {
    // Close-on-exec, so children started at the same time by other threads do not hold our pipes open.
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
}

} // namespace

std::ostream& operator<<(std::ostream& stream, const ProcessResult& result) {
    stream << "exit status " << result.exitStatus;
    if (result.signal)
        stream << ", signal " << result.signal;
    if (result.timedOut)
        stream << ", killed at the time-out";
    return stream << "\n--- stdout ---\n" << result.out << "--- stderr ---\n" << result.err << "---";
}

ChildProcess::ChildProcess(const std::vector<std::string>& command, const ProcessOptions& options) {
    if (command.empty())
        throw std::runtime_error("ChildProcess: empty command");
    int out[2], err[2], in[2] = {-1, -1};
    makePipe(out);
    makePipe(err);
    if (options.silentStdinPipe)
        makePipe(in);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.silentStdinPipe)
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());

    // Its own process group, so a kill at the time-out reaches anything it started as well.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<std::string> arguments = command;
    std::vector<std::string> environment = buildEnvironment(options);
    std::vector<char*> argv = pointersTo(arguments);
    std::vector<char*> envp = pointersTo(environment);
    int error = posix_spawnp(&childPid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);

    close(out[1]);
    close(err[1]);
    if (options.silentStdinPipe)
        close(in[0]);
    stdinPipeWriteEnd = in[1];
    outPipe = out[0];
    errPipe = err[0];
    if (error != 0) {
        close(outPipe);
        close(errPipe);
        if (stdinPipeWriteEnd >= 0)
            close(stdinPipeWriteEnd);
        throw std::runtime_error("cannot start " + command[0] + ": " + std::strerror(error));
    }
    reader = std::thread([this] { readPipes(); });
}

ChildProcess::~ChildProcess() {
    if (!ended)
        kill();
    if (!pipesClosed)
        ::kill(-childPid, SIGKILL);
    if (reader.joinable())
        reader.join();
    if (stdinPipeWriteEnd >= 0)
        close(stdinPipeWriteEnd);
}

void ChildProcess::readPipes() {
    pollfd fds[2] = {{outPipe, POLLIN, 0}, {errPipe, POLLIN, 0}};
    int open = 2;
    char buffer[4096];
    while (open > 0) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
                continue;
            }
            std::lock_guard<std::mutex> lock(outputMutex);
            (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(count));
        }
    }
    pipesClosed = true;
}

void ChildProcess::reap(int status) {
    ended = true;
    if (WIFEXITED(status))
        result.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
}

bool ChildProcess::running() {
    if (ended)
        return false;
    int status = 0;
    if (waitpid(childPid, &status, WNOHANG) == childPid)
        reap(status);
    return !ended;
}

void ChildProcess::kill() {
    ::kill(-childPid, SIGKILL);
    int status = 0;
    while (waitpid(childPid, &status, 0) < 0 && errno == EINTR) {
    }
    reap(status);
}

ProcessResult ChildProcess::wait(std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!ended) {
        kill();
        result.timedOut = true;
    }
    // The pipes end when the last process holding them is gone. Something the child left running in its group
    // may still hold them: give it a moment, then end the group.
    auto grace = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!pipesClosed && std::chrono::steady_clock::now() < grace)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (!pipesClosed)
        ::kill(-childPid, SIGKILL);
    if (reader.joinable())
        reader.join();
    std::lock_guard<std::mutex> lock(outputMutex);
    return result;
}

std::string ChildProcess::outputSoFar() {
    std::lock_guard<std::mutex> lock(outputMutex);
    return result.out;
}

std::string ChildProcess::errorSoFar() {
    std::lock_guard<std::mutex> lock(outputMutex);
    return result.err;
}

ProcessResult runProcess(const std::vector<std::string>& command, std::chrono::milliseconds timeout,
                         const ProcessOptions& options) {
    ChildProcess child(command, options);
    return child.wait(timeout);
}

ProcessResult runGame(const std::vector<std::string>& arguments, std::chrono::milliseconds timeout,
                      const ProcessOptions& options) {
    std::vector<std::string> command{options.game};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runProcess(command, timeout, options);
}
