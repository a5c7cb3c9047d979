// Which local folder serves an e-mail address: "accounts.ini" in the work folder, one section per
// address with its "Folder" and "Password"; and the demo account installed on its first use.
#pragma once

#include <string>

inline constexpr const char* kAccountsFileName = "accounts.ini";
inline constexpr const char* kDemoAddress = "demo@example.com";
inline constexpr const char* kDemoPassword = "demo";

// The account folder (ending with '/') for the address, compared without regard to case, when the
// password matches. False with the reason in error for an unknown address, a wrong password, or a
// folder that is not there. The demo address without a section of its own installs the demo from
// programFolder first.
bool FindAccount(const std::string& workFolder, const std::string& programFolder, const std::string& email,
                 const std::string& password, std::string& folder, std::string& error);

// Copies "<programFolder>demo/" into the work folder (unless a copy is there already) and adds the
// demo section to accounts.ini. The shipped folder is only ever read.
bool InstallDemoAccount(const std::string& workFolder, const std::string& programFolder, std::string& error);
