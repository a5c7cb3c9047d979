#include "common/misc/CSV.h"

#include <cstring>
#include <new>

CSV::CSV(const char* line, bool quoted)
    : m_bQuoted(quoted)
{
    if (line && *line)
        Parse(line);
}

CSV::~CSV()
{
    Clear();
}

bool CSV::Parse(const char* line)
{
    Clear();
    if (!line || !*line)
        return false;
    const size_t size = std::strlen(line) + 1;
    const uint32_t count = CountFields(line);
    m_text.reset(new (std::nothrow) char[size]);
    m_items.reset(new (std::nothrow) char*[count]);
    if (!m_text || !m_items) {
        Clear();
        return false;
    }
    std::memcpy(m_text.get(), line, size);
    SplitFields(m_text.get());
    m_nCount = count;
    return true;
}

const char* CSV::GetItem(uint32_t index) const
{
    return index < m_nCount ? m_items[index] : "";
}

void CSV::Clear()
{
    m_items.reset();
    m_text.reset();
    m_nCount = 0;
}

uint32_t CSV::CountFields(const char* text) const
{
    uint32_t count = 1;
    bool inQuote = false;
    for (const char* p = text; *p; ++p) {
        if (m_bQuoted && *p == m_cQuote)
            inQuote = !inQuote;
        else if (*p == ',' && !inQuote)
            ++count;
    }
    return count;
}

void CSV::SplitFields(char* text)
{
    uint32_t field = 0;
    bool inQuote = false;
    char* start = text;
    for (char* p = text;; ++p) {
        if (m_bQuoted && *p == m_cQuote) {
            inQuote = !inQuote;
            continue;
        }
        if (*p && (*p != ',' || inQuote))
            continue;
        const bool last = *p == '\0';
        *p = '\0';
        m_items[field++] = FieldText(start, p);
        if (last)
            return;
        start = p + 1;
    }
}

char* CSV::FieldText(char* start, char* end) const
{
    if (!m_bQuoted)
        return start;
    // Drop the enclosing characters; a field too short to have both is empty, never underflows.
    if (end - start < 2)
        return end;
    end[-1] = '\0';
    return start + 1;
}
