// What an item file held when the load listed it, so that a save deletes only the content the user
// saw: its size, modification time and a hash of its bytes.
#pragma once

#include "common/google/records/HelperContract.h"
#include "helpers/account/ItemIdentity.h"

#include <cstdint>
#include <string>
#include <string_view>

struct ContentIdentity
{
    uint64_t size = 0;
    int64_t modified = 0; // nanoseconds of the file clock; only ever compared on the same machine
    uint64_t hash = 0;    // FNV-1a, 64 bits, over the bytes

    bool operator==(const ContentIdentity&) const = default;
};

ContentIdentity IdentityOfContent(std::string_view bytes, int64_t modified);
// False with the fault when the file's time cannot be read.
bool FileModifiedTime(const std::string& path, int64_t& modified, std::string& fault);
// The same value from a time the caller already has from the file's status (seconds since 1970 and
// the nanoseconds within); false with the fault FileModifiedTime gives for a time past what the file
// clock holds in nanoseconds.
bool FileClockTime(int64_t seconds, int64_t nanoseconds, int64_t& modified, std::string& fault);

// "<size>:<modified>:<hash in 16 hex digits>"; Parse takes exactly that form and nothing else.
std::string FormatContentIdentity(const ContentIdentity& identity);
bool ParseContentIdentity(std::string_view text, ContentIdentity& identity);

// Contacts and events carry "<file name>/<content identity>" where they carried the name alone: a
// plain file name never holds a '/', so the name ends at the first one. A text without it is a
// record of a helper that knew no content identity.
inline constexpr char kContentSeparator = kItemContentSeparator;
std::string NameWithContent(std::string_view name, const ContentIdentity& identity);
// The name, and what follows the separator (empty when there is none).
void SplitNameAndContent(std::string_view text, std::string& name, std::string& content);

// Tasks and notes have only their two head values: the first keeps the name's first hash (so the
// save finds the candidates by name), the second becomes a 32-bit hash over the name and the
// content identity, replacing the name's second hash.
ItemIdentity IdentityOfItem(std::string_view name, const ContentIdentity& identity);
