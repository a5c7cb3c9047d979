#include "helpers/account/Accounts.h"

#include "common/misc/CxIniUtil.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Every file under a folder with its content, to see that a folder is left exactly as it was.
std::map<std::string, std::string> Snapshot(const std::string& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        files[fs::relative(entry.path(), folder).string()] =
            entry.is_regular_file() ? TempDir::ReadFile(entry.path().string()) : "<folder>";
    return files;
}

class AccountsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fs::create_directories(m_work.file("mine"));
        fs::create_directories(m_elsewhere.file("theirs"));
        TempDir::WriteFile(m_work.file("accounts.ini"), "[Me@Example.COM]\nFolder=mine\nPassword=secret\n\n"
                                                        "[other@example.com]\nFolder=" +
                                                            m_elsewhere.file("theirs") +
                                                            "\nPassword=pw\n\n"
                                                            "[gone@example.com]\nFolder=missing\nPassword=pw\n\n"
                                                            "[nopass@example.com]\nFolder=mine\n");
        // The shipped demo, as it lies beside the programs.
        fs::create_directories(m_program.file("demo/contacts"));
        fs::create_directories(m_program.file("demo/calendar/holidays"));
        TempDir::WriteFile(m_program.file("demo/contacts/a.vcf"), "BEGIN:VCARD\r\nEND:VCARD\r\n");
        TempDir::WriteFile(m_program.file("demo/calendar/holidays/h.ics"), "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
    }

    bool Find(const std::string& email, const std::string& password)
    {
        return FindAccount(m_work.path(), m_program.path(), email, password, m_folder, m_error);
    }

    TempDir m_work;
    TempDir m_elsewhere;
    TempDir m_program;
    std::string m_folder;
    std::string m_error;
};

} // namespace

