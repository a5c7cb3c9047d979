// Everything of the Google Tasks kind: the task record, the common record layer and the service
// utility.
#pragma once

#include "common/google/CommTaskRecord.h"
#include "common/google/CxGTaskUtil.h"
#include "common/google/records/GTaskRecord.h"
