#include "common/google/CxGAddrUtil.h"

#include "common/google/records/CxGDataFile.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/TextBuf.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* kDataFile = FilesOf(HelperKind::Contacts).dataFile;

// Each common text takes at most its capacity less one; the raw record keeps the whole text. A
// missing slot leaves the common field empty.
template <size_t N>
void CopySlot(char (&dst)[N], char* (*accessor)(GAddrRecord*, int32_t, bool), const GAddrRecord* pRaw, int32_t nId)
{
    CopyText(dst, LookUpSlot(accessor, pRaw, nId));
}

void ConvertAddress(const GAddrRecord* pRaw, int32_t nType, CommAddrAddress& address)
{
    CopySlot(address.szStreet, GetStreetSlot, pRaw, FamilyFieldId(FIELD_ID_STREET_HOME, nType));
    CopySlot(address.szCity, GetCitySlot, pRaw, FamilyFieldId(FIELD_ID_CITY_HOME, nType));
    CopySlot(address.szState, GetStateSlot, pRaw, FamilyFieldId(FIELD_ID_STATE_HOME, nType));
    CopySlot(address.szPostal, GetPostalSlot, pRaw, FamilyFieldId(FIELD_ID_POSTAL_HOME, nType));
    CopySlot(address.szCountry, GetCountrySlot, pRaw, FamilyFieldId(FIELD_ID_COUNTRY_HOME, nType));
    CopySlot(address.szPOBox, GetPOBoxSlot, pRaw, FamilyFieldId(FIELD_ID_POBOX_HOME, nType));
    CopySlot(address.szNeighborhood, GetNeighborhoodSlot, pRaw, FamilyFieldId(FIELD_ID_NEIGHBORHOOD_HOME, nType));
}

double DateValue(const GAddrRecord* pRaw, int32_t nId)
{
    const double* pValue = LookUpSlot(GetDateSlot, pRaw, nId);
    return pValue ? *pValue : 0;
}

} // namespace

CxGAddrUtil::CxGAddrUtil()
    : m_pFile(std::make_unique<CxFile>())
    , m_pRecords(std::make_unique<CxList>())
    , m_pAddrMgr(std::make_unique<CommAddrMgr>())
{
    UseHelperFiles(HelperKind::Contacts);
}

CxGAddrUtil::~CxGAddrUtil()
{
    CxGAddrUtil::Reset();
    RequestHelperStop(FilesOf(HelperKind::Contacts).stopFile);
}

bool CxGAddrUtil::Load()
{
    Reset();
    g_debugLog.Print(2, __FILE__, __LINE__, "Start loading Google Contacts.");
    const bool bLoaded = LoadThroughHelper(
        false, {m_szDataFile}, [this] { RunHelper(); }, [this] { return LoadDataFile(); });
    if (bLoaded)
        g_debugLog.Print(2, __FILE__, __LINE__, "Load Google Contacts successfully.");
    else
        g_debugLog.Print(0, __FILE__, __LINE__, "Error loading Google Contacts.");
    return bLoaded;
}

bool CxGAddrUtil::Reset()
{
    // The common records only borrow the raw ones, so the two lists are released independently.
    m_pRecords->RemoveAll(true);
    m_pAddrMgr->RemoveAllRecords();
    return CxGAppBaseUtil::Reset();
}

bool CxGAddrUtil::Save()
{
    return SaveThroughHelper(
        [this] {
            if (SaveDataFile())
                return true;
            g_debugLog.Print(0, __FILE__, __LINE__, "Failed to save Contacts record information to temperary file.");
            return false;
        },
        [this] { RunHelper(); });
}

bool CxGAddrUtil::ListTrash()
{
    Reset();
    g_debugLog.Print(2, __FILE__, __LINE__, "Start listing the deleted Google Contacts.");
    const bool bListed = ListTrashThroughHelper(
        {m_szDataFile}, [this] { RunHelper(); }, [this] { return LoadDataFile(); });
    if (!bListed)
        g_debugLog.Print(0, __FILE__, __LINE__, "Error listing the deleted Google Contacts.");
    return bListed;
}

bool CxGAddrUtil::Restore()
{
    return RestoreThroughHelper(
        [this] {
            if (SaveDataFile())
                return true;
            g_debugLog.Print(0, __FILE__, __LINE__, "Failed to save the contacts to restore to the data file.");
            return false;
        },
        [this] { RunHelper(); });
}

bool CxGAddrUtil::EmptyTrash(uint32_t nDays)
{
    return EmptyTrashThroughHelper(nDays, [this] { RunHelper(); });
}

