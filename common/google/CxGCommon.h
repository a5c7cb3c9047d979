// Everything a service utility needs to work with its helper program.
#pragma once

#include "common/google/CxCommWaitWindow.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/CxGAppDataReader.h"
#include "common/google/CxGAppParam.h"
#include "common/google/records/CxGDataFile.h"
