// The field lists of the contact detail dialog, in the order their rows appear. The comparison of a
// duplicate with its kept record walks the same lists, so both show a contact's fields alike.
#pragma once

#include "common/google/records/ContactFields.h"

#include <cstdint>

inline constexpr int32_t kDetailPhoneFieldIds[] = {
    FIELD_ID_EMAIL_HOME, FIELD_ID_EMAIL_WORK, FIELD_ID_EMAIL_OTHER,  FIELD_ID_EMAIL_PRIMARY,
    FIELD_ID_PHONE_HOME, FIELD_ID_PHONE_WORK, FIELD_ID_PHONE_MOBILE, FIELD_ID_FAX_HOME,
    FIELD_ID_FAX_WORK,   FIELD_ID_PAGER,      FIELD_ID_PHONE_OTHER,  FIELD_ID_PHONE_PRIMARY,
};
inline constexpr int32_t kDetailMiscFieldIds[] = {
    FIELD_ID_MIDDLE_NAME, FIELD_ID_NICK_NAME,  FIELD_ID_WEB_HOME,  FIELD_ID_WEB_WORK,   FIELD_ID_HOME_PAGE,
    FIELD_ID_FTP,         FIELD_ID_BLOG,       FIELD_ID_PROFILE,   FIELD_ID_WEB_OTHER,  FIELD_ID_WEB_PRIMARY,
    FIELD_ID_IM_GTALK,    FIELD_ID_IM_AIM,     FIELD_ID_IM_YAHOO,  FIELD_ID_IM_SKYPE,   FIELD_ID_IM_QQ,
    FIELD_ID_IM_MSN,      FIELD_ID_IM_ICQ,     FIELD_ID_IM_JABBER, FIELD_ID_IM_PRIMARY, FIELD_ID_BIRTHDAY,
    FIELD_ID_ANNIVERSARY, FIELD_ID_DATE_OTHER, FIELD_ID_SPOUSE,    FIELD_ID_MOTHER,     FIELD_ID_FATHER,
    FIELD_ID_MANAGER,     FIELD_ID_ASSISTANT,  FIELD_ID_CREATED,   FIELD_ID_MODIFIED,
};
