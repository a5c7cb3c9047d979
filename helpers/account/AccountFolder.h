// The item files of one kind in an account folder, as the helpers find them.
#pragma once

#include "helpers/base/ItemKind.h"

#include <string>
#include <vector>

struct ItemFile
{
    std::string subfolder; // calendar subfolder; empty for the kind folder itself
    std::string name;      // plain file name
};

struct CalendarFolder
{
    std::string subfolder;   // empty for calendar/ itself
    std::string displayName; // the subfolder name, "Calendar", or a "displayname" file's text
    std::string color;       // a "color" file's text, or empty
};

class AccountFolder
{
public:
    // account ends with '/'.
    AccountFolder(std::string account, HelperKind kind);

    // Every item file of the kind, sorted by name so the order is stable from run to run; the
    // calendar's own files come first, then each calendar subfolder's, subfolders by name. A missing
    // kind folder holds no items; folders that cannot be read, and folder links (never followed, see
    // LinkProblem), add a line each to problems.
    std::vector<ItemFile> Items(std::vector<std::string>& problems) const;
    // Whether the kind folder can be listed: true when it can, is missing (nothing of the kind) or is
    // a link (which Items reports and passes over); else false with "The folder ... cannot be read".
    bool IsReadable(std::string& fault) const;
    // The calendar kind's calendars: calendar/ itself when it exists, then each direct subfolder that
    // holds item files. Folders that cannot be read are left to Items() to report.
    std::vector<CalendarFolder> Calendars() const;
    // The same for the items a load found with Items(), without listing the folders again.
    std::vector<CalendarFolder> Calendars(const std::vector<ItemFile>& items) const;
    // The names of the item files directly in one folder of the kind ("" for the kind folder); none,
    // with the reason in problem, for a folder behind a link.
    std::vector<std::string> ItemNames(const std::string& subfolder, std::string& problem) const;
    // Empty when the kind folder and the subfolder are real folders (or missing); else the line that
    // says which of them is a link and where to, and so is not served. Links within the account are
    // not followed either: calendar/alias -> calendar/work would serve each event twice, as a
    // duplicate of itself, and deleting one copy would delete the only file.
    std::string LinkProblem(const std::string& subfolder) const;
    // Whether a path, resolved, lies within the account folder's real path.
    bool Contains(const std::string& path) const;
    // Whether Items() could list a file of this name: a plain name with the kind's extension, in the
    // kind folder or (calendar only) a plain-named subfolder of it. Says nothing of the file itself.
    bool IsItemName(const ItemFile& item) const;

    const std::string& Account() const { return m_account; }
    HelperKind Kind() const { return m_kind; }
    // "<account><kind>/" and "<account><kind>/<subfolder>/".
    std::string KindPath() const;
    std::string FolderPath(const std::string& subfolder) const;
    std::string ItemPath(const ItemFile& item) const { return FolderPath(item.subfolder) + item.name; }
    // "<kind>/<subfolder>/" and "<kind>/<subfolder>/<name>": how messages and the trash name them.
    std::string RelativeFolder(const std::string& subfolder) const;
    std::string RelativePath(const ItemFile& item) const { return RelativeFolder(item.subfolder) + item.name; }

private:
    std::string m_account;
    std::string m_realAccount; // the account folder resolved, ending with '/'
    HelperKind m_kind;
};
