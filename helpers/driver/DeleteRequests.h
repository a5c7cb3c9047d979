// What the records of a save's data file ask for: each record marked for deletion, with what it says
// of its item (a folder account's file, or a server's item).
#pragma once

#include "helpers/account/AccountFolder.h"
#include "helpers/account/ItemIdentity.h"
#include "helpers/base/ItemKind.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/driver/SaveResults.h"

#include <cstdint>
#include <string>
#include <vector>

// What a record marked for deletion says about its file.
struct DeleteRequest
{
    uint32_t record = 0; // 1-based position in the data file, for messages
    ItemFile item;       // contacts and events: the file named in the record
    std::string content; // contacts and events: the content identity the load wrote behind the name
    std::string place;   // an item of a file of several: where it lies in the file; empty for a file of one
    ItemIdentity identity{0, 0};
};

// The records of the data file marked for deletion, read whole or not at all: a record cut short or
// with a text out of bounds could name the wrong item, and a file missing its tail must not lead to a
// partial deletion the user never saw listed. False with the fault in error ("..., nothing deleted").
bool ReadSaveRequests(HelperKind kind, const std::string& path, std::vector<DeleteRequest>& requests,
                      std::string& error);

// Ends a save stopped on request before requests[first]: each request from there on that is not
// decided already (decided[i], where decided holds it) gets the reason, the result file is written,
// and the status and log say so with the number deleted.
RunResult StopSave(HelperSession& session, SaveResults& results, const std::vector<DeleteRequest>& requests,
                   size_t first, const std::vector<bool>& decided, size_t deleted);
