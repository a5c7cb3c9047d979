#include "app/core/AppSettings.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class AppSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_ini = m_dir.file("tessavo.ini");
        g_settingsFile.SetFilePath(m_ini.c_str());
    }

    void WriteIni(const std::string& body) { TempDir::WriteFile(m_ini, "[Qosweep]\n" + body); }

    std::string Stored(const char* key)
    {
        char value[300] = "";
        CxIniUtil reader(m_dir.path().c_str(), "tessavo.ini");
        reader.ReadEntry("Qosweep", key, value, sizeof value, "<missing>");
        return value;
    }

    TempDir m_dir;
    std::string m_ini;
};

void ExpectDefaults()
{
    EXPECT_STREQ("", AppSettings.Email);
    EXPECT_STREQ("", AppSettings.Password);
    EXPECT_TRUE(AppSettings.SaveEmail);
    EXPECT_FALSE(AppSettings.SavePassword);
    EXPECT_EQ(15, AppSettings.AppFlag);
    EXPECT_FALSE(AppSettings.CaseSensitive);
    EXPECT_TRUE(AppSettings.AddrDisplayName);
    EXPECT_TRUE(AppSettings.AddrEmail);
    for (bool off : {AppSettings.AddrCompanyName, AppSettings.AddrTitle, AppSettings.AddrPhone, AppSettings.AddrAddress,
                     AppSettings.AddrIM, AppSettings.AddrWebSite, AppSettings.AddrDate, AppSettings.AddrNote,
                     AppSettings.DateLocation, AppSettings.DateRecur, AppSettings.DateNote, AppSettings.EnableDebug,
                     AppSettings.UntickLosingDuplicates})
        EXPECT_FALSE(off);
    for (bool on :
         {AppSettings.DateSubject, AppSettings.DateStartTime, AppSettings.DateEndTime, AppSettings.DateAllDayEvent})
        EXPECT_TRUE(on);
    EXPECT_EQ(3, AppSettings.LogLevel);
    EXPECT_EQ(MATCH_EXACT, AppSettings.MatchMode);
    EXPECT_EQ(30, AppSettings.TrashDays);
}

} // namespace

