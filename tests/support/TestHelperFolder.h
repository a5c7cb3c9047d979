// Puts the stand-in helper program under a helper's fixed name into a folder of the test's, so a
// utility that runs "Ombracon.exe" and the like starts the stand-in (with SetHelperProgramFolder).
#pragma once

#include "common/platform/Platform.h"

#include <filesystem>
#include <string>

inline void PlaceTestHelper(const std::string& folder, const std::string& name)
{
    std::filesystem::create_symlink(platform::ProgramFolder() + "qosweep_test_helper", folder + name);
}
