#include "app/core/NotDuplicates.h"

#include "tests/appcore/ScanKinds.h"
#include "tests/appcore/ScanTestSupport.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

namespace {

class NotDuplicatesStoreTest : public ::testing::Test
{
protected:
    TempDir m_dir;
    std::string m_path = m_dir.path() + "/notduplicates.txt";
    NotDuplicates m_store;
};

} // namespace

TEST_F(NotDuplicatesStoreTest, PairsSurviveASaveAndLoadInEitherOrderOfTheirItems)
{
    ASSERT_TRUE(m_store.Load(m_path)); // no file yet: an empty list
    EXPECT_TRUE(m_store.Pairs().empty());
    EXPECT_TRUE(m_store.Add(PairKind::Contact, "b.vcf", "a.vcf", "Bea <b@x>", "Al\tBundy"));
    EXPECT_TRUE(m_store.Add(PairKind::Event, "Work/a.ics", "Work/b.ics", "Review", "Review"));
    ASSERT_TRUE(m_store.Save());

    NotDuplicates loaded;
    ASSERT_TRUE(loaded.Load(m_path));
    ASSERT_EQ(2u, loaded.Pairs().size());
    // Kept in one order, so the pair is found whichever item a later scan holds first.
    EXPECT_EQ("a.vcf", loaded.Pairs()[0].first);
    EXPECT_EQ("Al Bundy", loaded.Pairs()[0].firstLabel);
    EXPECT_EQ("Bea <b@x>", loaded.Pairs()[0].secondLabel);
    EXPECT_TRUE(loaded.Contains(PairKind::Contact, "a.vcf", "b.vcf"));
    EXPECT_TRUE(loaded.Contains(PairKind::Contact, "b.vcf", "a.vcf"));
    EXPECT_FALSE(loaded.Contains(PairKind::Event, "a.vcf", "b.vcf"));
    EXPECT_TRUE(loaded.Contains(PairKind::Event, "Work/b.ics", "Work/a.ics"));
}

