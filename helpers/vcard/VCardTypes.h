// What a vCard value's TYPE words and its group label say about it, as the type codes of the contact
// record's slot families.
#pragma once

#include "common/google/records/ContactFields.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "_$!<Mobile>!$_" as some address books write their built-in labels becomes "Mobile"; any other
// label is returned as it stands.
std::string StripLabelDecoration(std::string_view label);

// The TYPE words of a value together with the label of its group.
class TypeWords
{
public:
    TypeWords(std::vector<std::string> types, std::string label);

    // A TYPE word equal to word, or a label holding it as a whole word: labels are free text such
    // as "HomeFAX" or "Work e-mail", where a change of case also parts words, but "Network line"
    // is no work number. Case-blind; word is given in lower case.
    bool Means(std::string_view word) const;
    // A TYPE word or the whole label equal to word (case-blind; word in lower case).
    bool Is(std::string_view word) const;
    // What the value is called for showing: the label, else the first TYPE word capitalised; empty
    // when there is neither.
    std::string Name() const;

private:
    std::vector<std::string> m_types; // lower case
    std::string m_label;
    std::string m_lowerLabel;
};

// Anything the words do not place is the family's Other code.
int32_t EmailTypeCode(const TypeWords& words);
int32_t AddressTypeCode(const TypeWords& words);
int32_t PhoneTypeCode(const TypeWords& words);
int32_t WebTypeCode(const TypeWords& words);
// 0 when the words name none of the relations the record has a code for.
int32_t RelationCode(const TypeWords& words);

// An instant messaging address split into service and handle: "xmpp:ann@example.org" gives service
// "xmpp" and handle "ann@example.org". A service given apart (4.0 / 3.0 X-SERVICE-TYPE) wins over the
// URI scheme; a value without a scheme is all handle.
struct ImAddress
{
    std::string service;
    std::string handle;
};
ImAddress SplitImAddress(std::string_view value, std::string_view serviceType);
// The IM slot code of a service name or URI scheme (case, blanks and dashes ignored); 0 for a
// service the record has no code for.
int32_t ImServiceCode(std::string_view service);
