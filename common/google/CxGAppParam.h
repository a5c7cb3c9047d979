// The parameter file handed to a helper program: typed values under numeric keys, written in one go.
#pragma once

#include "common/misc/CxList.h"
#include "common/misc/TextBuf.h"

#include <cstdint>
#include <string>

// Value types, with the codes of the variant types the helpers expect.
enum : int32_t {
    VT_I4 = 3,   // 32-bit integer
    VT_R8 = 5,   // double, written as its value truncated to a 32-bit integer
    VT_BSTR = 8, // text, held as UTF-16
    VT_BOOL = 11 // byte, written as 1 or 0
};

// Longest text value in code units (UTF-16 held) or bytes (UTF-8 written), terminator excluded.
inline constexpr size_t kMaxParamText = 1023;

struct CxGAppParam
{
    int32_t nKey;
    int32_t nType;
    int32_t lVal;           // VT_I4
    double dblVal;          // VT_R8
    uint8_t bVal;           // VT_BOOL
    std::u16string bstrVal; // VT_BSTR
};

class CxGAppParamParser
{
public:
    // The path is cut to 259 characters; null or empty leaves it empty until Save is given one.
    explicit CxGAppParamParser(const char* szPath = nullptr);
    virtual ~CxGAppParamParser();
    CxGAppParamParser(const CxGAppParamParser&) = delete;
    CxGAppParamParser& operator=(const CxGAppParamParser&) = delete;

    // value points to a UTF-8 text (VT_BSTR), an int32_t (VT_I4), a double (VT_R8) or a byte
    // (VT_BOOL). False for a null value or a key already held with another type.
    bool SetValue(int32_t nKey, int32_t nType, const void* pValue);
    // The entry for the key or null; moves the list cursor.
    CxGAppParam* FindParam(int32_t nKey);
    // Writes the file (a non-empty path replaces the stored one), readable by its owner only. False
    // when it cannot be written; a file that could not be written whole is removed.
    bool Save(const char* szPath = nullptr);
    void Clear();

    uint32_t GetCount() const { return m_list.GetCount(); }
    const char* GetPath() const { return m_szPath; }

private:
    CxList m_list;
    char m_szPath[MAX_PATH] = "";
};
