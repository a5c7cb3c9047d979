#include "helpers/base/ItemKind.h"

const ItemKindInfo& KindInfo(HelperKind kind)
{
    // In the order of HelperKind.
    static const ItemKindInfo kinds[kHelperKindCount] = {
        {"contacts", ".vcf", "contacts", "vCard", nullptr},
        {"calendar", ".ics", "events", "event", "VEVENT"},
        {"tasks", ".ics", "tasks", "task", "VTODO"},
        {"notes", ".ics", "notes", "note", "VJOURNAL"},
    };
    return kinds[static_cast<int>(kind)];
}
