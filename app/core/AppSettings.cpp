#include "app/core/AppSettings.h"

#include "app/core/Base64.h"
#include "common/misc/TextBuf.h"
#include "common/platform/Platform.h"

#include <cstring>
#include <string>

TAppSettings AppSettings;
CxIniUtil g_settingsFile("", "tessavo.ini");

namespace {

struct FlagKey
{
    const char* key;
    bool TAppSettings::*field;
    bool byDefault;
};

// The yes/no settings in the order they are read and written.
const FlagKey kFlagKeys[] = {
    {"CaseSensitive", &TAppSettings::CaseSensitive, false},
    {"AddrDisplayName", &TAppSettings::AddrDisplayName, true},
    {"AddrCompanyName", &TAppSettings::AddrCompanyName, false},
    {"AddrTitle", &TAppSettings::AddrTitle, false},
    {"AddrEmail", &TAppSettings::AddrEmail, true},
    {"AddrPhone", &TAppSettings::AddrPhone, false},
    {"AddrAddress", &TAppSettings::AddrAddress, false},
    {"AddrIM", &TAppSettings::AddrIM, false},
    {"AddrWebSite", &TAppSettings::AddrWebSite, false},
    {"AddrDate", &TAppSettings::AddrDate, false},
    {"AddrNote", &TAppSettings::AddrNote, false},
    {"DateSubject", &TAppSettings::DateSubject, true},
    {"DateLocation", &TAppSettings::DateLocation, false},
    {"DateStartTime", &TAppSettings::DateStartTime, true},
    {"DateEndTime", &TAppSettings::DateEndTime, true},
    {"DateAllDayEvent", &TAppSettings::DateAllDayEvent, true},
    {"DateRecur", &TAppSettings::DateRecur, false},
    {"DateNote", &TAppSettings::DateNote, false},
    {"EnableDebug", &TAppSettings::EnableDebug, false},
    {"UntickLosingDuplicates", &TAppSettings::UntickLosingDuplicates, false},
};

void ReadPassword()
{
    g_settingsFile.ReadEntry(kSettingsSection, "QoPassword", AppSettings.EncodedPassword,
                             sizeof AppSettings.EncodedPassword, "");
    // A stored value longer than the field is cut to 63 bytes; the terminator after the
    // decoded bytes makes the password end at its first zero byte.
    Base64Decode(AppSettings.EncodedPassword, reinterpret_cast<unsigned char*>(AppSettings.Password),
                 sizeof AppSettings.Password);
}

void WritePassword()
{
    AppSettings.EncodedPassword[0] = '\0';
    if (AppSettings.SavePassword) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(AppSettings.Password);
        Base64Encode(bytes, strnlen(AppSettings.Password, sizeof AppSettings.Password - 1), AppSettings.EncodedPassword,
                     sizeof AppSettings.EncodedPassword);
    }
    g_settingsFile.WriteEntry(kSettingsSection, "QoPassword", AppSettings.EncodedPassword);
}

} // namespace

void LoadSettings()
{
    std::memset(&AppSettings, 0, sizeof AppSettings);
    AppSettings.SaveEmail = g_settingsFile.ReadFlag(kSettingsSection, "SaveEmail", true);
    if (AppSettings.SaveEmail)
        g_settingsFile.ReadEntry(kSettingsSection, "QoEmail", AppSettings.Email, sizeof AppSettings.Email, "");
    AppSettings.SavePassword = g_settingsFile.ReadFlag(kSettingsSection, "SavePassword", false);
    if (AppSettings.SavePassword)
        ReadPassword();
    AppSettings.AppFlag = g_settingsFile.ReadNumber(kSettingsSection, "AppFlag", 15);
    for (const FlagKey& f : kFlagKeys)
        AppSettings.*f.field = g_settingsFile.ReadFlag(kSettingsSection, f.key, f.byDefault);
    AppSettings.LogLevel = g_settingsFile.ReadNumber(kSettingsSection, "LogLevel", 3);
    // A value this version does not know keeps the field rule, whose results a user has seen before.
    const int32_t mode = g_settingsFile.ReadNumber(kSettingsSection, "MatchMode", MATCH_EXACT);
    AppSettings.MatchMode = mode == MATCH_SMART ? MATCH_SMART : MATCH_EXACT;
    // The helpers refuse days outside this range; a value edited out of it falls back to the default.
    const int32_t days = g_settingsFile.ReadNumber(kSettingsSection, "TrashDays", kTrashDaysDefault);
    AppSettings.TrashDays = days >= kTrashDaysMin && days <= kTrashDaysMax ? days : kTrashDaysDefault;
}

void SaveSettings()
{
    // The file holds the e-mail address and perhaps the password: its owner's only, a file an older
    // version left readable by all included.
    g_settingsFile.SetOwnerOnly(true);
    g_settingsFile.WriteNumber(kSettingsSection, "AppFlag", AppSettings.AppFlag);
    for (const FlagKey& f : kFlagKeys)
        g_settingsFile.WriteFlag(kSettingsSection, f.key, AppSettings.*f.field);
    g_settingsFile.WriteNumber(kSettingsSection, "LogLevel", AppSettings.LogLevel);
    g_settingsFile.WriteNumber(kSettingsSection, "MatchMode", AppSettings.MatchMode);
    g_settingsFile.WriteNumber(kSettingsSection, "TrashDays", AppSettings.TrashDays);
    g_settingsFile.WriteFlag(kSettingsSection, "SaveEmail", AppSettings.SaveEmail);
    g_settingsFile.WriteEntry(kSettingsSection, "QoEmail", AppSettings.SaveEmail ? AppSettings.Email : "");
    g_settingsFile.WriteFlag(kSettingsSection, "SavePassword", AppSettings.SavePassword);
    WritePassword();
    platform::RestrictToOwner(g_settingsFile.m_szFile);
}

bool GetDataFolder(char* buffer)
{
    std::string folder;
    if (!buffer || !platform::DataFolderBase(folder))
        return false;
    // The base may not exist yet on a fresh account; it is created like the two levels below it.
    if (!platform::CreateFolderPath(folder.c_str()))
        return false;
    folder += "tessavo/";
    if (!platform::CreateFolder(folder.c_str()))
        return false;
    folder += "Qosweep/";
    if (!platform::CreateFolder(folder.c_str()))
        return false;
    // A path that does not fit is refused rather than cut: a cut path names another folder.
    if (folder.size() >= MAX_PATH)
        return false;
    CopyText(buffer, MAX_PATH, folder.c_str());
    return true;
}
