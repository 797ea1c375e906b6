// Test entry shared by every suite.
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    // The test programs share fontconfig with nothing else, so they release its caches at exit and
    // leak checks see only the project's own allocations.
    std::atexit([] { FcFini(); });
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
