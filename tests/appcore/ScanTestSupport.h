// What the duplicate scan tests of every kind of record share: the rule switches, the records a list
// holds and their marks, and a fixture that loads records the way the loader does. The scan, the group
// search and the walk are one piece of code for all kinds, so the checks of it live here once and each
// kind's test runs them through its own entry points.
#pragma once

#include "app/core/AppSettings.h"
#include "common/google/records/CxGItemRecord.h"
#include "common/misc/CxList.h"
#include "common/misc/TextBuf.h"
#include "tests/support/TempDir.h"
#include "tests/support/ZeroedRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <vector>

using RuleFlag = bool TAppSettings::*;

// Turns on the options in on and every other option in flags off.
inline void SetRule(std::span<const RuleFlag> flags, std::span<const RuleFlag> on)
{
    for (RuleFlag flag : flags)
        AppSettings.*flag = false;
    for (RuleFlag flag : on)
        AppSettings.*flag = true;
}

inline void SetRule(std::span<const RuleFlag> flags, std::initializer_list<RuleFlag> on)
{
    SetRule(flags, std::span<const RuleFlag>(on.begin(), on.size()));
}

// The records a duplicate list holds, in its order.
template <class Record>
std::vector<Record*> ListRecords(CxList& list)
{
    std::vector<Record*> out;
    for (void* p = list.GetFirst(); p; p = list.GetNext())
        out.push_back(static_cast<Record*>(p));
    return out;
}

// One difference between otherwise equal, fully filled records, and the option that compares it
// (null: no option does).
template <class Record>
struct FieldChange
{
    const char* what;
    RuleFlag option;
    void (*apply)(Record&);
};

// The times of two otherwise equal records, and whether the first counts as newer. Every kind keeps
// the newer record by the same times, so every kind must pass them all.
struct NewerCase
{
    const char* what;
    double modifiedA, createdA, modifiedB, createdB;
    bool newer;
};

inline constexpr NewerCase kNewerCases[] = {
    {"later modification", 200, 1, 100, 900, true},
    {"earlier modification", 100, 900, 200, 1, false},
    {"equal modification", 100, 900, 100, 1, false},
    {"a modified, b not", 100, 1, 0, 900, true},
    {"neither modified, a created later", 0, 200, 0, 100, true},
    {"neither modified, a created earlier", 0, 100, 0, 200, false},
    {"neither modified, equal creation", 0, 100, 0, 100, false},
    {"no times at all", 0, 0, 0, 0, false},
    {"a not modified, created after b's modification", 0, 300, 200, 900, true},
    {"a not modified, created at b's modification", 0, 200, 200, 900, false},
    {"a not modified, created before b's modification", 0, 100, 200, 1, false},
    {"a's modification below the unset bound is still compared first", 0.000005, 0, 0, 900, true},
    {"b's modification below the unset bound counts as unset", 0, 200, 0.000005, 100, true},
    {"b's tiny modification: creation against creation", 0, 100, 0.000005, 200, false},
};

template <size_t N>
void CopyString(char (&dst)[N], const std::string& text)
{
    CopyText(dst, text.c_str());
}

// Random choices for generated records, the same on every platform (the engine's output is fixed by
// the standard; the distributions are not, so none is used).
class Dice
{
public:
    explicit Dice(uint32_t seed)
        : m_engine(seed)
    {}
    uint32_t Roll(uint32_t sides) { return static_cast<uint32_t>(m_engine() % sides); }
    bool OneIn(uint32_t n) { return Roll(n) == 0; }

    // text, or one of the near misses a real account holds: only the case different, a trailing
    // blank, one character different, or the field empty.
    std::string NearMiss(const std::string& text)
    {
        std::string out = text;
        switch (Roll(5)) {
        case 0:
            for (char& c : out)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            break;
        case 1:
            out += ' ';
            break;
        case 2:
            if (!out.empty())
                out[Roll(static_cast<uint32_t>(out.size()))] ^= 1;
            break;
        case 3:
            out.clear();
            break;
        default:
            break;
        }
        return out;
    }

    // The dates the rule must tell apart or not: unset, negative zero (equal to unset), a negative
    // day, a day and a day a hair later, and NaN (equal to nothing).
    double Date()
    {
        static const double kDates[] = {0.0,      -0.0,         -3.5,
                                        45000.25, 45000.250001, std::numeric_limits<double>::quiet_NaN()};
        return kDates[Roll(std::size(kDates))];
    }
    // Few distinct times, so equal modification and creation times come up often.
    double Time() { return static_cast<double>(Roll(3)) * 100.0; }

private:
    std::mt19937 m_engine;
};

