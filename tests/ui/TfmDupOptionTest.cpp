#include "app/TfmDupOption.h"
#include "tests/support/WizardTest.h"

#include <QCheckBox>
#include <QTabWidget>

#include <string>

namespace {

struct RuleCase
{
    const char* box;
    const char* caption;
    const char* tab;
    bool TAppSettings::*setting;
    bool byDefault;
};

const RuleCase kRules[] = {
    {"cbAddrDisplayName", "Display Name", "tAddr", &TAppSettings::AddrDisplayName, true},
    {"cbAddrEmail", "Email", "tAddr", &TAppSettings::AddrEmail, true},
    {"cbAddrPhone", "Phone", "tAddr", &TAppSettings::AddrPhone, false},
    {"cbAddrAddr", "Address", "tAddr", &TAppSettings::AddrAddress, false},
    {"cbAddrCompany", "Company Name", "tAddr", &TAppSettings::AddrCompanyName, false},
    {"cbAddrTitle", "Job Title", "tAddr", &TAppSettings::AddrTitle, false},
    {"cbAddrIM", "Instant Messaging", "tAddr", &TAppSettings::AddrIM, false},
    {"cbAddrWebsite", "Web Site", "tAddr", &TAppSettings::AddrWebSite, false},
    {"cbAddrDate", "Date", "tAddr", &TAppSettings::AddrDate, false},
    {"cbAddrNote", "Notes", "tAddr", &TAppSettings::AddrNote, false},
    {"cbDateSubject", "Subject", "tDate", &TAppSettings::DateSubject, true},
    {"cbDateStartTime", "Start Time", "tDate", &TAppSettings::DateStartTime, true},
    {"cbDateEndTime", "End Time", "tDate", &TAppSettings::DateEndTime, true},
    {"cbDateAllDayEvent", "All Day Event", "tDate", &TAppSettings::DateAllDayEvent, true},
    {"cbDateLocation", "Location", "tDate", &TAppSettings::DateLocation, false},
    {"cbDateNote", "Notes", "tDate", &TAppSettings::DateNote, false},
};

class TfmDupOptionTest : public WizardTest
{
protected:
    // Opened as its openers do: made, then shown the settings.
    TfmDupOption& Dialog()
    {
        if (!m_dialog) {
            m_dialog = std::make_unique<TfmDupOption>(nullptr);
            m_dialog->TransferData(false);
        }
        return *m_dialog;
    }

    std::unique_ptr<TfmDupOption> m_dialog;
};

} // namespace

TEST_F(TfmDupOptionTest, DefaultsShowOnTheirTabs)
{
    EXPECT_EQ(QString("Set Qosweep Options"), Dialog().windowTitle());
    EXPECT_EQ(QSize(547, 494), Dialog().size());
    QTabWidget* tabs = Dialog().pMain;
    ASSERT_EQ(2, tabs->count());
    EXPECT_EQ(QString("Contacts"), tabs->tabText(0));
    EXPECT_EQ(QString("Calendar"), tabs->tabText(1));
    for (const RuleCase& rule : kRules) {
        SCOPED_TRACE(rule.box);
        QCheckBox* box = Dialog().Box(rule.box);
        ASSERT_NE(nullptr, box);
        EXPECT_EQ(QString(rule.caption), box->text());
        EXPECT_EQ(QString(rule.tab), box->parentWidget()->objectName());
        EXPECT_EQ(rule.byDefault, box->isChecked());
    }
}

TEST_F(TfmDupOptionTest, ASettingFromTheFileShowsAndOKKeepsIt)
{
    WriteSettingsFile("[Qosweep]\r\nAddrIM=1\r\n");
    g_settingsFile.SetFilePath((m_dataFolder + "tessavo.ini").c_str());
    LoadSettings();
    EXPECT_TRUE(Dialog().Box("cbAddrIM")->isChecked());
    Dialog().btnOKClick();
    EXPECT_EQ(QDialog::Accepted, Dialog().result());
    EXPECT_TRUE(AppSettings.AddrIM);
}

// Each box reaches its own setting and no other: flip one box at a time and look at all settings.
TEST_F(TfmDupOptionTest, OKTakesEveryBoxIntoItsOwnSetting)
{
    for (const RuleCase& flipped : kRules) {
        SCOPED_TRACE(flipped.box);
        LoadSettings();
        m_dialog.reset();
        Dialog().Box(flipped.box)->setChecked(!flipped.byDefault);
        Dialog().btnOKClick();
        for (const RuleCase& rule : kRules)
            EXPECT_EQ(&rule == &flipped ? !rule.byDefault : rule.byDefault, AppSettings.*rule.setting) << rule.box;
    }
}

TEST_F(TfmDupOptionTest, EveryBoxUntickedIsAccepted)
{
    for (const RuleCase& rule : kRules)
        Dialog().Box(rule.box)->setChecked(false);
    Dialog().btnOKClick();
    EXPECT_EQ(QDialog::Accepted, Dialog().result());
    for (const RuleCase& rule : kRules)
        EXPECT_FALSE(AppSettings.*rule.setting) << rule.box;
}

TEST_F(TfmDupOptionTest, CancelChangesNothing)
{
    const TAppSettings before = AppSettings;
    for (const RuleCase& rule : kRules)
        Dialog().Box(rule.box)->setChecked(!rule.byDefault);
    Dialog().btnCancel->click();
    EXPECT_EQ(QDialog::Rejected, Dialog().result());
    for (const RuleCase& rule : kRules)
        EXPECT_EQ(before.*rule.setting, AppSettings.*rule.setting) << rule.box;
}
