// The service set: one service utility and one duplicate list per application, which the pages, the
// scans and the detail dialogs work on. Null until the account page loads the chosen applications.
#pragma once

#include "common/misc/CxList.h"

class CxGAddrUtil;
class CxGDateUtil;

extern CxGAddrUtil* g_pAddrUtil;
// Contacts found as duplicates or ticked for deletion; the records belong to g_pAddrUtil.
extern CxList* g_pAddrDupList;

extern CxGDateUtil* g_pDateUtil;
// Events found as duplicates or ticked for deletion; the records belong to g_pDateUtil.
extern CxList* g_pDateDupList;
