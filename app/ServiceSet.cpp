#include "app/ServiceSet.h"

CxGAddrUtil* g_pAddrUtil = nullptr;
CxList* g_pAddrDupList = nullptr;
CxGDateUtil* g_pDateUtil = nullptr;
CxList* g_pDateDupList = nullptr;
