#include "common/google/CxGAddrUtil.h"
#include "common/platform/Platform.h"
#include "tests/google/UtilTestSupport.h"
#include "tests/support/ContactImage.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Value = ContactImage::Value;

const std::vector<RowMember<GAddrRecord>>& RowMembers()
{
    static const std::vector<RowMember<GAddrRecord>> members = {
        {1, [](const GAddrRecord& r, int) { return Value(r.nHeadValue1); }},
        {2, [](const GAddrRecord& r, int) { return Value(r.ActionCode); }},
        {3, [](const GAddrRecord& r, int) { return Value(r.nHeadValue3); }},
        {4,
         [](const GAddrRecord& r, int i) {
             const char* names[] = {r.szFirstName, r.szMiddleName,  r.szLastName, r.szDisplayName,
                                    r.szNickName,  r.szCompanyName, r.szJobTitle};
             return TextOf(names[i]);
         }},
        {5, [](const GAddrRecord& r, int i) { return Value(r.nEmailType[i]); }},
        {6, [](const GAddrRecord& r, int i) { return TextOf(r.szEmail[i]); }},
        {7, [](const GAddrRecord& r, int) { return TextOf(r.szEmailPrimary); }},
        {8, [](const GAddrRecord& r, int i) { return Value(r.nAddressType[i]); }},
        {9, [](const GAddrRecord& r, int i) { return TextOf(r.szAddress[i]); }},
        {10, [](const GAddrRecord& r, int i) { return TextOf(r.szCity[i]); }},
        {11, [](const GAddrRecord& r, int i) { return TextOf(r.szState[i]); }},
        {12, [](const GAddrRecord& r, int i) { return TextOf(r.szCountry[i]); }},
        {13, [](const GAddrRecord& r, int i) { return TextOf(r.szPostal[i]); }},
        {14, [](const GAddrRecord& r, int i) { return TextOf(r.szStreet[i]); }},
        {15, [](const GAddrRecord& r, int i) { return TextOf(r.szPOBox[i]); }},
        {16, [](const GAddrRecord& r, int i) { return TextOf(r.szNeighborhood[i]); }},
        {17, [](const GAddrRecord& r, int i) { return Value(r.nPhoneType[i]); }},
        {18, [](const GAddrRecord& r, int i) { return TextOf(r.szPhone[i]); }},
        {19, [](const GAddrRecord& r, int) { return TextOf(r.szPhonePrimary); }},
        {20, [](const GAddrRecord& r, int i) { return Value(r.nWebType[i]); }},
        {21, [](const GAddrRecord& r, int i) { return TextOf(r.szWeb[i]); }},
        {22, [](const GAddrRecord& r, int) { return TextOf(r.szWebPrimary); }},
        {23, [](const GAddrRecord& r, int i) { return Value(r.nIMType[i]); }},
        {24, [](const GAddrRecord& r, int i) { return TextOf(r.szIM[i]); }},
        {25, [](const GAddrRecord& r, int) { return TextOf(r.szIMPrimary); }},
        {26, [](const GAddrRecord& r, int i) { return TextOf(r.szCustomLabel[i]); }},
        {27, [](const GAddrRecord& r, int i) { return TextOf(r.szCustomField[i]); }},
        {28, [](const GAddrRecord& r, int i) { return Value(r.nDateType[i]); }},
        {29, [](const GAddrRecord& r, int i) { return Value(r.dtDate[i]); }},
        {30, [](const GAddrRecord& r, int i) { return Value(r.nRelationType[i]); }},
        {31, [](const GAddrRecord& r, int i) { return TextOf(r.szRelation[i]); }},
        {32, [](const GAddrRecord& r, int) { return TextOf(r.szHelperText); }},
        {33, [](const GAddrRecord& r, int) { return TextOf(r.szNote); }},
        {34, [](const GAddrRecord& r, int) { return TextOf(r.szCategory); }},
        {35, [](const GAddrRecord& r, int) { return Value(r.dtCreated); }},
        {36, [](const GAddrRecord& r, int) { return Value(r.dtModified); }},
    };
    return members;
}

// Every field of the record equals the image's field at the same place in the file.
void ExpectRecordMatches(const ContactImage& image, const GAddrRecord& record)
{
    ExpectFieldsMatch(image, record, RowMembers());
}

class CxGAddrUtilTest : public HelperUtilTest
{
protected:
    void SetUp() override
    {
        HelperUtilTest::SetUp();
        m_util.SetWorkFolder(m_dir.path().c_str());
    }

    using HelperUtilTest::UseHelper;
    void UseHelper(const std::string& script) { UseHelper("Ombracon.exe", script); }
    std::vector<GAddrRecord*> Contacts()
    {
        std::vector<GAddrRecord*> contacts;
        CommAddrMgr* mgr = m_util.GetAddrMgr();
        for (CommAddrRecord* c = mgr->GetFirst(); c; c = mgr->GetNext())
            contacts.push_back(static_cast<GAddrRecord*>(c->pAttach));
        return contacts;
    }

    CxGAddrUtil m_util;
};

} // namespace

