#include "app/detail/TfmQoAddrDetail.h"

#include "app/DialogUtil.h"
#include "app/KeepApart.h"
#include "app/ModalDialog.h"
#include "app/RecordList.h"
#include "app/core/ContactDetailFields.h"
#include "app/detail/DetailParts.h"
#include "common/google/CommAddrRecord.h"
#include "common/google/CxGAddrUtil.h"
#include "common/google/records/GAddrRecord.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <iterator>
#include <span>

namespace {

// The address pages in tab order, each with the prefix of its boxes' names and the slot type code it
// shows.
struct AddrPage
{
    const char* tabName;
    const char* caption;
    const char* prefix;
    int32_t code;
};

constexpr AddrPage kAddrPages[] = {
    {"tWorkAddr", "Work", "Work", ADDRESS_WORK},
    {"tHomeAddr", "Home", "Home", ADDRESS_HOME},
    {"tOther", "Other", "Other", ADDRESS_OTHER},
};
// The address codes run from 1 to the Other code; one page each.
constexpr int32_t kLastAddrCode = ADDRESS_OTHER;

QString Name(const char* prefix, const char* kind, const char* suffix)
{
    return QLatin1String(prefix) + QLatin1String(kind) + QLatin1String(suffix);
}

QPlainTextEdit* MakeMemo(QWidget* parent, const QString& name, const QString& accessibleName)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setAccessibleName(accessibleName);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    return memo;
}

// One row for every id whose text is not empty: the field's name, then its text.
void FillFieldList(QTreeWidget& list, const GAddrRecord& contact, std::span<const int32_t> ids)
{
    Refill(list, [&] {
        for (const int32_t id : ids) {
            // Dates share one buffer that the next call overwrites: take the text before asking again.
            const QString text = QString::fromUtf8(GetFieldText(&contact, id));
            GAddrFieldInfo info;
            if (text.isEmpty() || !FindFieldInfo(id, &info))
                continue;
            new QTreeWidgetItem(&list, {FieldText(info.szName), text});
        }
    });
}

} // namespace

TfmQoAddrDetail::TfmQoAddrDetail(QWidget* owner)
    : QDialog(owner)
{
    // Every control carries its own name as object name, for tests and accessibility tools.
    setObjectName(QStringLiteral("fmQoAddrDetail"));
    setWindowTitle(QStringLiteral("Google Contact Record Details"));
    BuildControls();
    SetFixedCentred(*this, QSize(634, 474));
}

void TfmQoAddrDetail::BuildControls()
{
    lvPhone = MakeReportList(nullptr, {"lvPhone", "Phones and emails", {{"Description", 200}, {"Content", 280}}});
    // Each custom row carries its number, its label ("[None]" without one) and its value; the label
    // gets a column of its own, so the value stands under "Custom Content".
    lvCustom =
        MakeReportList(nullptr, {"lvCustom", "Custom fields", {{"Seq.", 50}, {"Label", 120}, {"Custom Content", 400}}});
    lvMisc = MakeReportList(nullptr, {"lvMisc", "Misc fields", {{"Label", 150}, {"Content", 360}}});
    memNotes = MakeMemo(nullptr, QStringLiteral("memNotes"), QStringLiteral("Notes"));
    pAddr = new QTabWidget;
    pAddr->setObjectName(QStringLiteral("pAddr"));
    for (int page = 0; page < static_cast<int>(std::size(kAddrPages)); ++page)
        pAddr->addTab(BuildAddressPage(page), QLatin1String(kAddrPages[page].caption));

    pMain = new QTabWidget(this);
    pMain->setObjectName(QStringLiteral("pMain"));
    tPhone = SinglePage("tPhone", lvPhone);
    pMain->addTab(tPhone, QStringLiteral("Phones and Emails"));
    pMain->addTab(SinglePage("tAddr", pAddr), QStringLiteral("Addresses"));
    pMain->addTab(SinglePage("tCustom", lvCustom), QStringLiteral("Custom Fields"));
    pMain->addTab(SinglePage("tNote", memNotes), QStringLiteral("Notes"));
    pMain->addTab(SinglePage("tMisc", lvMisc), QStringLiteral("Misc Fields"));

    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 10, 12, 12);
    body->setSpacing(10);
    body->addWidget(BuildNameRow());
    body->addWidget(pMain, 1);
    btnNotDuplicate = AddNotDuplicateRow(this, body);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(
        MakeDetailHead(this, QStringLiteral("View detail information of the Google Contact record."), btnClose));
    layout->addLayout(body, 1);

    connect(btnClose, &QPushButton::clicked, this, &TfmQoAddrDetail::btnCloseClick);
    connect(btnNotDuplicate, &QPushButton::clicked, this, &TfmQoAddrDetail::btnNotDuplicateClick);
}