const char* CxGAddrUtil::DeletedAtOf(const CommAddrRecord* pRecord) const
{
    return pRecord && pRecord->pAttach ? DeletedAtOfRecord(pRecord->pAttach) : nullptr;
}

void CxGAddrUtil::RunHelper()
{
    CxGAppParamParser params;
    AddAccountParams(params, m_szOptions);
    AddReportParams(params);
    AddLogParams(params);
    RunHelperProgram(params, HelperKind::Contacts, FilesOf(HelperKind::Contacts).program, true);
}

bool CxGAddrUtil::LoadDataFile(const char* szFileName)
{
    const char* szName = szFileName && szFileName[0] ? szFileName : kDataFile;
    g_debugLog.Print(2, __FILE__, __LINE__, "Start loading Google Contacts from temperary file: %s", szName);
    char szPath[MAX_PATH];
    if (!OpenWorkFile(*m_pFile, szName, "rb", szPath)) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to open file: %s", szPath);
        return false;
    }
    const uint32_t nCount = ReadRecordCount(*m_pFile);
    g_debugLog.Print(2, __FILE__, __LINE__, "There are %d Contact records in total.", static_cast<int>(nCount));

    ClearListedPositions();
    uint32_t nPosition = 0;
    const uint32_t nRead = ReadOwnedRecords<GAddrRecord>(
        *m_pFile, nCount, [this](CxFile&, GAddrRecord* pRaw) { return ReadRecord(pRaw); },
        [&](GAddrRecord* pRaw) { KeepLoadedContact(pRaw, ++nPosition); });
    NoteRecordsRead(nCount, nRead, m_pFile->Eof());
    m_pFile->Close();
    g_debugLog.Print(2, __FILE__, __LINE__, "Load Google Contacts information from file successfully.");
    return true;
}

void CxGAddrUtil::KeepLoadedContact(GAddrRecord* pRaw, uint32_t nPosition)
{
    auto* pComm = static_cast<CommAddrRecord*>(std::calloc(1, sizeof(CommAddrRecord)));
    if (pComm)
        ConvertToCommon(pRaw, pComm);
    CommAddrRecord* pKeptComm = m_pAddrMgr->Adopt(pComm);
    pRaw->pCommRecord = pKeptComm;
    GAddrRecord* pKept = AppendOwned(*m_pRecords, pRaw);
    if (pKept)
        NoteListedPosition(pKept, nPosition);
    if (pKeptComm && pKept)
        pKeptComm->pAttach = pKept;
    else if (pKeptComm)
        m_pAddrMgr->RemoveRecord(pKeptComm); // a common record without its contact would end every walk
}

bool CxGAddrUtil::SaveDataFile(const char* szFileName)
{
    const char* szName = szFileName && szFileName[0] ? szFileName : kDataFile;
    g_debugLog.Print(2, __FILE__, __LINE__, "Start saving Google Contacts information to file: %s", szName);
    char szPath[MAX_PATH];
    if (!OpenWorkFile(*m_pFile, szName, "wb", szPath)) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to open file: %s", szPath);
        return false;
    }
    g_debugLog.Print(2, __FILE__, __LINE__, "There are %d Contact records in total.",
                     static_cast<int>(m_pRecords->GetCount()));
    ClearSavedPositions();
    uint32_t nPosition = 0;
    const bool bWritten =
        WriteDataRecords<GAddrRecord>(*m_pFile, *m_pRecords, [&](CxFile&, const GAddrRecord* pRecord) {
            ++nPosition;
            if (pRecord->ActionCode == ACTION_DELETE)
                NoteSavedPosition(pRecord, nPosition);
            return WriteRecord(pRecord);
        });
    // A file that did not reach the disk whole must not go to the helper as the contacts to delete.
    if (!m_pFile->CloseFlushed() || !bWritten) {
        g_debugLog.Print(0, __FILE__, __LINE__, "Failed to write file: %s", szPath);
        return false;
    }
    g_debugLog.Print(2, __FILE__, __LINE__, "Save Google Contacts information to file successfully.");
    return true;
}

bool CxGAddrUtil::ReadRecord(GAddrRecord* pRecord)
{
    return ReadFields(*m_pFile, pRecord, GAddrRecordFields<CxGFieldReader, GAddrRecord>);
}

bool CxGAddrUtil::WriteRecord(const GAddrRecord* pRecord)
{
    return WriteFields(*m_pFile, pRecord, GAddrRecordFields<CxGFieldWriter, const GAddrRecord>);
}

