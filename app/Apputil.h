// Everything of the application that works without a window: settings, data folder, service set and
// the duplicate scans.
#pragma once

#include "app/AppSettings.h"
#include "app/ContactScan.h"
#include "app/DuplicateRule.h"
#include "app/DuplicateScan.h"
#include "app/EventScan.h"
#include "app/NoteScan.h"
#include "app/ServiceSet.h"
#include "app/TaskScan.h"
