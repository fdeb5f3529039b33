#pragma once
#include <string>

namespace tavo::util {

// The console's "PAUSE" (see Platform.h), but only when a person can answer: with standard input not a
// terminal (CI, pipes, tests) it returns at once, so a fatal error never hangs.
void waitForKey();

// Flushes both console streams, waits for a key and ends the process with status 1. No destructor runs: the
// game's objects are left to the operating system, as a half-built scene must not be torn down.
[[noreturn]] void pauseAndExit();

// The one shape of every fatal start-up error: the message and a line end on standard error, then
// pauseAndExit.
[[noreturn]] void fatalError(const std::string& message);

} // namespace tavo::util