TEST(ContactLayoutTest, HoldsTheFieldsOfAContact)
{
    // 36 rows; the count of fields follows from the record's families.
    EXPECT_EQ(36u, std::size(kContactLayout));
    EXPECT_EQ(3 + 7 + 11 + 5 + 8 * 5 + 21 * 3 + 20 + 10 + 40 + 3 + 2, ContactFieldCount());
}

TEST_F(CxGAddrUtilTest, StartsWithTheContactsFiles)
{
    EXPECT_STREQ("GAddr.dat", m_util.m_szDataFile);
    EXPECT_STREQ("GAddrErr.dat", m_util.m_szErrorFile);
    EXPECT_STREQ("GAddrStatus.dat", m_util.m_szStatusFile);
    EXPECT_STREQ("GAddrParam.dat", m_util.m_szParamFile);
    EXPECT_STREQ("", m_util.m_szOptions);
    CxGAddrUtil fresh;
    EXPECT_EQ(platform::ProgramFolder(), fresh.m_szWorkFolder);
    EXPECT_EQ(0u, fresh.GetAddrMgr()->GetRecordCount());
}

TEST_F(CxGAddrUtilTest, RoundTripOfAFileBuiltByteByByte)
{
    std::vector<ContactImage> images;
    for (int seed = 1; seed <= 5; ++seed)
        images.push_back(ContactImage::Patterned(seed));
    images[3].Set(2, 0, int32_t{1}); // ActionCode as the helper wrote it
    const std::string original = ContactFile(images);
    TempDir::WriteFile(m_dir.file("GAddr.dat"), original);

    ASSERT_TRUE(m_util.LoadDataFile());
    const std::vector<GAddrRecord*> contacts = Contacts();
    ASSERT_EQ(5u, contacts.size());
    for (size_t k = 0; k < contacts.size(); ++k) {
        SCOPED_TRACE("contact " + std::to_string(k));
        ExpectRecordMatches(images[k], *contacts[k]);
        EXPECT_EQ(0u, contacts[k]->dwFlags);
        EXPECT_EQ(contacts[k]->pCommRecord->pAttach, contacts[k]);
        EXPECT_EQ(0u, contacts[k]->pCommRecord->nAttachSize);
    }

    // Unmarked, the file goes back as it came; marked contacts differ in their ActionCode only.
    ASSERT_TRUE(m_util.SaveDataFile("copy.dat"));
    EXPECT_EQ(original, TempDir::ReadFile(m_dir.file("copy.dat")));
    EXPECT_TRUE(m_util.MarkDeleted(contacts[1]->pCommRecord));
    EXPECT_TRUE(m_util.MarkDeleted(contacts[3]->pCommRecord));
    images[1].Set(2, 0, int32_t{3});
    images[3].Set(2, 0, int32_t{3});
    ASSERT_TRUE(m_util.SaveDataFile());
    EXPECT_EQ(ContactFile(images), TempDir::ReadFile(m_dir.file("GAddr.dat")));
}

