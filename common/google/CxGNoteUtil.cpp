#include "common/google/CxGNoteUtil.h"

#include "common/misc/TextBuf.h"

namespace {

const CxGItemKind<GNoteRecord> kNoteKind = {
    HelperKind::Notes,
    "Notes",
    GNoteRecordFields<CxGFieldReader, GNoteRecord>,
    GNoteRecordFields<CxGFieldWriter, const GNoteRecord>,
};

// The common note layer takes one character less than its fields could hold.
constexpr size_t kSubjectLimit = sizeof(CommNoteRecord::szSubject) - 1;
constexpr size_t kNoteLimit = sizeof(CommNoteRecord::szNote) - 1;

} // namespace

CxGNoteUtil::CxGNoteUtil()
    : CxGItemUtil(kNoteKind)
{}

bool CxGNoteUtil::ConvertToCommon(const GNoteRecord* pRaw, CommNoteRecord* pComm)
{
    if (!pRaw || !pComm)
        return false;
    CopyText(pComm->szSubject, kSubjectLimit, pRaw->szSubject);
    CopyText(pComm->szNote, kNoteLimit, pRaw->szNote);
    pComm->nSourceType = SOURCE_GOOGLE;
    return true;
}
