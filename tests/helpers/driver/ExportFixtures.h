// Address-book and calendar exports shaped as real programs write them, built from their pieces so
// that a test knows, without the helpers' own reading, the bytes of every item and of everything
// around the items.
#pragma once

#include <string>
#include <vector>

// One piece of an export: an item's bytes (a card; a calendar component) or the bytes between them.
struct ExportPiece
{
    std::string text;
    int item = -1; // the index of the item it belongs to; -1 for the bytes outside the items
};

struct ExportItem
{
    std::string uid;   // empty for an item without one
    std::string name;  // the display name or the summary the record must carry
    std::string email; // contacts: the first e-mail address
    std::string note;  // contacts: the note, unfolded and decoded; events: the location
    bool recurring = false;
    int changedOccurrences = 0;
};

struct Export
{
    std::vector<ExportPiece> pieces;
    std::vector<ExportItem> items;

    std::string Text() const { return Without({}); }
    // The export as it must be after the items given went: every other byte where it was.
    std::string Without(const std::vector<int>& gone) const
    {
        std::string text;
        for (const ExportPiece& piece : pieces) {
            bool drop = false;
            for (const int item : gone)
                drop = drop || piece.item == item;
            if (!drop)
                text += piece.text;
        }
        return text;
    }
};

// Fifty cards, vCard 3.0 and 2.1 mixed as an address book collected over the years holds them: 3.0
// cards with folded lines and an Apple-style grouped label, 2.1 cards in quoted-printable with soft
// line breaks and non-ASCII names, cards with and without a UID, a card exported twice without one
// (items 12 and 17 are the same bytes) and two cards sharing a UID (items 30 and 33). A byte order
// mark before the first card and a blank line after every tenth are bytes of no card.
inline Export AddressBookExport()
{
    static const char* const kFirst[] = {"Anna",  "Jürgen", "Chloé", "Daniel", "Eva",
                                         "Fritz", "Grete",  "Håkon", "Ines",   "Jonas"};
    static const char* const kLast[] = {"Berg", "Müller", "Okafor", "Lindqvist", "Ströme"};
    Export book;
    book.pieces.push_back({"\xEF\xBB\xBF", -1});
    for (int i = 0; i < 50; ++i) {
        const std::string first = kFirst[i % 10];
        const std::string last = kLast[(i / 10) % 5];
        const std::string name = first + " " + last;
        const std::string mail = "person" + std::to_string(i) + "@example.org";
        ExportItem item{"", name, mail, "", false, 0};
        std::string card;
        switch (i % 5) {
        case 0: // 3.0 with a UID and a note folded as exporters fold at 75 octets
            item.uid = "c0ffee00-" + std::to_string(1000 + i) + "-4a6d-95e8-7c3d20b1f64a";
            item.note = "Met at the spring fair; prefers calls in the morning, and follow-up by mail only after "
                        "the offer went out.";
            card = "BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Example Corp.//Address Book 14.0//EN\r\nN:" + last + ";" +
                   first + ";;;\r\nFN:" + name + "\r\nEMAIL;TYPE=INTERNET;TYPE=WORK:" + mail +
                   "\r\nTEL;TYPE=CELL:+49 170 555 " + std::to_string(1000 + i) +
                   "\r\nNOTE:Met at the spring fair\\; prefers calls in the morning\\, and follow-up by mail o\r\n"
                   " nly after the offer went out.\r\nUID:" +
                   item.uid + "\r\nREV:2023-04-0" + std::to_string(1 + i % 9) + "T10:00:00Z\r\nEND:VCARD\r\n";
            break;
        case 1: // 2.1 in quoted-printable, soft line breaks, no UID
            item.note = "Called about the invoice from the trade fair in Köln, will call back next week.";
            card =
                "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + last + ";" + first +
                ";;;\r\nFN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + name + "\r\nTEL;WORK;VOICE:+49 30 555 " +
                std::to_string(2000 + i) + "\r\nEMAIL;PREF;INTERNET:" + mail +
                "\r\nNOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:Called about the invoice from the trade fair i=\r\n"
                "n K=C3=B6ln, will call back next week.\r\nEND:VCARD\r\n";
            break;
        case 2: // 3.0 without a UID, a folded address and a grouped label
            card = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:" + last + ";" + first + ";;;\r\nFN:" + name +
                   "\r\nitem1.EMAIL;TYPE=INTERNET:" + mail +
                   "\r\nitem1.X-ABLabel:_$!<Other>!$_\r\nADR;TYPE=HOME:;;Lange Stra\xC3\x9F"
                   "e 12;Ber\r\n\tlin;;10115;Germany\r\nEND:VCARD\r\n";
            break;
        case 3: // 2.1 with a UID and a quoted-printable address over two lines
            item.uid = "2.1-card-" + std::to_string(i) + "@phone.example";
            card = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:" + last + ";" + first + "\r\nFN:" + name +
                   "\r\nEMAIL;INTERNET:" + mail + "\r\nUID:" + item.uid +
                   "\r\nADR;HOME;ENCODING=QUOTED-PRINTABLE:;;Hauptstra=C3=9Fe "
                   "5=0D=0A=\r\nHinterhaus;M=C3=BCnchen;;80331;\r\n"
                   "END:VCARD\r\n";
            break;
        default: // 3.0 with a UID, lines ending in LF only as some programs write them
            item.uid = "urn:uuid:5f2c81d0-9a3e-4c7b-b1d2-" + std::to_string(600000000000 + i);
            card = "BEGIN:VCARD\nVERSION:3.0\nUID:" + item.uid + "\nFN:" + name + "\nN:" + last + ";" + first +
                   ";;;\nEMAIL:" + mail + "\nORG:Example GmbH;Sales\nEND:VCARD\n";
            break;
        }
        book.items.push_back(item);
        book.pieces.push_back({card, i});
        if (i % 10 == 9)
            book.pieces.push_back({"\r\n", -1});
    }
    // Exported twice: item 17 is item 12 again, byte for byte; item 33 shares the UID of item 30.
    const auto card = [&book](int item) -> std::string& {
        for (ExportPiece& piece : book.pieces)
            if (piece.item == item)
                return piece.text;
        return book.pieces.front().text;
    };
    card(17) = card(12);
    book.items[17] = book.items[12];
    const std::string uid33 = book.items[33].uid;
    card(33).replace(card(33).find(uid33), uid33.size(), book.items[30].uid);
    book.items[33].uid = book.items[30].uid;
    return book;
}