TEST_F(CxGAddrUtilTest, DamagedFilesLoadWhatIsThereAndNoMore)
{
    const ContactImage a = ContactImage::Patterned(1);
    const ContactImage b = ContactImage::Patterned(2);
    const std::string twoContacts = ContactFile({a, b});
    const std::string cutInB = twoContacts.substr(0, 4 + a.Bytes().size() + 30);
    // announced and whole: what the app tells the user of a file cut short.
    struct Case
    {
        const char* name;
        std::string bytes;
        size_t expected;
        uint32_t announced;
        uint32_t whole;
    };
    const Case cases[] = {
        {"count only, 0", Int32(0), 0, 0, 0},
        {"empty file", "", 0, 0, 0},
        {"count cut short", "\x02\x00", 0, 0, 0},
        {"count above the records present", Int32(7) + a.Bytes() + b.Bytes(), 2, 7, 2},
        {"count below the records present", Int32(1) + a.Bytes() + b.Bytes(), 1, 1, 1},
        {"second contact cut short", cutInB, 2, 2, 1},
        {"count of -1", Int32(-1) + a.Bytes(), 1, UINT32_MAX, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::WriteFile(m_dir.file("GAddr.dat"), c.bytes);
        EXPECT_TRUE(m_util.LoadDataFile());
        EXPECT_EQ(c.announced, m_util.m_nRecordsAnnounced);
        EXPECT_EQ(c.whole, m_util.m_nRecordsWhole);
        EXPECT_EQ(c.bytes.size() < 4, m_util.m_bCountCut) << "only a file shorter than its count";
        const std::vector<GAddrRecord*> contacts = Contacts();
        ASSERT_EQ(c.expected, contacts.size());
        if (!contacts.empty())
            ExpectRecordMatches(a, *contacts[0]);
        m_util.Reset();
    }
    // The contact cut short keeps what was read; the rest of it is zero.
    TempDir::WriteFile(m_dir.file("GAddr.dat"), cutInB);
    ASSERT_TRUE(m_util.LoadDataFile());
    const GAddrRecord* cut = Contacts().at(1);
    EXPECT_EQ(2000, cut->nHeadValue1);
    EXPECT_STREQ("s2f3", cut->szFirstName);
    EXPECT_STREQ("", cut->szNote);
    EXPECT_EQ(0.0, cut->dtModified);
}

TEST_F(CxGAddrUtilTest, OverlongTextsAreCutAndTheFollowingFieldsStayInPlace)
{
    ContactImage image = ContactImage::Patterned(1);
    image
        .Set(4, 3, std::string(100, 'D'))    // Display Name, capacity 64
        .Set(11, 0, std::string(40, 'S'))    // State, capacity 16
        .Set(33, 0, std::string(12000, 'n')) // Note, capacity 10240
        .Set(32, 0, std::string(5000, 'h')); // helper text, capacity 4096
    const ContactImage next = ContactImage::Patterned(2);
    TempDir::WriteFile(m_dir.file("GAddr.dat"), ContactFile({image, next}));

    ASSERT_TRUE(m_util.LoadDataFile());
    const std::vector<GAddrRecord*> contacts = Contacts();
    ASSERT_EQ(2u, contacts.size());
    EXPECT_EQ(std::string(63, 'D'), contacts[0]->szDisplayName);
    EXPECT_EQ(std::string(15, 'S'), contacts[0]->szState[0]);
    EXPECT_EQ(std::string(10239, 'n'), contacts[0]->szNote);
    EXPECT_EQ(std::string(4095, 'h'), contacts[0]->szHelperText);
    EXPECT_EQ(image.Get(4, 4), Value(std::string(contacts[0]->szNickName)));
    EXPECT_EQ(image.Get(11, 1), Value(std::string(contacts[0]->szState[1])));
    EXPECT_EQ(image.Get(34, 0), Value(std::string(contacts[0]->szCategory)));
    ExpectRecordMatches(next, *contacts[1]);
    // The common record takes at most 31 characters of the name.
    EXPECT_EQ(std::string(31, 'D'), contacts[0]->pCommRecord->szDisplayName);
}

TEST_F(CxGAddrUtilTest, UnknownSlotCodesTravelUnchangedAndMatchNoId)
{
    ContactImage image;
    image.Set(5, 0, int32_t{4}).Set(6, 0, std::string("odd@example.com")); // e-mail code 4
    image.Set(17, 0, int32_t{9}).Set(18, 0, std::string("555"));           // phone code 9
    const int32_t unusedRelations[] = {2, 5, 6, 7, 8, 9, 10, -1};
    for (int i = 0; i < 8; ++i)
        image.Set(30, i, unusedRelations[i]).Set(31, i, "Rel" + std::to_string(i));
    const std::string bytes = ContactFile({image});
    TempDir::WriteFile(m_dir.file("GAddr.dat"), bytes);

    ASSERT_TRUE(m_util.LoadDataFile());
    GAddrRecord* contact = Contacts().at(0);
    for (int32_t id = 84; id <= 88; ++id)
        EXPECT_EQ(nullptr, GetRelationSlot(contact, id, false)) << id;
    for (int32_t id = 8; id <= 10; ++id)
        EXPECT_EQ(nullptr, GetEmailSlot(contact, id, false)) << id;
    for (int32_t id = 36; id <= 42; ++id)
        EXPECT_EQ(nullptr, GetPhoneSlot(contact, id, false)) << id;
    EXPECT_STREQ("", contact->pCommRecord->szEmail);
    EXPECT_STREQ("", contact->pCommRecord->szSpouseName);

    ASSERT_TRUE(m_util.SaveDataFile());
    EXPECT_EQ(bytes, TempDir::ReadFile(m_dir.file("GAddr.dat")));
}

TEST_F(CxGAddrUtilTest, LoadDataFileLogsItsSteps)
{
    TempDir::WriteFile(m_dir.file("GAddr.dat"), Int32(0));
    ASSERT_TRUE(m_util.LoadDataFile(""));
    EXPECT_FALSE(m_util.LoadDataFile("missing.dat"));
    const std::vector<std::string> expected = {
        "Start loading Google Contacts from temperary file: GAddr.dat",
        "There are 0 Contact records in total.",
        "Load Google Contacts information from file successfully.",
        "Start loading Google Contacts from temperary file: missing.dat",
        "Failed to open file: " + m_dir.file("missing.dat"),
    };
    EXPECT_EQ(expected, LogMessages(Log()));
    EXPECT_EQ(0u, m_util.GetAddrMgr()->GetRecordCount());
}

TEST_F(CxGAddrUtilTest, ReadAndWriteNeedAnOpenFileAndARecord)
{
    RecordPtr<GAddrRecord> record = NewContact();
    EXPECT_FALSE(m_util.ReadRecord(record.get()));
    EXPECT_FALSE(m_util.WriteRecord(record.get()));
    EXPECT_FALSE(m_util.ReadRecord(nullptr));
    EXPECT_FALSE(m_util.WriteRecord(nullptr));
    EXPECT_EQ(nullptr, m_util.AddRecord(nullptr));
}

TEST_F(CxGAddrUtilTest, ConvertToCommonMapsAndCutsEachField)
{
    RecordPtr<GAddrRecord> raw = NewContact();
    GAddrRecord& r = *raw;
    CopyText(r.szFirstName, std::string(40, 'f').c_str());
    CopyText(r.szCompanyName, std::string(63, 'c').c_str());
    CopyText(r.szJobTitle, std::string(63, 't').c_str());
    r.nEmailType[0] = 3, CopyText(r.szEmail[0], "other@example.com");
    r.nEmailType[1] = 1, CopyText(r.szEmail[1], "home@example.com");
    CopyText(r.szEmailPrimary, "primary@example.com");
    r.nAddressType[0] = 2;
    CopyText(r.szAddress[0], "whole address text");
    CopyText(r.szStreet[0], std::string(127, 's').c_str());
    CopyText(r.szPostal[0], std::string(31, 'p').c_str());
    CopyText(r.szState[0], "NY");
    CopyText(r.szNeighborhood[0], std::string(63, 'n').c_str());
    r.nAddressType[1] = 1;
    CopyText(r.szCity[1], "Home City");
    const char* phones[] = {"h", "w", "m", "fh", "fw", "pg", "o"};
    for (int i = 0; i < 7; ++i)
        r.nPhoneType[6 - i] = i + 1, CopyText(r.szPhone[6 - i], phones[i]);
    CopyText(r.szPhonePrimary, std::string(31, '9').c_str());
    r.nIMType[0] = 6, CopyText(r.szIM[0], "msn-id");
    r.nIMType[1] = 1, CopyText(r.szIM[1], "gtalk-id");
    CopyText(r.szIMPrimary, "primary-im");
    r.nRelationType[0] = 12, CopyText(r.szRelation[0], "Assistant A");
    r.nRelationType[1] = 1, CopyText(r.szRelation[1], "Spouse S");
    r.nRelationType[2] = 11, CopyText(r.szRelation[2], "Manager M");
    r.nDateType[0] = 2, r.dtDate[0] = 40000.0;
    r.nDateType[1] = 1, r.dtDate[1] = 30000.0;
    CopyText(r.szCustomField[9], "tenth value");
    CopyText(r.szCustomLabel[9], "tenth label");
    CopyText(r.szNote, std::string(9000, 'N').c_str());
    CopyText(r.szCategory, std::string(255, 'g').c_str());
    r.dtCreated = 1, r.dtModified = 2;

    RecordPtr<CommAddrRecord> commBlock = Zeroed<CommAddrRecord>();
    CommAddrRecord* comm = commBlock.get();
    ASSERT_TRUE(m_util.ConvertToCommon(raw.get(), comm));

    struct Case
    {
        const char* field;
        std::string actual;
        std::string expected;
    };
    const Case cases[] = {
        {"First Name", comm->szFirstName, std::string(31, 'f')},
        {"Company", comm->szCompany, std::string(63, 'c')},
        {"Title", comm->szTitle, std::string(31, 't')},
        {"Email (no Work e-mail: the primary)", comm->szEmail, "primary@example.com"},
        {"Email 2", comm->szEmail2, "home@example.com"},
        {"Email 3", comm->szEmail3, "other@example.com"},
        {"(Work) Street, not the whole address", comm->work.szStreet, std::string(127, 's')},
        {"(Work) Postal", comm->work.szPostal, std::string(15, 'p')},
        {"(Work) State", comm->work.szState, "NY"},
        {"Work Neighborhood", comm->work.szNeighborhood, std::string(31, 'n')},
        {"(Home) City", comm->home.szCity, "Home City"},
        {"(Other) City", comm->other.szCity, ""},
        {"Home Phone", comm->szHomePhone, "h"},
        {"Work Phone", comm->szWorkPhone, "w"},
        {"Mobile Phone", comm->szMobilePhone, "m"},
        {"Home Fax", comm->szHomeFax, "fh"},
        {"Work Fax", comm->szWorkFax, "fw"},
        {"Pager", comm->szPager, "pg"},
        {"Other Phone", comm->szOtherPhone, "o"},
        {"Primary Phone", comm->szPrimaryPhone, std::string(23, '9')},
        {"IM 1", comm->szIM1, "gtalk-id"},
        {"IM 2", comm->szIM2, "msn-id"},
        {"Spouse Name", comm->szSpouseName, "Spouse S"},
        {"Manager Name", comm->szManagerName, "Manager M"},
        {"Assistant Name", comm->szAssistantName, "Assistant A"},
        {"Custom 10", comm->szCustom[9], "tenth value"},
        {"Custom Label 10", comm->szCustomLabel[9], "tenth label"},
        {"Note", comm->szNote, std::string(8191, 'N')},
        {"Category", comm->szCategory, std::string(255, 'g')},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.actual) << c.field;
    EXPECT_EQ(30000.0, comm->dtBirthday);
    EXPECT_EQ(40000.0, comm->dtAnniversary);
    EXPECT_EQ(SOURCE_GOOGLE, comm->nSourceType);
    EXPECT_EQ(0.0, comm->dtCreated);
    EXPECT_EQ(0.0, comm->dtModified);
    // The raw record keeps every character.
    EXPECT_EQ(40u, std::strlen(r.szFirstName));

    // With a Work e-mail the primary one is not used.
    r.nEmailType[2] = 2, CopyText(r.szEmail[2], "work@example.com");
    std::memset(comm, 0, sizeof(CommAddrRecord));
    ASSERT_TRUE(m_util.ConvertToCommon(raw.get(), comm));
    EXPECT_STREQ("work@example.com", comm->szEmail);
}

TEST_F(CxGAddrUtilTest, ConvertToCommonRefusesNullRecords)
{
    RecordPtr<GAddrRecord> raw = NewContact();
    EXPECT_FALSE(m_util.ConvertToCommon(raw.get(), nullptr));
    EXPECT_FALSE(m_util.ConvertToCommon(nullptr, nullptr));
    EXPECT_TRUE(LogHas("Invalid parameter to convert Google Contact record to Common Contact record."));
}

TEST_F(CxGAddrUtilTest, LoadHandsTheHelperTheContactsParameterFile)
{
    UseHelper("");
    m_util.SetEmail("ann@example.com");
    m_util.SetPassword("secret");
    m_util.SetLogFolder("/logs/");
    m_util.SetLogLevel(2);
    m_util.SetDebugEnabled(true);
    m_util.Load();

    const std::pair<int32_t, std::string> entries[] = {
        {1000, "ann@example.com"},
        {1001, "secret"},
        {1002, "GAddr.dat"},
        {1003, m_dir.path()},
        {1005, "1"},
        {1004, ""},
        {1009, "GAddrErr.dat"},
        {1010, "GAddrStatus.dat"},
        {1013, "/logs/"},
        {1014, "appdebug.log"},
        {1015, "2"},
        {1016, "1"},
    };
    std::string expected = Int32(12);
    for (const auto& [key, text] : entries)
        expected += Int32(key) + Int32(8) + Text(text);
    EXPECT_EQ(expected, TempDir::ReadFile(m_dir.file("GAddrParam.dat")));
    EXPECT_EQ("op=1 data=GAddr.dat cwd=" + ProgramCwd() + "\n", Runs());
}

TEST_F(CxGAddrUtilTest, LoadReadsWhatTheHelperWrote)
{
    TempDir::WriteFile(m_dir.file("fetched.dat"),
                       ContactFile({ContactImage::Patterned(1), ContactImage::Patterned(2)}));
    UseHelper("data fetched.dat\n");
    ASSERT_TRUE(m_util.Load());
    EXPECT_EQ(2u, m_util.GetAddrMgr()->GetRecordCount());
    EXPECT_EQ(1, m_util.m_nOperation);

    const std::vector<std::string> messages = LogMessages(Log());
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ("Start loading Google Contacts.", messages.front());
    EXPECT_EQ("Load Google Contacts successfully.", messages.back());
    EXPECT_TRUE(LogHas("There are 2 Contact records in total."));

    // A second load replaces the records of the first.
    TempDir::WriteFile(m_dir.file("fetched.dat"), ContactFile({ContactImage::Patterned(3)}));
    ASSERT_TRUE(m_util.Load());
    ASSERT_EQ(1u, m_util.GetAddrMgr()->GetRecordCount());
    EXPECT_STREQ("s3f3", Contacts().at(0)->szFirstName);
}

TEST_F(CxGAddrUtilTest, FailedHelperNeverLeavesTheContactsOfAnEarlierRun)
{
    ForEachHelperFailure("Ombracon.exe", [](const TempDir& work, bool helperPresent) {
        CxGAddrUtil util;
        util.SetWorkFolder(work.path().c_str());
        TempDir::WriteFile(work.file("GAddr.dat"), ContactFile({ContactImage::Patterned(9)}));

        EXPECT_FALSE(util.Load());
        EXPECT_EQ(0u, util.GetAddrMgr()->GetRecordCount());
        EXPECT_EQ(helperPresent, util.m_bHasError);
    });
    EXPECT_TRUE(LogHas("Error loading Google Contacts."));
}

TEST_F(CxGAddrUtilTest, SaveWritesMarksAndRunsTheHelperOnceWithOperationTwo)
{
    std::vector<ContactImage> images;
    for (int seed = 1; seed <= 5; ++seed)
        images.push_back(ContactImage::Patterned(seed));
    TempDir::WriteFile(m_dir.file("fetched.dat"), ContactFile(images));
    UseHelper("data fetched.dat\n");
    ASSERT_TRUE(m_util.Load());
    // The helper's copy of the saved file shows what it was asked to delete.
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "");

    const std::vector<GAddrRecord*> contacts = Contacts();
    m_util.MarkDeleted(contacts[0]->pCommRecord);
    m_util.MarkDeleted(contacts[4]->pCommRecord);
    ASSERT_TRUE(m_util.Save());
    images[0].Set(2, 0, int32_t{3});
    images[4].Set(2, 0, int32_t{3});
    EXPECT_EQ(ContactFile(images), TempDir::ReadFile(m_dir.file("GAddr.dat")));
    EXPECT_EQ("op=1 data=GAddr.dat cwd=" + ProgramCwd() + "\nop=2 data=GAddr.dat cwd=" + ProgramCwd() + "\n", Runs());
    EXPECT_FALSE(m_util.m_bModified);

    // Nothing new marked: nothing written, no helper run.
    platform::DeleteFile(m_dir.file("GAddr.dat").c_str());
    EXPECT_TRUE(m_util.Save());
    EXPECT_FALSE(WorkFileExists("GAddr.dat"));
    EXPECT_EQ(2u, Lines(Runs()).size());
}

