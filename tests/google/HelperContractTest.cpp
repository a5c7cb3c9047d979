#include "common/google/records/HelperContract.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Helpers built from another checkout still read these files: the values are the historical ones.
TEST(HelperContract, ParameterKeysAndOperationsKeepTheirNumbers)
{
    const struct
    {
        const char* name;
        int32_t value;
        int32_t expected;
    } cases[] = {
        {"PARAM_EMAIL", PARAM_EMAIL, 1000},
        {"PARAM_PASSWORD", PARAM_PASSWORD, 1001},
        {"PARAM_DATA_FILE", PARAM_DATA_FILE, 1002},
        {"PARAM_WORK_FOLDER", PARAM_WORK_FOLDER, 1003},
        {"PARAM_OPTIONS", PARAM_OPTIONS, 1004},
        {"PARAM_OPERATION", PARAM_OPERATION, 1005},
        {"PARAM_OPTIONS2", PARAM_OPTIONS2, 1006},
        {"PARAM_OPTIONS3", PARAM_OPTIONS3, 1007},
        {"PARAM_CAL_FILE", PARAM_CAL_FILE, 1008},
        {"PARAM_ERROR_FILE", PARAM_ERROR_FILE, 1009},
        {"PARAM_STATUS_FILE", PARAM_STATUS_FILE, 1010},
        {"PARAM_LOG_FOLDER", PARAM_LOG_FOLDER, 1013},
        {"PARAM_LOG_FILE", PARAM_LOG_FILE, 1014},
        {"PARAM_LOG_LEVEL", PARAM_LOG_LEVEL, 1015},
        {"PARAM_LOG_ENABLED", PARAM_LOG_ENABLED, 1016},
        {"OP_LOAD", OP_LOAD, 1},
        {"OP_SAVE", OP_SAVE, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, c.value);
    }
}

std::string Name(const char* text)
{
    return text ? text : "(none)";
}

TEST(HelperContract, EveryKindNamesTheFilesItHasAlwaysExchanged)
{
    const struct
    {
        HelperKind kind;
        const char* program;
        const char* data;
        const char* param;
        const char* error;
        const char* status;
        const char* stop;
        const char* result;
    } cases[] = {
        {HelperKind::Contacts, "Ombracon.exe", "GAddr.dat", "GAddrParam.dat", "GAddrErr.dat", "GAddrStatus.dat",
         "GAddrData.ini", "GAddrResult.ini"},
        {HelperKind::Calendar, "Ombracal.exe", "GDate.dat", "GDateParam.dat", "GDateErr.dat", "GDateStatus.dat",
         "GDateData.ini", "GDateResult.ini"},
        {HelperKind::Tasks, "Ombratsk.exe", "GTask.dat", "GTaskParam.dat", nullptr, nullptr, nullptr,
         "GTaskResult.ini"},
        {HelperKind::Notes, "Ombranot.exe", "GNote.dat", "GNoteParam.dat", nullptr, nullptr, nullptr,
         "GNoteResult.ini"},
    };
    static_assert(std::size(cases) == kHelperKindCount);
    for (const auto& c : cases) {
        const HelperFiles& files = FilesOf(c.kind);
        SCOPED_TRACE(c.program);
        EXPECT_EQ(Name(c.program), Name(files.program));
        EXPECT_EQ(Name(c.data), Name(files.dataFile));
        EXPECT_EQ(Name(c.param), Name(files.paramFile));
        EXPECT_EQ(Name(c.error), Name(files.errorFile));
        EXPECT_EQ(Name(c.status), Name(files.statusFile));
        EXPECT_EQ(Name(c.stop), Name(files.stopFile));
        EXPECT_EQ(Name(c.result), Name(files.resultFile));
    }
    EXPECT_STREQ("GCal.dat", kCalendarListFile);
}

// Every file of a run is deleted or overwritten by name: two kinds sharing one would lose each
// other's results when the wizard runs them in one work folder.
TEST(HelperContract, NoTwoFilesOfTheWorkFolderShareAName)
{
    std::vector<std::string> names = {kCalendarListFile};
    for (const HelperFiles& files : kHelperFiles)
        for (const char* name :
             {files.dataFile, files.paramFile, files.errorFile, files.statusFile, files.stopFile, files.resultFile})
            if (name)
                names.push_back(name);
    for (size_t i = 0; i < names.size(); ++i)
        for (size_t j = i + 1; j < names.size(); ++j)
            EXPECT_NE(names[i], names[j]);
}

} // namespace
