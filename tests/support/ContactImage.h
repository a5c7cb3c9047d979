// Contacts data file images built field by field from the file layout, independently of the code
// under test, and a heap contact record for tests.
#pragma once

#include "common/google/records/GAddrRecord.h"
#include "tests/support/RecordImage.h"
#include "tests/support/ZeroedRecord.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The rows of a contact in the data file.
inline constexpr LayoutRow kContactLayout[] = {
    {'i', 1},  {'i', 1},  {'i', 1},                                                             // head
    {'t', 7},                                                                                   // names, company, title
    {'i', 5},  {'t', 5},  {'t', 1},                                                             // e-mail
    {'i', 5},  {'t', 5},  {'t', 5}, {'t', 5}, {'t', 5}, {'t', 5}, {'t', 5}, {'t', 5}, {'t', 5}, // addresses
    {'i', 10}, {'t', 10}, {'t', 1},                                                             // phones
    {'i', 10}, {'t', 10}, {'t', 1},                                                             // web addresses
    {'i', 10}, {'t', 10}, {'t', 1},                                                             // instant messaging
    {'t', 10}, {'t', 10},                                                                       // custom labels, fields
    {'i', 5},  {'d', 5},                                                                        // dates
    {'i', 20}, {'t', 20},                                                                       // relations
    {'t', 1},  {'t', 1},  {'t', 1}, // helper text, note, category
    {'d', 1},  {'d', 1},            // creation, modification
};

// Index of the first field of a 1-based layout row among all fields of a contact.
inline int ContactFieldIndex(int row)
{
    return LayoutFieldIndex(kContactLayout, row);
}

inline int ContactFieldCount()
{
    return LayoutFieldCount(kContactLayout);
}

// One contact as a list of field values in file order.
class ContactImage : public RecordImage
{
public:
    // Every field empty or zero.
    ContactImage()
        : RecordImage(kContactLayout)
    {}
    static ContactImage Patterned(int seed) { return ContactImage(RecordImage::Patterned(kContactLayout, seed)); }

private:
    explicit ContactImage(RecordImage image)
        : RecordImage(std::move(image))
    {}
};

// A whole data file: the count, then the contacts.
inline std::string ContactFile(const std::vector<ContactImage>& contacts)
{
    return DataFileImage(std::vector<RecordImage>(contacts.begin(), contacts.end()));
}

// A zero-filled contact on the heap (a contact is some 26 KB).
inline RecordPtr<GAddrRecord> NewContact()
{
    return Zeroed<GAddrRecord>();
}
