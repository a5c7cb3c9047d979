#include "common/google/CxGAppParam.h"

#include "common/misc/CxFile.h"
#include "common/platform/Platform.h"

#include <cmath>
#include <cstring>

namespace {

// Fields go into the image as they lie in memory; CxFile.h pins the byte order to little-endian.
void AppendInt(std::string& image, int32_t value)
{
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    image.append(bytes, sizeof bytes);
}

// Truncated toward zero. A value beyond the 32-bit range saturates at its end and NaN gives 0: the
// helper gets a usable number, never the undefined result of a plain conversion.
int32_t TruncateToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    const double whole = std::trunc(value);
    if (whole >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    if (whole <= static_cast<double>(INT32_MIN))
        return INT32_MIN;
    return static_cast<int32_t>(whole);
}

void AppendValue(std::string& image, const CxGAppParam& param)
{
    switch (param.nType) {
    case VT_I4:
        AppendInt(image, param.lVal);
        break;
    case VT_R8:
        AppendInt(image, TruncateToInt32(param.dblVal));
        break;
    case VT_BSTR: {
        char text[kMaxParamText + 1];
        const size_t length = platform::Utf16ToUtf8(param.bstrVal.data(), param.bstrVal.size(), text, sizeof text);
        AppendInt(image, static_cast<int32_t>(length));
        image.append(text, length);
        break;
    }
    case VT_BOOL:
        AppendInt(image, param.bVal ? 1 : 0);
        break;
    default:
        break; // kept for its key and type only
    }
}

} // namespace

CxGAppParamParser::CxGAppParamParser(const char* szPath)
{
    CopyText(m_szPath, szPath);
}

CxGAppParamParser::~CxGAppParamParser()
{
    Clear();
}

bool CxGAppParamParser::SetValue(int32_t nKey, int32_t nType, const void* pValue)
{
    CxGAppParam* param = FindParam(nKey);
    if (!pValue)
        return false;
    if (param && param->nType != nType)
        return false;

    CxGAppParam* const added = param ? nullptr : new CxGAppParam{nKey, nType, 0, 0.0, 0, {}};
    CxGAppParam* const target = param ? param : added;
    switch (nType) {
    case VT_I4:
        std::memcpy(&target->lVal, pValue, sizeof target->lVal);
        break;
    case VT_R8:
        std::memcpy(&target->dblVal, pValue, sizeof target->dblVal);
        break;
    case VT_BSTR:
        target->bstrVal = platform::Utf8ToUtf16(static_cast<const char*>(pValue), kMaxParamText);
        break;
    case VT_BOOL:
        target->bVal = *static_cast<const uint8_t*>(pValue);
        break;
    default:
        break;
    }
    if (added)
        m_list.Add(added);
    return true;
}

CxGAppParam* CxGAppParamParser::FindParam(int32_t nKey)
{
    for (void* item = m_list.GetFirst(); item; item = m_list.GetNext()) {
        auto* param = static_cast<CxGAppParam*>(item);
        if (param->nKey == nKey)
            return param;
    }
    return nullptr;
}

bool CxGAppParamParser::Save(const char* szPath)
{
    if (szPath && *szPath)
        CopyText(m_szPath, szPath);

    // The whole image is ready before the file is touched, so a failure can only come from the
    // file itself, and then nothing half-written is left for a helper to read.
    std::string image;
    AppendInt(image, static_cast<int32_t>(m_list.GetCount()));
    for (void* item = m_list.GetFirst(); item; item = m_list.GetNext()) {
        const auto* param = static_cast<const CxGAppParam*>(item);
        AppendInt(image, param->nKey);
        AppendInt(image, param->nType);
        AppendValue(image, *param);
    }

    // The password travels in this file, so it is created for its owner's eyes only.
    CxFile file;
    if (!file.OpenPrivate(m_szPath))
        return false;
    const bool written = file.WriteBytes(image.data(), image.size());
    if (file.CloseFlushed() && written)
        return true;
    platform::DeleteFile(m_szPath);
    return false;
}

void CxGAppParamParser::Clear()
{
    for (void* item = m_list.GetFirst(); item; item = m_list.GetNext())
        delete static_cast<CxGAppParam*>(item);
    m_list.RemoveAll(false);
}
