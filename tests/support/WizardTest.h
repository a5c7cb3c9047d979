// Fixture of the form tests: a temporary data folder, default settings, and every box, shell open and
// modal dialog captured instead of shown. A fresh main window per test, made on first use.
#pragma once

#include "app/AppMessage.h"
#include "app/ModalDialog.h"
#include "app/SaveFileDialog.h"
#include "app/TfmMain.h"
#include "app/core/AppSettings.h"
#include "app/core/NotDuplicates.h"
#include "app/core/ServiceSet.h"
#include "common/google/CxCommWaitWindow.h"
#include "common/google/CxGAppBaseUtil.h"
#include "common/misc/CxDebugUtil.h"
#include "common/misc/TextBuf.h"
#include "common/misc/WinUtil.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class WizardTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dataFolder = m_home.path() + "tessavo/Qosweep/";
        m_savedSettings = AppSettings;
        CopyText(m_savedSettingsFile, g_settingsFile.m_szFile);
        CopyText(m_savedLogFolder, g_debugLog.GetFolder());
        m_savedLogEnabled = g_debugLog.IsDebugEnabled();
        m_savedLogLevel = g_debugLog.GetLogLevel();
        // Defaults, as a new user has them.
        g_settingsFile.SetFilePath(m_home.file("none.ini").c_str());
        LoadSettings();
        // No pairs kept apart, and none saved anywhere until a main window loads its data folder's.
        g_notDuplicates.Load(std::string());
        SetAppMessageHandler([this](const AppMessageRecord& r) { OnMessage(r); });
        SetOpenWithShellHandler([this](const char* target) { m_opened.push_back(target); });
        SetModalDialogHandler([this](QDialog& dialog) { return OnDialog(dialog); });
        SetSaveFileHandler([this](const SaveFileRequest& request) { return OnSaveFile(request); });
    }

    void TearDown() override
    {
        m_window.reset();
        StopWaitWindow();
        FreeServices();
        ReleaseHelperRunners();
        SetHelperProgramFolder("");
        SetAppMessageHandler({});
        SetOpenWithShellHandler({});
        SetModalDialogHandler({});
        SetSaveFileHandler({});
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
        AppSettings = m_savedSettings;
        g_notDuplicates.Load(std::string());
        g_settingsFile.SetFilePath(m_savedSettingsFile);
        g_debugLog.SetFolder(m_savedLogFolder);
        g_debugLog.SetDebugEnabled(m_savedLogEnabled);
        g_debugLog.SetLogLevel(m_savedLogLevel);
    }

    // The main window, made on first use (a test may install a subclass first).
    TfmMain& Window()
    {
        if (!m_window)
            m_window = std::make_unique<TfmMain>();
        return *m_window;
    }

    template <typename T>
    T* Find(const char* name)
    {
        return FindIn<T>(&Window(), name);
    }

    // The pages share control names ("btnSelAll" is on two of them), so page tests look in their page.
    template <typename T>
    static T* FindIn(QWidget* scope, const char* name)
    {
        T* found = scope->findChild<T*>(QLatin1String(name));
        EXPECT_NE(nullptr, found) << name;
        return found;
    }

    QPushButton* Button(const char* name) { return Find<QPushButton>(name); }

    // The settings file in the data folder, as the next start will find it.
    void WriteSettingsFile(const std::string& text)
    {
        std::filesystem::create_directories(m_dataFolder);
        TempDir::WriteFile(m_dataFolder + "tessavo.ini", text);
    }

    std::vector<QString> MessageTexts() const
    {
        std::vector<QString> texts;
        for (const AppMessageRecord& r : m_messages)
            texts.push_back(r.text);
        return texts;
    }

    TempDir m_home;
    ScopedEnv m_xdg{"XDG_DATA_HOME", m_home.path().c_str()};
    std::string m_dataFolder;
    std::unique_ptr<TfmMain> m_window;
    std::vector<AppMessageRecord> m_messages;
    std::vector<std::string> m_opened;
    // Names of the dialogs shown modally, in order, and their owners.
    std::vector<QString> m_dialogs;
    std::vector<QWidget*> m_dialogOwners;
    // What a test does while a box or a dialog is up; a dialog's handler returns its result.
    std::function<void(const AppMessageRecord&)> m_onMessage;
    std::function<int(QDialog&)> m_onDialog;
    // The save-file dialogs asked for, and the answer each gets (none: cancelled).
    std::vector<SaveFileRequest> m_saveRequests;
    SaveFileAnswer m_saveAnswer;

private:
    void OnMessage(const AppMessageRecord& r)
    {
        m_messages.push_back(r);
        if (m_onMessage)
            m_onMessage(r);
    }

    int OnDialog(QDialog& dialog)
    {
        m_dialogs.push_back(dialog.objectName());
        m_dialogOwners.push_back(dialog.parentWidget());
        return m_onDialog ? m_onDialog(dialog) : QDialog::Rejected;
    }

    SaveFileAnswer OnSaveFile(const SaveFileRequest& request)
    {
        m_saveRequests.push_back(request);
        return m_saveAnswer;
    }

    TAppSettings m_savedSettings{};
    char m_savedSettingsFile[MAX_PATH] = "";
    char m_savedLogFolder[MAX_PATH] = "";
    bool m_savedLogEnabled = false;
    int m_savedLogLevel = 0;
};
