#include "support/ProcessStatus.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

long residentKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

double processorSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stat, text))
        return -1.0;
    // The command name in parentheses may hold blanks: the fields are counted from the last ')'.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long user = 0, system = 0;
    // Fields 3 to 13 of proc(5) come first; utime and stime are 14 and 15.
    for (int number = 3; number <= 13; ++number)
        fields >> field;
    fields >> user >> system;
    if (!fields)
        return -1.0;
    return static_cast<double>(user + system) / static_cast<double>(sysconf(_SC_CLK_TCK));
}
