// What the review page tells about one duplicate: the record it duplicates and stays, the fields on
// which the two were found the same, and what the duplicate holds that the kept record lacks.
#pragma once

#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"

#include <string>
#include <vector>

// One field of two records side by side, as the comparison and the row's hover text show it.
struct FieldPair
{
    std::string label;     // "Display Name", "Email 2", "Start Time", ...
    std::string duplicate; // the field as text; empty when unset
    std::string kept;
    bool differs = false; // the two texts are not the same under the case setting
    bool main = false;    // one of the few fields the hover text shows
};

struct ReviewFacts
{
    std::string kept;      // "Kept record": the kept contact's name and e-mail, or the kept event's subject and start
    std::string matchedOn; // "Matched on": "Display Name, Email", or "name + phone +49 170 1234567"
    std::vector<std::string> wouldBeLost; // one entry per datum the kept record lacks: "Email anna@example.org"
};

// The facts of a duplicate (a record with pKept set) under the current rule and match mode; all
// empty for a record that is kept or in no group.
ReviewFacts ContactReviewFacts(const GAddrRecord& duplicate);
ReviewFacts EventReviewFacts(const GDateRecord& duplicate);

// The contact's display name, else its name parts; the "Kept record" text of a record: the name and
// the first e-mail address, or the subject and the start.
std::string ContactName(const GAddrRecord& contact);
std::string KeptRecordText(const GAddrRecord& contact);
std::string KeptRecordText(const GDateRecord& event);

// "Email anna@example.org; Phone +1 555 0100": the marker's text, empty when nothing would be lost.
std::string WouldBeLostText(const ReviewFacts& facts);

// Every field the two records have, in the detail dialogs' order; fields empty in both are left out.
std::vector<FieldPair> CompareContacts(const GAddrRecord& duplicate, const GAddrRecord& kept);
std::vector<FieldPair> CompareEvents(const GDateRecord& duplicate, const GDateRecord& kept);
