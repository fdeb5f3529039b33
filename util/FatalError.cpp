#include "util/FatalError.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace tavo::util {

void waitForKey() {
    if (!isatty(STDIN_FILENO))
        return;
    std::cout << "Press Enter to continue . . ." << std::flush;
    std::cin.get();
}

void pauseAndExit() {
    std::cout.flush();
    std::cerr.flush();
    waitForKey();
    std::fflush(nullptr);
    std::_Exit(1);
}

void fatalError(const std::string& message) {
    std::cerr << message << std::endl;
    pauseAndExit();
}

} // namespace tavo::util