// A calendar export: the calendar's own lines and a VTIMEZONE first, then a weekly series whose two
// changed occurrences come later in the file, between other events; a monthly series with a reminder
// and one changed occurrence; single events, one of them all-day without a UID.
inline Export CalendarExport()
{
    Export calendar;
    calendar.pieces.push_back(
        {"BEGIN:VCALENDAR\r\nPRODID:-//Example Corp.//Calendar 3.1//EN\r\nVERSION:2.0\r\nCALSCALE:GREGORIAN\r\n"
         "METHOD:PUBLISH\r\nX-WR-CALNAME:Work\r\nX-WR-TIMEZONE:Europe/Berlin\r\nBEGIN:VTIMEZONE\r\nTZID:Europe/"
         "Berlin\r\n"
         "X-LIC-LOCATION:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\n"
         "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
         "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\nDTSTART:19701025T030000\r\n"
         "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n",
         -1});
    const auto event = [&calendar](int item, const std::string& body) {
        calendar.pieces.push_back({"BEGIN:VEVENT\r\n" + body + "END:VEVENT\r\n", item});
    };
    calendar.items = {
        {"standup-7d1c@example.com", "Team stand-up", "", "Room 4.01", true, 2},
        {"dentist-20240117@example.com", "Dentist", "", "Praxis Dr. Weiss, Hauptstraße 5", false, 0},
        {"review-2a9f@example.com", "Monthly review", "", "", true, 1},
        {"", "Company holiday", "", "", false, 0},
        {"flight-lis-0412@example.com", "Flight to Lisbon", "", "BER Terminal 1", false, 0},
        {"kickoff-55e0@example.com", "Project kick-off", "", "Main hall", false, 0},
    };
    event(0, "DTSTAMP:20240101T080000Z\r\nUID:standup-7d1c@example.com\r\nSUMMARY:Team stand-up\r\n"
             "DTSTART;TZID=Europe/Berlin:20240108T093000\r\nDTEND;TZID=Europe/Berlin:20240108T094500\r\n"
             "RRULE:FREQ=WEEKLY;BYDAY=MO,WE,FR\r\nLOCATION:Room 4.01\r\nLAST-MODIFIED:20231220T101500Z\r\n"
             "DESCRIPTION:Daily sync of the team. Bring blockers\\, not status reports\\; status goes in the t\r\n"
             " racker.\r\n");
    event(1, "DTSTAMP:20240101T080000Z\r\nUID:dentist-20240117@example.com\r\nSUMMARY:Dentist\r\n"
             "DTSTART;TZID=Europe/Berlin:20240117T153000\r\nDTEND;TZID=Europe/Berlin:20240117T161500\r\n"
             "LOCATION:Praxis Dr. Weiss\\, Hauptstraße 5\r\nLAST-MODIFIED:20231201T090000Z\r\n");
    event(0, "DTSTAMP:20240101T080000Z\r\nUID:standup-7d1c@example.com\r\nRECURRENCE-ID;TZID=Europe/Berlin:"
             "20240110T093000\r\nSUMMARY:Team stand-up (moved)\r\nDTSTART;TZID=Europe/Berlin:20240110T110000\r\n"
             "DTEND;TZID=Europe/Berlin:20240110T111500\r\nLOCATION:Room 2.12\r\n");
    event(2, "DTSTAMP:20240101T080000Z\r\nUID:review-2a9f@example.com\r\nSUMMARY:Monthly review\r\n"
             "DTSTART:20240131T130000Z\r\nDURATION:PT1H\r\nRRULE:FREQ=MONTHLY;BYMONTHDAY=-1;COUNT=12\r\n"
             "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n");
    event(3, "DTSTAMP:20240101T080000Z\r\nSUMMARY:Company holiday\r\nDTSTART;VALUE=DATE:20240129\r\n"
             "DTEND;VALUE=DATE:20240130\r\nTRANSP:TRANSPARENT\r\n");
    event(2, "DTSTAMP:20240101T080000Z\r\nUID:review-2a9f@example.com\r\nRECURRENCE-ID:20240229T130000Z\r\n"
             "SUMMARY:Monthly review (short)\r\nDTSTART:20240229T140000Z\r\nDURATION:PT30M\r\n");
    event(4, "DTSTAMP:20240101T080000Z\r\nUID:flight-lis-0412@example.com\r\nSUMMARY:Flight to Lisbon\r\n"
             "DTSTART:20240412T061000Z\r\nDTEND:20240412T095500Z\r\nLOCATION:BER Terminal 1\r\n");
    event(0, "DTSTAMP:20240101T080000Z\r\nUID:standup-7d1c@example.com\r\nRECURRENCE-ID;TZID=Europe/Berlin:"
             "20240112T093000\r\nSTATUS:CANCELLED\r\nSUMMARY:Team stand-up\r\nDTSTART;TZID=Europe/Berlin:"
             "20240112T093000\r\nDTEND;TZID=Europe/Berlin:20240112T094500\r\n");
    event(5, "DTSTAMP:20240101T080000Z\r\nUID:kickoff-55e0@example.com\r\nSUMMARY:Project kick-off\r\n"
             "DTSTART;TZID=Europe/Berlin:20240205T100000\r\nDTEND;TZID=Europe/Berlin:20240205T120000\r\n"
             "LOCATION:Main hall\r\n");
    calendar.pieces.push_back({"END:VCALENDAR\r\n", -1});
    return calendar;
}
