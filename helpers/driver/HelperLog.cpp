#include "helpers/driver/HelperLog.h"

#include "common/misc/CxDebugUtil.h"
#include "common/misc/CxFile.h"
#include "common/platform/Platform.h"

void HelperLog::Configure(const std::string& folder, const std::string& fileName, int level, bool enabled)
{
    m_path.clear();
    m_level = level;
    m_enabled = enabled;
    // Without a folder the line would land in whatever the current folder is: the program folder.
    if (folder.empty() || fileName.empty())
        return;
    m_path = folder;
    if (m_path.back() != platform::kPathSeparator)
        m_path += platform::kPathSeparator;
    m_path += fileName;
}

void HelperLog::Print(int level, const char* sourcePath, int line, const std::string& message) const
{
    if (!Writes(level))
        return;
    platform::SystemTime now{};
    platform::GetLocalTime(&now);
    const std::string text =
        CxDebugUtil::FormatLine(now, sourcePath, line, platform::CurrentThreadId(), level, message.c_str());
    // The app appends to the same file between our lines, so it is opened for each line, and it
    // starts a new file past the size limit just as the app does.
    const char* mode = "ab";
    if (platform::FileSize(m_path.c_str()) > CxDebugUtil::kMaxLogSize) {
        platform::CopyFile(m_path.c_str(), (m_path + ".old.log").c_str(), true);
        mode = "wb";
    }
    CxFile file;
    if (file.Open(m_path.c_str(), mode))
        file.WriteLine(text.c_str());
}
