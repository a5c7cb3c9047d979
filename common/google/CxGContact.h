// Everything of the Google Contacts kind: the contact record, its field table, the common record
// layer and the contacts service utility.
#pragma once

#include "common/google/CommAddrRecord.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/records/GAddrRecord.h"
