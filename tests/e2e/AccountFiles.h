// The files of an account folder the helpers serve, and the file behind each loaded record, for the
// whole-run tests that check what a deletion did to the account.
#pragma once

#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <map>
#include <string>

// Relative path (from the account folder) to contents, for every file of a folder tree.
using Snapshot = std::map<std::string, std::string>;

inline Snapshot TakeSnapshot(const std::filesystem::path& root)
{
    Snapshot files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), root).generic_string()] =
                TempDir::ReadFile(entry.path().string());
    return files;
}

// The files a trash day folder keeps, without the day's index of where each came from.
inline Snapshot TrashFiles(const std::filesystem::path& day)
{
    Snapshot files = TakeSnapshot(day);
    files.erase("deleted-items.tsv");
    return files;
}

// The file name in a helper text: the load writes the file's content identity behind a '/'.
inline std::string HelperFileName(const char* text)
{
    const std::string whole = text;
    return whole.substr(0, whole.find('/'));
}

// The file behind a record, as the helpers name it in their own fields.
inline std::string ContactFile(const GAddrRecord& contact)
{
    return "contacts/" + HelperFileName(contact.szHelperText);
}

inline std::string EventFile(const GDateRecord& event)
{
    const std::string folder = event.szHelperTextC[0] ? std::string(event.szHelperTextC) + "/" : "";
    return "calendar/" + folder + HelperFileName(event.szHelperTextB);
}

// The one dated folder under the account's trash; empty when there is none or more than one.
inline std::filesystem::path TrashDay(const std::filesystem::path& account)
{
    std::filesystem::path day;
    int days = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(account / ".trash", error)) {
        day = entry.path();
        ++days;
    }
    return days == 1 ? day : std::filesystem::path();
}
