// What a save deletes from a server is kept on this machine first, since a server may have no trash
// of its own: "<work folder>trash/<account>/<day>/<the item's path on the server>", for the owner
// only, with a line per item in "<day>/deleted-items.tsv" saying which address each file came from.
#pragma once

#include <string>

inline constexpr const char* kServerTrashIndex = "deleted-items.tsv";

// "trash/<account>/" for the address (in lower case), relative to the work folder. Its bytes that are
// not letters, digits or one of "@._+-" are written as %XX, and so is a leading dot, so every address
// gets a folder of its own that is a plain name.
std::string ServerTrashFolder(const std::string& email);
// The path of an item on the server as folders under the day's: each segment as it stands where it
// is a plain name, its other bytes (and a leading dot) as %XX; empty segments are left out. Empty when
// nothing is left.
std::string ServerTrashRelativePath(const std::string& itemPath);

class ServerTrash
{
public:
    // workFolder ends with '/'; day as TrashDayName gives it.
    ServerTrash(std::string workFolder, const std::string& email, std::string day);

    // Writes the item's text under its path (a free name beside it when taken, never replacing a
    // file) and notes it in the index. trashPath gets the file's path. False with the reason.
    bool Keep(const std::string& itemPath, const std::string& url, const std::string& etag, const std::string& text,
              std::string& trashPath, std::string& error);
    // Takes back a copy whose deletion the server refused: the item is still on the server, and a copy
    // in the trash would be restored over it. The index keeps its line, marked as taken back.
    void TakeBack(const std::string& trashPath);

    // "<workFolder>trash/<account>/<day>/".
    const std::string& DayFolder() const { return m_dayFolder; }

private:
    bool MakeFolders(const std::string& relative, std::string& why) const;
    void Note(const std::string& line) const;

    std::string m_workFolder;
    std::string m_accountFolder; // relative to the work folder
    std::string m_dayFolder;
};
