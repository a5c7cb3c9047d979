// A generated contact as a phone or a server would hold it: a name, a company, two e-mail addresses,
// a phone number, an address, a note, a birthday on every fourth; index makes each one different.
#pragma once

#include <cstdio>
#include <iterator>
#include <string>

namespace bench {

inline const char* const kFirst[] = {"James", "Mary", "Robert", "Patricia", "Elena", "Yusuf", "Mei", "Carlos"};
inline const char* const kLast[] = {"Smith", "Garcia", "Nguyen", "Kowalski", "Okafor", "Tanaka", "Jensen", "Rossi"};
inline const char* const kCity[] = {"Springfield", "Riverton", "Lakeside", "Hillview"};

inline std::string Card(int index)
{
    const char* first = kFirst[index % std::size(kFirst)];
    const char* last = kLast[(index / std::size(kFirst)) % std::size(kLast)];
    char text[1024];
    std::snprintf(text, sizeof text,
                  "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-%d@example.com\r\nFN:%s %s %d\r\nN:%s;%s;;;\r\n"
                  "ORG:Northwind Traders\r\nTITLE:Engineer\r\nEMAIL;TYPE=WORK:%s.%s%d@example.com\r\n"
                  "EMAIL;TYPE=HOME:%c%s%d@mail.example.org\r\nTEL;TYPE=CELL:+1 555 %03d %04d\r\n"
                  "ADR;TYPE=HOME:;;%d Elm Street;%s;;12345;USA\r\n%sNOTE:Met at the spring fair\\, table %d.\r\n"
                  "REV:2023-11-%02dT10:15:00Z\r\nEND:VCARD\r\n",
                  index, first, last, index, last, first, first, last, index, first[0], last, index, index % 1000,
                  (index * 7919) % 10000, 1 + index % 400, kCity[index % std::size(kCity)],
                  index % 4 == 0 ? "BDAY:1980-04-12\r\n" : "", index % 50, 1 + index % 28);
    return text;
}

} // namespace bench
