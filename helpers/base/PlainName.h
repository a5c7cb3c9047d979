// The one rule for every name a helper joins to a folder: data files, item files, calendar folders.
#pragma once

#include <string_view>

// A name that stays inside the folder it is joined to: not empty, no separator of either platform,
// no control character, not starting with '.' (so neither "." nor ".." nor a hidden file).
bool IsPlainName(std::string_view name);