TEST_F(CxGAddrUtilTest, SaveThatCannotCreateTheDataFileKeepsTheMarks)
{
    UseHelper("");
    TempDir::WriteFile(m_dir.file("GAddr.dat"), ContactFile({ContactImage::Patterned(1)}));
    ASSERT_TRUE(m_util.LoadDataFile());
    ASSERT_TRUE(m_util.MarkDeleted(Contacts().at(0)->pCommRecord));
    m_util.SetWorkFolder(m_dir.file("no-such-folder/").c_str());

    EXPECT_FALSE(m_util.Save());
    EXPECT_TRUE(m_util.m_bModified);
    EXPECT_EQ(3, Contacts().at(0)->ActionCode);
    EXPECT_EQ("", Runs());
    EXPECT_TRUE(LogHas("Failed to open file: " + m_dir.file("no-such-folder/GAddr.dat")));
    EXPECT_TRUE(LogHas("Failed to save Contacts record information to temperary file."));
}

TEST_F(CxGAddrUtilTest, SaveThatCannotWriteTheWholeFileRunsNoHelper)
{
    // A full disk: the file is created but not all of it lands. The helper must not take what did
    // land for the list of contacts to delete.
    UseHelper("");
    std::vector<ContactImage> images(3, ContactImage::Patterned(1));
    for (ContactImage& image : images)
        image.Set(33, 0, std::string(10000, 'n'));
    TempDir::WriteFile(m_dir.file("GAddr.dat"), ContactFile(images));
    ASSERT_TRUE(m_util.LoadDataFile());
    ASSERT_TRUE(m_util.MarkDeleted(Contacts().at(2)->pCommRecord));
    {
        FileSizeLimit limit(16384);
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(m_util.Save());
    }
    EXPECT_TRUE(m_util.m_bModified);
    EXPECT_EQ("", Runs());
    EXPECT_TRUE(LogHas("Failed to write file: " + m_dir.file("GAddr.dat")));
    EXPECT_TRUE(LogHas("Failed to save Contacts record information to temperary file."));
}