bool CxGAddrUtil::ConvertToCommon(const GAddrRecord* pRaw, CommAddrRecord* pComm)
{
    if (!pRaw || !pComm) {
        g_debugLog.Print(0, __FILE__, __LINE__,
                         "Invalid parameter to convert Google Contact record to Common Contact record.");
        return false;
    }
    CopyText(pComm->szFirstName, pRaw->szFirstName);
    CopyText(pComm->szMiddleName, pRaw->szMiddleName);
    CopyText(pComm->szLastName, pRaw->szLastName);
    CopyText(pComm->szNickName, pRaw->szNickName);
    CopyText(pComm->szDisplayName, pRaw->szDisplayName);
    CopyText(pComm->szCompany, pRaw->szCompanyName);
    CopyText(pComm->szTitle, pRaw->szJobTitle);

    CopySlot(pComm->szEmail, GetEmailSlot, pRaw, FIELD_ID_EMAIL_WORK);
    if (!pComm->szEmail[0])
        CopyText(pComm->szEmail, pRaw->szEmailPrimary);
    CopySlot(pComm->szEmail2, GetEmailSlot, pRaw, FIELD_ID_EMAIL_HOME);
    CopySlot(pComm->szEmail3, GetEmailSlot, pRaw, FIELD_ID_EMAIL_OTHER);

    ConvertAddress(pRaw, ADDRESS_WORK, pComm->work);
    ConvertAddress(pRaw, ADDRESS_HOME, pComm->home);
    ConvertAddress(pRaw, ADDRESS_OTHER, pComm->other);

    CopySlot(pComm->szHomePhone, GetPhoneSlot, pRaw, FIELD_ID_PHONE_HOME);
    CopySlot(pComm->szWorkPhone, GetPhoneSlot, pRaw, FIELD_ID_PHONE_WORK);
    CopySlot(pComm->szMobilePhone, GetPhoneSlot, pRaw, FIELD_ID_PHONE_MOBILE);
    CopySlot(pComm->szHomeFax, GetPhoneSlot, pRaw, FIELD_ID_FAX_HOME);
    CopySlot(pComm->szWorkFax, GetPhoneSlot, pRaw, FIELD_ID_FAX_WORK);
    CopySlot(pComm->szPager, GetPhoneSlot, pRaw, FIELD_ID_PAGER);
    CopySlot(pComm->szOtherPhone, GetPhoneSlot, pRaw, FIELD_ID_PHONE_OTHER);
    CopyText(pComm->szPrimaryPhone, pRaw->szPhonePrimary);

    CopySlot(pComm->szIM1, GetIMSlot, pRaw, FIELD_ID_IM_GTALK);
    CopySlot(pComm->szIM2, GetIMSlot, pRaw, FIELD_ID_IM_MSN);
    CopySlot(pComm->szSpouseName, GetRelationSlot, pRaw, FIELD_ID_SPOUSE);
    CopySlot(pComm->szManagerName, GetRelationSlot, pRaw, FIELD_ID_MANAGER);
    CopySlot(pComm->szAssistantName, GetRelationSlot, pRaw, FIELD_ID_ASSISTANT);
    pComm->dtBirthday = DateValue(pRaw, FIELD_ID_BIRTHDAY);
    pComm->dtAnniversary = DateValue(pRaw, FIELD_ID_ANNIVERSARY);

    for (int i = 0; i < kCustomFields; ++i) {
        CopyText(pComm->szCustom[i], pRaw->szCustomField[i]);
        CopyText(pComm->szCustomLabel[i], pRaw->szCustomLabel[i]);
    }
    CopyText(pComm->szNote, pRaw->szNote);
    CopyText(pComm->szCategory, pRaw->szCategory);
    pComm->nSourceType = SOURCE_GOOGLE;
    return true;
}

GAddrRecord* CxGAddrUtil::AddRecord(const GAddrRecord* pRecord)
{
    return pRecord ? AppendCopy(*m_pRecords, *pRecord) : nullptr;
}

const SaveRecordResult* CxGAddrUtil::SaveResultOf(const CommAddrRecord* pRecord) const
{
    return pRecord && pRecord->pAttach ? SaveResultOfRecord(pRecord->pAttach) : nullptr;
}

bool CxGAddrUtil::MarkDeleted(CommAddrRecord* pRecord)
{
    if (!pRecord)
        return false;
    if (pRecord->pAttach) {
        static_cast<GAddrRecord*>(pRecord->pAttach)->ActionCode = ACTION_DELETE;
        m_bModified = true;
    }
    return true;
}
