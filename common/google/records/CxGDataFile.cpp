#include "common/google/records/CxGDataFile.h"

#include <climits>

void CxGFieldWriter::Text(const char* buffer, size_t capacity)
{
    const size_t length = buffer ? strnlen(buffer, capacity) : 0;
    Note(length <= INT32_MAX && m_file.WriteInt(static_cast<int32_t>(length)));
    if (length)
        Note(m_file.WriteBytes(buffer, length));
}

uint32_t ReadRecordCount(CxFile& file)
{
    uint32_t count = 0;
    file.ReadInt(&count);
    return file.Eof() ? 0 : count;
}