TEST_F(CxGAddrUtilTest, MarkDeletedNeedsARecordAndMarksOnlyAnAttachedContact)
{
    ExpectMarkDeletedNeedsAnAttachedRecord<CommAddrRecord>(m_util);
}

TEST_F(CxGAddrUtilTest, ResetReleasesTheRecordsAndTheHelpersReports)
{
    TempDir::WriteFile(m_dir.file("GAddr.dat"), ContactFile({ContactImage::Patterned(1)}));
    TempDir::WriteFile(m_dir.file("GAddrErr.dat"), "[Error]\n");
    TempDir::WriteFile(m_dir.file("GAddrStatus.dat"), "Working\n");
    ASSERT_TRUE(m_util.LoadDataFile());
    EXPECT_TRUE(m_util.Reset());
    EXPECT_EQ(0u, m_util.GetAddrMgr()->GetRecordCount());
    EXPECT_FALSE(WorkFileExists("GAddrErr.dat"));
    EXPECT_FALSE(WorkFileExists("GAddrStatus.dat"));
    EXPECT_TRUE(WorkFileExists("GAddr.dat"));
}

TEST_F(CxGAddrUtilTest, DestructionAsksARunningHelperToStop)
{
    ExpectDestructionAsksARunningHelperToStop<CxGAddrUtil>("GAddrData.ini");
}

