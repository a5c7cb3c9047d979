// Splits one line at commas into fields, optionally enclosed in double quotes.
#pragma once

#include <cstdint>
#include <memory>

class CSV
{
public:
    explicit CSV(const char* line = nullptr, bool quoted = false);
    virtual ~CSV();
    CSV(const CSV&) = delete;
    CSV& operator=(const CSV&) = delete;

    // False for a null or empty line or when memory runs out; the object is then empty.
    // Plain mode keeps every field as it stands. Quoted mode drops the first and last character of
    // every field and keeps any quotes inside; a field shorter than two characters becomes empty.
    bool Parse(const char* line);
    uint32_t GetCount() const { return m_nCount; }
    // An empty text for an index at or beyond the count.
    const char* GetItem(uint32_t index) const;
    void Clear();

private:
    uint32_t CountFields(const char* text) const;
    void SplitFields(char* text);
    char* FieldText(char* start, char* end) const;

    std::unique_ptr<char[]> m_text;
    std::unique_ptr<char*[]> m_items;
    uint32_t m_nCount = 0;
    bool m_bQuoted = false;
    char m_cQuote = '"';
};
