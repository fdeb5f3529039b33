#pragma once

// The few places where Windows and Linux differ, each behind one function: the UTC clock, the console's key
// wait, the terminal test, the environment and standard error. Everything else is written once for both.
namespace tavo::util {

// Second (0-60) and millisecond (0-999) of the current UTC time: GetSystemTime on Windows.
void utcSecondAndMillisecond(int& second, int& millisecond);

// Whether standard input is a terminal (on Windows any character device, the NUL device among them).
bool standardInputIsTerminal();

// The console's wait for a key after a fatal error: the command "PAUSE" on Windows; on Linux a prompt and one
// line read, the nearest equivalent.
void pauseForKey();

// Sets an environment variable for this process and the libraries in it, unless it is set already.
void setEnvironmentDefault(const char* name, const char* value);

// Standard error goes to the null device while it lives. Libraries then cannot print either, even those that
// write to the file descriptor directly.
class QuietStandardError {
public:
    QuietStandardError();
    ~QuietStandardError();
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved = -1;
};

} // namespace tavo::util
