// A contact for a test, written as the fields it has (designated initialisers, in this order): each
// list fills its slots from the first, with the slot's type home, work, ... in turn.
#pragma once

#include "common/google/records/ContactFields.h"
#include "common/google/records/GAddrRecord.h"
#include "common/misc/TextBuf.h"
#include "tests/support/ZeroedRecord.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

struct ContactText
{
    const char* display = "";
    std::initializer_list<const char*> emails = {};
    std::initializer_list<const char*> phones = {};
    const char* company = "";
    std::initializer_list<const char*> addresses = {};
    std::initializer_list<const char*> webs = {};
    std::initializer_list<std::pair<int32_t, double>> dates = {};
    const char* note = "";
    const char* first = "";
    const char* last = "";
    const char* primaryEmail = "";
};

inline RecordPtr<GAddrRecord> Contact(const ContactText& t)
{
    RecordPtr<GAddrRecord> r = Zeroed<GAddrRecord>();
    CopyText(r->szDisplayName, t.display);
    CopyText(r->szFirstName, t.first);
    CopyText(r->szLastName, t.last);
    CopyText(r->szCompanyName, t.company);
    CopyText(r->szNote, t.note);
    CopyText(r->szEmailPrimary, t.primaryEmail);
    int slot = 0;
    for (const char* email : t.emails) {
        r->nEmailType[slot] = EMAIL_HOME + slot;
        CopyText(r->szEmail[slot++], email);
    }
    slot = 0;
    for (const char* phone : t.phones) {
        r->nPhoneType[slot] = PHONE_HOME + slot;
        CopyText(r->szPhone[slot++], phone);
    }
    slot = 0;
    for (const char* address : t.addresses) {
        r->nAddressType[slot] = ADDRESS_HOME + slot;
        CopyText(r->szAddress[slot++], address);
    }
    slot = 0;
    for (const char* web : t.webs) {
        r->nWebType[slot] = WEB_HOME + slot;
        CopyText(r->szWeb[slot++], web);
    }
    slot = 0;
    for (const auto& [type, value] : t.dates) {
        r->nDateType[slot] = type;
        r->dtDate[slot++] = value;
    }
    return r;
}
