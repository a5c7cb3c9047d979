// A file of several items taken apart: where each item's bytes lie, and what is left around them.
#include "helpers/driver/FileItems.h"

#include "tests/helpers/driver/ExportFixtures.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<int> AllBut(size_t count, int kept)
{
    std::vector<int> gone;
    for (int i = 0; i < static_cast<int>(count); ++i)
        if (i != kept)
            gone.push_back(i);
    return gone;
}

// Every item alone, none and all: exactly the pieces the export was built of.
void ExpectTakenApartAsBuilt(HelperKind kind, const Export& file)
{
    const std::string text = file.Text();
    FileItems items;
    std::string fault;
    ASSERT_TRUE(items.Split(kind, text, fault)) << fault;
    ASSERT_EQ(file.items.size(), items.Items().size());
    for (size_t i = 0; i < file.items.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i));
        EXPECT_EQ(file.Without(AllBut(file.items.size(), static_cast<int>(i))), items.TextOf(i));
        EXPECT_EQ(file.items[i].uid, items.Items()[i].place.uid);
        EXPECT_EQ(i, items.Find(items.Items()[i].place));
    }
    EXPECT_EQ(text, items.TextWithout(std::vector<bool>(file.items.size(), false)));
    EXPECT_EQ(file.Without(AllBut(file.items.size(), -1)),
              items.TextWithout(std::vector<bool>(file.items.size(), true)));
}

Export Pieces(std::vector<ExportPiece> pieces)
{
    Export file;
    file.pieces = std::move(pieces);
    int items = 0;
    for (const ExportPiece& piece : file.pieces)
        items = std::max(items, piece.item + 1);
    file.items.resize(static_cast<size_t>(items));
    return file;
}

const std::string kAnn = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann\r\nEND:VCARD\r\n";
const std::string kBea = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Bea\r\nEND:VCARD\r\n";

} // namespace

