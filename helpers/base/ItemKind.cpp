#include "helpers/base/ItemKind.h"

const ItemKindInfo& KindInfo(ItemKind kind)
{
    // Tasks and notes are started without error, status and stop-request files.
    static const ItemKindInfo kinds[] = {
        {"Ombracon.exe", "contacts", ".vcf", "contacts", "vCard", "GAddrData.ini", nullptr},
        {"Ombracal.exe", "calendar", ".ics", "events", "event", "GDateData.ini", "VEVENT"},
        {"Ombratsk.exe", "tasks", ".ics", "tasks", "task", nullptr, "VTODO"},
        {"Ombranot.exe", "notes", ".ics", "notes", "note", nullptr, "VJOURNAL"},
    };
    return kinds[static_cast<int>(kind)];
}