TEST_F(NotDuplicatesStoreTest, PairsThatCannotBeKeptAreRefused)
{
    struct Case
    {
        const char* what;
        const char *a, *b;
    };
    const Case cases[] = {
        {"an item without identity", "", "b.vcf"},
        {"the same item twice", "a.vcf", "a.vcf"},
        {"a tab in an identity", "a\t.vcf", "b.vcf"},
        {"a line break in an identity", "a.vcf", "b\n.vcf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(m_store.Add(PairKind::Contact, c.a, c.b, "", ""));
    }
    EXPECT_TRUE(m_store.Add(PairKind::Contact, "a.vcf", "b.vcf", "", ""));
    EXPECT_FALSE(m_store.Add(PairKind::Contact, "b.vcf", "a.vcf", "", "")) << "known already";
    EXPECT_EQ(1u, m_store.Pairs().size());
}

TEST_F(NotDuplicatesStoreTest, TheFileIsForItsOwnerOnlyAndDamagedLinesAreSkipped)
{
    ::umask(022);
    ASSERT_TRUE(m_store.Load(m_path));
    ASSERT_TRUE(m_store.Add(PairKind::Contact, "a.vcf", "b.vcf", "A", "B"));
    ASSERT_TRUE(m_store.Save());
    struct stat st
    {};
    ASSERT_EQ(0, ::stat(m_path.c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777);

    TempDir::WriteFile(m_path, "contact\ta.vcf\tb.vcf\tA\tB\n"
                               "garbage line\n"
                               "task\tx\ty\tX\tY\n"
                               "contact\tonly\tthree\n"
                               "\n"
                               "event\tc\nd\n"
                               "event\tW/c.ics\tW/d.ics\tC\tD");
    ASSERT_TRUE(m_store.Load(m_path));
    ASSERT_EQ(2u, m_store.Pairs().size());
    EXPECT_EQ(PairKind::Contact, m_store.Pairs()[0].kind);
    EXPECT_EQ(PairKind::Event, m_store.Pairs()[1].kind);
}

TEST_F(NotDuplicatesStoreTest, ForgettingAPairOrItsVanishedItems)
{
    ASSERT_TRUE(m_store.Load(m_path));
    m_store.Add(PairKind::Contact, "a", "b", "", "");
    m_store.Add(PairKind::Contact, "a", "c", "", "");
    m_store.Add(PairKind::Event, "x", "y", "", "");
    EXPECT_FALSE(m_store.KeepPresent(PairKind::Contact, {"a", "b", "c"}));
    EXPECT_TRUE(m_store.KeepPresent(PairKind::Contact, {"a", "b"}));
    EXPECT_FALSE(m_store.Contains(PairKind::Contact, "a", "c"));
    EXPECT_TRUE(m_store.Contains(PairKind::Contact, "a", "b"));
    EXPECT_TRUE(m_store.Contains(PairKind::Event, "x", "y")) << "another kind is left alone";
    m_store.Remove(0);
    EXPECT_FALSE(m_store.Contains(PairKind::Contact, "a", "b"));
    m_store.Remove(5); // out of range: nothing happens
    EXPECT_EQ(1u, m_store.Pairs().size());
}

namespace {

// Contacts as a load leaves them, each with the name its helper gave it, and an empty store.
class KeptApartTest : public DupScanTest<ContactKind>
{
protected:
    void SetUp() override
    {
        DupScanTest<ContactKind>::SetUp();
        g_notDuplicates.Clear();
        ASSERT_TRUE(g_notDuplicates.Load(m_dir.path() + "/notduplicates.txt"));
    }
    void TearDown() override
    {
        g_notDuplicates.Clear();
        DupScanTest<ContactKind>::TearDown();
    }

    GAddrRecord* AddCard(const char* file, double modified)
    {
        RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
        CopyText(r->szDisplayName, "John Doe");
        CopyText(r->szEmail[0], "john@example.org");
        r->dtModified = modified;
        std::string helperText = std::string(file) + "/120:1700000000:abcdef";
        CopyText(r->szHelperText, helperText.c_str());
        return Add(*r);
    }
};

// The scans leave out of a group each record the user said is not a duplicate of the record the
// group keeps, in both matching modes.
class KeptApartScanTest : public KeptApartTest, public ::testing::WithParamInterface<int32_t>
{
protected:
    void SetUp() override
    {
        KeptApartTest::SetUp();
        AppSettings.MatchMode = GetParam();
    }
};

} // namespace

TEST_P(KeptApartScanTest, APairKeptApartIsNeverOfferedAgain)
{
    GAddrRecord* a = AddCard("a.vcf", 100);
    GAddrRecord* b = AddCard("b.vcf", 300); // newest: kept
    GAddrRecord* c = AddCard("c.vcf", 200);
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ((Records{a, c}), DupList());
    EXPECT_EQ(b, a->pKept);
    EXPECT_EQ(b, c->pKept);
    EXPECT_EQ(nullptr, b->pKept);

    ASSERT_TRUE(g_notDuplicates.Add(PairKind::Contact, ContactIdentity(*c), ContactIdentity(*c->pKept),
                                    ContactLabel(*c), ContactLabel(*b)));
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ((Records{a}), DupList());
    EXPECT_EQ(0u, c->dwFlags & REC_DUPLICATE);
    EXPECT_EQ(nullptr, c->pKept);
}

INSTANTIATE_TEST_SUITE_P(BothModes, KeptApartScanTest, ::testing::Values(MATCH_EXACT, MATCH_SMART),
                         [](const auto& mode) { return mode.param == MATCH_SMART ? "Smart" : "Exact"; });

TEST_F(KeptApartTest, PairsOfContactsGoneFromTheAccountAreForgotten)
{
    AddCard("a.vcf", 100);
    AddCard("b.vcf", 200);
    ASSERT_TRUE(g_notDuplicates.Add(PairKind::Contact, "a.vcf", "b.vcf", "", ""));
    ASSERT_TRUE(g_notDuplicates.Add(PairKind::Contact, "a.vcf", "gone.vcf", "", ""));
    ASSERT_TRUE(g_notDuplicates.Add(PairKind::Event, "Work/x.ics", "Work/y.ics", "", ""));
    ForgetVanishedPairs(PairKind::Contact, FirstContact, NextContact, ContactIdentity);

    NotDuplicates saved;
    ASSERT_TRUE(saved.Load(m_dir.path() + "/notduplicates.txt"));
    ASSERT_EQ(2u, saved.Pairs().size());
    EXPECT_EQ("b.vcf", saved.Pairs()[0].second);
    EXPECT_EQ(PairKind::Event, saved.Pairs()[1].kind) << "another kind is left alone";

    // A scan, however often the user rescans, forgets nothing: that is the load's to say.
    Clear();
    ASSERT_TRUE(ScanContactDuplicates());
    EXPECT_EQ(2u, g_notDuplicates.Pairs().size());
}

TEST(NotDuplicatesIdentityTest, ItemsAreKnownByTheirNameNotTheirContent)
{
    RecordPtr<GAddrRecord> contact = Zeroed<GAddrRecord>();
    EXPECT_EQ("", ContactIdentity(*contact));
    CopyText(contact->szHelperText, "jd.vcf/120:1700000000:abcdef");
    EXPECT_EQ("jd.vcf", ContactIdentity(*contact));
    CopyText(contact->szHelperText, "old-helper.vcf");
    EXPECT_EQ("old-helper.vcf", ContactIdentity(*contact));

    RecordPtr<GDateRecord> event = Zeroed<GDateRecord>();
    CopyText(event->szHelperTextC, "Work");
    EXPECT_EQ("", EventIdentity(*event));
    CopyText(event->szHelperTextB, "review.ics/99:1700000000:0123");
    EXPECT_EQ("Work/review.ics", EventIdentity(*event));
}

// The items of an export share its file: each is known by the file and its place in it, so two cards
// of one export can be kept apart like any two.
TEST(NotDuplicatesIdentityTest, ItemsOfOneFileAreKnownApartByTheirPlace)
{
    RecordPtr<GAddrRecord> first = Zeroed<GAddrRecord>();
    RecordPtr<GAddrRecord> second = Zeroed<GAddrRecord>();
    CopyText(first->szHelperText, "export.vcf\\uid=zq/120:1700000000:0123456789abcdef");
    CopyText(second->szHelperText, "export.vcf\\uid=zq;2/120:1700000000:0123456789abcdef");
    EXPECT_EQ("export.vcf\\uid=zq", ContactIdentity(*first));
    EXPECT_EQ("export.vcf\\uid=zq;2", ContactIdentity(*second));
    NotDuplicates pairs;
    EXPECT_TRUE(pairs.Add(PairKind::Contact, ContactIdentity(*first), ContactIdentity(*second), "Zora", "Zora"));
    EXPECT_TRUE(pairs.Contains(PairKind::Contact, ContactIdentity(*second), ContactIdentity(*first)));

    RecordPtr<GDateRecord> event = Zeroed<GDateRecord>();
    CopyText(event->szHelperTextC, "Work");
    CopyText(event->szHelperTextB, "export.ics\\pos=3;0012abcd/99:1700000000:0123456789abcdef");
    EXPECT_EQ("Work/export.ics\\pos=3;0012abcd", EventIdentity(*event));
}

TEST(NotDuplicatesIdentityTest, LabelsShowNameAndAddressOrSubjectAndStart)
{
    RecordPtr<GAddrRecord> contact = Zeroed<GAddrRecord>();
    CopyText(contact->szFirstName, "John");
    CopyText(contact->szLastName, "Doe");
    CopyText(contact->szEmail[1], "jd@example.org");
    EXPECT_EQ("John Doe <jd@example.org>", ContactLabel(*contact));
    CopyText(contact->szDisplayName, "Johnny");
    CopyText(contact->szEmailPrimary, "primary@example.org");
    EXPECT_EQ("Johnny <primary@example.org>", ContactLabel(*contact));

    RecordPtr<GDateRecord> event = Zeroed<GDateRecord>();
    CopyText(event->szSubject, "Review");
    event->dtStart = 45298.0 + 10.0 / 24; // 7 January 2024, 10:00
    EXPECT_EQ("Review, 01/07/2024 10:00:00", EventLabel(*event));
}