TEST(FileItemsTest, CardsAreCutWhereTheReaderSeesThemEnd)
{
    struct Case
    {
        const char* what;
        Export file;
    };
    const Case cases[] = {
        {"a quoted-printable value going on over a BEGIN line",
         Pieces({{"BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Ann\r\nNOTE;ENCODING=QUOTED-PRINTABLE:see=\r\nBEGIN:VCARD\r\n"
                  "END:VCARD\r\n",
                  0},
                 {kBea, 1}})},
        {"the card of a 2.1 AGENT inside its card",
         Pieces({{"BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Boss\r\nAGENT:\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nFN:Assistant\r\n"
                  "END:VCARD\r\nEND:VCARD\r\n",
                  0},
                 {kBea, 1}})},
        {"a blank line between an AGENT and its card",
         Pieces(
             {{"BEGIN:VCARD\r\nVERSION:2.1\r\nAGENT:\r\n\r\nBEGIN:VCARD\r\nFN:Assistant\r\nEND:VCARD\r\nEND:VCARD\r\n",
               0},
              {kBea, 1}})},
        {"folded boundaries in any letter case",
         Pieces({{"begin:vcard\r\nFN:Ann\r\nEND:VC\r\n ARD\r\n", 0}, {"BEGIN:V\r\n CARD\nFN:Bea\nend:vcard  \n", 1}})},
        {"bytes of no card around them",
         Pieces({{"\xEF\xBB\xBF", -1}, {kAnn, 0}, {"\r\n\r\n", -1}, {kBea, 1}, {"X-JUNK:outside\r\n", -1}})},
        {"the last card without a final line break", Pieces({{kAnn, 0}, {"BEGIN:VCARD\rFN:Bea\rEND:VCARD", 1}})},
        {"lines of a card that look like boundaries of another",
         Pieces({{"BEGIN:VCARD\r\nFN:Ann\r\nitem1.BEGIN:VCARD\r\nNOTE:END:VCARD\r\nEND:VCARD\r\n", 0}, {kBea, 1}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ExpectTakenApartAsBuilt(HelperKind::Contacts, c.file);
    }
}

TEST(FileItemsTest, AnExportIsTakenApartAsItWasBuilt)
{
    {
        SCOPED_TRACE("address book");
        ExpectTakenApartAsBuilt(HelperKind::Contacts, AddressBookExport());
    }
    {
        // Each event with the calendar's own lines and its VTIMEZONE, a series with its changed
        // occurrences wherever they stand.
        SCOPED_TRACE("calendar");
        ExpectTakenApartAsBuilt(HelperKind::Calendar, CalendarExport());
    }
}

// The readers end a line at CR LF, LF, CR and CR CR LF alike; so must the cuts between items, or an
// export a phone wrote with CR CR LF would be refused, or cut where no item ends.
TEST(FileItemsTest, ExportsAreTakenApartAlikeWhateverTheirLineEnds)
{
    const auto withEnds = [](Export file, const std::string& end) {
        for (ExportPiece& piece : file.pieces)
            for (size_t at = piece.text.find("\r\n"); at != std::string::npos;
                 at = piece.text.find("\r\n", at + end.size()))
                piece.text.replace(at, 2, end);
        return file;
    };
    for (const char* end : {"\n", "\r", "\r\r\n"}) {
        SCOPED_TRACE(testing::PrintToString(end));
        ExpectTakenApartAsBuilt(HelperKind::Contacts, withEnds(AddressBookExport(), end));
        ExpectTakenApartAsBuilt(HelperKind::Calendar, withEnds(CalendarExport(), end));
    }
}

TEST(FileItemsTest, WhatCannotBeCutSafelyIsRefusedWhole)
{
    const std::string event = "BEGIN:VEVENT\r\nUID:e@x\r\nSUMMARY:Review\r\nEND:VEVENT\r\n";
    const std::string calendar = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    struct Case
    {
        const char* what;
        HelperKind kind;
        std::string text;
        std::string fault;
    };
    const Case cases[] = {
        {"a card without its END before the next", HelperKind::Contacts, kAnn + "BEGIN:VCARD\r\nFN:Cid\r\n" + kBea,
         "a vCard without its END:VCARD"},
        {"a last card without its END", HelperKind::Contacts, kAnn + "BEGIN:VCARD\r\nFN:Cid\r\n",
         "a vCard without its END:VCARD"},
        {"an event left open", HelperKind::Calendar, calendar + event + "BEGIN:VEVENT\r\nUID:f\r\n",
         "BEGIN:VEVENT without its END"},
        {"an END that skips one", HelperKind::Calendar,
         calendar + event + "BEGIN:VEVENT\r\nBEGIN:VALARM\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
         "END:VEVENT where END:VALARM belongs"},
        {"an END of nothing begun", HelperKind::Calendar, calendar + event + "END:VEVENT\r\nEND:VCALENDAR\r\n",
         "END:VEVENT where END:VCALENDAR belongs"},
        {"a boundary without a name", HelperKind::Calendar, calendar + event + event + "BEGIN:\r\nEND:VCALENDAR\r\n",
         "a BEGIN or END line without a component name"},
        {"an event outside the calendar", HelperKind::Calendar, calendar + event + "END:VCALENDAR\r\n" + event,
         "events outside the ones that can be told apart"},
        {"a task list's item outside it", HelperKind::Tasks,
         calendar + "BEGIN:VTODO\r\nUID:t\r\nEND:VTODO\r\nEND:VCALENDAR\r\nBEGIN:VTODO\r\nEND:VTODO\r\n",
         "tasks outside the ones that can be told apart"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FileItems items;
        std::string fault;
        EXPECT_FALSE(items.Split(c.kind, c.text, fault));
        EXPECT_EQ(c.fault, fault);
        EXPECT_TRUE(items.Items().empty());
    }
}

TEST(FileItemsTest, ItemsArePlacedByUidOrByPositionAndBytes)
{
    const std::string head = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    const auto event = [](const std::string& uid, const std::string& extra = "") {
        return "BEGIN:VEVENT\r\n" + (uid.empty() ? "" : "UID:" + uid + "\r\n") + "SUMMARY:S\r\n" + extra +
               "END:VEVENT\r\n";
    };
    const std::string longUid(kMaxPlacedUidBytes, 'u');
    const std::string text = head + event("copy") + event("") + event("copy") + event("") + event(longUid) +
                             event("series", "RRULE:FREQ=DAILY\r\n") + event("series", "RRULE:FREQ=DAILY\r\n") +
                             event("series", "RECURRENCE-ID:20240102T100000\r\n") + "END:VCALENDAR\r\n";
    FileItems items;
    std::string fault;
    ASSERT_TRUE(items.Split(HelperKind::Calendar, text, fault)) << fault;
    ASSERT_EQ(6u, items.Items().size());
    const std::vector<FileItem>& found = items.Items();
    // Two copies of one UID without changed occurrences are an item each, numbered in file order.
    EXPECT_EQ("uid=copy", FormatItemPlace(found[0].place));
    EXPECT_EQ("uid=copy;2", FormatItemPlace(found[2].place));
    // The same bytes without a UID: the same hash at two positions.
    EXPECT_EQ(2u, found[1].place.position);
    EXPECT_EQ(4u, found[3].place.position);
    EXPECT_EQ(found[1].place.hash, found[3].place.hash);
    EXPECT_EQ("", found[1].place.uid);
    // A UID too long for the record's text is placed by its position.
    EXPECT_EQ("", found[4].place.uid);
    EXPECT_EQ(5u, found[4].place.position);
    // Copies of a series that come with a changed occurrence stay together, not served.
    EXPECT_EQ(3u, found[5].spans.size());
    EXPECT_NE("", found[5].refused);
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ("", found[i].refused) << i;

    ItemPlace elsewhere = found[1].place;
    elsewhere.position = 3;
    EXPECT_EQ(std::string::npos, items.Find(elsewhere));
    elsewhere = found[1].place;
    elsewhere.hash ^= 1;
    EXPECT_EQ(std::string::npos, items.Find(elsewhere));
    EXPECT_EQ(std::string::npos, items.Find(ItemPlace{"copy", 3, 0, 0}));
    EXPECT_EQ("calendar/x.ics (item 2 of 6)", items.Shown("calendar/x.ics", 1));
}
