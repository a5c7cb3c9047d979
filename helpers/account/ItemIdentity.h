// Tasks and notes have no text field of the helper's own, so a record carries its file's identity
// as two hashes of the file name in its two head values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ItemIdentity
{
    int32_t first;  // goes into nHeadValue1
    int32_t second; // goes into nHeadValue3
};

// Two independent 32-bit hashes of the name: a file is taken for a record only when both match, so
// a chance match of one hash never deletes the wrong file.
ItemIdentity IdentityOfName(std::string_view name);

enum class IdentityMatch { Found, None, Several };

// The one name among names with this identity; None or Several leave name empty.
IdentityMatch FindByIdentity(const std::vector<std::string>& names, ItemIdentity identity, std::string& name);
