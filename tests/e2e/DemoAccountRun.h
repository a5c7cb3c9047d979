// The whole-run tests' setting: a new user's settings typed in for the demo account, in a data folder
// of the test's own, which the real helpers fill with a copy of the shipped demo on first use.
#pragma once

#include "app/core/AppSettings.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/google/CxGDateUtil.h"
#include "common/misc/TextBuf.h"
#include "tests/e2e/AccountFiles.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

// The files behind the records of a duplicate list.
inline std::set<std::string> ContactFiles(CxList& list)
{
    std::set<std::string> files;
    for (void* p = list.GetFirst(); p; p = list.GetNext())
        files.insert(ContactFile(*static_cast<GAddrRecord*>(p)));
    return files;
}

inline std::set<std::string> EventFiles(CxList& list)
{
    std::set<std::string> files;
    for (void* p = list.GetFirst(); p; p = list.GetNext())
        files.insert(EventFile(*static_cast<GDateRecord*>(p)));
    return files;
}

class DemoAccountRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char folder[MAX_PATH] = "";
        ASSERT_TRUE(GetDataFolder(folder));
        m_data = folder;
        // A new user's settings, typed in for the demo account.
        m_savedSettings = AppSettings;
        CopyText(m_savedSettingsFile, g_settingsFile.m_szFile);
        g_settingsFile.SetFilePath((m_data + "tessavo.ini").c_str());
        LoadSettings();
        CopyText(AppSettings.Email, "demo@example.com");
        CopyText(AppSettings.Password, "demo");
        AppSettings.AppFlag = APP_CONTACTS | APP_CALENDAR;
    }

    void TearDown() override
    {
        FreeServices();
        ReleaseHelperRunners();
        AppSettings = m_savedSettings;
        g_settingsFile.SetFilePath(m_savedSettingsFile);
    }

    // Marks every listed duplicate for deletion, as the deletion page does.
    static void MarkAll()
    {
        for (void* p = g_pAddrDupList->GetFirst(); p; p = g_pAddrDupList->GetNext())
            EXPECT_TRUE(g_pAddrUtil->MarkDeleted(static_cast<GAddrRecord*>(p)->pMgrNode));
        for (void* p = g_pDateDupList->GetFirst(); p; p = g_pDateDupList->GetNext())
            EXPECT_TRUE(g_pDateUtil->MarkDeleted(static_cast<GDateRecord*>(p)->pMgrNode));
    }

    TempDir m_home;
    ScopedEnv m_xdg{"XDG_DATA_HOME", m_home.path().c_str()};
    std::string m_data;

private:
    TAppSettings m_savedSettings{};
    char m_savedSettingsFile[MAX_PATH] = "";
};
