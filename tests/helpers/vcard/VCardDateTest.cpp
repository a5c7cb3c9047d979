#include "helpers/vcard/VCardDate.h"

#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

std::string Shown(double value)
{
    platform::SystemTime st{};
    if (!VariantTimeToSystemTime(value, &st))
        return "unreadable";
    char text[32];
    FormatText(text, "%04d-%02d-%02d %02d:%02d:%02d", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    return text;
}

struct Case
{
    const char* text;
    const char* expected; // null: rejected
};

TEST(VCardDateTest, ReadsDatesWithAndWithoutYear)
{
    const Case cases[] = {
        {"19850412", "1985-04-12 00:00:00"},
        {"1985-04-12", "1985-04-12 00:00:00"},
        {" 1985-04-12 ", "1985-04-12 00:00:00"},
        {"1985-04-12T10:30:00Z", "1985-04-12 00:00:00"},
        {"--0412", "1604-04-12 00:00:00"},
        {"--04-12", "1604-04-12 00:00:00"},
        {"--0229", "1604-02-29 00:00:00"},
        {"1985-4-12", nullptr},
        {"1985-0412", nullptr},
        {"198504", nullptr},
        {"19850230", nullptr},
        {"--1301", nullptr},
        {"---12", nullptr},
        {"00000101", nullptr},
        {"1985-04-12x", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        double value = -1;
        const bool read = ParseVCardDate(c.text, &value);
        EXPECT_EQ(c.expected != nullptr, read) << c.text;
        EXPECT_EQ(c.expected ? c.expected : "unreadable", read ? Shown(value) : "unreadable") << c.text;
        if (!read) {
            EXPECT_EQ(-1, value) << c.text << ": value changed on failure";
        }
    }
}

TEST(VCardDateTest, TellsDatesThatNameNoDay)
{
    const std::pair<const char*, bool> cases[] = {
        {"1985", true},     {" 1985 ", true},    {"1985-04", true}, {"--04", true},    {"---12", true},
        {"1985-13", false}, {"1985-00", false},  {"--13", false},   {"---32", false},  {"---00", false},
        {"198", false},     {"19850", false},    {"198504", false}, {"1985-4", false}, {"1985-04-12", false},
        {"--0412", false},  {"1985-04x", false}, {"", false},
    };
    for (const auto& [text, dayLess] : cases)
        EXPECT_EQ(dayLess, IsDayLessVCardDate(text)) << text;
}

TEST(VCardDateTest, ReadsTimeStampsAsLocalTime)
{
    ScopedTz tz("XXX-2"); // two hours east of UTC, no daylight saving
    const Case cases[] = {
        {"20240102T030405Z", "2024-01-02 05:04:05"},
        {"2024-01-02T03:04:05Z", "2024-01-02 05:04:05"},
        {"20240102T030405.123Z", "2024-01-02 05:04:05"},
        {"20240102T0304Z", "2024-01-02 05:04:00"},
        {"20231231T230000Z", "2024-01-01 01:00:00"},
        {"20240102T030405+0100", "2024-01-02 04:04:05"},
        {"2024-01-02T03:04:05-05:00", "2024-01-02 10:04:05"},
        {"2024-01-02T03:04:05", "2024-01-02 03:04:05"},
        {"20240102", "2024-01-02 00:00:00"},
        {"--0102", nullptr},
        {"20240230T000000Z", nullptr},
        {"20240102T2400", nullptr},
        {"20240102T25", nullptr},
        {"20240102T030405Q", nullptr},
        {"20240102T030405+1", nullptr},
        {"20240102T", nullptr},
        {"yesterday", nullptr},
    };
    for (const Case& c : cases) {
        double value = -1;
        const bool read = ParseVCardTimestamp(c.text, &value);
        EXPECT_EQ(c.expected ? c.expected : "unreadable", read ? Shown(value) : "unreadable") << c.text;
    }
}

} // namespace
