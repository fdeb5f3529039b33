#include "support/PrivateXServer.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// ctest starts one process per test: with this each such test has an X server, keyboard and focus of its own.
class OwnDisplay : public testing::Environment {
public:
    void SetUp() override {
        server = std::make_unique<PrivateXServer>();
        ASSERT_FALSE(server->display().empty()) << "no Xvfb of the test's own: " << server->error();
    }
    void TearDown() override { server.reset(); }

private:
    std::unique_ptr<PrivateXServer> server;
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
