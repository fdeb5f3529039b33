#include "support/GameUnderTest.h"

#include <csignal>
#include <cstdlib>
#include <memory>

namespace {

// An Xvfb for this test process alone (ctest starts one per test), so games beside it keep their own keyboard
// and focus. -displayfd: the server picks a free number and writes it once it accepts clients.
class OwnDisplay : public testing::Environment {
    void SetUp() override {
        const std::string screen = std::to_string(screenWidth) + "x" + std::to_string(screenHeight) + "x24";
        server = std::make_unique<ChildProcess>(std::vector<std::string>{
            "Xvfb", "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"});
        ASSERT_TRUE(waitUntil([&] { return server->now().out.find('\n') != std::string::npos; }, 10s))
            << server->now();
        setenv("DISPLAY", (":" + server->now().out.substr(0, server->now().out.find('\n'))).c_str(), 1);
    }
    // Asked to end, Xvfb removes its lock file and socket; killed, it would leave them behind.
    void TearDown() override {
        ::kill(server->pid(), SIGTERM);
        server->wait(5s);
    }
    std::unique_ptr<ChildProcess> server;
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#if WINDLAP_OWN_DISPLAY
    testing::AddGlobalTestEnvironment(new OwnDisplay);
#endif
    return RUN_ALL_TESTS();
}
