#include "support/GameUnderTest.h"

#include <memory>

// The main of tests that drive games through X: an X server for this test process alone (ctest starts one per
// test), so games beside it keep their own keyboard and focus; full-screen games cover its screen.
class OwnDisplay : public testing::Environment {
    void SetUp() override { server = std::make_unique<XServer>(1280, 1024); }
    void TearDown() override { server.reset(); }
    std::unique_ptr<XServer> server;
};

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new OwnDisplay);
    return RUN_ALL_TESTS();
}
