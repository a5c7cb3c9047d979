#include "app/TfmDupOption.h"

#include "app/DialogUtil.h"
#include "app/QoBanner.h"
#include "app/RecordList.h"
#include "app/core/AppSettings.h"
#include "app/core/NotDuplicates.h"
#include "common/misc/CxDebugUtil.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

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

// The kind first: its column is narrow and always whole, while a long pair of labels is cut short at
// the right edge (its full text is the row's tool tip).
const ListShape kPairsList = {"lvPairs", "Pairs kept apart", {{"Kind", 70}, {"Not duplicates", 300}}};
enum { kKindColumn, kPairColumn };

// Each row of the pairs list remembers the place of its pair in the store, so that OK can tell
// which pairs were forgotten.
constexpr int kPairIndexRole = Qt::UserRole;

// A radio button with its one-line explanation under it, set in a little so that it reads as
// belonging to the button above.
QWidget* ExplainedChoice(QWidget* parent, QRadioButton* button, const char* noteName, const QString& note)
{
    auto* block = new QWidget(parent);
    auto* text = new QLabel(note, block);
    text->setObjectName(QLatin1String(noteName));
    text->setWordWrap(true);
    // A hint, not a control: drawn in the muted colour, and read out with the button it explains.
    text->setForegroundRole(QPalette::PlaceholderText);
    button->setAccessibleDescription(note);
    button->setParent(block);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(button);
    auto* indented = new QHBoxLayout;
    indented->setContentsMargins(22, 0, 0, 0);
    indented->addWidget(text, 1);
    layout->addLayout(indented);
    return block;
}

} // namespace

TfmDupOption::TfmDupOption(QWidget* owner)
    : QDialog(owner)
{
    setObjectName(QStringLiteral("fmDupOption"));
    setWindowTitle(QStringLiteral("Set Qosweep Options"));
    BuildControls();
    SetFixedCentred(*this, kClientSize);
}

void TfmDupOption::BuildControls()
{
    auto* banner = new QoBanner(this, false);
    auto* intro1 = new QLabel(
        QStringLiteral("You may customize the duplicate checking criteria here, Qosweep will check the record "), this);
    auto* intro2 = new QLabel(QStringLiteral("fields as you specified below:"), this);
    QWidget* modes = BuildModeChoice();
    pMain = new QTabWidget(this);
    pMain->setObjectName(QStringLiteral("pMain"));
    pMain->addTab(BuildTab(kContactsTab), QStringLiteral("Contacts"));
    pMain->addTab(BuildTab(kCalendarTab), QStringLiteral("Calendar"));
    cbUntickLosing =
        new QCheckBox(QStringLiteral("Leave duplicates that hold data the kept record lacks unticked"), this);
    cbUntickLosing->setObjectName(QStringLiteral("cbUntickLosing"));
    QWidget* pairs = BuildPairsList();
    btnOK = MakeDialogButton(this, "btnOK", QStringLiteral("&OK"));
    btnCancel = MakeDialogButton(this, "btnCancel", QStringLiteral("&Cancel"));
    btnOK->setDefault(true);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 16, 12, 16);
    body->setSpacing(4);
    body->addWidget(intro1);
    body->addWidget(intro2);
    body->addSpacing(10);
    body->addWidget(modes);
    body->addSpacing(10);
    body->addWidget(pMain, 1);
    body->addSpacing(8);
    body->addWidget(cbUntickLosing);
    body->addSpacing(12);
    body->addWidget(pairs);
    body->addSpacing(12);
    body->addLayout(ButtonRow({btnOK, btnCancel}));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(banner);
    layout->addLayout(body, 1);

    connect(btnOK, &QPushButton::clicked, this, &TfmDupOption::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(rbtnSmart, &QRadioButton::toggled, this, &TfmDupOption::UpdateControls);
    connect(btnForget, &QPushButton::clicked, this, &TfmDupOption::btnForgetClick);
    connect(lvPairs, &QTreeWidget::itemSelectionChanged, this, &TfmDupOption::UpdateControls);
}