namespace {

// The entries of the last run's parameter file as the stand-in helper saw them: "key|type|value".
std::vector<std::string> SeenParams(const TempDir& dir)
{
    return Lines(TempDir::ReadFile(dir.file("HelperSeen.txt")));
}

std::vector<std::string> SeenKeys(const TempDir& dir)
{
    std::vector<std::string> keys;
    for (const std::string& entry : SeenParams(dir))
        keys.push_back(entry.substr(0, entry.find('|')));
    return keys;
}

} // namespace

TEST_F(CxGAddrUtilTest, ListTrashReadsTheRecordsWithTheirDeletionTimesAndTheTrashSize)
{
    TempDir::WriteFile(m_dir.file("listed.dat"), ContactFile({ContactImage::Patterned(1), ContactImage::Patterned(2),
                                                              ContactImage::Patterned(3)}));
    // A data file left by an earlier run must not pass for this listing's.
    TempDir::WriteFile(m_dir.file("GAddr.dat"), ContactFile({ContactImage::Patterned(9)}));
    UseHelper("data listed.dat\ntrash-time 2026-12-11 16:20:01\ntrash-time 2026-12-11 09:00:00\n"
              "trash-time 2026-12-09\ntrash-size 34567 4\n");
    ASSERT_TRUE(m_util.ListTrash());
    EXPECT_EQ(OP_LIST_TRASH, m_util.m_nOperation);
    EXPECT_EQ("op=4 data=GAddr.dat cwd=" + ProgramCwd() + "\n", Runs());
    const std::vector<GAddrRecord*> contacts = Contacts();
    ASSERT_EQ(3u, contacts.size());
    EXPECT_STREQ("s1f3", contacts[0]->szFirstName);
    const char* expected[] = {"2026-12-11 16:20:01", "2026-12-11 09:00:00", "2026-12-09"};
    for (size_t i = 0; i < contacts.size(); ++i)
        EXPECT_STREQ(expected[i], m_util.DeletedAtOf(contacts[i]->pCommRecord));
    EXPECT_EQ(34567u, m_util.m_trash.nBytes);
    EXPECT_EQ(4u, m_util.m_trash.nFiles);
    EXPECT_EQ(nullptr, m_util.DeletedAtOf(nullptr));

    // The listing's key order is the load's.
    const std::vector<std::string> listingKeys = SeenKeys(m_dir);
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "data listed.dat\n");
    ASSERT_TRUE(m_util.Load());
    EXPECT_EQ(listingKeys, SeenKeys(m_dir));
    // A load is no listing: its records have no deletion time.
    EXPECT_EQ(nullptr, m_util.DeletedAtOf(Contacts().at(0)->pCommRecord));
}

