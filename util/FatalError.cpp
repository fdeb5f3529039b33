#include "util/FatalError.h"

#include "util/Platform.h"
#include <cstdio>
#include <cstdlib>

#include <iostream>

namespace tavo::util {

void waitForKey() {
    if (standardInputIsTerminal())
        pauseForKey();
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
