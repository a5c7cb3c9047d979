#include "helpers/account/Accounts.h"

#include "common/misc/CxIniUtil.h"
#include "common/platform/Platform.h"
#include "helpers/base/HelperText.h"
#include "helpers/dav/DavUrl.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string_view>

namespace fs = std::filesystem;

namespace {

// Stands for a key that is not there; no accounts.ini holds it as a value.
constexpr const char* kAbsent = "\x01";

// An address that could not be a section header reads as no account at all.
bool UsableAddress(const std::string& email)
{
    return !email.empty() && email.find_first_of("[]\r\n") == std::string::npos;
}

std::string ReadAccountValue(CxIniUtil& accounts, const std::string& email, const char* key)
{
    // Room for any path this machine takes; the INI value is cut, never overflowed.
    auto value = std::make_unique<char[]>(4096);
    accounts.ReadEntry(email.c_str(), key, value.get(), 4096, kAbsent);
    return value.get();
}

std::string AccountFolder(const std::string& workFolder, const std::string& folder)
{
    std::string path = folder.front() == '/' ? folder : workFolder + folder;
    if (path.back() != '/')
        path += '/';
    return path;
}

// Where the demo is copied. When the work folder is the program folder, "demo" there is the shipped
// copy itself, and deleting from it would change what ships; the copy then gets a name of its own.
std::string DemoFolderName(const std::string& workFolder, const std::string& programFolder)
{
    std::error_code ec;
    return fs::equivalent(workFolder + "demo", programFolder + "demo", ec) ? "demo-account" : "demo";
}

bool CopyDemo(const fs::path& shipped, const fs::path& target, std::string& error)
{
    // Copied under a temporary name and renamed, so an interrupted copy is never taken for the demo.
    fs::path partial = target;
    partial += ".partial";
    std::error_code ec;
    fs::remove_all(partial, ec);
    fs::copy(shipped, partial, fs::copy_options::recursive, ec);
    if (!ec)
        fs::rename(partial, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove_all(partial, ignored);
        error = Format("Cannot install the demo account in %s: %s", target.c_str(), ec.message().c_str());
        return false;
    }
    return true;
}

// Where no account may be: the whole file system or the home folder would have a load list, and a
// save move, files that were never the user's contacts or events. Empty when the folder is usable.
std::string RefusedFolder(const std::string& path)
{
    std::error_code ec;
    const fs::path real = fs::canonical(path, ec);
    if (ec)
        return Format("The account folder %s cannot be read: %s", path.c_str(), ec.message().c_str());
    if (real == real.root_path())
        return Format("The account folder must not be the root of the file system: %s", path.c_str());
    const std::string home = platform::HomeFolder();
    if (!home.empty() && fs::equivalent(real, home, ec))
        return Format("The account folder must not be your home folder: %s", path.c_str());
    // A folder that cannot be listed would load as an account with nothing in it.
    fs::directory_iterator listing(real, ec);
    if (ec)
        return Format("The account folder %s cannot be read: %s", path.c_str(), ec.message().c_str());
    return {};
}

} // namespace

bool InstallDemoAccount(const std::string& workFolder, const std::string& programFolder, std::string& error)
{
    const fs::path shipped = programFolder + "demo";
    std::error_code ec;
    if (!fs::is_directory(shipped, ec)) {
        error = Format("The demo account is missing: %s", shipped.c_str());
        return false;
    }
    const std::string name = DemoFolderName(workFolder, programFolder);
    const fs::path target = workFolder + name;
    if (!fs::exists(target, ec) && !CopyDemo(shipped, target, error))
        return false;
    CxIniUtil accounts(workFolder.c_str(), kAccountsFileName);
    // It holds every account's password.
    accounts.SetOwnerOnly(true);
    if (!accounts.WriteEntry(kDemoAddress, "Folder", name.c_str()) ||
        !accounts.WriteEntry(kDemoAddress, "Password", kDemoPassword)) {
        error = Format("Cannot write %s%s", workFolder.c_str(), kAccountsFileName);
        return false;
    }
    return true;
}