// Rules for holding the one-pass scan against the pairwise one: each option alone, none, all, and
// mixed sets drawn from the dice.
inline std::vector<std::vector<RuleFlag>> DifferentialRules(std::span<const RuleFlag> flags, Dice& dice)
{
    std::vector<std::vector<RuleFlag>> rules = {{}, {flags.begin(), flags.end()}};
    for (RuleFlag flag : flags)
        rules.push_back({flag});
    for (int n = 0; n < 6; ++n) {
        std::vector<RuleFlag> rule;
        for (RuleFlag flag : flags)
            if (dice.OneIn(2))
                rule.push_back(flag);
        rules.push_back(rule);
    }
    return rules;
}

// Kind names one kind of record and its scan:
//   Record, Common, Util                  the raw record, its common record, the utility holding both;
//   Mgr(util)                             the utility's common record manager;
//   UtilPointer(), ListPointer()          the service set's pointers the scan reads;
//   RuleFlags(), SetDefaultRule()         the options the kind's rule reads, and a new user's rule;
//   Attach(raw, common)                   what else the loader links when it adds a record;
//   First, Next, SetCurrent, IsSame, IsNewer, MarkGroup, Scan   the kind's entry points;
//   ScanPairwise                          the reference scan (kinds whose rule can match).
template <class Kind>
class DupScanTest : public ::testing::Test
{
protected:
    using Record = typename Kind::Record;
    using Common = typename Kind::Common;
    using Records = std::vector<Record*>;

    void SetUp() override
    {
        Kind::SetDefaultRule();
        m_util = std::make_unique<typename Kind::Util>();
        m_util->SetWorkFolder(m_dir.path().c_str());
        Kind::UtilPointer() = m_util.get();
        Kind::ListPointer() = &m_dupList;
    }

    void TearDown() override
    {
        Kind::UtilPointer() = nullptr;
        Kind::ListPointer() = nullptr;
        Kind::SetDefaultRule();
    }

    // Adds a record the way the loader does: a raw copy, and a common record borrowing it.
    Record* Add(const Record& rec)
    {
        Record* raw = m_util->AddRecord(&rec);
        if (!raw) {
            ADD_FAILURE() << "AddRecord failed";
            return nullptr;
        }
        RecordPtr<Common> comm = Zeroed<Common>();
        comm->pAttach = raw;
        m_nodes.push_back(Kind::Mgr(*m_util)->AddCopy(comm.get()));
        EXPECT_NE(nullptr, m_nodes.back());
        Kind::Attach(raw, m_nodes.back());
        return raw;
    }

    void Clear()
    {
        Kind::Mgr(*m_util)->RemoveAllRecords();
        m_nodes.clear();
    }

    Records DupList() { return ListRecords<Record>(m_dupList); }

    static std::vector<uint32_t> Flags(const Records& records)
    {
        std::vector<uint32_t> out;
        for (const Record* r : records)
            out.push_back(r->dwFlags);
        return out;
    }

    static void ExpectNullRecordsAreNeitherSameNorNewer(const Record* a)
    {
        EXPECT_FALSE(Kind::IsSame(a, nullptr));
        EXPECT_FALSE(Kind::IsSame(nullptr, a));
        EXPECT_FALSE(Kind::IsSame(nullptr, nullptr));
        EXPECT_FALSE(Kind::IsNewer(a, nullptr));
        EXPECT_FALSE(Kind::IsNewer(nullptr, a));
        EXPECT_FALSE(Kind::IsNewer(nullptr, nullptr));
    }

    // make(modified, created) gives a record; all it makes are equal but for those times.
    template <class Make>
    static void ExpectNewerByModificationElseByCreationTime(Make make)
    {
        for (const NewerCase& c : kNewerCases) {
            SCOPED_TRACE(c.what);
            auto a = make(c.modifiedA, c.createdA);
            auto b = make(c.modifiedB, c.createdB);
            EXPECT_EQ(c.newer, Kind::IsNewer(a.get(), b.get()));
        }
    }

