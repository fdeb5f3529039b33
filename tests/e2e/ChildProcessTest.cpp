// The harness that every binary-level test relies on: what it captures and how it stops a child that hangs.
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

using namespace std::chrono_literals;

TEST(ChildProcess, CapturesBothStreamsAndTheExitStatus) {
    ProcessResult result = runProcess({"sh", "-c", "echo out; echo err >&2; exit 3"}, 30s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.signal, 0);
    EXPECT_EQ(result.out, "out\n");
    EXPECT_EQ(result.err, "err\n");
}

TEST(ChildProcess, KillsAChildThatOutlivesTheTimeout) {
    ProcessResult result = runProcess({"sh", "-c", "echo started; exec sleep 600"}, 300ms);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitStatus, -1);
    EXPECT_EQ(result.signal, SIGKILL);
    EXPECT_EQ(result.out, "started\n");
}

TEST(ChildProcess, DoesNotWaitForWhatTheChildLeftRunning) {
    // The background sleep keeps the output pipe open after its parent has ended; waiting for the pipe's end
    // would hang until ctest's time-out.
    ProcessResult result = runProcess({"sh", "-c", "sleep 600 & echo done"}, 30s);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.out, "done\n");
}

TEST(ChildProcess, GivesNoTerminalAndAnEmptyStandardInput) {
    ProcessResult result = runProcess({"sh", "-c", "test -t 0 && echo terminal; cat; echo end"}, 30s);
    EXPECT_EQ(result.out, "end\n") << result;
}

TEST(ChildProcess, RunsInTheGivenFolderWithTheGivenEnvironment) {
    ProcessOptions options;
    options.workingDirectory = "/";
    options.unset = {"HOME"};
    options.set = {{"WINDLAP_PROBE", "42"}};
    ProcessResult result = runProcess({"sh", "-c", "pwd; echo ${HOME-unset} $WINDLAP_PROBE"}, 30s, options);
    EXPECT_EQ(result.out, "/\nunset 42\n") << result;
}

TEST(ChildProcess, RunsTheGameFromTheRunFolderByDefault) {
    ProcessResult result = runProcess({"pwd"}, 30s);
    EXPECT_EQ(std::filesystem::path(result.out.substr(0, result.out.size() - 1)),
              std::filesystem::canonical(WINDLAP_RUN_DIR));
}

TEST(ChildProcess, ReportsAProgramThatCannotStart) {
    EXPECT_THROW(ChildProcess({"/nonexistent/windlap"}), std::runtime_error);
}
