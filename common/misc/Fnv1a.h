// FNV-1a, the project's one small non-cryptographic hash: the helpers' item identities and the
// duplicate scan's record keys. Each call goes on from the hash it is given, so a caller can hash
// piece by piece, or start from a basis of its own for a second, independent hash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr uint32_t kFnv1a32Basis = 2166136261u;
inline constexpr uint64_t kFnv1a64Basis = 14695981039346656037ull;

constexpr uint32_t Fnv1a32(std::string_view bytes, uint32_t hash = kFnv1a32Basis)
{
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 16777619u;
    }
    return hash;
}

// Named apart from the text form: with one name, Fnv1a64("text", hash) would take the hash for a size.
inline uint64_t Fnv1a64Bytes(const void* bytes, size_t size, uint64_t hash = kFnv1a64Basis)
{
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) {
        hash ^= p[i];
        hash *= 1099511628211ull;
    }
    return hash;
}

inline uint64_t Fnv1a64(std::string_view bytes, uint64_t hash = kFnv1a64Basis)
{
    return Fnv1a64Bytes(bytes.data(), bytes.size(), hash);
}
