#include "common/google/CxGTaskUtil.h"

#include "common/misc/CxDateTime.h"
#include "common/misc/TextBuf.h"

#include <ctime>
#include <limits>

namespace {

const CxGItemKind<GTaskRecord> kTaskKind = {
    HelperKind::Tasks,
    "Tasks",
    GTaskRecordFields<CxGFieldReader, GTaskRecord>,
    GTaskRecordFields<CxGFieldWriter, const GTaskRecord>,
};

} // namespace

int32_t DueDateToTimeValue(double dtDue)
{
    platform::SystemTime st{};
    if (!VariantTimeToSystemTime(dtDue, &st))
        return -1;
    std::tm tm{};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_isdst = -1; // the C library decides whether daylight saving applies
    const std::time_t t = std::mktime(&tm);
    // Here the C library reaches far beyond 2038, but the common field has 32 bits: a value cut to
    // fit would be a wrong date, so such a date counts as not representable.
    if (t == static_cast<std::time_t>(-1) || t < std::numeric_limits<int32_t>::min() ||
        t > std::numeric_limits<int32_t>::max())
        return -1;
    return static_cast<int32_t>(t);
}

CxGTaskUtil::CxGTaskUtil()
    : CxGItemUtil(kTaskKind)
{}

bool CxGTaskUtil::ConvertToCommon(const GTaskRecord* pRaw, CommTaskRecord* pComm)
{
    if (!pRaw || !pComm)
        return false;
    CopyText(pComm->szSubject, pRaw->szSubject);
    CopyText(pComm->szNote, pRaw->szNote);
    pComm->nPriority = pRaw->nPriority;
    pComm->nCompleted = pRaw->nCompleted != 0 ? 1 : 0;
    pComm->nDueDate = DueDateToTimeValue(pRaw->dtDue);
    pComm->nSourceType = SOURCE_GOOGLE;
    return true;
}
