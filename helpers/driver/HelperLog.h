// The helpers' lines in the app's debug log, in the app's own line format.
#pragma once

#include <string>

class HelperLog
{
public:
    // No folder or no file name: nothing is written. Levels as in the app's log: 0 (failures) is
    // always written, 1 to 3 only when enabled and not above the level.
    void Configure(const std::string& folder, const std::string& fileName, int level, bool enabled);

    void Print(int level, const char* sourcePath, int line, const std::string& message) const;
    // Whether Print writes lines of this level: a caller can spare itself making a line nobody reads.
    bool Writes(int level) const { return !m_path.empty() && (level == 0 || (m_enabled && level <= m_level)); }

    // The file the lines go to; empty when the log is off.
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    int m_level = 0;
    bool m_enabled = false;
};
