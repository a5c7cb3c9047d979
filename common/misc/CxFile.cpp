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
    // Reading goes through our own buffer; the stream's would only copy every byte once more.
    if (m_pFile && mode[0] == 'r')
        std::setvbuf(m_pFile, nullptr, _IONBF, 0);
    return m_pFile != nullptr;
}

bool CxFile::Close()
{
    if (m_pFile)
        std::fclose(m_pFile);
    m_pFile = nullptr;
    m_bEof = false;
    DropBuffer();
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
    DropBuffer();
    return closed && !failedBefore;
}

bool CxFile::FillBuffer()
{
    if (!m_pReadBuffer) {
        m_pReadBuffer.reset(new (std::nothrow) unsigned char[kReadBufferSize]);
        if (!m_pReadBuffer)
            return false;
    }
    m_readPos = 0;
    m_readEnd = platform::ReadStream(m_pFile, m_pReadBuffer.get(), kReadBufferSize);
    return m_readEnd > 0;
}

size_t CxFile::ReadBytes(void* target, size_t size)
{
    auto* out = static_cast<unsigned char*>(target);
    size_t done = 0;
    while (done < size) {
        if (m_readPos == m_readEnd) {
            // A request as large as the buffer goes to the stream directly, without the extra copy.
            if (size - done >= kReadBufferSize) {
                const size_t got = platform::ReadStream(m_pFile, out + done, size - done);
                done += got;
                if (got == 0)
                    break;
                continue;
            }
            if (!FillBuffer())
                break;
        }
        const size_t take = std::min(size - done, m_readEnd - m_readPos);
        std::memcpy(out + done, m_pReadBuffer.get() + m_readPos, take);
        m_readPos += take;
        done += take;
    }
    return done;
}

bool CxFile::ReadValueSlow(void* value, size_t size)
{
    if (!m_pFile || !value)
        return false;
    unsigned char bytes[8];
    assert(size <= sizeof bytes);
    if (ReadBytes(bytes, size) != size) {
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
    const size_t got = ReadBytes(buffer, fit);
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
    return m_readPos == m_readEnd && !FillBuffer();
}

void CxFile::Skip(size_t count)
{
    const size_t buffered = m_readEnd - m_readPos;
    if (count <= buffered) {
        m_readPos += count;
        return;
    }
    // Seek instead of reading: a damaged length may claim gigabytes. Never seek past the end, so a
    // text running off the file is seen as a cut record here and not only by the next read. The
    // stream stands past what the buffer still holds.
    const long streamPos = std::ftell(m_pFile);
    if (streamPos < 0 || static_cast<size_t>(streamPos) < buffered || std::fseek(m_pFile, 0, SEEK_END) != 0) {
        m_bEof = true;
        return;
    }
    DropBuffer();
    const long pos = streamPos - static_cast<long>(buffered);
    const long end = std::ftell(m_pFile);
    if (end >= pos && count <= static_cast<size_t>(end - pos))
        std::fseek(m_pFile, pos + static_cast<long>(count), SEEK_SET);
    else
        m_bEof = true;
}

bool CxFile::WriteBytes(const void* data, size_t size)
{
    return m_pFile && platform::WriteStream(m_pFile, data, size) == size;
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
    DropBuffer();
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