TEST_F(AccountsTest, FindsTheFolderOfAnAddressInAnyCase)
{
    struct Case
    {
        const char* email;
        const char* password;
        std::string folder; // empty: refused
        const char* error;  // how the error starts; none when found
    };
    const Case cases[] = {
        {"me@example.com", "secret", m_work.file("mine/"), ""},
        {"ME@EXAMPLE.COM", "secret", m_work.file("mine/"), ""},
        {"other@example.com", "pw", m_elsewhere.file("theirs/"), ""},
        {"me@example.com", "Secret", "", "Wrong password for me@example.com"},
        {"me@example.com", "", "", "Wrong password for me@example.com"},
        {"nopass@example.com", "", "", "Wrong password for nopass@example.com"},
        {"stranger@example.com", "secret", "", "Unknown account: stranger@example.com"},
        {"", "secret", "", "Unknown account: "},
        {"[me@example.com]", "secret", "", "Unknown account: [me@example.com]"},
        {"gone@example.com", "pw", "", "Account folder not found: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.email) + " / " + c.password);
        m_error.clear();
        EXPECT_EQ(!c.folder.empty(), Find(c.email, c.password));
        EXPECT_EQ(c.folder, m_folder);
        if (c.folder.empty()) {
            EXPECT_EQ(0u, m_error.find(c.error)) << m_error;
        } else {
            EXPECT_EQ("", m_error);
        }
    }
}

TEST_F(AccountsTest, WithoutAccountsFileEveryAddressIsUnknown)
{
    fs::remove(m_work.file("accounts.ini"));
    EXPECT_FALSE(Find("me@example.com", "secret"));
    EXPECT_EQ("Unknown account: me@example.com", m_error);
}

TEST_F(AccountsTest, TheDemoIsInstalledOnFirstUseAndNeverCopiedAgain)
{
    const auto shipped = Snapshot(m_program.file("demo"));
    ASSERT_TRUE(Find("Demo@Example.com", "demo")) << m_error;
    EXPECT_EQ(m_work.file("demo/"), m_folder);
    EXPECT_EQ(shipped, Snapshot(m_work.file("demo")));
    CxIniUtil accounts(m_work.path().c_str(), "accounts.ini");
    char value[64];
    accounts.ReadEntry("demo@example.com", "Folder", value, sizeof value, "");
    EXPECT_STREQ("demo", value);
    // The other accounts are still there.
    EXPECT_TRUE(Find("me@example.com", "secret")) << m_error;

    // What the user deleted from the demo stays deleted, and the shipped copy is never touched.
    fs::remove(m_work.file("demo/contacts/a.vcf"));
    ASSERT_TRUE(Find("demo@example.com", "demo")) << m_error;
    EXPECT_FALSE(fs::exists(m_work.file("demo/contacts/a.vcf")));
    EXPECT_EQ(shipped, Snapshot(m_program.file("demo")));
    EXPECT_FALSE(Find("demo@example.com", "wrong"));
    EXPECT_EQ("Wrong password for demo@example.com", m_error);
}

TEST_F(AccountsTest, ADemoFolderAlreadyInTheWorkFolderIsKept)
{
    fs::create_directories(m_work.file("demo/contacts"));
    TempDir::WriteFile(m_work.file("demo/contacts/mine.vcf"), "x");
    ASSERT_TRUE(Find("demo@example.com", "demo")) << m_error;
    EXPECT_TRUE(fs::exists(m_work.file("demo/contacts/mine.vcf")));
    EXPECT_FALSE(fs::exists(m_work.file("demo/contacts/a.vcf")));
}

TEST_F(AccountsTest, InTheProgramFolderTheDemoGetsACopyOfItsOwn)
{
    // When the app's work folder is the program folder, "demo" there is the shipped copy.
    const auto shipped = Snapshot(m_program.file("demo"));
    ASSERT_TRUE(FindAccount(m_program.path(), m_program.path(), "demo@example.com", "demo", m_folder, m_error))
        << m_error;
    EXPECT_EQ(m_program.file("demo-account/"), m_folder);
    EXPECT_EQ(shipped, Snapshot(m_folder));
    fs::remove(m_program.file("accounts.ini"));
    EXPECT_EQ(shipped, Snapshot(m_program.file("demo")));
}

TEST_F(AccountsTest, AMissingShippedDemoIsReported)
{
    fs::remove_all(m_program.file("demo"));
    EXPECT_FALSE(Find("demo@example.com", "demo"));
    EXPECT_EQ(0u, m_error.find("The demo account is missing")) << m_error;
    EXPECT_FALSE(fs::exists(m_work.file("demo")));
}

// Serving the whole file system or the home folder as an account would list, and a save move, files
// that were never the user's contacts or events.
TEST_F(AccountsTest, TheRootOrTheHomeFolderIsNoAccountFolder)
{
    TempDir home;
    const ScopedEnv homeVariable("HOME", home.path().c_str());
    fs::create_directory_symlink(home.path(), m_work.file("home-link"));
    struct Case
    {
        std::string folder;
        std::string error;
    };
    const Case cases[] = {
        {"/", "The account folder must not be the root of the file system: /"},
        {"/../", "The account folder must not be the root of the file system: /../"},
        {home.path(), "The account folder must not be your home folder: " + home.path()},
        {home.path().substr(0, home.path().size() - 1),
         "The account folder must not be your home folder: " + home.path()},
        {"home-link", "The account folder must not be your home folder: " + m_work.file("home-link/")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        TempDir::WriteFile(m_work.file("accounts.ini"), "[me@example.com]\nFolder=" + c.folder + "\nPassword=secret\n");
        m_error.clear();
        EXPECT_FALSE(Find("me@example.com", "secret"));
        EXPECT_EQ("", m_folder);
        EXPECT_EQ(c.error, m_error);
    }
    // A folder inside the home folder is what accounts usually are.
    fs::create_directories(home.file("sync/me"));
    TempDir::WriteFile(m_work.file("accounts.ini"),
                       "[me@example.com]\nFolder=" + home.file("sync/me") + "\nPassword=secret\n");
    EXPECT_TRUE(Find("me@example.com", "secret")) << m_error;
    EXPECT_EQ(home.file("sync/me/"), m_folder);
}

TEST_F(AccountsTest, AnAccountFolderThatCannotBeReadIsRefused)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads any folder";
    ASSERT_EQ(0, ::chmod(m_work.file("mine").c_str(), 0));
    EXPECT_FALSE(Find("me@example.com", "secret"));
    ::chmod(m_work.file("mine").c_str(), 0700);
    EXPECT_EQ("", m_folder);
    EXPECT_EQ("The account folder " + m_work.file("mine/") + " cannot be read: Permission denied", m_error);
}

// A section naming a server, checked before anything is sent to it.
struct ServerSectionCase
{
    const char* section; // the lines after "[me@example.com]"
    bool found;
    const char* errorPart; // what the refusal says; unused when found
};

class ServerAccountSectionTest : public ::testing::TestWithParam<ServerSectionCase>
{};

TEST_P(ServerAccountSectionTest, IsTakenOrRefusedWithItsReason)
{
    TempDir work;
    TempDir program;
    TempDir::WriteFile(work.file("ca.pem"), "-----BEGIN CERTIFICATE-----\n");
    TempDir::WriteFile(work.file("accounts.ini"), std::string("[me@example.com]\n") + GetParam().section);
    AccountPlace place;
    std::string error;
    EXPECT_EQ(GetParam().found, FindAccountPlace(work.path(), program.path(), "ME@example.com", "typed", place, error))
        << error;
    // Every section begins with its Url line: a section taken has that address, a refused one says why.
    const std::string section = GetParam().section;
    if (GetParam().found) {
        EXPECT_EQ(section.substr(4, section.find('\n') - 4), place.server.url);
    } else {
        EXPECT_NE(std::string::npos, error.find(GetParam().errorPart)) << error;
    }
    EXPECT_EQ(GetParam().found, place.onServer);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, ServerAccountSectionTest,
    ::testing::Values(
        ServerSectionCase{"Url=https://dav.example.com/\n", true, ""},
        ServerSectionCase{"Url=http://127.0.0.1:5232/\n", true, ""},
        ServerSectionCase{"Url=http://localhost/dav/\n", true, ""},
        ServerSectionCase{"Url=http://[::1]:8080/\n", true, ""},
        ServerSectionCase{"Url=http://dav.example.com/\n", false, "unencrypted"},
        // A user name before the host does not make a remote server local.
        ServerSectionCase{"Url=http://127.0.0.1@dav.example.com/\n", false, "unencrypted"},
        ServerSectionCase{"Url=http://127.0.0.1.example.com/\n", false, "unencrypted"},
        ServerSectionCase{"Url=http://dav.example.com/\nAllowUnencrypted=yes\n", true, ""},
        ServerSectionCase{"Url=ftp://dav.example.com/\n", false, "must begin with https:// or http://"},
        ServerSectionCase{"Url=\n", false, "No server address given"},
        ServerSectionCase{"Url=https://dav.example.com/\nFolder=mine\n", false, "both a Folder and a Url"},
        ServerSectionCase{"Url=https://dav.example.com/\nTimeout=0\n", false, "Timeout"},
        ServerSectionCase{"Url=https://dav.example.com/\nTimeout=20s\n", false, "Timeout"},
        ServerSectionCase{"Url=https://dav.example.com/\nTimeout=3600\n", true, ""},
        ServerSectionCase{"Url=https://dav.example.com/\nVerifyCertificate=maybe\n", false, "VerifyCertificate"},
        ServerSectionCase{"Url=https://dav.example.com/\nCaFile=missing.pem\n", false, "certificate file"},
        ServerSectionCase{"Url=https://dav.example.com/\nCaFile=ca.pem\n", true, ""}));

TEST(ServerAccountTest, TakesTheUserTheCertificateSettingsAndTheTimeOut)
{
    TempDir work;
    TempDir program;
    TempDir::WriteFile(work.file("ca.pem"), "-----BEGIN CERTIFICATE-----\n");
    TempDir::WriteFile(work.file("accounts.ini"),
                       "[me@example.com]\nUrl=https://dav.example.com/\n\n"
                       "[you@example.com]\nUrl=https://dav.example.com/\nUser=you\nCaFile=ca.pem\n"
                       "VerifyCertificate=no\nTimeout=5\nPassword=never-used\n");
    AccountPlace place;
    std::string error;
    ASSERT_TRUE(FindAccountPlace(work.path(), program.path(), "me@example.com", "typed", place, error)) << error;
    EXPECT_EQ("me@example.com", place.server.user); // the address when no User is given
    EXPECT_TRUE(place.server.verifyCertificate);
    EXPECT_EQ(60, place.server.timeoutSeconds);
    EXPECT_TRUE(place.server.caFile.empty());
    ASSERT_TRUE(FindAccountPlace(work.path(), program.path(), "you@example.com", "typed", place, error)) << error;
    EXPECT_EQ("you", place.server.user);
    EXPECT_EQ(work.file("ca.pem"), place.server.caFile);
    EXPECT_FALSE(place.server.verifyCertificate);
    EXPECT_EQ(5, place.server.timeoutSeconds);
    // The folder lookup does not take a server account for a folder.
    std::string folder;
    EXPECT_FALSE(FindAccount(work.path(), program.path(), "you@example.com", "typed", folder, error));
    EXPECT_NE(std::string::npos, error.find("kept on a server")) << error;
    EXPECT_TRUE(folder.empty());
}
