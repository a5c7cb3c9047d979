// The four kinds of item a helper program serves, and what differs between them.
#pragma once

enum class ItemKind { Contacts, Calendar, Tasks, Notes };

struct ItemKindInfo
{
    const char* program;   // the program's file name, as the app starts it
    const char* folder;    // the kind's folder in the account, without separator
    const char* extension; // of the item files, with its dot
    const char* items;     // plural used in progress texts and messages
    const char* item;      // what a file must hold to be read
    const char* stopFile;  // the stop-request INI file in the work folder; null for none
    const char* component; // the iCalendar component read; null for contacts
};

const ItemKindInfo& KindInfo(ItemKind kind);
