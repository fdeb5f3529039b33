#include "util/Platform.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace tavo::util {

#ifdef _WIN32

void utcSecondAndMillisecond(int& second, int& millisecond) {
    SYSTEMTIME utc;
    GetSystemTime(&utc);
    second = utc.wSecond;
    millisecond = utc.wMilliseconds;
}

bool standardInputIsTerminal() {
    return _isatty(_fileno(stdin)) != 0;
}

void pauseForKey() {
    std::system("PAUSE");
}

void setEnvironmentDefault(const char* name, const char* value) {
    if (!std::getenv(name))
        _putenv_s(name, value);
}

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    saved = _dup(_fileno(stderr));
    const int null = _open("NUL", _O_WRONLY);
    if (saved >= 0 && null >= 0)
        _dup2(null, _fileno(stderr));
    if (null >= 0)
        _close(null);
}

QuietStandardError::~QuietStandardError() {
    if (saved < 0)
        return;
    std::fflush(stderr);
    _dup2(saved, _fileno(stderr));
    _close(saved);
}

#else

void utcSecondAndMillisecond(int& second, int& millisecond) {
    const auto sinceEpoch = std::chrono::duration_cast<std::chrono::milliseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
    const std::time_t seconds = static_cast<std::time_t>(sinceEpoch / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    second = utc.tm_sec;
    millisecond = static_cast<int>(sinceEpoch % 1000);
}

bool standardInputIsTerminal() {
    return isatty(STDIN_FILENO) != 0;
}

void pauseForKey() {
    std::cout << "Press Enter to continue . . ." << std::flush;
    std::cin.get();
}

void setEnvironmentDefault(const char* name, const char* value) {
    setenv(name, value, 0);
}

QuietStandardError::QuietStandardError() {
    std::fflush(stderr);
    saved = dup(STDERR_FILENO);
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved >= 0 && null >= 0)
        dup2(null, STDERR_FILENO);
    if (null >= 0)
        close(null);
}

QuietStandardError::~QuietStandardError() {
    if (saved < 0)
        return;
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
}

#endif

} // namespace tavo::util
