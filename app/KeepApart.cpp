#include "app/KeepApart.h"

#include "app/core/NotDuplicates.h"
#include "common/google/records/GAddrRecord.h"
#include "common/google/records/GDateRecord.h"
#include "common/misc/CxDebugUtil.h"

#include <string>

namespace {

// Both kinds go the same way; only the identity, the label and the kind differ.
template <class Record, class IdentityOf>
bool CanKeep(PairKind kind, const Record& record, IdentityOf identityOf)
{
    if (!record.pKept)
        return false;
    const std::string a = identityOf(record);
    const std::string b = identityOf(*record.pKept);
    return !a.empty() && !b.empty() && a != b && !g_notDuplicates.Contains(kind, a, b);
}

template <class Record, class IdentityOf, class LabelOf>
bool Keep(PairKind kind, const Record& record, IdentityOf identityOf, LabelOf labelOf)
{
    if (!CanKeep(kind, record, identityOf))
        return false;
    const Record& kept = *record.pKept;
    if (!g_notDuplicates.Add(kind, identityOf(record), identityOf(kept), labelOf(record), labelOf(kept)))
        return false;
    if (!g_notDuplicates.Save())
        g_debugLog.Print(0, __FILE__, __LINE__, "Could not save the pairs kept apart (%s).", kNotDuplicatesFile);
    return true;
}

} // namespace

bool CanKeepApart(const GAddrRecord& record)
{
    return CanKeep(PairKind::Contact, record, ContactIdentity);
}

bool CanKeepApart(const GDateRecord& record)
{
    return CanKeep(PairKind::Event, record, EventIdentity);
}

bool KeepApart(const GAddrRecord& record)
{
    return Keep(PairKind::Contact, record, ContactIdentity, ContactLabel);
}

bool KeepApart(const GDateRecord& record)
{
    return Keep(PairKind::Event, record, EventIdentity, EventLabel);
}
