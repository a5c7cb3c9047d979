// Deleting an item from an account folder: the file is moved into the account's .trash folder, under
// the day of the deletion, never unlinked, so the user can move it back.
#pragma once

#include "helpers/AccountFolder.h"

#include <string>

// "YYYY-MM-DD" of the local date today: the trash folder of a run.
std::string TrashDayName();

// Moves the item to "<account>.trash/<day>/<kind>/<subfolder>/<name>", creating the folders. A name
// already taken there gets a numeric suffix ("a-1.vcf"); nothing is overwritten. False, with the
// reason in error, for a name or subfolder that is not plain, an item that is not a file in the
// kind folder, or a move that fails.
bool MoveToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, std::string& error);

// The first of name, "stem-1.ext", "stem-2.ext"... not present in folder; empty when all are taken.
std::string FreeTrashName(const std::string& folder, const std::string& name);