TEST_F(CxGAddrUtilTest, FailedListingSaysWhyAndListsNothing)
{
    TempDir::WriteFile(m_dir.file("listed.dat"), ContactFile({ContactImage::Patterned(1)}));
    UseHelper("data listed.dat\nerror The trash folder cannot be read\n");
    EXPECT_FALSE(m_util.ListTrash());
    EXPECT_EQ(0u, m_util.GetAddrMgr()->GetRecordCount());
    EXPECT_TRUE(m_util.m_bHasError);
    EXPECT_STREQ("The trash folder cannot be read", m_util.m_szLastError);
    EXPECT_STREQ("The trash folder cannot be read", m_util.m_szTrashError);
    EXPECT_FALSE(m_util.m_bHasTrashReport);
    EXPECT_TRUE(LogHas("Error listing the deleted Google Contacts."));
}

TEST_F(CxGAddrUtilTest, ListingWhoseTrashSectionIsNotWholeCountsAsNone)
{
    struct Case
    {
        const char* name;
        const char* result;
    };
    const Case cases[] = {
        {"no size", "[Trash]\nTrash.Count=2\nRecord.1=2026-12-11 10:00:00\nRecord.2=2026-12-11\n"},
        {"count short", "[Trash]\nTrash.Count=1\nTrash.Bytes=1\nTrash.Files=1\nRecord.1=2026-12-11\n"},
        {"a record without time", "[Trash]\nTrash.Count=2\nTrash.Bytes=1\nTrash.Files=1\nRecord.1=2026-12-11\n"
                                  "Record.3=2026-12-11\n"},
        {"no time but a word", "[Trash]\nTrash.Count=2\nTrash.Bytes=1\nTrash.Files=1\nRecord.1=yesterday\n"
                               "Record.2=2026-12-11\n"},
        {"time cut short", "[Trash]\nTrash.Count=2\nTrash.Bytes=1\nTrash.Files=1\nRecord.1=2026-12-11 10:0\n"
                           "Record.2=2026-12-11\n"},
        {"a save's report", "[Result]\nResult.Count=2\nRecord.1=Deleted\nRecord.2=Deleted\n"},
        {"bytes not a number", "[Trash]\nTrash.Count=2\nTrash.Bytes=many\nTrash.Files=1\nRecord.1=2026-12-11\n"
                               "Record.2=2026-12-11\n"},
    };
    TempDir::WriteFile(m_dir.file("listed.dat"), ContactFile({ContactImage::Patterned(1), ContactImage::Patterned(2)}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir::WriteFile(m_dir.file("report.ini"), c.result);
        UseHelper("data listed.dat\nresult report.ini\n");
        EXPECT_FALSE(m_util.ListTrash());
        EXPECT_FALSE(m_util.m_bHasTrashReport);
        ASSERT_EQ(2u, Contacts().size());
        EXPECT_EQ(nullptr, m_util.DeletedAtOf(Contacts()[0]->pCommRecord));
        std::filesystem::remove(m_programs.file("Ombracon.exe"));
    }
    // The same file whole is read.
    TempDir::WriteFile(m_dir.file("report.ini"),
                       "[Trash]\nTrash.Count=2\nTrash.Bytes=1\nTrash.Files=1\nRecord.1=2026-12-11 10:00:01\n"
                       "Record.2=2026-12-11\n");
    UseHelper("data listed.dat\nresult report.ini\n");
    EXPECT_TRUE(m_util.ListTrash());
}

TEST_F(CxGAddrUtilTest, RestoreWritesTheChosenMarksAndReadsTheVerdicts)
{
    std::vector<ContactImage> images;
    for (int seed = 1; seed <= 4; ++seed) {
        images.push_back(ContactImage::Patterned(seed));
        images.back().Set(2, 0, int32_t{1});
    }
    TempDir::WriteFile(m_dir.file("listed.dat"), ContactFile(images));
    UseHelper("data listed.dat\n");
    ASSERT_TRUE(m_util.ListTrash());
    TempDir::WriteFile(m_dir.file("HelperScript.txt"),
                       "refuse 3 the trash file changed since the listing\n"
                       "restore-note 4 as contacts/a-1.vcf, since contacts/a.vcf is taken\n");
    const std::vector<GAddrRecord*> contacts = Contacts();
    for (int i : {0, 2, 3})
        m_util.MarkDeleted(contacts[i]->pCommRecord);
    ASSERT_TRUE(m_util.Restore());
    EXPECT_EQ(OP_RESTORE, m_util.m_nOperation);
    for (int i : {0, 2, 3})
        images[i].Set(2, 0, int32_t{3});
    EXPECT_EQ(ContactFile(images), TempDir::ReadFile(m_dir.file("GAddr.dat")));
    EXPECT_EQ(2u, Lines(Runs()).size());
    EXPECT_NE(std::string::npos, Runs().find("op=3 data=GAddr.dat"));

    ASSERT_TRUE(m_util.m_bHasSaveResults);
    const SaveRecordResult* first = m_util.SaveResultOf(contacts[0]->pCommRecord);
    ASSERT_NE(nullptr, first);
    EXPECT_TRUE(first->bRestored);
    EXPECT_FALSE(first->bDeleted);
    EXPECT_STREQ("", first->szNote);
    EXPECT_EQ(nullptr, m_util.SaveResultOf(contacts[1]->pCommRecord));
    const SaveRecordResult* refused = m_util.SaveResultOf(contacts[2]->pCommRecord);
    ASSERT_NE(nullptr, refused);
    EXPECT_FALSE(refused->bRestored);
    EXPECT_STREQ("the trash file changed since the listing", refused->szReason);
    const SaveRecordResult* moved = m_util.SaveResultOf(contacts[3]->pCommRecord);
    ASSERT_NE(nullptr, moved);
    EXPECT_TRUE(moved->bRestored);
    EXPECT_STREQ("as contacts/a-1.vcf, since contacts/a.vcf is taken", moved->szNote);
}

TEST_F(CxGAddrUtilTest, RestoreReportThatIsNotARestoresCountsAsNone)
{
    struct Case
    {
        const char* name;
        const char* result;
    };
    const Case cases[] = {
        {"a save's verdicts", "[Result]\nResult.Count=1\nRecord.1=Deleted\n"},
        {"a save's refusal", "[Result]\nResult.Count=1\nRecord.1=Not deleted: no\n"},
        {"an unknown verdict", "[Result]\nResult.Count=1\nRecord.1=Restoredish\n"},
        {"count missing", "[Result]\nRecord.1=Restored\n"},
        {"cut inside the verdicts", "[Result]\nResult.Count=2\nRecord.1=Restored\n"},
    };
    TempDir::WriteFile(m_dir.file("listed.dat"), ContactFile({ContactImage::Patterned(1), ContactImage::Patterned(2)}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UseHelper("data listed.dat\n");
        ASSERT_TRUE(m_util.ListTrash());
        TempDir::WriteFile(m_dir.file("report.ini"), c.result);
        TempDir::WriteFile(m_dir.file("HelperScript.txt"), "result report.ini\n");
        m_util.MarkDeleted(Contacts()[0]->pCommRecord);
        ASSERT_TRUE(m_util.Restore());
        EXPECT_FALSE(m_util.m_bHasSaveResults);
        EXPECT_EQ(nullptr, m_util.SaveResultOf(Contacts()[0]->pCommRecord));
        std::filesystem::remove(m_programs.file("Ombracon.exe"));
    }
    // A save's reader does not take a restore's verdicts either.
    UseHelper("data listed.dat\n");
    ASSERT_TRUE(m_util.Load());
    TempDir::WriteFile(m_dir.file("report.ini"), "[Result]\nResult.Count=1\nRecord.1=Restored\n");
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "result report.ini\n");
    m_util.MarkDeleted(Contacts()[0]->pCommRecord);
    ASSERT_TRUE(m_util.Save());
    EXPECT_FALSE(m_util.m_bHasSaveResults);
}

TEST_F(CxGAddrUtilTest, EmptyTrashHandsOverTheDaysAndReadsWhatIsLeft)
{
    UseHelper("trash-removed 5\ntrash-size 1200 2\n");
    ASSERT_TRUE(m_util.EmptyTrash(30));
    EXPECT_EQ(OP_EMPTY_TRASH, m_util.m_nOperation);
    EXPECT_EQ(5u, m_util.m_trash.nRemoved);
    EXPECT_EQ(1200u, m_util.m_trash.nBytes);
    EXPECT_EQ(2u, m_util.m_trash.nFiles);
    const std::vector<std::string> seen = SeenParams(m_dir);
    EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), "1004|8|30"));
    EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), "1005|8|5"));
    const std::vector<std::string> emptyingKeys = SeenKeys(m_dir);

    // The days go with the emptying only; the key order is the load's.
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "");
    m_util.Load();
    const std::vector<std::string> loadSeen = SeenParams(m_dir);
    EXPECT_NE(loadSeen.end(), std::find(loadSeen.begin(), loadSeen.end(), "1004|8|"));
    EXPECT_EQ(emptyingKeys, SeenKeys(m_dir));

    // A helper that fails, or says nothing of what is left, empties nothing the app can report.
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "error Days out of range\n");
    EXPECT_FALSE(m_util.EmptyTrash(0));
    EXPECT_STREQ("Days out of range", m_util.m_szTrashError);
    TempDir::WriteFile(m_dir.file("report.ini"), "[Trash]\nTrash.Bytes=1\nTrash.Files=1\n");
    TempDir::WriteFile(m_dir.file("HelperScript.txt"), "result report.ini\n");
    EXPECT_FALSE(m_util.EmptyTrash(7));
    EXPECT_FALSE(m_util.m_bHasTrashReport);
}
