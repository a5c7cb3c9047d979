#include "helpers/driver/HelperParams.h"

#include "common/google/CxGAppParam.h"
#include "tests/support/ByteImage.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

std::string TextEntry(int32_t key, const std::string& value)
{
    return Int32(key) + Int32(VT_BSTR) + Text(value);
}

std::string NumberEntry(int32_t key, int32_t type, int32_t value)
{
    return Int32(key) + Int32(type) + Int32(value);
}

std::string FileOf(const std::vector<std::string>& entries)
{
    std::string bytes = Int32(static_cast<int32_t>(entries.size()));
    for (const std::string& entry : entries)
        bytes += entry;
    return bytes;
}

// The contacts settings as the app sets them, by key; a test changes or drops some.
std::map<int32_t, std::string> ContactValues()
{
    return {{1000, "me@example.com"},
            {1001, "secret"},
            {1002, "GAddr.dat"},
            {1003, "/work/"},
            {1005, "1"},
            {1004, ""},
            {1009, "GAddrErr.dat"},
            {1010, "GAddrStatus.dat"},
            {1013, "/logs/"},
            {1014, "appdebug.log"},
            {1015, "3"},
            {1016, "1"}};
}

std::string FileOfValues(const std::map<int32_t, std::string>& values)
{
    std::vector<std::string> entries;
    for (const auto& [key, value] : values)
        entries.push_back(TextEntry(key, value));
    return FileOf(entries);
}

// The settings of a kind with the file names the contract gives it.
std::map<int32_t, std::string> ValuesOf(HelperKind kind)
{
    std::map<int32_t, std::string> values = ContactValues();
    const HelperFiles& files = FilesOf(kind);
    values[1002] = files.dataFile;
    if (kind == HelperKind::Calendar)
        values[1008] = kCalendarListFile;
    values[1009] = files.errorFile ? files.errorFile : "";
    values[1010] = files.statusFile ? files.statusFile : "";
    return values;
}

bool Take(const std::string& bytes, HelperKind kind, HelperParams& params, std::string& error)
{
    std::vector<ParamEntry> entries;
    return ParseParamBytes(bytes, entries, error) && TakeHelperParams(entries, kind, params, error);
}

} // namespace

TEST(HelperParamsTest, ReadsTheFileTheAppWrites)
{
    TempDir dir;
    CxGAppParamParser parser;
    // The calendar's keys in the app's order, every value a text.
    const std::vector<std::pair<int32_t, const char*>> values = {{1000, "Me@Example.com"},
                                                                 {1001, "pass word"},
                                                                 {1002, "GDate.dat"},
                                                                 {1003, "/tmp/work/"},
                                                                 {1005, "2"},
                                                                 {1004, ""},
                                                                 {1006, ""},
                                                                 {1007, ""},
                                                                 {1008, "GCal.dat"},
                                                                 {1009, "GDateErr.dat"},
                                                                 {1010, "GDateStatus.dat"},
                                                                 {1013, "/tmp/log/"},
                                                                 {1014, "appdebug.log"},
                                                                 {1015, "2"},
                                                                 {1016, "1"}};
    for (const auto& [key, value] : values)
        ASSERT_TRUE(parser.SetValue(key, VT_BSTR, value));
    ASSERT_TRUE(parser.Save(dir.file("GDateParam.dat").c_str()));

    std::vector<ParamEntry> entries;
    std::string error;
    ASSERT_TRUE(ReadParamFile(dir.file("GDateParam.dat"), entries, error)) << error;
    HelperParams params;
    ASSERT_TRUE(TakeHelperParams(entries, HelperKind::Calendar, params, error)) << error;
    EXPECT_EQ("Me@Example.com", params.email);
    EXPECT_EQ("pass word", params.password);
    EXPECT_EQ("GDate.dat", params.dataFile);
    EXPECT_EQ("/tmp/work/", params.workFolder);
    EXPECT_EQ(OP_SAVE, params.operation);
    EXPECT_EQ("GCal.dat", params.calendarFile);
    EXPECT_EQ("GDateErr.dat", params.errorFile);
    EXPECT_EQ("GDateStatus.dat", params.statusFile);
    EXPECT_EQ("/tmp/log/", params.logFolder);
    EXPECT_EQ("appdebug.log", params.logFile);
    EXPECT_EQ(2, params.logLevel);
    EXPECT_TRUE(params.logEnabled);
}

TEST(HelperParamsTest, AMissingFileIsAFault)
{
    TempDir dir;
    std::vector<ParamEntry> entries;
    std::string error;
    EXPECT_FALSE(ReadParamFile(dir.file("none.dat"), entries, error));
    EXPECT_NE(std::string::npos, error.find("none.dat")) << error;
}

