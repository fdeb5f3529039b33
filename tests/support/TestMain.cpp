#include "support/GameUnderTest.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

namespace {

// An Xvfb for this test process alone (ctest starts one per test), so games beside it keep their own
// keyboard and focus. -displayfd: the server picks a free number and writes it once it accepts clients.
class OwnDisplay : public testing::Environment {
public:
    void SetUp() override {
        server = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", "1", "-screen", "0",
                                     std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24",
                                     "-nolisten", "tcp", "-noreset"});
        ASSERT_TRUE(waitUntil([&] { return server->now().out.find('\n') != std::string::npos; }, 10s))
            << "no Xvfb of the test's own: " << server->now();
        setenv("DISPLAY", (":" + server->now().out.substr(0, server->now().out.find('\n'))).c_str(), 1);
    }
    // Asked to end, Xvfb removes its lock file and socket; killed, it would leave them behind.
    void TearDown() override {
        ::kill(server->pid(), SIGTERM);
        server->wait(5s);
    }

private:
    std::unique_ptr<ChildProcess> server;
};

} // namespace

int main(int argc, char** argv) {
    // Mesa starts worker threads with the first context: death tests must re-execute the binary, not fork it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing::InitGoogleTest(&argc, argv);
#if WINDLAP_OWN_DISPLAY
    testing::AddGlobalTestEnvironment(new OwnDisplay);
#endif
    return RUN_ALL_TESTS();
}
