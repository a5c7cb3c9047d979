// Everything of the Google Notes kind: the note record, the common record layer and the service
// utility.
#pragma once

#include "common/google/CommNoteRecord.h"
#include "common/google/CxGNoteUtil.h"
#include "common/google/records/GNoteRecord.h"