TEST(HelperParamsTest, AFileCutAnywhereIsRefused)
{
    // One entry of each value shape, and one of a type without value bytes.
    const std::string whole = FileOf({TextEntry(1000, "abc"), NumberEntry(1005, VT_I4, 1), Int32(1004) + Int32(7)});
    std::vector<ParamEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseParamBytes(whole, entries, error)) << error;
    ASSERT_EQ(3u, entries.size());
    EXPECT_EQ("abc", entries[0].text);
    EXPECT_EQ(1, entries[1].number);
    EXPECT_EQ(7, entries[2].type);
    for (size_t length = 0; length < whole.size(); ++length) {
        SCOPED_TRACE(length);
        error.clear();
        EXPECT_FALSE(ParseParamBytes(whole.substr(0, length), entries, error));
        EXPECT_NE(std::string::npos, error.find("cut short")) << error;
    }
}

TEST(HelperParamsTest, CountsAndLengthsOutOfBoundsAreRefused)
{
    struct Case
    {
        const char* name;
        std::string bytes;
        const char* fault;
    };
    const Case cases[] = {
        {"count too large", Int32(257) + TextEntry(1000, "a"), "257 entries"},
        {"negative count", Int32(-1), "entries"},
        {"negative text length", Int32(1) + Int32(1000) + Int32(VT_BSTR) + Int32(-1), "-1 bytes"},
        {"text too long", Int32(1) + TextEntry(1000, std::string(1024, 'x')), "1024 bytes"},
        {"key twice", FileOf({TextEntry(1000, "a"), TextEntry(1000, "b")}), "twice"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<ParamEntry> entries;
        std::string error;
        EXPECT_FALSE(ParseParamBytes(c.bytes, entries, error));
        EXPECT_NE(std::string::npos, error.find(c.fault)) << error;
    }
    std::vector<ParamEntry> entries;
    std::string error;
    EXPECT_TRUE(ParseParamBytes(Int32(1) + TextEntry(1000, std::string(1023, 'x')), entries, error)) << error;
}

TEST(HelperParamsTest, NumbersComeAsTextOrAsNumbers)
{
    struct Case
    {
        const char* name;
        std::string operation; // the entry for key 1005
        bool ok;
        int expected;
    };
    const Case cases[] = {
        {"text 1", TextEntry(1005, "1"), true, OP_LOAD},
        {"text +2", TextEntry(1005, "+2"), true, OP_SAVE},
        {"integer", NumberEntry(1005, VT_I4, 2), true, OP_SAVE},
        {"double", NumberEntry(1005, VT_R8, 1), true, OP_LOAD},
        {"boolean", NumberEntry(1005, VT_BOOL, 1), true, OP_LOAD},
        {"restore", TextEntry(1005, "3"), true, OP_RESTORE},
        {"empty the trash", NumberEntry(1005, VT_I4, 5), true, OP_EMPTY_TRASH},
        {"no such operation", TextEntry(1005, "6"), false, 0},
        {"no operation", TextEntry(1005, "0"), false, 0},
        {"trailing junk", TextEntry(1005, "1x"), false, 0},
        {"empty", TextEntry(1005, ""), false, 0},
        {"leading blank", TextEntry(1005, " 1"), false, 0},
        {"beyond 32 bits", TextEntry(1005, "4294967297"), false, 0},
        {"type without value", Int32(1005) + Int32(7), false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::map<int32_t, std::string> values = ContactValues();
        values.erase(1005);
        std::vector<std::string> entries{c.operation};
        for (const auto& [key, value] : values)
            entries.push_back(TextEntry(key, value));
        HelperParams params;
        std::string error;
        EXPECT_EQ(c.ok, Take(FileOf(entries), HelperKind::Contacts, params, error)) << error;
        if (c.ok)
            EXPECT_EQ(c.expected, params.operation);
        else
            EXPECT_NE(std::string::npos, error.find("1005")) << error;
    }
}

TEST(HelperParamsTest, LogSettingsAreClampedAndOptional)
{
    std::map<int32_t, std::string> values = ContactValues();
    values[1015] = "7";
    values[1016] = "0";
    HelperParams params;
    std::string error;
    ASSERT_TRUE(Take(FileOfValues(values), HelperKind::Contacts, params, error)) << error;
    EXPECT_EQ(3, params.logLevel);
    EXPECT_FALSE(params.logEnabled);

    for (const int32_t key : {1009, 1010, 1013, 1014, 1015, 1016})
        values.erase(key);
    values[1002] = "GTask.dat";
    ASSERT_TRUE(Take(FileOfValues(values), HelperKind::Tasks, params, error)) << error;
    EXPECT_EQ("", params.errorFile);
    EXPECT_EQ("", params.logFolder);
    EXPECT_FALSE(params.logEnabled);
}

TEST(HelperParamsTest, MissingKeysAndTextsOfTheWrongTypeAreRefused)
{
    struct Case
    {
        const char* name;
        int32_t key;
        bool drop; // drop the key, else give it as a number
        HelperKind kind;
    };
    const Case cases[] = {
        {"no e-mail", 1000, true, HelperKind::Contacts},
        {"no password", 1001, true, HelperKind::Contacts},
        {"no data file", 1002, true, HelperKind::Notes},
        {"no work folder", 1003, true, HelperKind::Tasks},
        {"no operation", 1005, true, HelperKind::Contacts},
        {"no calendar file", 1008, true, HelperKind::Calendar},
        {"e-mail as number", 1000, false, HelperKind::Contacts},
        {"data file as number", 1002, false, HelperKind::Contacts},
        {"work folder as number", 1003, false, HelperKind::Contacts},
        {"error file as number", 1009, false, HelperKind::Contacts},
        {"log folder as number", 1013, false, HelperKind::Contacts},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::map<int32_t, std::string> values = ValuesOf(c.kind);
        values.erase(c.key);
        std::vector<std::string> entries;
        if (!c.drop)
            entries.push_back(NumberEntry(c.key, VT_I4, 1));
        for (const auto& [key, value] : values)
            entries.push_back(TextEntry(key, value));
        HelperParams params;
        std::string error;
        EXPECT_FALSE(Take(FileOf(entries), c.kind, params, error));
        EXPECT_NE(std::string::npos, error.find(std::to_string(c.key))) << error;
        EXPECT_NE(std::string::npos, error.find(c.drop ? "missing" : "not a text")) << error;
    }
    // Only the calendar needs its calendar file.
    HelperParams params;
    std::string error;
    EXPECT_TRUE(Take(FileOfValues(ContactValues()), HelperKind::Contacts, params, error)) << error;
}

TEST(HelperParamsTest, FileNamesMustStayInTheirFolder)
{
    const char* const unsafe[] = {"../GAddr.dat", "sub/GAddr.dat", "/etc/passwd", "..",  ".",
                                  ".hidden",      "a\\b",          "a\nb",        "a\tb"};
    for (const int32_t key : {1002, 1009, 1010, 1014}) {
        for (const char* name : unsafe) {
            SCOPED_TRACE(std::to_string(key) + " " + name);
            std::map<int32_t, std::string> values = ContactValues();
            values[key] = name;
            HelperParams params;
            std::string error;
            EXPECT_FALSE(Take(FileOfValues(values), HelperKind::Contacts, params, error));
            EXPECT_NE(std::string::npos, error.find("not a plain file name")) << error;
        }
    }
    // A required name may not be empty; an optional one left empty is not wanted.
    std::map<int32_t, std::string> values = ContactValues();
    values[1002] = "";
    HelperParams params;
    std::string error;
    EXPECT_FALSE(Take(FileOfValues(values), HelperKind::Contacts, params, error));
    values = ContactValues();
    values[1010] = "";
    EXPECT_TRUE(Take(FileOfValues(values), HelperKind::Contacts, params, error)) << error;
    EXPECT_EQ("", params.statusFile);
}

// A damaged file naming another file of the work folder (accounts.ini above all) would have it
// deleted or overwritten; only the one name the contract gives a kind and key is taken.
TEST(HelperParamsTest, EachFileNameMustBeTheOneItsKindExchanges)
{
    const HelperKind kinds[] = {HelperKind::Contacts, HelperKind::Calendar, HelperKind::Tasks, HelperKind::Notes};
    for (const HelperKind kind : kinds) {
        SCOPED_TRACE(FilesOf(kind).program);
        HelperParams params;
        std::string error;
        EXPECT_TRUE(Take(FileOfValues(ValuesOf(kind)), kind, params, error)) << error;
        EXPECT_EQ(FilesOf(kind).dataFile, params.dataFile);
    }
    struct Case
    {
        HelperKind kind;
        int32_t key;
        std::string name;
        const char* fault; // how the error continues after "Parameter <key> "
    };
    const Case cases[] = {
        {HelperKind::Contacts, 1002, "accounts.ini", "must name GAddr.dat, not accounts.ini"},
        {HelperKind::Contacts, 1002, "GDate.dat", "must name GAddr.dat, not GDate.dat"},
        {HelperKind::Contacts, 1002, "gaddr.dat", "must name GAddr.dat, not gaddr.dat"},
        {HelperKind::Contacts, 1002, "GAddrParam.dat", "must name GAddr.dat, not GAddrParam.dat"},
        {HelperKind::Contacts, 1009, "accounts.ini", "must name GAddrErr.dat, not accounts.ini"},
        {HelperKind::Contacts, 1010, "accounts.ini", "must name GAddrStatus.dat, not accounts.ini"},
        {HelperKind::Contacts, 1010, "GAddrData.ini", "must name GAddrStatus.dat, not GAddrData.ini"},
        {HelperKind::Calendar, 1002, "GCal.dat", "must name GDate.dat, not GCal.dat"},
        {HelperKind::Calendar, 1008, "accounts.ini", "must name GCal.dat, not accounts.ini"},
        {HelperKind::Calendar, 1008, "GDate.dat", "must name GCal.dat, not GDate.dat"},
        {HelperKind::Calendar, 1009, "GAddrErr.dat", "must name GDateErr.dat, not GAddrErr.dat"},
        {HelperKind::Tasks, 1002, "accounts.ini", "must name GTask.dat, not accounts.ini"},
        {HelperKind::Tasks, 1009, "accounts.ini", "names a file Ombratsk.exe does not write: accounts.ini"},
        {HelperKind::Notes, 1010, "GNoteStatus.dat", "names a file Ombranot.exe does not write: GNoteStatus.dat"},
        {HelperKind::Contacts, 1014, "accounts.ini", "is not the name of a log file (*.log): accounts.ini"},
        {HelperKind::Contacts, 1014, "GAddr.dat", "is not the name of a log file (*.log): GAddr.dat"},
        // A required name left empty.
        {HelperKind::Contacts, 1002, "", "is empty; it must name GAddr.dat"},
        {HelperKind::Calendar, 1008, "", "is empty; it must name GCal.dat"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + " " + c.name);
        std::map<int32_t, std::string> values = ValuesOf(c.kind);
        values[c.key] = c.name;
        HelperParams params;
        std::string error;
        EXPECT_FALSE(Take(FileOfValues(values), c.kind, params, error));
        EXPECT_EQ("Parameter " + std::to_string(c.key) + " " + c.fault, error);
        const std::map<int32_t, std::string HelperParams::*> fields = {{1002, &HelperParams::dataFile},
                                                                       {1008, &HelperParams::calendarFile},
                                                                       {1009, &HelperParams::errorFile},
                                                                       {1010, &HelperParams::statusFile},
                                                                       {1014, &HelperParams::logFile}};
        EXPECT_EQ("", params.*fields.at(c.key)) << "a refused name is never used";
    }
}

TEST(HelperParamsTest, TextsWithAZeroByteOrAFolderWithoutSeparatorAreRefused)
{
    const std::pair<int32_t, std::string> cases[] = {
        {1000, std::string("me\0x", 4)}, {1002, std::string("GAddr.dat\0x", 11)}, {1003, "/work"}, {1003, ""}};
    for (const auto& [key, value] : cases) {
        SCOPED_TRACE(key);
        std::map<int32_t, std::string> values = ContactValues();
        values[key] = value;
        HelperParams params;
        std::string error;
        EXPECT_FALSE(Take(FileOfValues(values), HelperKind::Contacts, params, error));
        EXPECT_NE(std::string::npos, error.find(std::to_string(key))) << error;
    }
}

TEST(HelperParamsTest, TheWorkFolderAndErrorFileOutliveALaterFault)
{
    // The fault must still reach the error file the app reads.
    std::map<int32_t, std::string> values = ContactValues();
    values.erase(1000);
    values[1002] = "../x";
    HelperParams params;
    std::string error;
    EXPECT_FALSE(Take(FileOfValues(values), HelperKind::Contacts, params, error));
    EXPECT_EQ("/work/", params.workFolder);
    EXPECT_EQ("GAddrErr.dat", params.errorFile);
    EXPECT_EQ("", params.dataFile);
    // The first fault in the order the keys are taken.
    EXPECT_NE(std::string::npos, error.find("1000 is missing")) << error;
}

// The error file is deleted at the start of each run: one naming another file of the run is refused
// and never used, so that file survives.
TEST(HelperParamsTest, AnErrorFileNamingAnotherFileOfTheRunIsNotUsed)
{
    for (const int32_t key : {1002, 1010}) {
        SCOPED_TRACE(key);
        std::map<int32_t, std::string> values = ContactValues();
        values[1009] = values[key];
        HelperParams params;
        std::string error;
        EXPECT_FALSE(Take(FileOfValues(values), HelperKind::Contacts, params, error));
        EXPECT_EQ("", params.errorFile);
        EXPECT_EQ("Parameter 1009 must name GAddrErr.dat, not " + values[key], error);
    }
}
