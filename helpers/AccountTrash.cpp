#include "helpers/AccountTrash.h"

#include "common/platform/Platform.h"
#include "helpers/HelperText.h"
#include "helpers/PlainName.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr int kMaxSuffix = 9999;

} // namespace

std::string TrashDayName()
{
    platform::SystemTime now{};
    platform::GetLocalTime(&now);
    return Format("%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
}

std::string FreeTrashName(const std::string& folder, const std::string& name)
{
    const size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension = name.substr(stem.size());
    std::string candidate = name;
    for (int suffix = 1; suffix <= kMaxSuffix + 1; ++suffix) {
        std::error_code ec;
        // symlink_status: a dangling link still takes the name.
        if (!fs::exists(fs::symlink_status(folder + candidate, ec)))
            return candidate;
        candidate = stem + "-" + std::to_string(suffix) + extension;
    }
    return {};
}

bool MoveToTrash(const AccountFolder& account, const ItemFile& item, const std::string& day, std::string& error)
{
    const std::string shown = account.RelativePath(item);
    if (!IsPlainName(item.name) || (!item.subfolder.empty() && !IsPlainName(item.subfolder))) {
        error = Format("Not a plain file name, skipped: %s", shown.c_str());
        return false;
    }
    const std::string source = account.ItemPath(item);
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) {
        error = Format("Item not found, skipped: %s", shown.c_str());
        return false;
    }
    const std::string folder = account.Account() + ".trash/" + day + "/" + account.RelativeFolder(item.subfolder);
    fs::create_directories(folder, ec);
    const std::string target = ec ? std::string() : FreeTrashName(folder, item.name);
    if (!target.empty())
        fs::rename(source, folder + target, ec);
    if (ec || target.empty()) {
        error =
            Format("Cannot move %s to the trash: %s", shown.c_str(), ec ? ec.message().c_str() : "no free name left");
        return false;
    }
    return true;
}
