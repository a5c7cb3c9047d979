// What a save deletes from a server is kept on this machine first, since a server may have no trash
// of its own: "<work folder>trash/<account>/<day>/<the item's path on the server>", for the owner
// only, with a line per item in "<day>/deleted-items.tsv" saying which address each file came from and
// when it was deleted; later lines mark a copy taken back or restored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kServerTrashIndex = "deleted-items.tsv";

// "trash/<account>/" for the address (in lower case), relative to the work folder. Its bytes that are
// not letters, digits or one of "@._+-" are written as %XX, and so is a leading dot, so every address
// gets a folder of its own that is a plain name.
std::string ServerTrashFolder(const std::string& email);
// The path of an item on the server as folders under the day's: each segment as it stands where it
// is a plain name, its other bytes (and a leading dot) as %XX; empty segments are left out. Empty when
// nothing is left.
std::string ServerTrashRelativePath(const std::string& itemPath);

// What a day's index says of one file of the day folder, the lines after its first one included: a
// later line marks it restored or taken back, and a file whose name came free again may be kept anew.
struct ServerTrashEntry
{
    enum class State { Kept, Restored, TakenBack };
    std::string file;      // relative to the day folder
    std::string url;       // where it was on the server
    std::string etag;      // the ETag it had there
    std::string deletedAt; // "YYYY-MM-DD HH:MM:SS", or the day alone for a line of an older index
    State state = State::Kept;
};
// The entries of "<dayFolder>deleted-items.tsv" in the order of their last keeping; day stands for
// the time of lines written before the index had a time column. A missing index, or one that is a
// link, reads as empty.
std::vector<ServerTrashEntry> ReadServerTrashIndex(const std::string& dayFolder, const std::string& day);
// Whether relative is a path Keep can have written under a day folder: segments that are plain
// names (no "." or "..", nothing empty), so it never leads out of the day folder.
bool IsServerTrashRelative(const std::string& relative);
// The regular files under the day folder, relative to it and sorted; the index, links and whatever
// lies behind a link are left out.
std::vector<std::string> ServerTrashFiles(const std::string& dayFolder);

class ServerTrash
{
public:
    // workFolder ends with '/'; day as TrashDayName gives it.
    ServerTrash(std::string workFolder, const std::string& email, std::string day);

    // Writes the item's text under its path (a free name beside it when taken, never replacing a
    // file) and notes it in the index, deleted at that time (DeletionTimeNow's form). trashPath gets
    // the file's path. False with the reason.
    bool Keep(const std::string& itemPath, const std::string& url, const std::string& etag, const std::string& text,
              const std::string& deletedAt, std::string& trashPath, std::string& error);
    // Takes back a copy whose deletion the server refused: the item is still on the server, and a copy
    // in the trash would be restored over it. The index keeps its line, marked as taken back.
    void TakeBack(const std::string& trashPath);
    // The item of file (relative to the day folder) is on the server again: its copy goes, and the
    // index notes it restored at that time so no listing offers it again.
    void Restored(const std::string& file, const std::string& at);
    // Removes the files (relative to the day folder, as ServerTrashFiles gives them) and every index
    // line naming them, then the folders they leave empty; a day folder left with nothing but its index
    // goes with it. The count removed; bytes gets their size.
    uint64_t Remove(const std::vector<std::string>& files, uint64_t& bytes);

    // "<workFolder>trash/<account>/<day>/".
    const std::string& DayFolder() const { return m_dayFolder; }

private:
    bool MakeFolders(const std::string& relative, std::string& why) const;
    void Note(const std::string& line) const;

    std::string m_workFolder;
    std::string m_accountFolder; // relative to the work folder
    std::string m_dayFolder;
};
