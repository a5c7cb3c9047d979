// A temporary folder for one test, removed with everything in it when the object goes.
#pragma once

#include <string>

class TempDir
{
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, ending with '/'.
    const std::string& path() const { return m_path; }
    // path() followed by name.
    std::string file(const std::string& name) const { return m_path + name; }

    // Small file helpers for fixtures.
    static void WriteFile(const std::string& path, const std::string& bytes);
    static std::string ReadFile(const std::string& path);

private:
    std::string m_path;
};