    // Each option on alone, then all of them together: a copy of base with one change is the same
    // record, either way round, unless an option that is on compares the change. hasEvidence says
    // whether base holds under the rule what sameness needs at all.
    static void ExpectEachOptionComparesItsFields(const Record& base, std::span<const FieldChange<Record>> changes,
                                                  bool (*hasEvidence)(const std::vector<RuleFlag>& rule))
    {
        const std::span<const RuleFlag> flags = Kind::RuleFlags();
        std::vector<std::vector<RuleFlag>> rules;
        for (RuleFlag flag : flags)
            rules.push_back({flag});
        rules.emplace_back(flags.begin(), flags.end());

        RecordPtr<Record> changed = Zeroed<Record>();
        for (size_t n = 0; n < rules.size(); ++n) {
            const std::vector<RuleFlag>& rule = rules[n];
            SCOPED_TRACE("rule " + std::to_string(n) + " (" + std::to_string(rule.size()) + " options on)");
            SetRule(flags, rule);
            const bool evidence = hasEvidence(rule);
            EXPECT_EQ(evidence, Kind::IsSame(&base, &base));
            for (const FieldChange<Record>& change : changes) {
                SCOPED_TRACE(change.what);
                std::memcpy(changed.get(), &base, sizeof(Record));
                change.apply(*changed);
                bool compared = false;
                for (RuleFlag flag : rule)
                    compared = compared || flag == change.option;
                EXPECT_EQ(evidence && !compared, Kind::IsSame(&base, changed.get()));
                EXPECT_EQ(evidence && !compared, Kind::IsSame(changed.get(), &base));
            }
        }
    }

    // a, b and c were added in this order.
    void ExpectWalkFollowsManagerOrderAndRestoresTheCursor(Record* a, Record* b, Record* c)
    {
        EXPECT_EQ(a, Kind::First());
        EXPECT_EQ(b, Kind::Next());
        EXPECT_EQ(c, Kind::Next());
        EXPECT_EQ(nullptr, Kind::Next());
        EXPECT_EQ(m_nodes, (std::vector<Common*>{a->pMgrNode, b->pMgrNode, c->pMgrNode}));

        Kind::SetCurrent(a);
        EXPECT_EQ(b, Kind::Next());
        Kind::SetCurrent(nullptr); // ignored
        EXPECT_EQ(c, Kind::Next());

        Kind::UtilPointer() = nullptr;
        EXPECT_EQ(nullptr, Kind::First());
        EXPECT_EQ(nullptr, Kind::Next());
        Kind::SetCurrent(a);
    }

    // A common record without a record of the kind between two equal records, b the newer and marked
    // before the scan: the walk, and so the scan, stops at it.
    void ExpectCommonRecordWithoutRecordEndsTheWalk(const Record& first, const Record& second)
    {
        Record* a = Add(first);
        RecordPtr<Common> bare = Zeroed<Common>();
        ASSERT_NE(nullptr, Kind::Mgr(*m_util)->AddCopy(bare.get()));
        Record* b = Add(second);
        b->dwFlags = REC_DUPLICATE;

        EXPECT_EQ(a, Kind::First());
        EXPECT_EQ(nullptr, Kind::Next());

        EXPECT_TRUE(Kind::Scan());
        EXPECT_EQ(0u, m_dupList.GetCount());
        EXPECT_EQ(0u, a->dwFlags);
        EXPECT_EQ(uint32_t{REC_DUPLICATE}, b->dwFlags) << "beyond the walk nothing is touched";
        EXPECT_EQ(nullptr, b->pMgrNode);
    }

    // a and b are empty, c and d equal with d the newer.
    void ExpectEmptyRecordsNeverGroupAndARuleWithoutOptionsMatchesNothing(Record* a, Record* b, Record* c, Record* d)
    {
        ASSERT_TRUE(Kind::Scan());
        EXPECT_EQ(Records{c}, DupList());
        EXPECT_EQ((std::vector<uint32_t>{0, 0, REC_DUPLICATE, 0}), Flags({a, b, c, d}));

        SetRule(Kind::RuleFlags(), {});
        ASSERT_TRUE(Kind::Scan());
        EXPECT_EQ(0u, m_dupList.GetCount());
        EXPECT_EQ((std::vector<uint32_t>{0, 0, 0, 0}), Flags({a, b, c, d}));
    }

    // a and b are equal with b the newer, c unlike them.
    void ExpectScanKeepsSelectionAndClearsOldMarks(Record* a, Record* b, Record* c)
    {
        a->dwFlags = REC_SELECTED;
        b->dwFlags = REC_SELECTED | REC_DUPLICATE;
        c->dwFlags = REC_DUPLICATE;
        ASSERT_TRUE(Kind::Scan());
        EXPECT_EQ((std::vector<uint32_t>{REC_SELECTED | REC_DUPLICATE, REC_SELECTED, 0}), Flags({a, b, c}));
        EXPECT_EQ(Records{a}, DupList());
    }

