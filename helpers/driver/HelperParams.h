// Reading the parameter file the app hands to a helper program, and the settings it carries.
#pragma once

#include "helpers/base/ItemKind.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// More than the app ever writes; anything beyond is a damaged file, not a longer list.
inline constexpr uint32_t kMaxParamEntries = 256;
inline constexpr int32_t kMaxParamTextBytes = 1023;

struct ParamEntry
{
    int32_t key = 0;
    int32_t type = 0;
    int32_t number = 0; // types 3, 5 and 11
    std::string text;   // type 8
};

// Splits the bytes of a parameter file into its entries. False, with the fault in error, when the
// file is cut short, a count or length is out of bounds or a key repeats.
bool ParseParamBytes(std::string_view bytes, std::vector<ParamEntry>& entries, std::string& error);
// The same from a file; a missing or unreadable file is a fault too.
bool ReadParamFile(const std::string& path, std::vector<ParamEntry>& entries, std::string& error);

struct HelperParams
{
    std::string email;
    std::string password;
    std::string workFolder; // ends with '/'
    std::string dataFile;
    std::string calendarFile; // calendar only
    std::string errorFile;    // empty: errors go to the standard error stream and the log only
    std::string statusFile;   // empty: no progress texts
    std::string logFolder;
    std::string logFile;
    std::string options; // PARAM_OPTIONS: emptying the trash takes its days from it
    int operation = 0;
    int logLevel = 0;
    bool logEnabled = false;
};

// Takes the settings of the kind from the entries. Each file name in the work folder must be the one
// the helper contract gives the kind for its key (or empty where the file is optional). False with
// the first fault in error; the work folder and the error and log settings are taken first and kept
// when they are sound, so the fault can still be reported where the app looks for it.
bool TakeHelperParams(const std::vector<ParamEntry>& entries, HelperKind kind, HelperParams& params,
                      std::string& error);
