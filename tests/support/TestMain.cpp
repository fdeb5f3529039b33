#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Mesa starts worker threads with the first context: death tests must re-execute the binary, not fork it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
