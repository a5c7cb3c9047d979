// Deleting an item from an account folder: the file is moved into the account's .trash folder, under
// the day of the deletion, never unlinked, so the user can move it back.
#pragma once

#include "common/platform/Platform.h"
#include "helpers/account/AccountFolder.h"

#include <string>

// "YYYY-MM-DD" of the local date today: the trash folder of a run.
std::string TrashDayName();

// Whether the item may go to the trash: plain names, a file name the load could list (the kind's
// extension, in the kind folder or a calendar subfolder), no folder link on the way (the load follows
// none), and a regular file there. False with the reason in error.
bool IsTrashableItem(const AccountFolder& account, const ItemFile& item, std::string& error);

// Whether the trash can take the kind's items on that day: ".trash/" and the folders in it down to the
// kind's, where they exist, are real folders of the account, not links or files. False with "Nothing
// deleted: " and the reason in error; a save checks this before it moves anything.
bool IsTrashUsable(const AccountFolder& account, const std::string& day, std::string& error);

// Moves the item to "<account>.trash/<day>/<kind>/<subfolder>/<name>", creating the folders (for the
// owner only, 0700). A name
// already taken there gets a numeric suffix ("a-1.vcf"); nothing is overwritten, not even a file
// that appears there while the move is under way. False, with the reason in error, for an item
// IsTrashableItem refuses, a folder on the way that is a link or not a folder, or a move that fails.
bool MoveToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, std::string& error);
// The same, telling the path the file took in the trash (a clash gives "a-1.vcf"), for its index line.
bool MoveToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, std::string& trashPath,
                 std::string& error);

// Puts a copy of the item into the trash where MoveToTrash would move it, and leaves the item where it
// is: for a file about to be rewritten without some of its items, so that the trash keeps it whole.
// bytes is what the item holds (as the caller read it), written with the item's permission bits and
// the modification time given; trashPath gets the copy's path. False, with the reason in error, as
// MoveToTrash, and for an item that is itself a link.
bool CopyToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, const std::string& bytes,
                 const platform::FileTime& modified, std::string& trashPath, std::string& error);

// The index of a day's trash, "<account>.trash/<day>/deleted-items.tsv": one line per trash file,
// "<file relative to the day folder>\t<original path relative to the account>\t<deleted at>\t<places>",
// places empty for a file moved whole, else the FormatItemPlace texts of the items deleted from a
// rewritten file joined by kTrashPlaceSeparator. A restore appends "<file>\t(restored)\t<time>\t<places>".
inline constexpr const char* kTrashIndexName = "deleted-items.tsv";
inline constexpr const char* kTrashRestoredMark = "(restored)";
// A place escapes blanks (FormatItemPlace), so a blank never falls inside one.
inline constexpr char kTrashPlaceSeparator = ' ';
// Appends one line to the day's index (created 0600, never written through a link). trashPath is the
// trash file's full path, as MoveToTrash or CopyToTrash gave it. False with the reason in error: the
// caller logs it, for an index that cannot be written never undoes a deletion.
bool NoteTrashIndex(const AccountFolder& account, const std::string& day, const std::string& trashPath,
                    const std::string& second, const std::string& deletedAt, const std::string& places,
                    std::string& error);

// Creates a file with these bytes, mode and time under name in folder (ending with '/'), or else under
// the first free TrashCandidateName of it; nothing is replaced, not even a file that appears there
// meanwhile. 0 with the path taken in path, or the errno of the failure: EEXIST when no name is free.
int CreateUnderFreeName(const std::string& folder, const std::string& name, const std::string& bytes, unsigned mode,
                        const platform::FileTime& modified, std::string& path);

// The name of the attempt-th try: name itself for 0, then "stem-1.ext", "stem-2.ext"... with the stem
// cut (never inside a UTF-8 character) so that the name stays within the 255 bytes a file name may
// hold.
std::string TrashCandidateName(const std::string& name, int attempt);
