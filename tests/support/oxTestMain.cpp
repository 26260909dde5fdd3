// Entry point of every test program: the program, and every process it
// starts, gets a temporary folder of its own before any test runs. Test
// programs run at the same time; in one shared temporary folder a test
// that counts work folders, or looks for what a run left behind, would see
// another program's.
#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackages.h"
#include "oxTest.h"

int main(int argc, char **argv)
{
    const std::string folder = UseOwnTemporaryFolder();
    if (folder.empty()) {
        fprintf(stderr, "cannot make a temporary folder of this test program's own (error %lu)\n",
                GetLastError());
        return 1;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
