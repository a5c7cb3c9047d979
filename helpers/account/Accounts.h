// Which account serves an e-mail address: "accounts.ini" in the work folder, one section per address
// with its "Folder" and "Password" for a local folder, or its "Url" (and "User") for a CardDAV/CalDAV
// server; and the demo account installed on its first use.
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

// An account kept on a server. The password is the one the user typed: it goes to the server and is
// never stored.
struct ServerAccount
{
    std::string url;
    std::string user;              // "User", else the e-mail address
    std::string caFile;            // "CaFile": a certificate that signs the server's, for one of the user's own
    bool verifyCertificate = true; // "VerifyCertificate=no" turns checking off, only when written so
    long timeoutSeconds = 60;      // "Timeout", 1 to 3600
};

struct AccountPlace
{
    bool onServer = false;
    std::string folder; // a folder account's folder, ending with '/'
    ServerAccount server;
};

// The account for the address: a folder as FindAccount finds it, or a server. A server section's
// values are checked here, so that a mistake in them is told before anything is sent: a section with
// both Folder and Url, an address that is not http:// or https://, plain http to another machine than
// this one without "AllowUnencrypted=yes" (the password would cross the network readable), a bad
// Timeout or VerifyCertificate, a CaFile that is not there.
bool FindAccountPlace(const std::string& workFolder, const std::string& programFolder, const std::string& email,
                      const std::string& password, AccountPlace& place, std::string& error);

// Copies "<programFolder>demo/" into the work folder (unless a copy is there already) and adds the
// demo section to accounts.ini. The shipped folder is only ever read.
bool InstallDemoAccount(const std::string& workFolder, const std::string& programFolder, std::string& error);