QWidget* TfmQoAddrDetail::BuildNameRow()
{
    auto* row = new QWidget(this);
    edtDisplayName = MakeTextBox(row, QStringLiteral("edtDisplayName"));
    edtCompany = MakeTextBox(row, QStringLiteral("edtCompany"));
    edtTitle = MakeTextBox(row, QStringLiteral("edtTitle"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    const std::pair<const char*, QLineEdit*> boxes[] = {
        {"Name:", edtDisplayName}, {"Company:", edtCompany}, {"Job Title:", edtTitle}};
    for (const auto& [caption, box] : boxes) {
        layout->addWidget(MakeBuddyLabel(row, QLatin1String(caption), box));
        layout->addWidget(box, 1);
        layout->addSpacing(8);
    }
    return row;
}

QWidget* TfmQoAddrDetail::BuildAddressPage(int page)
{
    const AddrPage& kind = kAddrPages[page];
    auto* tab = new QWidget;
    tab->setObjectName(QLatin1String(kind.tabName));
    TAddrPageBoxes& boxes = m_addrPages[kind.code - 1];
    boxes.memStreet = MakeMemo(tab, Name("mem", kind.prefix, "Street"), QLatin1String(kind.caption) + " address");
    boxes.edtCity = MakeTextBox(tab, Name("edt", kind.prefix, "City"));
    boxes.edtState = MakeTextBox(tab, Name("edt", kind.prefix, "State"));
    boxes.edtCountry = MakeTextBox(tab, Name("edt", kind.prefix, "Country"));
    boxes.edtPostal = MakeTextBox(tab, Name("edt", kind.prefix, "Postal"));

    auto* grid = new QGridLayout(tab);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    grid->addWidget(MakeBuddyLabel(tab, QStringLiteral("Address:"), boxes.memStreet), 0, 0, Qt::AlignTop);
    grid->addWidget(boxes.memStreet, 0, 1, 1, 3);
    grid->addWidget(MakeBuddyLabel(tab, QStringLiteral("City:"), boxes.edtCity), 1, 0);
    grid->addWidget(boxes.edtCity, 1, 1);
    grid->addWidget(MakeBuddyLabel(tab, QStringLiteral("State:"), boxes.edtState), 1, 2);
    grid->addWidget(boxes.edtState, 1, 3);
    grid->addWidget(MakeBuddyLabel(tab, QStringLiteral("Country:"), boxes.edtCountry), 2, 0);
    grid->addWidget(boxes.edtCountry, 2, 1);
    grid->addWidget(MakeBuddyLabel(tab, QStringLiteral("Postal:"), boxes.edtPostal), 2, 2);
    grid->addWidget(boxes.edtPostal, 2, 3);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return tab;
}

void TfmQoAddrDetail::SetUtil(CxGAddrUtil* pUtil)
{
    m_pUtil = pUtil;
}

void TfmQoAddrDetail::SetRecord(CommAddrRecord* pRecord)
{
    m_pRecord = pRecord;
    m_pContact = pRecord ? static_cast<GAddrRecord*>(pRecord->pAttach) : nullptr;
    // Only a duplicate has a kept record to be told apart from; the scan sets both together.
    const bool duplicate = m_pContact && (m_pContact->dwFlags & REC_DUPLICATE) && m_pContact->pKept;
    btnNotDuplicate->setVisible(duplicate);
    btnNotDuplicate->setEnabled(duplicate && CanKeepApart(*m_pContact));
    TransferData();
}

bool TfmQoAddrDetail::TransferData()
{
    if (!m_pContact || !m_pUtil)
        return false;
    pMain->setCurrentWidget(tPhone);
    edtDisplayName->setText(FieldText(m_pContact->szDisplayName));
    edtCompany->setText(FieldText(m_pContact->szCompanyName));
    edtTitle->setText(FieldText(m_pContact->szJobTitle));
    memNotes->setPlainText(FieldText(m_pContact->szNote));
    FillFieldList(*lvPhone, *m_pContact, kDetailPhoneFieldIds);
    FillAddresses();
    FillCustom();
    FillFieldList(*lvMisc, *m_pContact, kDetailMiscFieldIds);
    return true;
}

// The first slot of each type fills its page; later slots of a type already shown, free slots and
// codes of no page are passed over. Only street, city, state, country and postal code are shown.
void TfmQoAddrDetail::FillAddresses()
{
    bool filled[kLastAddrCode] = {};
    for (TAddrPageBoxes& boxes : m_addrPages) {
        boxes.memStreet->clear();
        for (QLineEdit* box : {boxes.edtCity, boxes.edtState, boxes.edtCountry, boxes.edtPostal})
            box->clear();
    }
    const GAddrRecord& contact = *m_pContact;
    for (int slot = 0; slot < kAddressSlots; ++slot) {
        const int32_t code = contact.nAddressType[slot];
        if (code < 1 || code > kLastAddrCode || filled[code - 1])
            continue;
        filled[code - 1] = true;
        TAddrPageBoxes& boxes = m_addrPages[code - 1];
        boxes.memStreet->setPlainText(FieldText(contact.szStreet[slot]));
        boxes.edtCity->setText(FieldText(contact.szCity[slot]));
        boxes.edtState->setText(FieldText(contact.szState[slot]));
        boxes.edtCountry->setText(FieldText(contact.szCountry[slot]));
        boxes.edtPostal->setText(FieldText(contact.szPostal[slot]));
    }
}

void TfmQoAddrDetail::FillCustom()
{
    const GAddrRecord& contact = *m_pContact;
    Refill(*lvCustom, [&] {
        for (int n = 1; n <= kCustomFields; ++n) {
            const QString value = FieldText(contact.szCustomField[n - 1]);
            if (value.isEmpty())
                continue;
            QString label = FieldText(contact.szCustomLabel[n - 1]);
            if (label.isEmpty())
                label = QStringLiteral("[None]");
            new QTreeWidgetItem(lvCustom, {QString::number(n), label, value});
        }
    });
}

// Nothing is taken back, so the dialog's result means nothing to its opener.
void TfmQoAddrDetail::btnCloseClick()
{
    accept();
}

void TfmQoAddrDetail::btnNotDuplicateClick()
{
    done(m_pContact && KeepApart(*m_pContact) ? kKeptApartResult : QDialog::Accepted);
}

bool ShowContactDetail(QWidget* owner, CommAddrRecord* pRecord, CxGAddrUtil* pUtil)
{
    TfmQoAddrDetail dialog(owner);
    dialog.SetUtil(pUtil);
    dialog.SetRecord(pRecord);
    return ExecModalDialog(dialog) == kKeptApartResult;
}
