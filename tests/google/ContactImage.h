// Contacts data file images built field by field from the file layout, independently of the code
// under test, and a heap contact record for tests.
#pragma once

#include "common/google/GAddrRecord.h"
#include "tests/support/ByteImage.h"
#include "tests/support/ZeroedRecord.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// The rows of a contact in the data file: kind ('i' int32, 't' text, 'd' 8-byte value) and count.
struct ContactLayoutRow
{
    char kind;
    int count;
};

inline constexpr ContactLayoutRow kContactLayout[] = {
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
    int index = 0;
    for (int r = 1; r < row; ++r)
        index += kContactLayout[r - 1].count;
    return index;
}

inline int ContactFieldCount()
{
    return ContactFieldIndex(static_cast<int>(std::size(kContactLayout)) + 1);
}

// One contact as a list of field values in file order.
class ContactImage
{
public:
    using Value = std::variant<int32_t, double, std::string>;

    // Every field empty or zero.
    ContactImage()
    {
        for (const ContactLayoutRow& row : kContactLayout)
            for (int i = 0; i < row.count; ++i)
                m_fields.push_back(row.kind == 'i' ? Value(int32_t{0}) : row.kind == 'd' ? Value(0.0) : Value(""));
    }

    // Every field distinct: ints seed*1000+index, values seed*1000+index+0.5, texts "s<seed>f<index>".
    static ContactImage Patterned(int seed)
    {
        ContactImage image;
        for (size_t k = 0; k < image.m_fields.size(); ++k) {
            const int n = seed * 1000 + static_cast<int>(k);
            std::visit(
                [&](auto& v) {
                    using T = std::decay_t<decltype(v)>;
                    if constexpr (std::is_same_v<T, int32_t>)
                        v = n;
                    else if constexpr (std::is_same_v<T, double>)
                        v = n + 0.5;
                    else
                        v = "s" + std::to_string(seed) + "f" + std::to_string(k);
                },
                image.m_fields[k]);
        }
        return image;
    }

    // Sets element i (0-based) of a 1-based layout row.
    ContactImage& Set(int row, int i, Value value)
    {
        m_fields.at(static_cast<size_t>(ContactFieldIndex(row) + i)) = std::move(value);
        return *this;
    }
    const Value& Get(int row, int i) const { return m_fields.at(static_cast<size_t>(ContactFieldIndex(row) + i)); }

    std::string Bytes() const
    {
        std::string out;
        for (const Value& v : m_fields) {
            if (const auto* n = std::get_if<int32_t>(&v))
                out += Int32(*n);
            else if (const auto* d = std::get_if<double>(&v))
                out += Double(*d);
            else
                out += Text(std::get<std::string>(v));
        }
        return out;
    }

private:
    std::vector<Value> m_fields;
};

// A whole data file: the count, then the contacts.
inline std::string ContactFile(const std::vector<ContactImage>& contacts)
{
    std::string out = Int32(static_cast<int32_t>(contacts.size()));
    for (const ContactImage& c : contacts)
        out += c.Bytes();
    return out;
}

// A zero-filled contact on the heap (a contact is some 26 KB).
inline RecordPtr<GAddrRecord> NewContact()
{
    return Zeroed<GAddrRecord>();
}
