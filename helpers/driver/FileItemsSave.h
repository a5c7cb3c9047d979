// A save's deletions from one file of several items: the file is rewritten without them, or moved to
// the trash when none is left.
#pragma once

#include "helpers/account/AccountFolder.h"
#include "helpers/driver/HelperRun.h"

#include <cstdint>
#include <string>
#include <vector>

// One record marked for deletion that names an item of the file by its place.
struct PlacedDelete
{
    uint32_t record = 0; // 1-based position in the data file
    std::string place;   // FormatItemPlace's text
    std::string content; // the content identity of the whole file as the load saw it
};

// Deletes the items from the file, all or none of them: while the file still holds the bytes the
// load saw, the trash gets the file whole and the file keeps everything else byte for byte (written
// beside it, on the disk, then renamed over it); when every item of the file goes, the file is moved
// to the trash as a file of one item would be. A record whose place names no item that could be
// served keeps its item without stopping the others. Each refusal is reported to the session; the
// result holds, per delete, the reason it was not deleted, or an empty text when it was.
std::vector<std::string> DeleteFileItems(HelperRun& run, const ItemFile& file, const std::vector<PlacedDelete>& deletes,
                                         const std::string& day);

// Adds the deletion to the day's trash index (NoteTrashIndex); an index that cannot be written is
// logged, for the deletion is done and stays done.
void NoteDeletion(HelperRun& run, const std::string& day, const std::string& trashPath, const ItemFile& file,
                  const std::string& places);
