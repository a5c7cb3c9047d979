#include "app/ServiceSet.h"

CxGAddrUtil* g_pAddrUtil = nullptr;
CxList* g_pAddrDupList = nullptr;
