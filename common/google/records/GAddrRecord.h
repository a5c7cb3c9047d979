// The contact record as the contacts helper delivers it, its typed slots and the table that numbers
// every addressable contact field.
#pragma once

#include "common/google/records/ContactFields.h"
#include "common/google/records/CxGItemRecord.h"

#include <cstddef>
#include <cstdint>

struct CommAddrRecord;

// Slot counts of the typed families.
inline constexpr int kEmailSlots = 5;
inline constexpr int kAddressSlots = 5;
inline constexpr int kPhoneSlots = 10;
inline constexpr int kWebSlots = 10;
inline constexpr int kIMSlots = 10;
inline constexpr int kCustomFields = 10;
inline constexpr int kDateSlots = 5;
inline constexpr int kRelationSlots = 20;

// A contact, fields in data file order. Every text is inline and zero-terminated; the record is
// zeroed, copied and released as one block (it comes from malloc and has no constructor).
struct GAddrRecord
{
    int32_t nHeadValue1; // the helper's own value, carried unchanged
    int32_t ActionCode;  // ACTION_DELETE asks the helper to delete the contact
    int32_t nHeadValue3; // the helper's own value, carried unchanged

    char szFirstName[64];
    char szMiddleName[64];
    char szLastName[64];
    char szDisplayName[64];
    char szNickName[64];
    char szCompanyName[64];
    char szJobTitle[64];

    int32_t nEmailType[kEmailSlots];
    char szEmail[kEmailSlots][64];
    char szEmailPrimary[64];

    // One type code per address slot serves all eight parts of that slot.
    int32_t nAddressType[kAddressSlots];
    char szAddress[kAddressSlots][256]; // the whole address as one text
    char szCity[kAddressSlots][32];
    char szState[kAddressSlots][16];
    char szCountry[kAddressSlots][16];
    char szPostal[kAddressSlots][32];
    char szStreet[kAddressSlots][128];
    char szPOBox[kAddressSlots][32];
    char szNeighborhood[kAddressSlots][64];

    int32_t nPhoneType[kPhoneSlots];
    char szPhone[kPhoneSlots][32];
    char szPhonePrimary[32];

    int32_t nWebType[kWebSlots];
    char szWeb[kWebSlots][256];
    char szWebPrimary[256];

    int32_t nIMType[kIMSlots];
    char szIM[kIMSlots][64];
    char szIMPrimary[64];

    char szCustomLabel[kCustomFields][64];
    char szCustomField[kCustomFields][64];

    int32_t nDateType[kDateSlots];
    double dtDate[kDateSlots];

    int32_t nRelationType[kRelationSlots];
    char szRelation[kRelationSlots][64];

    char szHelperText[4096]; // the helper's own text, carried unchanged
    char szNote[10240];
    char szCategory[256];
    double dtCreated;
    double dtModified;

    // In memory only, never in the data file.
    uint32_t dwFlags;            // REC_DUPLICATE, REC_SELECTED
    CommAddrRecord* pMgrNode;    // the common record through which the last walk handed this one out
    CommAddrRecord* pCommRecord; // the common record made for this contact at load
    GAddrRecord* pKept;          // for a duplicate, the contact of its group that stays
};

// The data file fields of a contact, in file order, for a CxGFieldReader or CxGFieldWriter.
template <class Io, class Record>
void GAddrRecordFields(Io& io, Record& r)
{
    io.Int(r.nHeadValue1);
    io.Int(r.ActionCode);
    io.Int(r.nHeadValue3);
    io.Text(r.szFirstName);
    io.Text(r.szMiddleName);
    io.Text(r.szLastName);
    io.Text(r.szDisplayName);
    io.Text(r.szNickName);
    io.Text(r.szCompanyName);
    io.Text(r.szJobTitle);
    for (auto& code : r.nEmailType)
        io.Int(code);
    for (auto& text : r.szEmail)
        io.Text(text);
    io.Text(r.szEmailPrimary);
    for (auto& code : r.nAddressType)
        io.Int(code);
    for (auto& text : r.szAddress)
        io.Text(text);
    for (auto& text : r.szCity)
        io.Text(text);
    for (auto& text : r.szState)
        io.Text(text);
    for (auto& text : r.szCountry)
        io.Text(text);
    for (auto& text : r.szPostal)
        io.Text(text);
    for (auto& text : r.szStreet)
        io.Text(text);
    for (auto& text : r.szPOBox)
        io.Text(text);
    for (auto& text : r.szNeighborhood)
        io.Text(text);
    for (auto& code : r.nPhoneType)
        io.Int(code);
    for (auto& text : r.szPhone)
        io.Text(text);
    io.Text(r.szPhonePrimary);
    for (auto& code : r.nWebType)
        io.Int(code);
    for (auto& text : r.szWeb)
        io.Text(text);
    io.Text(r.szWebPrimary);
    for (auto& code : r.nIMType)
        io.Int(code);
    for (auto& text : r.szIM)
        io.Text(text);
    io.Text(r.szIMPrimary);
    for (auto& text : r.szCustomLabel)
        io.Text(text);
    for (auto& text : r.szCustomField)
        io.Text(text);
    for (auto& code : r.nDateType)
        io.Int(code);
    for (auto& value : r.dtDate)
        io.Value(value);
    for (auto& code : r.nRelationType)
        io.Int(code);
    for (auto& text : r.szRelation)
        io.Text(text);
    io.Text(r.szHelperText);
    io.Text(r.szNote);
    io.Text(r.szCategory);
    io.Value(r.dtCreated);
    io.Value(r.dtModified);
}

// Field kinds of the field table.
enum : int32_t { FIELD_TEXT = 1, FIELD_DATETIME = 6 };

// One entry of the contact field table: the number under which a contact field is addressed, the
// name the detail dialog shows, its kind and its storage capacity in bytes.
struct GAddrFieldInfo
{
    int32_t nId;
    char szName[32];
    int32_t nKind;
    int32_t nSize;
};

inline constexpr size_t kAddrFieldCount = 91;

// The whole table, in id order (there is no id 89).
const GAddrFieldInfo* GetAddrFieldTable();

// True and a copy of the entry when the id is in the table.
bool FindFieldInfo(int32_t nId, GAddrFieldInfo* pInfo);

// Typed-slot accessors: the storage of the value of the first slot whose type code matches the id,
// or, with bCreate, of the first free slot, which then takes the code. Null for a null record, an id
// the accessor does not take, or no such slot.
char* GetEmailSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetAddressSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetCitySlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetStateSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetCountrySlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetPostalSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetStreetSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetPOBoxSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetNeighborhoodSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetPhoneSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetWebSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetIMSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
double* GetDateSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);
char* GetRelationSlot(GAddrRecord* pRecord, int32_t nId, bool bCreate);

// A typed value of a record that is only read: the accessor is asked not to create, so the record
// is never written. Null when there is no such slot.
template <class Value>
const Value* LookUpSlot(Value* (*accessor)(GAddrRecord*, int32_t, bool), const GAddrRecord* pRecord, int32_t nId)
{
    return accessor(const_cast<GAddrRecord*>(pRecord), nId, false);
}

// The storage of a field by id (a typed field's slot is created when missing); *pSize receives the
// table's capacity, or 0 when the id is not in the table.
void* GetFieldPtr(GAddrRecord* pRecord, int32_t nId, int32_t* pSize);

// A field's display text, never changing the record: empty for a null record, an unknown id or an
// absent slot. Dates are formatted into one shared buffer that the next call overwrites; callers copy
// what they keep.
const char* GetFieldText(const GAddrRecord* pRecord, int32_t nId);
