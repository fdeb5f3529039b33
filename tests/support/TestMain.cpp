#include "support/GameUnderTest.h"
#include "support/XServer.h"

#include <memory>

namespace {

// An X server for this test process alone (ctest starts one per test), so games beside it keep their own
// keyboard and focus.
class OwnDisplay : public testing::Environment {
    void SetUp() override { server = std::make_unique<XServer>(screenWidth, screenHeight); }
    void TearDown() override { server.reset(); }
    std::unique_ptr<XServer> server;
};

} // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
#if WINDLAP_OWN_DISPLAY
    testing::AddGlobalTestEnvironment(new OwnDisplay);
#endif
    return RUN_ALL_TESTS();
}
