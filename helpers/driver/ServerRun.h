// One load or save of an account kept on a CardDAV or CalDAV server, once the parameters are read
// and the account is found: the server's side of what HelperRun is for a folder.
#pragma once

#include "helpers/dav/DavClient.h"
#include "helpers/driver/HelperParams.h"
#include "helpers/driver/HelperRun.h"
#include "helpers/driver/HelperSession.h"

#include <chrono>
#include <string>
#include <thread>

struct ServerRun
{
    HelperSession& session;
    const HelperParams& params;
    DavClient& dav;
    int itemDelayMs = 0; // for testing: a pause after each batch, so a stop request can come midway

    void PauseAfterBatch() const
    {
        if (itemDelayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(itemDelayMs));
    }
};

// How many items one multiget asks for: few enough that the progress moves and a stop request is
// honoured soon, enough that a large address book is not thousands of requests.
inline constexpr size_t kServerBatchItems = 100;

// Load: discovers the collections, lists their items and reads them in batches into the data file
// (and the calendar list), whole or not at all. The record's helper text carries the item's address
// and ETag (see ServerHelperText).
RunResult LoadServerAccount(ServerRun& run);
// Save: the account's collections are found again, and each record marked for deletion that names an
// item of one of them is read from the server once more, kept in the local trash (ServerTrash.h), and
// deleted only while its ETag is the one the load saw.
RunResult SaveServerAccount(ServerRun& run);

// The reason a record is not deleted when the server's item is no longer the version loaded.
std::string ChangedOnServerError(const std::string& path);

// "<address escaped as EscapeItemPath does>/<ETag>": the app takes what stands before the first '/'
// for the item's name, and an address holds many.
std::string ServerHelperText(const std::string& url, const std::string& etag);