    void ExpectSecondScanGivesTheSameResult(const Records& all, const Records& expectedList)
    {
        ASSERT_TRUE(Kind::Scan());
        const Records firstList = DupList();
        const std::vector<uint32_t> firstFlags = Flags(all);
        EXPECT_EQ(expectedList, firstList);
        ASSERT_TRUE(Kind::Scan());
        EXPECT_EQ(firstList, DupList());
        EXPECT_EQ(firstFlags, Flags(all));
    }

    // stale stands for a record of an earlier load that the list still holds; there are no records now.
    void ExpectScanOfNoRecordsEmptiesTheList(Record* stale)
    {
        m_dupList.Add(stale);
        EXPECT_TRUE(Kind::Scan());
        EXPECT_EQ(0u, m_dupList.GetCount());
    }

    // a and b are equal with b the newer. b is marked and listed first, so a scan that ran would show.
    void ExpectNothingChangesWithoutUtilityOrList(Record* a, Record* b)
    {
        b->dwFlags = REC_DUPLICATE;
        m_dupList.Add(b);

        Kind::UtilPointer() = nullptr;
        EXPECT_FALSE(Kind::Scan());
        EXPECT_EQ(Records{b}, DupList());
        EXPECT_EQ((std::vector<uint32_t>{0, REC_DUPLICATE}), Flags({a, b}));

        Kind::UtilPointer() = m_util.get();
        Kind::ListPointer() = nullptr;
        EXPECT_FALSE(Kind::Scan());
        EXPECT_FALSE(Kind::MarkGroup(a));
        EXPECT_EQ(Records{b}, DupList());
        EXPECT_EQ((std::vector<uint32_t>{0, REC_DUPLICATE}), Flags({a, b}));
    }

    // a, b, c and d were added in this order; b and c are equal with c the newer, a and d unlike them.
    void ExpectGroupSearchRefusesNullOrMarkedStartAndRestoresTheCursor(Record* a, Record* b, Record* c, Record* d)
    {
        EXPECT_FALSE(Kind::MarkGroup(nullptr));
        a->dwFlags = REC_DUPLICATE;
        EXPECT_FALSE(Kind::MarkGroup(a));
        EXPECT_EQ(0u, m_dupList.GetCount());

        // The caller's walk stands on b; after the search it goes on with the record after b.
        EXPECT_EQ(a, Kind::First());
        EXPECT_EQ(b, Kind::Next());
        EXPECT_TRUE(Kind::MarkGroup(b));
        EXPECT_EQ(c, Kind::Next());
        EXPECT_EQ(d, Kind::Next());
        EXPECT_EQ(Records{b}, DupList());
        EXPECT_EQ((std::vector<uint32_t>{REC_DUPLICATE, REC_DUPLICATE, 0, 0}), Flags({a, b, c, d}));
    }

    // Under every rule of rules and both case settings, the scan must leave exactly the marks, the
    // duplicate list (order included) and so the kept records that the pairwise reference leaves.
    // Returns how many records the scans marked in all, so a caller can see its data had duplicates.
    size_t ExpectScanAgreesWithPairwise(const std::vector<std::vector<RuleFlag>>& rules)
    {
        Records all;
        for (Record* r = Kind::First(); r; r = Kind::Next())
            all.push_back(r);
        size_t marked = 0;
        for (size_t n = 0; n < rules.size(); ++n) {
            for (bool caseSensitive : {false, true}) {
                SCOPED_TRACE("rule " + std::to_string(n) + (caseSensitive ? ", case sensitive" : ", any case"));
                SetRule(Kind::RuleFlags(), rules[n]);
                AppSettings.CaseSensitive = caseSensitive;
                EXPECT_TRUE(Kind::ScanPairwise());
                const Records expectedList = DupList();
                const std::vector<uint32_t> expectedFlags = Flags(all);
                EXPECT_TRUE(Kind::Scan());
                EXPECT_EQ(expectedList, DupList());
                EXPECT_EQ(expectedFlags, Flags(all));
                marked += expectedList.size();
            }
        }
        return marked;
    }

    TempDir m_dir;
    std::unique_ptr<typename Kind::Util> m_util;
    CxList m_dupList;
    std::vector<Common*> m_nodes; // in the order Add made them
};
