// What the fuzz targets share: the failing-property check, a scratch folder and a record's field image.
#pragma once

#include "common/platform/Platform.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

// A property that does not hold aborts, so libFuzzer keeps the input as a reproducer.
#define FUZZ_CHECK(condition)                                                                       \
    do {                                                                                            \
        if (!(condition)) {                                                                         \
            std::fprintf(stderr, "Property failed at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                           \
        }                                                                                           \
    } while (0)

namespace fuzz {

// A folder of this process's own for the files a target writes, ending with '/'; removed at exit.
const std::string& ScratchFolder();

// Writes bytes to a file of the scratch folder and returns its path.
std::string WriteScratchFile(const char* name, std::string_view bytes);
std::string ReadWholeFile(const std::string& path);

// Walks a record's data-file fields (GAddrRecordFields<FieldImage, const GAddrRecord> and the like):
// every text must be terminated within its field (and with requireUtf8 be valid UTF-8). The image
// holds each number's bytes and each text up to its terminator, so two records compare equal exactly
// when a save would write the same fields for both.
class FieldImage
{
public:
    explicit FieldImage(bool requireUtf8 = false)
        : m_requireUtf8(requireUtf8)
    {}

    template <class T>
    void Int(const T& value)
    {
        static_assert(sizeof(T) == 4);
        Append(&value, sizeof value);
    }
    template <class T>
    void Value(const T& value)
    {
        static_assert(sizeof(T) == 8);
        Append(&value, sizeof value);
    }
    void Text(const char* buffer, size_t capacity)
    {
        const void* end = std::memchr(buffer, '\0', capacity);
        FUZZ_CHECK(end != nullptr);
        const size_t length = static_cast<size_t>(static_cast<const char*>(end) - buffer);
        if (m_requireUtf8)
            FUZZ_CHECK(platform::IsValidUtf8(std::string_view(buffer, length)));
        const uint32_t stored = static_cast<uint32_t>(length);
        Append(&stored, sizeof stored);
        Append(buffer, length);
    }
    template <size_t N>
    void Text(const char (&buffer)[N])
    {
        Text(buffer, N);
    }

    const std::string& Image() const { return m_image; }

private:
    void Append(const void* data, size_t size) { m_image.append(static_cast<const char*>(data), size); }

    bool m_requireUtf8;
    std::string m_image;
};

template <class Record>
std::string ImageOf(const Record& record, void (*fields)(FieldImage&, const Record&), bool requireUtf8 = false)
{
    FieldImage image(requireUtf8);
    fields(image, record);
    return image.Image();
}

} // namespace fuzz
