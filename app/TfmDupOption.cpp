#include "app/TfmDupOption.h"

#include "app/DialogUtil.h"
#include "app/QoBanner.h"
#include "app/core/AppSettings.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

enum { kContactsTab, kCalendarTab };

// Each box, the setting it stands for and its place: tab, column, row. The dialog walks this one
// table to build, show and take the boxes.
struct RuleBox
{
    const char* name;
    const char* caption;
    bool TAppSettings::*setting;
    int tab;
    int column;
    int row;
};

const RuleBox kRuleBoxes[] = {
    {"cbAddrDisplayName", "Display Name", &TAppSettings::AddrDisplayName, kContactsTab, 0, 0},
    {"cbAddrEmail", "Email", &TAppSettings::AddrEmail, kContactsTab, 0, 1},
    {"cbAddrPhone", "Phone", &TAppSettings::AddrPhone, kContactsTab, 0, 2},
    {"cbAddrAddr", "Address", &TAppSettings::AddrAddress, kContactsTab, 0, 3},
    {"cbAddrCompany", "Company Name", &TAppSettings::AddrCompanyName, kContactsTab, 1, 0},
    {"cbAddrTitle", "Job Title", &TAppSettings::AddrTitle, kContactsTab, 1, 1},
    {"cbAddrIM", "Instant Messaging", &TAppSettings::AddrIM, kContactsTab, 1, 2},
    {"cbAddrWebsite", "Web Site", &TAppSettings::AddrWebSite, kContactsTab, 1, 3},
    {"cbAddrDate", "Date", &TAppSettings::AddrDate, kContactsTab, 2, 0},
    {"cbAddrNote", "Notes", &TAppSettings::AddrNote, kContactsTab, 2, 1},
    {"cbDateSubject", "Subject", &TAppSettings::DateSubject, kCalendarTab, 0, 0},
    {"cbDateStartTime", "Start Time", &TAppSettings::DateStartTime, kCalendarTab, 0, 1},
    {"cbDateEndTime", "End Time", &TAppSettings::DateEndTime, kCalendarTab, 0, 2},
    {"cbDateAllDayEvent", "All Day Event", &TAppSettings::DateAllDayEvent, kCalendarTab, 0, 3},
    {"cbDateLocation", "Location", &TAppSettings::DateLocation, kCalendarTab, 1, 0},
    {"cbDateNote", "Notes", &TAppSettings::DateNote, kCalendarTab, 1, 1},
};

} // namespace

TfmDupOption::TfmDupOption(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("fmDupOption"));
    setWindowTitle(QStringLiteral("Set Qosweep Options"));
    BuildControls();
    SetFixedCentred(*this, QSize(547, 494));
}

void TfmDupOption::BuildControls()
{
    auto* banner = new QoBanner(this, false);
    auto* intro1 = new QLabel(
        QStringLiteral("You may customize the duplicate checking criteria here, Qosweep will check the record "), this);
    auto* intro2 = new QLabel(QStringLiteral("fields as you specified below:"), this);
    pMain = new QTabWidget(this);
    pMain->setObjectName(QStringLiteral("pMain"));
    pMain->addTab(BuildTab(kContactsTab), QStringLiteral("Contacts"));
    pMain->addTab(BuildTab(kCalendarTab), QStringLiteral("Calendar"));
    btnOK = MakeDialogButton(this, "btnOK", QStringLiteral("&OK"));
    btnCancel = MakeDialogButton(this, "btnCancel", QStringLiteral("&Cancel"));
    btnOK->setDefault(true);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 16, 12, 16);
    body->setSpacing(4);
    body->addWidget(intro1);
    body->addWidget(intro2);
    body->addSpacing(12);
    body->addWidget(pMain, 1);
    body->addSpacing(12);
    body->addLayout(ButtonRow({btnOK, btnCancel}));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    layout->addLayout(body, 1);

    connect(btnOK, &QPushButton::clicked, this, &TfmDupOption::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* TfmDupOption::BuildTab(int tab)
{
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(tab == kContactsTab ? "tAddr" : "tDate"));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(24, 20, 24, 20);
    grid->setHorizontalSpacing(40);
    grid->setVerticalSpacing(14);
    for (const RuleBox& rule : kRuleBoxes) {
        if (rule.tab != tab)
            continue;
        auto* box = new QCheckBox(QString::fromLatin1(rule.caption), page);
        box->setObjectName(QLatin1String(rule.name));
        grid->addWidget(box, rule.row, rule.column, Qt::AlignLeft | Qt::AlignTop);
    }
    grid->setRowStretch(4, 1);
    grid->setColumnStretch(3, 1);
    return page;
}

bool TfmDupOption::TransferData(bool save)
{
    for (const RuleBox& rule : kRuleBoxes) {
        QCheckBox* box = Box(rule.name);
        if (save)
            AppSettings.*rule.setting = box->isChecked();
        else
            box->setChecked(AppSettings.*rule.setting);
    }
    return true;
}

void TfmDupOption::btnOKClick()
{
    if (TransferData(true))
        accept();
}

QCheckBox* TfmDupOption::Box(const char* name) const
{
    return findChild<QCheckBox*>(QLatin1String(name));
}
