// Everything of the application that works without a window: settings, data folder, service set and
// the duplicate scans.
#pragma once

#include "app/core/AppSettings.h"
#include "app/core/ContactScan.h"
#include "app/core/DuplicateRule.h"
#include "app/core/DuplicateScan.h"
#include "app/core/EventScan.h"
#include "app/core/ItemScan.h"
#include "app/core/ServiceSet.h"
