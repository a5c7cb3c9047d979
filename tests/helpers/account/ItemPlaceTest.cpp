// The place of an item in a file of several, as a record carries it between the load and the save.
#include "helpers/account/ItemPlace.h"

#include <gtest/gtest.h>

#include <string>

TEST(ItemPlaceTest, EveryPlaceReadsBackAsItWasWritten)
{
    struct Case
    {
        ItemPlace place;
        std::string text;
    };
    const Case cases[] = {
        {{"c0ffee00-1000@example.com", 1, 0, 0}, "uid=c0ffee00-1000@example.com"},
        {{"urn:uuid:5f2c81d0-9a3e", 2, 0, 0}, "uid=urn:uuid:5f2c81d0-9a3e;2"},
        // What would end the name, the place or the line, and what is not ASCII, is escaped.
        {{"a/b\\c;d%e f\tg\xC3\xA4", 1, 0, 0}, "uid=a%2Fb%5Cc%3Bd%25e%20f%09g%C3%A4"},
        {{"", 1, 7, 0x0012abcd}, "pos=7;0012abcd"},
        {{"", 1, 12345, 0xffffffff}, "pos=12345;ffffffff"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.text, FormatItemPlace(c.place));
        ItemPlace read;
        ASSERT_TRUE(ParseItemPlace(c.text, read));
        EXPECT_EQ(c.place, read);
        EXPECT_EQ(std::string::npos, FormatItemPlace(c.place).find_first_of("/\\\t\r\n "));
    }
}

// One place has one text: anything else was not written by a load and names no item.
TEST(ItemPlaceTest, OnlyWhatALoadWritesIsRead)
{
    const char* const refused[] = {
        "",        "uid=",           "uid=a;1",         "uid=a;02",      "uid=a;",
        "uid=a;x", "uid=a b",        "uid=a/b",         "uid=%2f",       "uid=%41",
        "uid=%2",  "pos=0;00000000", "pos=01;00000000", "pos=1;0000000", "pos=1;ABCDEF01",
        "pos=1",   "pos=;00000000",  "pos=1;000000000", "Uid=a",         "name=a",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        ItemPlace place{"kept", 3, 0, 0};
        EXPECT_FALSE(ParseItemPlace(text, place));
        EXPECT_EQ("kept", place.uid);
    }
}

TEST(ItemPlaceTest, AFileOfOneItemKeepsItsNameAndIdentityAsBefore)
{
    const ContentIdentity content{120, 1700000000000000000, 0x0123456789abcdefull};
    EXPECT_EQ("a.vcf", NameWithPlace("a.vcf", ""));
    EXPECT_EQ("export.vcf\\uid=x", NameWithPlace("export.vcf", "uid=x"));
    std::string name;
    std::string place;
    SplitNameAndPlace("export.vcf\\pos=3;0000ffff", name, place);
    EXPECT_EQ("export.vcf", name);
    EXPECT_EQ("pos=3;0000ffff", place);
    SplitNameAndPlace("a.vcf", name, place);
    EXPECT_EQ("a.vcf", name);
    EXPECT_EQ("", place);

    const ItemIdentity single = IdentityOfPlacedItem("list.ics", "", content);
    EXPECT_EQ(IdentityOfItem("list.ics", content).first, single.first);
    EXPECT_EQ(IdentityOfItem("list.ics", content).second, single.second);
    // Items of one file are found by the file's name, told apart by their places.
    const ItemIdentity first = IdentityOfPlacedItem("list.ics", "uid=a", content);
    const ItemIdentity second = IdentityOfPlacedItem("list.ics", "uid=b", content);
    EXPECT_EQ(single.first, first.first);
    EXPECT_EQ(single.first, second.first);
    EXPECT_NE(first.second, second.second);
    EXPECT_NE(single.second, first.second);
}
