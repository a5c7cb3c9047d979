// Where an item lies in a file that holds several (an address-book or calendar export), as a record
// carries it between the load and the save.
#pragma once

#include "helpers/account/ItemContent.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The place follows the file name behind a backslash, before the content identity:
// "<file name>\<place>/<content identity>". A plain file name holds no backslash (nor a '/'), so a
// record of a single-item file, which has no place, reads exactly as before; and the text up to
// the first '/' (what the app keys an item by) differs for every item of one file.
inline constexpr char kPlaceSeparator = '\\';

struct ItemPlace
{
    // By UID when the item has one: "uid=<UID>", and "uid=<UID>;<copy>" for the second and later item
    // of the file with the same UID (two copies of one card in one export). The UID is written with
    // '%', '/', '\', ';', blanks, control and non-ASCII bytes as %XX, so the place is one plain line.
    std::string uid;
    size_t copy = 1;
    // Without a UID: "pos=<position>;<hash>", the item's position in the file (from 1) and an FNV-1a
    // hash of its bytes. When an item before it goes, its position changes and with it its place: the
    // app then sees a new item, and what it remembered of the old place (a pair kept apart) is
    // forgotten rather than passed on to whatever item moved into that position.
    size_t position = 0;
    uint32_t hash = 0;
    // A file left with one item is a file of one item again: its record carries no place, and the app
    // sees that item as new too.

    bool operator==(const ItemPlace&) const = default;
};

// A place by UID longer than this (a UID of about a thousand bytes) is made a place by position: the
// place must leave room for the file name and the content identity in the record's 4096-byte text.
inline constexpr size_t kMaxPlacedUidBytes = 1024;

std::string FormatItemPlace(const ItemPlace& place);
// Takes exactly what FormatItemPlace writes; false for anything else.
bool ParseItemPlace(std::string_view text, ItemPlace& place);

// "<name>\<place>", or the name alone for an empty place.
std::string NameWithPlace(std::string_view name, std::string_view place);
// The file name, and the place behind it (empty when there is none).
void SplitNameAndPlace(std::string_view text, std::string& name, std::string& place);

// A task's or note's head values for an item of a file of several: the first is the file name's first
// hash as for any file, the second covers the place too. With an empty place, IdentityOfItem.
ItemIdentity IdentityOfPlacedItem(std::string_view name, std::string_view place, const ContentIdentity& identity);
