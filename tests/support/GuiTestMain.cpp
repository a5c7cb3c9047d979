// gtest main for the form tests: a headless QApplication unless a display is asked for.
#include "app/TQoApplication.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    // Test discovery runs this program outside CTest's environment: default to offscreen here.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TQoApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