TEST_F(AppSettingsTest, MissingEmptyOrGarbledFilesGiveTheDefaults)
{
    struct Case
    {
        const char* name;
        const char* content; // null: no file at all
    };
    const Case cases[] = {
        {"missing", nullptr},
        {"empty", ""},
        {"other section", "[Other]\nAppFlag=1\nLogLevel=0\n"},
        {"empty values", "[Qosweep]\nAppFlag=\nSaveEmail=\nLogLevel=   \nAddrEmail=\n"},
        {"garbage", "\x01\x02\xff[[Qosweep\n=AppFlag\n\x80\x81 no equals here\n"},
        // A matching mode of a later version, or none this one knows, keeps the field rule.
        {"unknown matching mode", "[Qosweep]\nMatchMode=7\n"},
        {"negative matching mode", "[Qosweep]\nMatchMode=-1\n"},
        // Days the helpers would refuse to empty by.
        {"trash days beyond a century", "[Qosweep]\nTrashDays=36501\n"},
        {"negative trash days", "[Qosweep]\nTrashDays=-1\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ::unlink(m_ini.c_str());
        if (c.content)
            TempDir::WriteFile(m_ini, c.content);
        std::memset(&AppSettings, 0x5A, sizeof AppSettings);
        LoadSettings();
        ExpectDefaults();
    }
}

TEST_F(AppSettingsTest, EverySettingSurvivesASaveAndLoad)
{
    LoadSettings();
    std::strcpy(AppSettings.Email, "ann@example.org");
    std::strcpy(AppSettings.Password, "p4ss word");
    AppSettings.SavePassword = true;
    AppSettings.AppFlag = 2;
    AppSettings.CaseSensitive = true;
    AppSettings.AddrDisplayName = false;
    AppSettings.AddrNote = true;
    AppSettings.DateRecur = true;
    AppSettings.DateEndTime = false;
    AppSettings.EnableDebug = true;
    AppSettings.LogLevel = 1;
    AppSettings.MatchMode = MATCH_SMART;
    AppSettings.UntickLosingDuplicates = true;
    AppSettings.TrashDays = 0;
    const TAppSettings saved = AppSettings;
    SaveSettings();

    std::memset(&AppSettings, 0, sizeof AppSettings);
    LoadSettings();
    EXPECT_STREQ(saved.Email, AppSettings.Email);
    EXPECT_STREQ(saved.Password, AppSettings.Password);
    EXPECT_EQ(saved.AppFlag, AppSettings.AppFlag);
    EXPECT_EQ(saved.LogLevel, AppSettings.LogLevel);
    EXPECT_EQ(MATCH_SMART, AppSettings.MatchMode);
    const bool TAppSettings::*flags[] = {
        &TAppSettings::SaveEmail,       &TAppSettings::SavePassword,
        &TAppSettings::CaseSensitive,   &TAppSettings::AddrDisplayName,
        &TAppSettings::AddrCompanyName, &TAppSettings::AddrTitle,
        &TAppSettings::AddrEmail,       &TAppSettings::AddrPhone,
        &TAppSettings::AddrAddress,     &TAppSettings::AddrIM,
        &TAppSettings::AddrWebSite,     &TAppSettings::AddrDate,
        &TAppSettings::AddrNote,        &TAppSettings::DateSubject,
        &TAppSettings::DateLocation,    &TAppSettings::DateStartTime,
        &TAppSettings::DateEndTime,     &TAppSettings::DateAllDayEvent,
        &TAppSettings::DateRecur,       &TAppSettings::DateNote,
        &TAppSettings::EnableDebug,     &TAppSettings::UntickLosingDuplicates,
    };
    for (auto flag : flags)
        EXPECT_EQ(saved.*flag, AppSettings.*flag);
    EXPECT_EQ("cDRzcyB3b3Jk", Stored("QoPassword"));
    EXPECT_EQ("1", Stored("DateRecur"));
    EXPECT_EQ("2", Stored("AppFlag"));
    EXPECT_EQ("1", Stored("MatchMode"));
    EXPECT_EQ("1", Stored("UntickLosingDuplicates"));
    EXPECT_EQ(0, AppSettings.TrashDays);
    EXPECT_EQ("0", Stored("TrashDays"));
}

TEST_F(AppSettingsTest, ForgottenCredentialsAreNeitherReadNorKept)
{
    WriteIni("SaveEmail=0\nQoEmail=old@example.org\nSavePassword=0\nQoPassword=YWJj\n");
    LoadSettings();
    EXPECT_STREQ("", AppSettings.Email);
    EXPECT_STREQ("", AppSettings.Password);

    std::strcpy(AppSettings.Email, "typed@example.org");
    std::strcpy(AppSettings.Password, "typed");
    SaveSettings();
    // The keys stay, emptied.
    EXPECT_EQ("", Stored("QoEmail"));
    EXPECT_EQ("", Stored("QoPassword"));
    EXPECT_EQ("0", Stored("SaveEmail"));
}

TEST_F(AppSettingsTest, ShortPasswordsArePaddedAndReadBack)
{
    struct Case
    {
        const char* password;
        const char* stored;
    };
    const Case cases[] = {{"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.password);
        LoadSettings();
        AppSettings.SavePassword = true;
        std::strcpy(AppSettings.Password, c.password);
        SaveSettings();
        EXPECT_EQ(c.stored, Stored("QoPassword"));
        LoadSettings();
        EXPECT_TRUE(AppSettings.SavePassword);
        EXPECT_STREQ(c.password, AppSettings.Password);
    }
}

TEST_F(AppSettingsTest, StoredPasswordsAreReadSafely)
{
    struct Case
    {
        const char* name;
        std::string stored;
        std::string password;
    };
    std::string cut;
    for (int i = 0; i < 21; ++i)
        cut += "\x61\x86\x18"; // what each "YYYY" decodes to
    const Case cases[] = {
        {"foreign character ends its group", "YW*jYWJj", "aabc"},
        {"length not a multiple of four", "YWJjZA", "abcd"},
        {"zero byte ends the password", "YQBi", "a"},
        {"over-long value cut to the field", std::string(100, 'Y'), cut},
        {"zero bytes only", std::string(120, 'A'), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIni("SavePassword=1\nQoPassword=" + c.stored + "\n");
        LoadSettings();
        EXPECT_EQ(c.password, std::string(AppSettings.Password));
    }
}

TEST_F(AppSettingsTest, OverLongTextsAreCutToTheirFields)
{
    WriteIni("QoEmail=" + std::string(100, 'e') + "\n");
    LoadSettings();
    EXPECT_EQ(std::string(63, 'e'), AppSettings.Email);
}

// The settings hold the e-mail address and perhaps the password: the owner's only, whether the save
// creates the file or finds one an older version left readable by all.
TEST_F(AppSettingsTest, TheSettingsFileIsForItsOwnerOnly)
{
    auto mode = [this] {
        struct stat st
        {};
        EXPECT_EQ(0, ::stat(m_ini.c_str(), &st));
        return st.st_mode & 0777u;
    };
    const mode_t oldMask = ::umask(022);
    LoadSettings();
    AppSettings.SavePassword = true;
    std::strcpy(AppSettings.Password, "secret");
    SaveSettings();
    const mode_t created = mode();

    ::chmod(m_ini.c_str(), 0644);
    const std::string before = TempDir::ReadFile(m_ini);
    LoadSettings();
    SaveSettings(); // the same settings again: nothing in the file changes but its mode
    ::umask(oldMask);
    EXPECT_EQ(0600u, created);
    EXPECT_EQ(0600u, mode());
    EXPECT_EQ(before, TempDir::ReadFile(m_ini));
    EXPECT_EQ("c2VjcmV0", Stored("QoPassword"));
}

TEST_F(AppSettingsTest, UnwritableFilesFailQuietly)
{
    LoadSettings();
    // A folder that does not exist, and a "folder" that is a regular file: writes fail for root too.
    TempDir::WriteFile(m_dir.file("plain"), "x");
    for (std::string path : {m_dir.file("missing/tessavo.ini"), m_dir.file("plain/tessavo.ini")}) {
        SCOPED_TRACE(path);
        g_settingsFile.SetFilePath(path.c_str());
        SaveSettings();
        LoadSettings();
        ExpectDefaults();
    }
}

class DataFolderTest : public ::testing::Test
{
protected:
    TempDir m_dir;
};

TEST_F(DataFolderTest, CreatesBothLevelsBelowTheBase)
{
    const std::string base = m_dir.file("not/yet/there");
    const ScopedEnv xdg("XDG_DATA_HOME", base.c_str());
    char folder[260] = "";
    ASSERT_TRUE(GetDataFolder(folder));
    EXPECT_EQ(base + "/tessavo/Qosweep/", folder);
    struct stat st;
    EXPECT_EQ(0, ::stat(folder, &st));
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    // Looked up afresh every time: a second call finds the same folder.
    char again[260] = "";
    ASSERT_TRUE(GetDataFolder(again));
    EXPECT_STREQ(folder, again);
}

TEST_F(DataFolderTest, FailureLeavesTheBufferUntouched)
{
    TempDir::WriteFile(m_dir.file("plain"), "x");
    const std::string tooLong = m_dir.path() + std::string(240, 'd');
    for (std::string base : {m_dir.file("plain"), tooLong}) {
        SCOPED_TRACE(base);
        const ScopedEnv xdg("XDG_DATA_HOME", base.c_str());
        char folder[260] = "untouched";
        EXPECT_FALSE(GetDataFolder(folder));
        EXPECT_STREQ("untouched", folder);
    }
}