namespace {

bool SameText(std::string_view a, std::string_view b)
{
    return CxIniUtil::SameName(a, b);
}

bool ReadServerSettings(CxIniUtil& accounts, const std::string& workFolder, const std::string& email,
                        ServerAccount& server, std::string& error)
{
    // Read by the parser the helpers send requests by: a second parser here could see another host
    // in the same text than the one the password goes to.
    const std::string origin = UrlOrigin(server.url);
    const bool https = origin.rfind("https://", 0) == 0;
    if (origin.empty()) {
        error = Format("The server address for %s in %s must begin with https:// or http://: %s", email.c_str(),
                       kAccountsFileName, server.url.c_str());
        return false;
    }
    if (!https && !IsLoopbackHost(UrlHost(server.url)) &&
        !SameText(ReadAccountValue(accounts, email, "AllowUnencrypted"), "yes")) {
        error = Format("The server address for %s is http://, which would send your password unencrypted; use "
                       "https://, or write AllowUnencrypted=yes into its section of %s",
                       email.c_str(), kAccountsFileName);
        return false;
    }
    const std::string user = ReadAccountValue(accounts, email, "User");
    server.user = user == kAbsent || user.empty() ? email : user;
    const std::string verify = ReadAccountValue(accounts, email, "VerifyCertificate");
    if (verify != kAbsent && !SameText(verify, "yes") && !SameText(verify, "no")) {
        error = Format("VerifyCertificate for %s in %s must be yes or no", email.c_str(), kAccountsFileName);
        return false;
    }
    server.verifyCertificate = !SameText(verify, "no");
    const std::string timeout = ReadAccountValue(accounts, email, "Timeout");
    if (timeout != kAbsent) {
        char* end = nullptr;
        const long seconds = std::strtol(timeout.c_str(), &end, 10);
        if (timeout.empty() || *end != '\0' || seconds < 1 || seconds > 3600) {
            error = Format("Timeout for %s in %s must be a number of seconds from 1 to 3600", email.c_str(),
                           kAccountsFileName);
            return false;
        }
        server.timeoutSeconds = seconds;
    }
    const std::string caFile = ReadAccountValue(accounts, email, "CaFile");
    if (caFile != kAbsent && !caFile.empty()) {
        server.caFile = caFile.front() == '/' ? caFile : workFolder + caFile;
        std::error_code ec;
        if (!fs::is_regular_file(server.caFile, ec)) {
            error = Format("The certificate file for %s is not there: %s", email.c_str(), server.caFile.c_str());
            return false;
        }
    }
    return true;
}

} // namespace

bool FindAccount(const std::string& workFolder, const std::string& programFolder, const std::string& email,
                 const std::string& password, std::string& folder, std::string& error)
{
    folder.clear();
    AccountPlace place;
    if (!FindAccountPlace(workFolder, programFolder, email, password, place, error))
        return false;
    if (place.onServer) {
        error = Format("The account %s is kept on a server, not in a folder", email.c_str());
        return false;
    }
    folder = place.folder;
    return true;
}

bool FindAccountPlace(const std::string& workFolder, const std::string& programFolder, const std::string& email,
                      const std::string& password, AccountPlace& place, std::string& error)
{
    place = {};
    if (!UsableAddress(email)) {
        error = Format("Unknown account: %s", email.c_str());
        return false;
    }
    CxIniUtil accounts(workFolder.c_str(), kAccountsFileName);
    std::string configured = ReadAccountValue(accounts, email, "Folder");
    if (configured == kAbsent && CxIniUtil::SameName(email, kDemoAddress)) {
        if (!InstallDemoAccount(workFolder, programFolder, error))
            return false;
        configured = ReadAccountValue(accounts, email, "Folder");
    }
    const std::string url = ReadAccountValue(accounts, email, "Url");
    if (url != kAbsent && configured != kAbsent) {
        error = Format("The account %s names both a Folder and a Url in %s", email.c_str(), kAccountsFileName);
        return false;
    }
    if (url != kAbsent) {
        if (url.empty()) {
            error = Format("No server address given for %s in %s", email.c_str(), kAccountsFileName);
            return false;
        }
        place.onServer = true;
        place.server.url = url;
        if (!ReadServerSettings(accounts, workFolder, email, place.server, error)) {
            place = {};
            return false;
        }
        return true;
    }
    if (configured == kAbsent) {
        error = Format("Unknown account: %s", email.c_str());
        return false;
    }
    if (ReadAccountValue(accounts, email, "Password") != password) {
        error = Format("Wrong password for %s", email.c_str());
        return false;
    }
    if (configured.empty()) {
        error = Format("No folder given for %s in %s", email.c_str(), kAccountsFileName);
        return false;
    }
    const std::string path = AccountFolder(workFolder, configured);
    std::error_code ec;
    if (!fs::is_directory(path, ec)) {
        error = Format("Account folder not found: %s", path.c_str());
        return false;
    }
    error = RefusedFolder(path);
    if (!error.empty())
        return false;
    place.folder = path;
    return true;
}