QWidget* TfmDupOption::BuildModeChoice()
{
    auto* block = new QWidget(this);
    block->setObjectName(QStringLiteral("pMode"));
    rbtnExact = new QRadioButton(QStringLiteral("&Exact fields"));
    rbtnExact->setObjectName(QStringLiteral("rbtnExact"));
    rbtnSmart = new QRadioButton(QStringLiteral("&Smart matching"));
    rbtnSmart->setObjectName(QStringLiteral("rbtnSmart"));
    auto* group = new QButtonGroup(block);
    group->addButton(rbtnExact, MATCH_EXACT);
    group->addButton(rbtnSmart, MATCH_SMART);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(ExplainedChoice(block, rbtnExact, "lblExactNote",
                                      QStringLiteral("Contacts and events match when the fields ticked below agree.")));
    layout->addWidget(ExplainedChoice(block, rbtnSmart, "lblSmartNote",
                                      QStringLiteral("Contacts match on their name and a shared e-mail address or "
                                                     "phone number; events on subject and time.")));
    rbtnExact->setChecked(true);
    return block;
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

// The pairs kept apart, or a line saying there are none, with the button that forgets one beside.
QWidget* TfmDupOption::BuildPairsList()
{
    auto* block = new QWidget(this);
    block->setObjectName(QStringLiteral("pKeptApart"));
    auto* caption = new QLabel(QStringLiteral("Pairs kept apart (never offered as duplicates):"), block);
    lvPairs = MakeReportList(nullptr, kPairsList);
    lvPairs->header()->setStretchLastSection(true);
    lvPairs->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lblNoPairs = new QLabel(QStringLiteral("No pairs kept apart."));
    lblNoPairs->setObjectName(QStringLiteral("lblNoPairs"));
    lblNoPairs->setAlignment(Qt::AlignCenter);
    lblNoPairs->setFrameShape(QFrame::StyledPanel);
    pPairs = new QStackedWidget(block);
    pPairs->setObjectName(QStringLiteral("pPairs"));
    pPairs->addWidget(lvPairs);
    pPairs->addWidget(lblNoPairs);
    pPairs->setFixedHeight(120);
    caption->setBuddy(lvPairs);
    btnForget = MakeDialogButton(block, "btnForget", QStringLiteral("&Forget"));

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addWidget(pPairs, 1);
    row->addWidget(btnForget, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(block);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(caption);
    layout->addLayout(row);
    return block;
}

void TfmDupOption::FillPairs()
{
    QList<QTreeWidgetItem*> rows;
    const std::vector<NotDuplicatePair>& pairs = g_notDuplicates.Pairs();
    for (size_t i = 0; i < pairs.size(); ++i) {
        const NotDuplicatePair& p = pairs[i];
        const QString labels =
            QString::fromUtf8(p.firstLabel) + QStringLiteral(" \u2014 ") + QString::fromUtf8(p.secondLabel);
        auto* row = new QTreeWidgetItem(2);
        row->setText(kKindColumn, p.kind == PairKind::Contact ? QStringLiteral("Contact") : QStringLiteral("Event"));
        row->setText(kPairColumn, labels);
        row->setToolTip(kPairColumn, labels);
        row->setData(0, kPairIndexRole, QVariant::fromValue(static_cast<qulonglong>(i)));
        rows.append(row);
    }
    ReplaceRows(lvPairs, rows);
}

// The boxes say which fields the exact rule compares; smart matching compares fields of its own and
// reads none of them, so in smart mode they are shown as they are but cannot be changed. They keep
// their ticks, which come back into force when the user returns to the exact rule.
void TfmDupOption::UpdateControls()
{
    const bool exact = !rbtnSmart->isChecked();
    for (const RuleBox& rule : kRuleBoxes)
        Box(rule.name)->setEnabled(exact);
    pPairs->setCurrentWidget(lvPairs->topLevelItemCount() > 0 ? static_cast<QWidget*>(lvPairs) : lblNoPairs);
    btnForget->setEnabled(!lvPairs->selectedItems().isEmpty());
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
    if (save)
        AppSettings.UntickLosingDuplicates = cbUntickLosing->isChecked();
    else
        cbUntickLosing->setChecked(AppSettings.UntickLosingDuplicates);
    if (!save) {
        (AppSettings.MatchMode == MATCH_SMART ? rbtnSmart : rbtnExact)->setChecked(true);
        FillPairs();
        UpdateControls();
        return true;
    }
    AppSettings.MatchMode = rbtnSmart->isChecked() ? MATCH_SMART : MATCH_EXACT;

    // The pairs still listed stay; every other pair of the store was forgotten. Removed from the
    // back, so that the places of those still to go do not move.
    std::vector<bool> kept(g_notDuplicates.Pairs().size(), false);
    for (int i = 0; i < lvPairs->topLevelItemCount(); ++i) {
        const size_t index = lvPairs->topLevelItem(i)->data(0, kPairIndexRole).toULongLong();
        if (index < kept.size())
            kept[index] = true;
    }
    if (std::find(kept.begin(), kept.end(), false) == kept.end())
        return true;
    for (size_t i = kept.size(); i-- > 0;)
        if (!kept[i])
            g_notDuplicates.Remove(i);
    if (!g_notDuplicates.Save())
        g_debugLog.Print(0, __FILE__, __LINE__, "Could not save the pairs kept apart (%s).", kNotDuplicatesFile);
    return true;
}

void TfmDupOption::btnOKClick()
{
    if (TransferData(true))
        accept();
}

void TfmDupOption::btnForgetClick()
{
    const QList<QTreeWidgetItem*> selected = lvPairs->selectedItems();
    if (selected.isEmpty())
        return;
    delete selected.front();
    UpdateControls();
}

QCheckBox* TfmDupOption::Box(const char* name) const
{
    return findChild<QCheckBox*>(QLatin1String(name));
}
