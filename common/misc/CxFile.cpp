#include "common/misc/CxFile.h"

#include "common/platform/Platform.h"

#include <algorithm>
#include <cassert>
#include <climits>
#include <cstring>

CxFile::~CxFile()
{
    Close();
}

bool CxFile::Open(const char* path, const char* mode)
{
    if (!path || !*path || !mode || !*mode)
        return false;
    Close();
    m_pFile = std::fopen(path, mode);
    return m_pFile != nullptr;
}

bool CxFile::Close()
{
    if (m_pFile)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    m_bEof = false;
    return true;
}

bool CxFile::OpenPrivate(const char* path)
{
    if (!path || !*path)
        return false;
    Close();
    m_pFile = platform::OpenPrivateFile(path);
    return m_pFile != nullptr;
}

bool CxFile::CloseFlushed()
{
    if (!m_pFile)
        return false;
    const bool failedBefore = std::ferror(m_pFile) != 0;
    const bool closed = std::fclose(m_pFile) == 0;
    m_pFile = nullptr;
    m_bEof = false;
    return closed && !failedBefore;
}

bool CxFile::ReadValue(void* value, size_t size)
{
    if (!m_pFile || !value)
        return false;
    unsigned char bytes[8];
    assert(size <= sizeof bytes);
    if (platform::ReadStream(m_pFile, bytes, size) != size) {
        m_bEof = true;
        return true;
    }
    std::memcpy(value, bytes, size);
    return true;
}

bool CxFile::ReadString(char* buffer, size_t capacity, int* pLength)
{
    if (!m_pFile || !buffer || capacity == 0)
        return false;
    int32_t length = 0;
    ReadValue(&length, sizeof length);
    if (pLength)
        *pLength = length;
    if (length <= 0)
        return true;

    const size_t stored = static_cast<size_t>(length);
    const size_t fit = std::min(stored, capacity - 1);
    const size_t got = platform::ReadStream(m_pFile, buffer, fit);
    buffer[got] = '\0';
    if (got < fit)
        m_bEof = true;
    else if (stored > fit)
        Skip(stored - fit);
    return true;
}

bool CxFile::AtEnd()
{
    if (!m_pFile)
        return true;
    const int c = platform::ReadStreamChar(m_pFile);
    if (c == EOF)
        return true;
    std::ungetc(c, m_pFile);
    return false;
}

void CxFile::Skip(size_t count)
{
    // Seek instead of reading: a damaged length may claim gigabytes. Never seek past the end, so a
    // text running off the file is seen as a cut record here and not only by the next read.
    const long pos = std::ftell(m_pFile);
    if (pos < 0 || std::fseek(m_pFile, 0, SEEK_END) != 0) {
        m_bEof = true;
        return;
    }
    const long end = std::ftell(m_pFile);
    if (end >= pos && count <= static_cast<size_t>(end - pos))
        std::fseek(m_pFile, pos + static_cast<long>(count), SEEK_SET);
    else
        m_bEof = true;
}

bool CxFile::WriteBytes(const void* data, size_t size)
{
    return m_pFile && std::fwrite(data, 1, size, m_pFile) == size;
}

bool CxFile::WriteInt(int32_t value)
{
    return WriteBytes(&value, sizeof value);
}

bool CxFile::WriteBool(bool value)
{
    return WriteInt(value ? 1 : 0);
}

bool CxFile::WriteDouble(double value)
{
    return WriteBytes(&value, sizeof value);
}

bool CxFile::WriteString(const char* text)
{
    const size_t length = text ? std::strlen(text) : 0;
    if (length > INT32_MAX)
        return false;
    if (!WriteInt(static_cast<int32_t>(length)))
        return false;
    return length == 0 || WriteBytes(text, length);
}

bool CxFile::WriteLine(const char* text)
{
    if (!m_pFile)
        return false;
    if (text && std::fputs(text, m_pFile) < 0)
        return false;
    return std::fputs("\r\n", m_pFile) >= 0;
}

bool CxFile::OverwriteInt(long offset, int32_t value)
{
    if (!m_pFile || offset < 0 || std::fseek(m_pFile, 0, SEEK_END) != 0)
        return false;
    const long end = std::ftell(m_pFile);
    if (end < 0 || end - offset < static_cast<long>(sizeof value))
        return false;
    const bool written = std::fseek(m_pFile, offset, SEEK_SET) == 0 && WriteInt(value);
    return std::fseek(m_pFile, 0, SEEK_END) == 0 && written;
}

int32_t CxFile::GetFileSize(const char* path)
{
    if (!path || !*path)
        return -1;
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return -1;
    std::fclose(file);
    // A folder opens for reading here too, but has no size in this sense.
    const int64_t size = platform::FileSize(path);
    return static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX));
}
