#include "helpers/base/PlainName.h"

bool IsPlainName(std::string_view name)
{
    if (name.empty() || name.front() == '.')
        return false;
    for (const char c : name) {
        // A backslash is a separator to the app's side of the world; control characters (a line
        // break above all) would garble the INI error file and the log.
        if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}
