// The common contact record of the general contact layer and the manager that owns those records
// and fixes the order of every walk over the contacts.
#pragma once

#include "common/google/CommRecordMgr.h"

#include <cstdint>

// One postal address of the common record.
struct CommAddrAddress
{
    char szStreet[256];
    char szCity[32];
    char szState[32];
    char szPostal[16];
    char szCountry[32];
    char szPOBox[16];
    char szNeighborhood[32];
};

// A common contact. Nothing stores or reads it by position; it is zeroed and copied as one block.
struct CommAddrRecord
{
    char szFirstName[32];
    char szMiddleName[32];
    char szLastName[32];
    char szPrefix[32];
    char szSuffix[32];
    char szNickName[32];
    char szDisplayName[32];
    int32_t nGender;

    CommAddrAddress work;
    CommAddrAddress home;
    CommAddrAddress other;

    char szHomePhone[24];
    char szWorkPhone[24];
    char szMobilePhone[24];
    char szOtherPhone[24];
    char szPrimaryPhone[24];
    char szCallbackPhone[24];
    char szCarPhone[24];
    char szRadioPhone[24];
    char szWorkPhone2[24];
    char szHomePhone2[24];
    char szWorkFax[24];
    char szHomeFax[24];
    char szPager[24];

    char szEmail[64];
    char szEmail2[64];
    char szEmail3[64];

    char szWorkHomePage[256];
    char szPersonalHomePage[256];
    char szFTPSite[256];

    char szNote[8192];
    char szCustom[10][64];      // Custom 1 to Custom 10
    char szCustomLabel[10][64]; // Custom Label 1 to Custom Label 10

    char szCompany[64];
    char szTitle[32];
    char szDepartment[32];
    char szIM1[32];
    char szIM2[32];
    char szManagerName[32];
    char szAssistantName[32];
    char szAssistantPhone[24];
    char szSpouseName[32];
    char szChildrenNames[32];
    char szProfession[64];
    char szHobby[64];
    char szAccount[32];
    double dtBirthday;
    double dtAnniversary;
    char szKeyword[64];
    char szLanguage[64];
    char szLocation[64];
    char szMHSCommonName[32];
    char szCustomerID[32];
    char szGovernmentID[32];
    char szOrganizationID[32];
    char szCategory[256];
    double dtCreated;
    double dtModified;
    uint32_t nSourceType;
    uint32_t nStatus;
    char szID[64];
    uint32_t nPrivate;

    void* pAttach;        // the attached GAddrRecord
    uint32_t nAttachSize; // bytes of a private copy of the attachment; 0 when it is only borrowed
};

// The contacts' common records, in load order.
class CommAddrMgr : public CommRecordMgr<CommAddrRecord>
{};
