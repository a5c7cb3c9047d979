// A date-time value in the OLE Automation convention together with its broken-down form.
#pragma once

#include "common/platform/Platform.h"

#include <ctime>

// OLE Automation date conversions: day 0 is 30 Dec 1899, the fraction is the time of day. Both
// accept years 100 to 9999 only and leave the target unchanged when they fail.
bool SystemTimeToVariantTime(const platform::SystemTime& st, double* pValue);
bool VariantTimeToSystemTime(double value, platform::SystemTime* pst);

class CxDateTime
{
public:
    // The current local time.
    CxDateTime();
    explicit CxDateTime(const platform::SystemTime& st);
    explicit CxDateTime(double value);
    virtual ~CxDateTime() = default;

    CxDateTime& SetValue(double value);

    // 1: m_stTime to m_dValue, 0: m_dValue to m_stTime. Sets and returns m_bValid.
    bool Sync(int direction);

    // "mm/dd/yyyy" into at least 11 bytes; empty for years outside 1931 to 2030.
    void FormatDate(char* szBuf) const;
    // "hh:mm:ss" into at least 9 bytes.
    void FormatTime(char* szBuf) const;
    // Date and time joined by one blank, into at least 20 bytes.
    void FormatDateTime(char* szBuf) const;

    // The value read as local time, in seconds since 1970 (mktime: -1 when it cannot represent it).
    // Stores -1 and returns false when the value cannot be broken down.
    static bool ToTimeT(double value, time_t* pTime);

    double m_dValue = 0;
    platform::SystemTime m_stTime{};
    bool m_bValid = false;
};
