// Text, number and yes/no values in one INI file, read and written afresh on every call.
#pragma once

#include "common/misc/TextBuf.h"

#include <cstddef>
#include <string_view>

class CxIniUtil
{
public:
    // The file is folder followed directly by fileName (folder ends with '/'); a null or empty folder
    // means the program folder.
    CxIniUtil(const char* szFolder, const char* szFileName);
    virtual ~CxIniUtil() = default;

    // Null or empty: ignored.
    void SetFilePath(const char* szPath);
    // A write that changes the file leaves it readable and writable by its owner only (0600), for
    // files that hold passwords or an account's data.
    void SetOwnerOnly(bool bOwnerOnly) { m_bOwnerOnly = bOwnerOnly; }

    // Section and key names compare without regard to ASCII case; other bytes must match exactly.
    static bool SameName(std::string_view a, std::string_view b);

    // In every call below a null or empty section means m_szSection.

    // Copies the value, or szDefault when file, section or key is missing, cut to nSize - 1 bytes.
    // Returns the bytes stored; 0 with the buffer untouched for a null/empty key, null buffer or size 0.
    int ReadEntry(const char* szSection, const char* szKey, char* szBuf, size_t nSize, const char* szDefault);
    // The value as a decimal number, nDefault when missing or empty. False only for a null pValue.
    bool QueryNumber(const char* szSection, const char* szKey, int* pValue, int nDefault);
    int ReadNumber(const char* szSection, const char* szKey, int nDefault);
    bool ReadFlag(const char* szSection, const char* szKey, bool bDefault);

    // Nonzero on success; 0 for a bad key or section and when the file cannot be written.
    int WriteEntry(const char* szSection, const char* szKey, const char* szValue);
    int WriteNumber(const char* szSection, const char* szKey, int nValue);
    int WriteFlag(const char* szSection, const char* szKey, bool bValue);

    char m_szSection[32] = "";
    char m_szFile[MAX_PATH] = "";

private:
    bool m_bOwnerOnly = false;
    const char* Section(const char* szSection) const;
    void SetPath(const char* szFolder, const char* szName);
};
