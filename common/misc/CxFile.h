// One C stream with the binary field primitives of the data and parameter files.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

// Fields are stored as they lie in memory on the target, which must be little-endian.
static_assert(std::endian::native == std::endian::little);

// A value read or written as its N bytes.
template <class T, size_t N>
concept FixedSizeField = (sizeof(T) == N) && std::is_trivially_copyable_v<T>;

class CxFile
{
public:
    CxFile() = default;
    virtual ~CxFile();
    CxFile(const CxFile&) = delete;
    CxFile& operator=(const CxFile&) = delete;

    // mode is "rb", "wb" or "ab". A file still open is closed first.
    bool Open(const char* path, const char* mode);
    bool Close();
    bool IsOpen() const { return m_pFile != nullptr; }
    // Like Open with "wb", but the file is readable and writable by its owner only, also when it
    // existed before with a wider mode. Refuses links and anything but a regular file.
    bool OpenPrivate(const char* path);
    // Closes like Close and tells whether every byte written reached the file: false when a write,
    // the final flush or the close failed, or when no file was open.
    bool CloseFlushed();

    // The reads return false only without a stream or target. A value cut short by the end of the
    // file leaves the target untouched and sets Eof().
    template <FixedSizeField<4> T>
    bool ReadInt(T* value)
    {
        return ReadValue(value, sizeof(T));
    }
    template <FixedSizeField<8> T>
    bool ReadDouble(T* value)
    {
        return ReadValue(value, sizeof(T));
    }

    // Reads a 4-byte length L and L bytes into buffer (capacity counts the terminator), terminated.
    // *pLength receives L as stored (0 when the length itself is missing); L <= 0 leaves the buffer
    // untouched. A text longer than capacity - 1 is cut to fit and the rest of it is skipped, so the
    // next field is read from its own place. A text cut short by the end of the file keeps the bytes
    // present, terminated, and sets Eof(). False without a stream, buffer or capacity.
    bool ReadString(char* buffer, size_t capacity, int* pLength = nullptr);
    template <size_t N>
    bool ReadString(char (&buffer)[N], int* pLength = nullptr)
    {
        return ReadString(buffer, N, pLength);
    }

    // The writes return false without a stream, or when the stream refuses the bytes.
    bool WriteInt(int32_t value);
    bool WriteBool(bool value);
    bool WriteDouble(double value);
    // The bytes as they are, for fields whose length is known already.
    bool WriteBytes(const void* data, size_t size);
    // Length (4 bytes) and the bytes without terminator; null or empty writes a length of 0.
    bool WriteString(const char* text);
    // The text (null: none) followed by CR LF.
    bool WriteLine(const char* text);
    // Replaces 4 bytes written earlier at offset from the start (a count known only once what follows
    // it is written) and goes on writing at the end. False without a stream, for bytes not yet
    // written, or when the stream cannot seek or refuses the bytes. Not for "ab": appends always
    // land at the end.
    bool OverwriteInt(long offset, int32_t value);

    // True once a read since Open ran into the end of the file, i.e. a record was cut short.
    // Reading exactly up to the end does not set it.
    bool Eof() const { return m_bEof; }

    // True when no byte is left to read (or no file is open); the next read would hit the end.
    bool AtEnd();

    // Size in bytes of a regular file, at most INT32_MAX; -1 for a null or empty path or a file that
    // cannot be opened for reading.
    static int32_t GetFileSize(const char* path);

private:
    // A data file is read a field at a time, a few hundred fields a record: the fields come out of a
    // buffer of our own, and the stream (unbuffered for reading) is called once per buffer instead of
    // once per field.
    static constexpr size_t kReadBufferSize = 64 * 1024;

    bool ReadValue(void* value, size_t size)
    {
        if (m_pFile && value && m_readEnd - m_readPos >= size) {
            std::memcpy(value, m_pReadBuffer.get() + m_readPos, size);
            m_readPos += size;
            return true;
        }
        return ReadValueSlow(value, size);
    }
    bool ReadValueSlow(void* value, size_t size);
    // Up to size bytes into target, from the buffer and then the stream; the count copied.
    size_t ReadBytes(void* target, size_t size);
    // Refills the empty buffer; false at the end of the file or on a read error.
    bool FillBuffer();
    // Forgets what the buffer holds, for a stream moved elsewhere.
    void DropBuffer() { m_readPos = m_readEnd = 0; }
    void Skip(size_t count);

    FILE* m_pFile = nullptr;
    bool m_bEof = false;
    std::unique_ptr<unsigned char[]> m_pReadBuffer;
    size_t m_readPos = 0; // the next byte to hand out
    size_t m_readEnd = 0; // the end of the bytes read into the buffer
};
