#include <gtest/gtest.h>

#include <cstring>

int RunFaultChildMode(const char* how);

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--fault-child") == 0) return RunFaultChildMode(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
