// Data file images of any kind's records, built field by field from a file layout written out in the
// test, independently of the code under test.
#pragma once

#include "tests/support/ByteImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

// One row of a record's file layout: kind ('i' int32, 't' text, 'd' 8-byte value) and count.
struct LayoutRow
{
    char kind;
    int count;
};

// Index of the first field of a 1-based layout row among all fields of a record.
inline int LayoutFieldIndex(std::span<const LayoutRow> layout, int row)
{
    int index = 0;
    for (int r = 1; r < row; ++r)
        index += layout[static_cast<size_t>(r - 1)].count;
    return index;
}

inline int LayoutFieldCount(std::span<const LayoutRow> layout)
{
    return LayoutFieldIndex(layout, static_cast<int>(layout.size()) + 1);
}

// One record as a list of field values in file order.
class RecordImage
{
public:
    using Value = std::variant<int32_t, double, std::string>;

    // Every field empty or zero.
    explicit RecordImage(std::span<const LayoutRow> layout)
        : m_layout(layout)
    {
        for (const LayoutRow& row : layout)
            for (int i = 0; i < row.count; ++i)
                m_fields.push_back(row.kind == 'i' ? Value(int32_t{0}) : row.kind == 'd' ? Value(0.0) : Value(""));
    }

    // Every field distinct: ints seed*1000+index, values seed*1000+index+0.5, texts "s<seed>f<index>".
    static RecordImage Patterned(std::span<const LayoutRow> layout, int seed)
    {
        RecordImage image(layout);
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
    RecordImage& Set(int row, int i, Value value)
    {
        m_fields.at(Index(row, i)) = std::move(value);
        return *this;
    }
    const Value& Get(int row, int i) const { return m_fields.at(Index(row, i)); }
    // Fields in a 1-based layout row.
    int RowCount(int row) const { return m_layout[static_cast<size_t>(row - 1)].count; }

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
    size_t Index(int row, int i) const { return static_cast<size_t>(LayoutFieldIndex(m_layout, row) + i); }

    std::span<const LayoutRow> m_layout;
    std::vector<Value> m_fields;
};

// A whole data file: the count, then the records.
inline std::string DataFileImage(const std::vector<RecordImage>& records)
{
    std::string out = Int32(static_cast<int32_t>(records.size()));
    for (const RecordImage& r : records)
        out += r.Bytes();
    return out;
}

// Where a row of a file layout lands in a record, element by element.
template <class Record>
struct RowMember
{
    int row;
    std::function<RecordImage::Value(const Record&, int)> get;
};

inline RecordImage::Value TextOf(const char* text)
{
    return std::string(text);
}

// Every field of the record equals the image's field at the same place in the file.
template <class Record>
void ExpectFieldsMatch(const RecordImage& image, const Record& record, const std::vector<RowMember<Record>>& members)
{
    for (const RowMember<Record>& member : members)
        for (int i = 0; i < image.RowCount(member.row); ++i) {
            SCOPED_TRACE("row " + std::to_string(member.row) + " element " + std::to_string(i));
            EXPECT_EQ(image.Get(member.row, i), member.get(record, i));
        }
}
